"""Shared helpers of the Python module's tests: where the samples and the shared
documents are, and small .docx packages built in the test."""

import io
import os
import pathlib
import zipfile

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
SAMPLES = ROOT / "samples"
SHARED = pathlib.Path(os.environ.get("KVWORD_SHARED_DIR", ROOT.parent / "shared"))
CORPUS = SHARED / "corpus"

CONTENT_TYPES = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
    '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
    '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
    '<Default Extension="xml" ContentType="application/xml"/>'
    '<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-'
    'officedocument.wordprocessingml.document.main+xml"/></Types>')
RELS = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
    '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
    'relationships/officeDocument" Target="word/document.xml"/></Relationships>')
W = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"


def make_docx(paragraphs, core=None, body=None):
    """A minimal .docx whose body holds one paragraph per entry (or body: the
    body's XML as given); core: the docProps/core.xml body (Dublin Core elements),
    when given."""
    if body is None:
        body = "".join(f"<w:p><w:r><w:t xml:space=\"preserve\">{p}</w:t></w:r></w:p>" for p in paragraphs)
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", CONTENT_TYPES)
        z.writestr("_rels/.rels", RELS)
        z.writestr("word/document.xml",
                   f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
                   f'<w:document xmlns:w="{W}"><w:body>{body}</w:body></w:document>')
        if core is not None:
            z.writestr("docProps/core.xml",
                       '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
                       '<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/'
                       'metadata/core-properties" xmlns:dc="http://purl.org/dc/elements/1.1/" '
                       'xmlns:dcterms="http://purl.org/dc/terms/" '
                       'xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">'
                       f'{core}</cp:coreProperties>')
    return out.getvalue()


@pytest.fixture
def sample_doc():
    return SAMPLES / "sample.doc"


@pytest.fixture
def sample_docx():
    return SAMPLES / "sample.docx"


def corpus_files(exts=(".doc", ".docx", ".docm", ".dot", ".dotx")):
    """The shared corpus's documents, sorted; empty when it is absent."""
    folder = CORPUS / "files"
    if not folder.is_dir():
        return []
    return sorted(p for p in folder.iterdir() if p.suffix.lower() in exts)
