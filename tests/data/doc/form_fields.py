#!/usr/bin/env python3
"""Writes form_fields.docx: a checked and an unchecked check box, a drop-down
showing its second entry and a text field, each in a paragraph of its own.
form_fields.doc is LibreOffice's conversion of it:
    python3 form_fields.py && soffice --headless --convert-to doc form_fields.docx"""
import zipfile

W = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"


def field(ffdata, instruction, result=""):
    runs = ['<w:r><w:fldChar w:fldCharType="begin"><w:ffData>%s</w:ffData></w:fldChar></w:r>' % ffdata,
            '<w:r><w:instrText xml:space="preserve"> %s </w:instrText></w:r>' % instruction]
    if result:
        runs.append('<w:r><w:fldChar w:fldCharType="separate"/></w:r>')
        runs.append('<w:r><w:t>%s</w:t></w:r>' % result)
    runs.append('<w:r><w:fldChar w:fldCharType="end"/></w:r>')
    return "".join(runs)


def para(*parts):
    return "<w:p>%s</w:p>" % "".join(parts)


def text(s):
    return '<w:r><w:t xml:space="preserve">%s</w:t></w:r>' % s


def check(name, checked):
    state = "<w:checked/>" if checked else '<w:checked w:val="0"/>'
    return field('<w:name w:val="%s"/><w:enabled/><w:checkBox><w:sizeAuto/><w:default w:val="0"/>%s</w:checkBox>'
                 % (name, state), "FORMCHECKBOX")


body = "".join([
    para(text("Yes "), check("Check1", True), text(" done")),
    para(text("No "), check("Check2", False), text(" done")),
    para(text("Colour "), field('<w:name w:val="Drop1"/><w:enabled/><w:ddList><w:result w:val="1"/>'
                                '<w:listEntry w:val="Red"/><w:listEntry w:val="Green"/>'
                                '<w:listEntry w:val="Blue"/></w:ddList>', "FORMDROPDOWN"), text(" chosen")),
    para(text("Name "), field('<w:name w:val="Text1"/><w:enabled/><w:textInput/>', "FORMTEXT", "Ada"),
         text(" typed")),
])
document = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<w:document xmlns:w="%s"><w:body>%s</w:body></w:document>' % (W, body))
types = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
         '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
         '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
         '<Default Extension="xml" ContentType="application/xml"/>'
         '<Override PartName="/word/document.xml" '
         'ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>'
         '</Types>')
rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
        'officeDocument" Target="word/document.xml"/></Relationships>')
with zipfile.ZipFile("form_fields.docx", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("[Content_Types].xml", types)
    z.writestr("_rels/.rels", rels)
    z.writestr("word/document.xml", document)
