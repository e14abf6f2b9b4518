#include "msword/docx/WordXmlDocument.h"

#include <gtest/gtest.h>

#include <string>

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/base/SummaryInformation.h"
#include "msword/zip/ZipArchive.h"

using namespace msword;

namespace {

struct TLoaded {
  std::string Text, FootNotes, EndNotes, Headers, Footers;
  std::u16string Title, Author;
};

TLoaded Load(const std::string& Bytes) {
  TMSWordXmlDocument document(nullptr);
  TMemoryStream stream(Bytes);
  document.LoadFromStream(&stream);
  auto utf8 = [](const TWideStrings* List) { return WideToUtf8(List->GetText()); };
  return {utf8(document.Text()),       utf8(document.FootNoteText()), utf8(document.EndNoteText()),
          utf8(document.HeaderText()), utf8(document.FooterText()),   document.SummaryInformation()->Title(),
          document.SummaryInformation()->Author()};
}

}  // namespace

// A WordprocessingML 2003 document: sections wrap the body, notes stand inside
// their runs, headers and footers inside the section properties, revisions and
// comments are annotations, text may be character data.
TEST(WordXmlDocument, WordML2003) {
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<?mso-application progid=\"Word.Document\"?>\n"
      "<w:wordDocument xmlns:w=\"http://schemas.microsoft.com/office/word/2003/wordml\" "
      "xmlns:wx=\"http://schemas.microsoft.com/office/word/2003/auxHint\" "
      "xmlns:aml=\"http://schemas.microsoft.com/aml/2001/core\" xmlns:o=\"urn:schemas-microsoft-com:office:office\">"
      "<o:DocumentProperties><o:Title>T &amp; U</o:Title><o:Author>Ann</o:Author></o:DocumentProperties>"
      "<w:docPr><w:footnotePr><w:footnote w:type=\"separator\"><w:p><w:r><w:t>SEP</w:t></w:r></w:p>"
      "</w:footnote></w:footnotePr></w:docPr>"
      "<w:body><wx:sect><wx:sub-section>"
      "<w:p><w:r><w:t>Hello</w:t></w:r><w:r><w:t> world</w:t></w:r>"
      "<w:r><w:footnote><w:p><w:r><w:t>Note</w:t></w:r></w:p></w:footnote></w:r>"
      "<w:r><w:endnote><w:p><w:r><w:t>End</w:t></w:r></w:p></w:endnote></w:r></w:p>"
      "<w:p><aml:annotation aml:id=\"1\" w:type=\"Word.Insertion\"><aml:content><w:r><w:t>new</w:t></w:r>"
      "</aml:content></aml:annotation><aml:annotation aml:id=\"2\" w:type=\"Word.Deletion\"><aml:content>"
      "<w:r><w:delText>old</w:delText></w:r></aml:content></aml:annotation>"
      "<aml:annotation w:type=\"Word.Bookmark.Start\"/><w:r><w:t><![CDATA[a<b]]></w:t></w:r></w:p>"
      "<w:sectPr><w:hdr w:type=\"odd\"><w:p><w:r><w:t>Head</w:t></w:r></w:p></w:hdr>"
      "<w:ftr w:type=\"odd\"><w:p><w:r><w:t>Foot</w:t></w:r></w:p></w:ftr></w:sectPr>"
      "</wx:sub-section></wx:sect></w:body></w:wordDocument>";
  const TLoaded loaded = Load(xml);
  EXPECT_EQ(loaded.Text, "Hello world\r\n+new-olda<b\r\n");
  EXPECT_EQ(loaded.FootNotes, "Note\r\n");
  EXPECT_EQ(loaded.EndNotes, "End\r\n");
  EXPECT_EQ(loaded.Headers, "Head\r\n");
  EXPECT_EQ(loaded.Footers, "Foot\r\n");
  EXPECT_EQ(WideToUtf8(loaded.Title), "T & U");
  EXPECT_EQ(WideToUtf8(loaded.Author), "Ann");
}

// A flat package: its parts, XML and binary, become the entries of a package.
TEST(WordXmlDocument, FlatPackage) {
  const std::string xml =
      "<?xml version=\"1.0\"?><?mso-application progid=\"Word.Document\"?>"
      "<pkg:package xmlns:pkg=\"http://schemas.microsoft.com/office/2006/xmlPackage\">"
      "<pkg:part pkg:name=\"/word/document.xml\"><pkg:xmlData><w:document xmlns:w=\"w\" xmlns:r=\"r\"><w:body>"
      "<w:p><w:r><w:t>Body &gt; text</w:t></w:r></w:p><w:sectPr><w:headerReference r:id=\"rId1\"/></w:sectPr>"
      "</w:body></w:document></pkg:xmlData></pkg:part>"
      "<pkg:part pkg:name=\"/word/_rels/document.xml.rels\"><pkg:xmlData><Relationships>"
      "<Relationship Id=\"rId1\" Target=\"header1.xml\"/></Relationships></pkg:xmlData></pkg:part>"
      "<pkg:part pkg:name=\"/word/header1.xml\"><pkg:binaryData>"
      "PHc6aGRyPjx3OnA+PHc6cj48dzp0PkhlYWQ8L3c6dD48L3c6cj48L3c6cD48L3c6aGRyPg==</pkg:binaryData></pkg:part>"
      "<pkg:part pkg:name=\"/docProps/core.xml\"><pkg:xmlData><cp:coreProperties><dc:title>Flat</dc:title>"
      "</cp:coreProperties></pkg:xmlData></pkg:part></pkg:package>";
  EXPECT_TRUE(IsFlatPackage(xml));
  const TLoaded loaded = Load(xml);
  EXPECT_EQ(loaded.Text, "Body > text\r\n");
  EXPECT_EQ(loaded.Headers, "Head\r\n");
  EXPECT_EQ(WideToUtf8(loaded.Title), "Flat");

  // The parts are entries of a package the zip reader reads.
  const std::string zip = FlatPackageToZip(xml);
  TMemoryStream stream(zip);
  TZipArchive archive(nullptr);
  archive.LoadFromStream(&stream);
  EXPECT_GE(archive.GetIndexByFileName(u"word/header1.xml"), 0);
}

// The parts made of a 2003 document's notes, headers and footers carry the root's
// namespace declarations only where they rename what the reader reads: a root may
// declare kilobytes of namespaces, and a document may hold thousands of headers.
TEST(WordXmlDocument, MadePartsRepeatOnlyDeclarationsThatMatter) {
  const auto document = [](const std::string& Declarations) {
    return "<?xml version=\"1.0\"?><w:wordDocument xmlns:w=\"http://schemas.microsoft.com/office/word/2003/wordml\"" +
           Declarations + "><w:body><w:p><w:r><w:t>Body</w:t></w:r></w:p><w:sectPr>"
           "<w:hdr w:type=\"odd\"><w:p><w:r><w:t>Head</w:t></w:r></w:p></w:hdr></w:sectPr></w:body></w:wordDocument>";
  };
  const auto header = [](const std::string& Xml) {
    const std::string zip = WordML2003ToZip(Xml);
    TMemoryStream stream(zip);
    TZipArchive archive(nullptr);
    archive.LoadFromStream(&stream);
    const int index = archive.GetIndexByFileName(u"word/kvwheader1.xml");
    return index < 0 ? std::string() : archive.GetUncompressed(index);
  };
  const std::string plain = document(" xmlns:o=\"urn:schemas-microsoft-com:office:office\" xmlns:x=\"urn:x\"");
  EXPECT_EQ(header(plain).find("xmlns"), std::string::npos);
  EXPECT_EQ(Load(plain).Headers, "Head\r\n");
  const std::string renaming = " xmlns:v=\"urn:schemas-microsoft-com:vml\" xmlns:vml=\"urn:schemas-microsoft-com:vml\"";
  EXPECT_NE(header(document(renaming)).find(renaming), std::string::npos);
}

// Damaged documents give what can be read; a file with no element is refused.
TEST(WordXmlDocument, DamagedDocuments) {
  struct Case {
    const char* what;
    std::string xml;
    std::string expected;
  };
  const Case cases[] = {
      {"unclosed note", "<?xml version=\"1.0\"?><w:wordDocument><w:body><w:p><w:r><w:t>a</w:t></w:r></w:p>"
                        "<w:p><w:r><w:footnote><w:p><w:r><w:t>n", "a\r\n"},
      {"cut in a tag", "<?xml version=\"1.0\"?><w:wordDocument><w:body><w:p><w:r><w:t>a</w:t></w:r></w:p><w:p x=\"",
       "a\r\n"},
      {"unclosed part", "<pkg:package><pkg:part pkg:name=\"/word/document.xml\"><pkg:xmlData><w:document>", ""},
      // No main part: the package loader refuses it as no Word document.
      {"nothing", "", "error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string text;
    try {
      text = Load(c.xml).Text;
    } catch (const Exception&) {
      text = "error";
    }
    EXPECT_EQ(text, c.expected);
  }
  const std::string dir = ::testing::TempDir();
  const std::u16string name = Utf8ToWide(dir + "/words.doc");
  {
    TFileStream file(name, fmCreate);
    file.WriteBuffer("no markup", 9);
  }
  TMSWordXmlDocument document(nullptr);
  EXPECT_THROW(document.LoadFromFile(name), Exception);
}
