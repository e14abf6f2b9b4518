#include "msword/docx/WordPrefixes.h"

#include "msword/xml/XmlPrefixes.h"

namespace msword {

namespace {

constexpr TXmlPrefixBinding kWordBindings[] = {
    {"http://schemas.openxmlformats.org/wordprocessingml/2006/main", "w"},
    {"http://purl.oclc.org/ooxml/wordprocessingml/main", "w"},
    {"http://schemas.openxmlformats.org/officeDocument/2006/relationships", "r"},
    {"http://purl.oclc.org/ooxml/officeDocument/relationships", "r"},
    {"http://schemas.openxmlformats.org/officeDocument/2006/math", "m"},
    {"http://purl.oclc.org/ooxml/officeDocument/math", "m"},
    {"http://schemas.openxmlformats.org/markup-compatibility/2006", "mc"},
    {"urn:schemas-microsoft-com:vml", "v"},
    {"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing", "wp"},
    {"http://purl.oclc.org/ooxml/drawingml/wordprocessingDrawing", "wp"},
    {"http://schemas.openxmlformats.org/drawingml/2006/main", "a"},
    {"http://purl.oclc.org/ooxml/drawingml/main", "a"},
    {"http://schemas.microsoft.com/office/word/2010/wordprocessingShape", "wps"},
    {"http://schemas.microsoft.com/office/word/2010/wordml", "w14"},
    {"http://schemas.microsoft.com/office/word/2015/wordml/symex", "w16se"},
};

}  // namespace

bool UseWordPrefixes(std::string& Bytes) { return RenameXmlPrefixes(Bytes, kWordBindings); }

}  // namespace msword
