#!/usr/bin/env bash
# Makes the fixtures of the RTF, web page and Word XML readers from source.rtf
# (written by hand) with LibreOffice headless, once; the results are committed and
# the tests never run LibreOffice. The flat package is built from the .docx by
# flat_package.py.
#   cd tests/data/readers && ./make.sh
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp source.rtf "$work/fixture.rtf"
soffice --headless --convert-to 'rtf:Rich Text Format' --outdir "$work/rtf" "$work/fixture.rtf" >/dev/null
soffice --headless --convert-to 'html:HTML (StarWriter)' --outdir "$work" "$work/fixture.rtf" >/dev/null
soffice --headless --convert-to 'xml:MS Word 2003 XML' --outdir "$work" "$work/fixture.rtf" >/dev/null
soffice --headless --convert-to 'docx:MS Word 2007 XML' --outdir "$work" "$work/fixture.rtf" >/dev/null
soffice --headless --convert-to 'txt:Text (encoded):UTF8' --outdir "$work" "$work/fixture.rtf" >/dev/null
cp "$work/rtf/fixture.rtf" libreoffice.rtf
cp "$work/fixture.html" libreoffice.html
cp "$work/fixture.xml" libreoffice-wordml2003.xml
python3 flat_package.py "$work/fixture.docx" libreoffice-flat.xml
cp "$work/fixture.txt" libreoffice.txt
