"""kvword.read: every kind of source, the options, the summary's dates and every
error class."""

import datetime
import errno
import io
import os
import pathlib
import subprocess
import sys

import pytest

import kvword
from conftest import CORPUS, SAMPLES, make_docx

SAMPLE_TEXT = "kvword sample document"


class BytesPath:
    """An os.PathLike whose path is bytes, as os.scandir(bytes) gives them."""

    def __init__(self, path: bytes):
        self.path = path

    def __fspath__(self):
        return self.path


@pytest.mark.parametrize("make_source, file", [
    (lambda p: str(p), lambda p: str(p)),
    (lambda p: p, lambda p: str(p)),
    (lambda p: BytesPath(os.fsencode(p)), lambda p: str(p)),
    (lambda p: p.read_bytes(), lambda p: None),
    (lambda p: bytearray(p.read_bytes()), lambda p: None),
    (lambda p: memoryview(p.read_bytes()), lambda p: None),
    (lambda p: io.BytesIO(p.read_bytes()), lambda p: None),
    (lambda p: open(p, "rb"), lambda p: None),
], ids=["str", "Path", "bytes PathLike", "bytes", "bytearray", "memoryview", "BytesIO", "open file"])
@pytest.mark.parametrize("name, reader", [("sample.doc", "doc"), ("sample.docx", "docx")])
def test_every_kind_of_source_gives_the_same_document(make_source, file, name, reader):
    path = SAMPLES / name
    expected = kvword.read(str(path))
    source = make_source(path)
    try:
        doc = kvword.read(source)
    finally:
        if hasattr(source, "close"):
            source.close()
    assert doc.reader == reader
    assert doc.text == expected.text
    assert doc.summary == expected.summary
    assert doc.file == file(path)
    assert SAMPLE_TEXT in doc.text
    assert (doc.doc_version is None) == (reader == "docx")


def test_the_reader_is_chosen_by_content_or_forced(tmp_path):
    rtf = b"{\\rtf1\\ansi {\\info{\\title Small}}Hello from RTF\\par}"
    path = tmp_path / "letter.doc"  # the name does not decide
    path.write_bytes(rtf)
    for source in (rtf, path):
        doc = kvword.read(source)
        assert doc.reader == "rtf" and doc.doc_version is None
        assert "Hello from RTF" in doc.text
    assert kvword.read(path, reader="rtf").text == kvword.read(path).text
    with pytest.raises(kvword.NotWordDocumentError):
        kvword.read(path, reader="doc")


def test_document_values_have_their_types(sample_doc):
    doc = kvword.read(sample_doc)
    for name in ("text", "footnotes", "endnotes", "headers", "footers", "annotations",
                 "text_boxes", "macro_text"):
        assert isinstance(getattr(doc, name), str), name
        entries = getattr(doc, name + "_list")
        assert isinstance(entries, list) and all(isinstance(line, str) for line in entries), name
        assert getattr(doc, name) == "".join(e + "\r\n" for e in entries).replace("\r\n", "\n")
    assert isinstance(doc.paragraphs, list) and all(isinstance(p, str) for p in doc.paragraphs)
    assert doc.summary["Title"] == "kvword sample"
    assert doc.vba_modules == []
    assert doc.undecodable_encodings == []
    assert "Café".lower() in doc.text.lower()
    assert isinstance(doc.doc_version, int) and doc.doc_version > 0


@pytest.mark.skipif(not os.environ.get("KVWORD_CLI"), reason="the command-line tool is not built")
@pytest.mark.parametrize("fmt", ["rtf", "html"])
@pytest.mark.parametrize("name", ["sample.doc", "sample.docx"])
def test_rtf_and_html_are_the_tools_output(tmp_path, fmt, name):
    """Both go through the one writer: the entries, each ended by CR LF, are
    byte for byte what kvword --format prints."""
    path = SAMPLES / name
    tool = subprocess.run([os.environ["KVWORD_CLI"], f"--format={fmt}", str(path)],
                          check=True, capture_output=True).stdout
    assert kvword.read(path, format=fmt, newline="\r\n").text.encode("utf-8") == tool
    assert kvword.read(path, format=fmt).text == tool.decode("utf-8").replace("\r\n", "\n")
    if fmt == "html":
        assert b"charset=utf-8" in tool.lower()
    else:
        assert all(byte < 0x80 for byte in tool)


@pytest.mark.parametrize("name", ["sample.doc", "sample.docx"])
def test_text_is_the_tools_text_with_the_newline_asked_for(name):
    doc = kvword.read(SAMPLES / name)
    crlf = kvword.read(SAMPLES / name, newline="\r\n")
    assert crlf.text == "".join(e + "\r\n" for e in doc.text_list)
    assert doc.text == crlf.text.replace("\r\n", "\n")
    # One paragraph a line, whatever the reader keeps in an entry.
    assert doc.paragraphs == crlf.text.split("\r\n")[:-1]
    assert all("\r\n" not in p for p in doc.paragraphs)
    assert SAMPLE_TEXT in "\n".join(doc.paragraphs)
    if os.environ.get("KVWORD_CLI"):
        tool = subprocess.run([os.environ["KVWORD_CLI"], str(SAMPLES / name)], check=True,
                              capture_output=True).stdout
        assert crlf.text.encode("utf-8") == tool
    with pytest.raises(ValueError):
        kvword.read(SAMPLES / name, newline="\r")


# A heading by its own outline level, a bold run, and text that would read as a list.
SHAPED_BODY = (
    '<w:p><w:pPr><w:outlineLvl w:val="0"/></w:pPr><w:r><w:t>Report</w:t></w:r></w:p>'
    '<w:p><w:r><w:rPr><w:b/></w:rPr><w:t>Bold</w:t></w:r><w:r><w:t xml:space="preserve"> and plain</w:t></w:r></w:p>'
    '<w:p><w:r><w:t>1. not a list</w:t></w:r></w:p>')


def test_markdown_gives_the_documents_shape():
    data = make_docx([], core="<dc:title>Quarterly</dc:title>", body=SHAPED_BODY)
    doc = kvword.read(data, format="markdown")
    assert doc.text == "# Report\n\n**Bold** and plain\n\n1\\. not a list\n"
    assert doc.paragraphs == doc.text_list == ["# Report", "", "**Bold** and plain", "", "1\\. not a list"]
    assert kvword.read(data, format="markdown", newline="\r\n").text == doc.text.replace("\n", "\r\n")
    assert kvword.read(data).text == "Report\nBold and plain\n1. not a list\n"  # plain is unchanged
    framed = kvword.read(data, format="markdown", front_matter=True).text
    assert framed == '---\ntitle: "Quarterly"\n---\n\n' + doc.text
    assert kvword.read(data, format="markdown", front_matter=True, summary=False).text == doc.text
    # Cut at the last line end within the limit, never inside a line.
    assert kvword.read(data, format="markdown", max_length=12).text == "# Report\n\n"


@pytest.mark.parametrize("options, message", [
    ({"format": "markdown", "view": "stored"}, "shown view"),
    ({"front_matter": True}, "front_matter"),
    ({"front_matter": True, "format": "html"}, "front_matter"),
])
def test_markdown_options_that_do_not_go_together_are_refused(sample_doc, options, message):
    with pytest.raises(ValueError, match=message):
        kvword.read(sample_doc, **options)
    with pytest.raises(ValueError, match=message):
        kvword.read_many([sample_doc], **options)


@pytest.mark.skipif(not os.environ.get("KVWORD_CLI"), reason="the command-line tool is not built")
@pytest.mark.parametrize("name", ["sample.doc", "sample.docx", "shaped.docx"])
@pytest.mark.parametrize("flags, options", [
    ([], {}),
    (["--front-matter"], {"front_matter": True}),
    (["--max-length=40"], {"max_length": 40}),
    (["--revisions=mark"], {"revisions": "mark"}),
])
def test_markdown_is_the_tools_markdown(tmp_path, name, flags, options):
    path = SAMPLES / name
    if name == "shaped.docx":
        path = tmp_path / name
        path.write_bytes(make_docx([], core="<dc:title>Quarterly</dc:title>", body=SHAPED_BODY))

    def tool(*more):
        return subprocess.run([os.environ["KVWORD_CLI"], "--format=markdown", *flags, *more, str(path)],
                              check=True, capture_output=True).stdout.decode("utf-8")

    assert kvword.read(path, format="markdown", newline="\r\n", **options).text == tool()
    assert kvword.read(path, format="markdown", **options).text == tool("--lf")


def test_options_reach_the_reader(sample_doc):
    plain = kvword.read(sample_doc).text
    assert kvword.read(sample_doc, format="rtf").text.startswith("{\\rtf1")
    assert "<html" in kvword.read(sample_doc, format="html").text.lower()
    cut = kvword.read(sample_doc, max_length=10)
    assert sum(len(line) for line in cut.text_list) <= 10 < len(plain)
    assert kvword.read(sample_doc, summary=False).summary == {}
    stored = kvword.read(sample_doc, view="stored", revisions="accept", hidden_text=True,
                         reader="doc", password="unused")
    assert SAMPLE_TEXT in stored.text
    with pytest.raises(kvword.Error):
        kvword.read(sample_doc, reader="docx")


@pytest.mark.parametrize("option, value, error", [
    ("view", "hidden", ValueError),
    ("revisions", "keep", ValueError),
    ("format", "pdf", ValueError),
    ("reader", "pdf", ValueError),
    ("max_length", -1, ValueError),
    ("max_length", 2**31, ValueError),
    ("max_length", "10", TypeError),
    ("password", b"secret", TypeError),
])
def test_wrong_options_are_refused_before_reading(sample_doc, option, value, error):
    with pytest.raises(error, match=option):
        kvword.read(sample_doc, **{option: value})


@pytest.mark.parametrize("source", [42, None, ["a.doc"], io.StringIO("text")])
def test_a_source_of_the_wrong_type_is_refused(source):
    with pytest.raises(TypeError):
        kvword.read(source)


@pytest.mark.skipif(not (CORPUS / "files" / "d0002-4788.doc").exists(), reason="the shared corpus is absent")
def test_a_doc_files_dates_keep_their_instant_in_every_time_zone():
    script = ("import sys, kvword; d = kvword.read(sys.argv[1]).summary; "
              "print(d['Created'].isoformat(), d['LastSaved'].isoformat())")
    seen = set()
    for zone in ("UTC", "America/New_York", "Asia/Kolkata"):
        env = dict(os.environ, TZ=zone)
        out = subprocess.run([sys.executable, "-c", script, str(CORPUS / "files" / "d0002-4788.doc")],
                             env=env, capture_output=True, check=True).stdout.decode().split()
        created, saved = (datetime.datetime.fromisoformat(s) for s in out)
        assert created.utcoffset() is not None
        seen.add((created, saved))
    assert len(seen) == 1


def test_summary_dates_are_aware_and_keep_their_instant():
    core = ('<dc:title>Dated</dc:title>'
            '<dcterms:created xsi:type="dcterms:W3CDTF">2024-03-09T14:05:00Z</dcterms:created>'
            '<dcterms:modified xsi:type="dcterms:W3CDTF">2024-07-02T05:00:10+05:30</dcterms:modified>')
    data = make_docx(["dated"], core=core)
    # The package's dates are UTC (its "Z"), whatever the machine's time zone.
    script = ("import sys, kvword; d = kvword.read(sys.stdin.buffer.read()).summary; "
              "print(d['Created'].isoformat(), d['LastSaved'].isoformat())")
    for zone in ("UTC", "America/New_York", "Asia/Kolkata"):
        env = dict(os.environ, TZ=zone)
        out = subprocess.run([sys.executable, "-c", script], input=data, env=env,
                             capture_output=True, check=True).stdout.decode().split()
        created, saved = (datetime.datetime.fromisoformat(s) for s in out)
        assert created.tzinfo is not None
        assert created == datetime.datetime(2024, 3, 9, 14, 5, tzinfo=datetime.timezone.utc), zone
        assert saved == datetime.datetime(2024, 7, 1, 23, 30, 10, tzinfo=datetime.timezone.utc), zone
        assert saved.utcoffset() == datetime.timedelta(hours=5, minutes=30)  # as the package states


def _encrypted_bit_set(data: bytes) -> bytes:
    """The .doc with its FIB's "encrypted" flag set: the FIB starts a 512-byte sector
    with the signature 0xA5EC; the flag is bit 0 of its byte 11."""
    data = bytearray(data)
    for offset in range(512, len(data) - 12, 512):
        if data[offset:offset + 2] == b"\xec\xa5":
            data[offset + 11] |= 1
            return bytes(data)
    raise AssertionError("no FIB found")


def _truncated(data: bytes) -> bytes:
    return data[:len(data) * 2 // 3]


def _deflate_damaged(data: bytes) -> bytes:
    """The package with bytes of word/document.xml's compressed data inverted."""
    data = bytearray(data)
    start = data.find(b"word/document.xml") + 40
    for i in range(start, start + 20):
        data[i] ^= 0xFF
    return bytes(data)


@pytest.mark.parametrize("make, error, message", [
    (lambda tmp: b"plain text, not a document\n" * 40, kvword.NotWordDocumentError,
     "File (bytes) is not valid MS Word document"),
    (lambda tmp: _write(tmp / "notes.txt", b"plain text\n" * 40), kvword.NotWordDocumentError,
     "is not valid MS Word document"),
    (lambda tmp: _encrypted_bit_set((SAMPLES / "sample.doc").read_bytes()),
     kvword.PasswordProtectedError, "Could not read the password protected file"),
    (lambda tmp: _truncated((SAMPLES / "sample.doc").read_bytes()), kvword.DamagedFileError, ""),
    (lambda tmp: _deflate_damaged((SAMPLES / "sample.docx").read_bytes()), kvword.DamagedFileError, ""),
    (lambda tmp: str(tmp / "missing.doc"), kvword.FileNotFoundError, "is not found."),
    (lambda tmp: str(tmp), kvword.IsADirectoryError, "is a directory."),
])
def test_each_failure_raises_its_class_with_the_librarys_message(tmp_path, make, error, message):
    source = make(tmp_path)
    with pytest.raises(error) as caught:
        kvword.read(source)
    e = caught.value
    assert isinstance(e, kvword.Error)
    assert message in str(e) and str(e) == e.message and e.message
    assert e.file == (source if isinstance(source, str) else None)
    if error is kvword.FileNotFoundError:
        assert isinstance(e, FileNotFoundError) and e.errno == errno.ENOENT and e.filename == source
    if error is kvword.IsADirectoryError:
        assert isinstance(e, IsADirectoryError) and isinstance(e, kvword.FileOpenError)
        assert e.errno == errno.EISDIR and e.filename == source


def _write(path: pathlib.Path, data: bytes) -> str:
    path.write_bytes(data)
    return str(path)


@pytest.mark.skipif(os.geteuid() == 0, reason="root reads any file")
def test_an_unreadable_file_raises_file_open_error(tmp_path, sample_doc):
    path = tmp_path / "locked.doc"
    path.write_bytes(sample_doc.read_bytes())
    path.chmod(0)
    with pytest.raises(kvword.FileOpenError) as caught:
        kvword.read(path)
    assert isinstance(caught.value, OSError)


def test_errors_survive_pickling():
    import pickle
    e = pickle.loads(pickle.dumps(kvword.WrongPasswordError("The password does not open file a", "a")))
    assert type(e) is kvword.WrongPasswordError and e.message.endswith("file a") and e.file == "a"


PROTECTED = CORPUS / "files" / "x0190-bug53475-password-is-pass.docx"  # password "pass"


@pytest.mark.skipif(not PROTECTED.exists(), reason="the shared corpus (its protected .docx) is absent")
def test_a_protected_docx_needs_its_password():
    with pytest.raises(kvword.PasswordProtectedError, match="password protected"):
        kvword.read(PROTECTED)
    try:
        doc = kvword.read(PROTECTED, password="pass")
    except kvword.PasswordProtectedError:
        pytest.skip("this build of the library does not decrypt documents")
    assert doc.text
    assert kvword.read(PROTECTED.read_bytes(), password="pass").text == doc.text
    with pytest.raises(kvword.WrongPasswordError) as caught:
        kvword.read(PROTECTED, password="not it")
    assert caught.value.message == f"The password does not open file {PROTECTED}"
    assert caught.value.file == str(PROTECTED)


@pytest.mark.parametrize("data, named", [
    (b"{\\rtf1\\ansi\\ansicpg20127 caf\\'e9}", ["cp20127"]),
    (b"{\\rtf1\\pc caf\\'82}", ["cp437"]),
    (b"<html><head><meta charset=\"koi8-r\"></head><body><p>\xF0\xD2\xC9</p></body></html>", ["koi8-r"]),
    (b"{\\rtf1\\ansi\\ansicpg20127 cafe}", []),  # nothing but ASCII: nothing to decode
    (b"{\\rtf1\\ansi\\ansicpg1251 \\'e0}", []),  # an encoding the library decodes
])
def test_encodings_that_could_not_be_decoded_are_named(data, named):
    assert kvword.read(data).undecodable_encodings == named
    assert kvword.read(data, format="markdown").undecodable_encodings == named
    (many,) = kvword.read_many([data], timeout=30)  # through a worker process too
    assert many.undecodable_encodings == named


def test_file_names_with_undecodable_bytes(tmp_path, sample_doc):
    raw = os.fsencode(tmp_path) + b"/caf\xe9-\xff.doc"  # Latin-1 bytes, not UTF-8
    with open(raw, "wb") as f:
        f.write(sample_doc.read_bytes())
    (name,) = [n for n in os.listdir(tmp_path) if n.endswith(".doc")]
    assert "\udce9" in name  # how Python hands such a name over
    path = os.path.join(tmp_path, name)
    for source in (path, pathlib.Path(path), BytesPath(raw)):
        doc = kvword.read(source)
        assert SAMPLE_TEXT in doc.text
        assert doc.file == path
    missing = path.replace(".doc", "-gone.doc")
    with pytest.raises(kvword.FileNotFoundError) as caught:
        kvword.read(missing)
    assert caught.value.file == missing and missing in caught.value.message


def test_help_is_useful_on_its_own():
    doc = kvword.read.__doc__
    for word in ("path_or_bytes", "view", "revisions", "format", "max_length", "hidden_text",
                 "macros", "summary", "password", "reader", "GIL", "NotWordDocumentError",
                 "markdown", "front_matter"):
        assert word in doc
    assert "jobs" in kvword.read_many.__doc__ and "input order" in kvword.read_many.__doc__


@pytest.mark.skipif(not (CORPUS / "files").is_dir(), reason="the shared corpus is absent")
def test_macros_give_the_vba_modules():
    path = CORPUS / "files" / "d0100-word_with_embeded.doc"
    if not path.exists():
        pytest.skip("the corpus lacks the document with macros")
    doc = kvword.read(path, macros=True)
    assert doc.vba_modules and all(isinstance(n, str) and isinstance(s, str) for n, s in doc.vba_modules)
    assert kvword.read(path).vba_modules == []
