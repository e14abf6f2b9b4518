#!/usr/bin/env python3
"""Writes a .docx package as one flat XML file (pkg:package), the form Word saves
as "Word XML Document": every XML part inline under pkg:xmlData, other parts in
base64 under pkg:binaryData.
    flat_package.py IN.docx OUT.xml"""
import base64
import sys
import zipfile

PKG = "http://schemas.microsoft.com/office/2006/xmlPackage"

def main(source, target):
    out = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>',
           '<?mso-application progid="Word.Document"?>',
           '<pkg:package xmlns:pkg="%s">' % PKG]
    with zipfile.ZipFile(source) as z:
        types = {}
        for info in z.infolist():
            name = "/" + info.filename
            if name == "/[Content_Types].xml":
                continue
            data = z.read(info)
            if name.endswith((".xml", ".rels")):
                text = data.decode("utf-8")
                if text.startswith("<?xml"):
                    text = text[text.index("?>") + 2:].lstrip()
                kind = ("application/vnd.openxmlformats-package.relationships+xml"
                        if name.endswith(".rels") else "application/xml")
                out.append('<pkg:part pkg:name="%s" pkg:contentType="%s"><pkg:xmlData>%s</pkg:xmlData></pkg:part>'
                           % (name, kind, text))
            else:
                out.append('<pkg:part pkg:name="%s" pkg:contentType="application/octet-stream">'
                           '<pkg:binaryData>%s</pkg:binaryData></pkg:part>'
                           % (name, base64.b64encode(data).decode("ascii")))
    out.append("</pkg:package>")
    with open(target, "w", encoding="utf-8") as f:
        f.write("\n".join(out))

if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
