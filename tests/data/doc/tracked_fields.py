#!/usr/bin/env python3
"""Writes tracked_fields.docx: a numbered list of five paragraphs whose second one
is deleted with its paragraph mark and whose fourth is inserted with its mark
(tracked changes), then a paragraph with a hyperlink field, a non-breaking and an
optional hyphen, and one with a field whose instruction holds another field.
tracked_fields.doc is LibreOffice's conversion of it:
    python3 tracked_fields.py && soffice --headless --convert-to doc tracked_fields.docx"""
import zipfile

W = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"
R = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
REV = 'w:id="%d" w:author="kv" w:date="2024-01-01T00:00:00Z"'


def run(s, deleted=False):
    tag = "w:delText" if deleted else "w:t"
    return '<w:r><%s xml:space="preserve">%s</%s></w:r>' % (tag, s, tag)


def item(s, change=None, n=0):
    mark = ""
    content = run(s)
    if change == "del":
        mark = '<w:rPr><w:del %s/></w:rPr>' % (REV % n)
        content = '<w:del %s>%s</w:del>' % (REV % (n + 1), run(s, True))
    elif change == "ins":
        mark = '<w:rPr><w:ins %s/></w:rPr>' % (REV % n)
        content = '<w:ins %s>%s</w:ins>' % (REV % (n + 1), run(s))
    return ('<w:p><w:pPr><w:numPr><w:ilvl w:val="0"/><w:numId w:val="1"/></w:numPr>%s</w:pPr>%s</w:p>'
            % (mark, content))


def field(instruction, result):
    return ('<w:r><w:fldChar w:fldCharType="begin"/></w:r>'
            '<w:r><w:instrText xml:space="preserve"> %s </w:instrText></w:r>'
            '<w:r><w:fldChar w:fldCharType="separate"/></w:r>%s'
            '<w:r><w:fldChar w:fldCharType="end"/></w:r>' % (instruction, run(result)))


url = "http://example.org/" + "x" * 220
body = "".join([
    item("One"), item("Two", "del", 10), item("Three"), item("Four", "ins", 20), item("Five"),
    "<w:p>%s%s%s</w:p>" % (run("Link "), field('HYPERLINK "%s"' % url, "example"), run(" end")),
    "<w:p>%s<w:r><w:t>well</w:t><w:noBreakHyphen/><w:t>known exam</w:t><w:softHyphen/><w:t>ple</w:t></w:r></w:p>"
    % run("Hyphens "),
    "<w:p>%s%s</w:p>" % (run("Page "), field("PAGE", "1")),
])
document = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<w:document xmlns:w="%s" xmlns:r="%s"><w:body>%s<w:sectPr/></w:body></w:document>' % (W, R, body))
numbering = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?><w:numbering xmlns:w="%s">'
             '<w:abstractNum w:abstractNumId="0"><w:lvl w:ilvl="0"><w:start w:val="1"/><w:numFmt w:val="decimal"/>'
             '<w:lvlText w:val="%%1."/></w:lvl></w:abstractNum>'
             '<w:num w:numId="1"><w:abstractNumId w:val="0"/></w:num></w:numbering>' % W)
types = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
         '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
         '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
         '<Default Extension="xml" ContentType="application/xml"/>'
         '<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.'
         'wordprocessingml.document.main+xml"/>'
         '<Override PartName="/word/numbering.xml" ContentType="application/vnd.openxmlformats-officedocument.'
         'wordprocessingml.numbering+xml"/></Types>')
rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
        'officeDocument" Target="word/document.xml"/></Relationships>')
doc_rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
            'numbering" Target="numbering.xml"/></Relationships>')
with zipfile.ZipFile("tracked_fields.docx", "w", zipfile.ZIP_DEFLATED) as z:
    for name, data in [("[Content_Types].xml", types), ("_rels/.rels", rels), ("word/document.xml", document),
                       ("word/_rels/document.xml.rels", doc_rels), ("word/numbering.xml", numbering)]:
        info = zipfile.ZipInfo(name, (2024, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        z.writestr(info, data)
