#include "msword/ReaderChoice.h"

#include <gtest/gtest.h>

#include "msword/base/CustomWordDocument.h"
#include "msword/base/Streams.h"
#include "msword/docx/WordXDocument.h"
#include "msword/html/HtmlDocument.h"
#include "msword/rtf/RtfDocument.h"
#include "support/CompoundFileBuilder.h"
#include "support/ZipBuilder.h"

using namespace msword;

// The choice for a document in memory follows the same rules as for a file, and
// leaves the stream where it was.
TEST(ReaderChoiceStream, ContentDecidesAndThePositionIsKept) {
  const std::string signatureOnly("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  struct Case {
    const char* what;
    std::string bytes;
    TReaderKind expected;
  };
  const Case cases[] = {
      {"zip", std::string("PK\x03\x04rest", 8), rkDocx},
      {"short zip", "PK\x03", rkDoc},
      {"empty", "", rkDoc},
      {"text", "plain text", rkDoc},
      {"encrypted package",
       kvtest::CompoundFileBuilder()
           .AddStream(u"EncryptionInfo", std::string(64, '\x01'))
           .AddStream(u"EncryptedPackage", std::string(5000, '\x02'))
           .Bytes(),
       rkDocx},
      {"word document", kvtest::CompoundFileBuilder().AddStream(u"WordDocument", "x").Bytes(), rkDoc},
      {"damaged compound file", signatureOnly + std::string(100, '\0'), rkDoc},
      {"signature only", signatureOnly, rkDoc},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TMemoryStream stream(c.bytes);
    stream.SetPosition(3);
    EXPECT_EQ(ChooseReaderByContent(&stream), c.expected);
    EXPECT_EQ(stream.Position(), 3);
  }
}

// The text formats Word opens are told by their first bytes, whatever the name.
TEST(ReaderChoiceHead, TextFormats) {
  struct Case {
    const char* what;
    std::string head;
    TReaderKind expected;
  };
  const Case cases[] = {
      {"rtf", "{\\rtf1\\ansi x}", rkRtf},
      {"rtf after a byte-order mark and blanks", "\xEF\xBB\xBF\r\n {\\rtf1}", rkRtf},
      {"html root", "<HTML><body>x</body></HTML>", rkHtml},
      {"html doctype", "<!doctype html>\n<p>x", rkHtml},
      {"html after a comment", "<!-- saved -->\n<html xmlns:o=\"urn:x\">", rkHtml},
      {"UTF-16 html", std::string("\xFF\xFE<\0h\0t\0m\0l\0>\0", 14), rkHtml},
      {"MIME archive", "MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=\"b\"\r\n\r\n--b", rkHtml},
      {"mail headers first", "From: <Saved by Word>\r\nSubject: x\r\nMIME-Version: 1.0\r\n\r\n", rkHtml},
      {"Word 2003 XML",
       "<?xml version=\"1.0\"?>\n<?mso-application progid=\"Word.Document\"?>\n<w:wordDocument xmlns:w=\"u\">",
       rkWordXml},
      {"flat package",
       "<?xml version=\"1.0\"?><pkg:package xmlns:pkg=\"http://schemas.microsoft.com/office/2006/xmlPackage\">",
       rkWordXml},
      {"other XML", "<?xml version=\"1.0\"?><root/>", rkDoc},
      {"a package root of another kind", "<?xml version=\"1.0\"?><package/>", rkDoc},
      {"plain text with a colon", "Note: this\r\nis text\r\n\r\n", rkDoc},
      {"unclosed comment", "<!-- never ends", rkDoc},
      {"empty", "", rkDoc},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(TextFormatOfHead(c.head), c.expected);
    TMemoryStream stream(c.head);
    EXPECT_EQ(ChooseReaderByContent(&stream), c.expected);
  }
}

namespace {

// A package whose body imports three chunks: an RTF document named by its content
// type only, one known by its first bytes, and a web page; Chunk ends the body.
std::string PackageWithRtfChunks() {
  const std::string w = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
                        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/aFChunk";
  kvtest::ZipBuilder zip;
  zip.AddDeflated("[Content_Types].xml",
                  "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                  "<Default Extension=\"htm\" ContentType=\"text/html\"/>"
                  "<Override PartName=\"/word/Chunk1.BIN\" ContentType=\"Application/RTF; charset=x\"/></Types>");
  zip.AddDeflated("word/document.xml",
                  "<w:document " + w + "><w:body><w:p><w:r><w:t>before</w:t></w:r></w:p>"
                  "<w:altChunk r:id=\"rId1\"/><w:altChunk r:id=\"rId2\"/><w:altChunk r:id=\"rId3\"/>"
                  "<w:p><w:r><w:t>after</w:t></w:r></w:p></w:body></w:document>");
  zip.AddDeflated("word/_rels/document.xml.rels",
                  "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                  "<Relationship Id=\"rId1\" Type=\"" + rel + "\" Target=\"chunk1.bin\"/>"
                  "<Relationship Id=\"rId2\" Type=\"" + rel + "\" Target=\"chunk2.rtf\"/>"
                  "<Relationship Id=\"rId3\" Type=\"" + rel + "\" Target=\"chunk3.htm\"/></Relationships>");
  // Without "{\rtf" at its start only the content type tells what it is.
  zip.AddDeflated("word/chunk1.bin", " {\\rtf1\\ansi First \\'e9t\\'e9\\par Second\\par}");
  zip.AddDeflated("word/chunk2.rtf", "{\\rtf1\\ansi Body{\\footnote\\pard Note text\\par} end\\par}");
  zip.AddDeflated("word/chunk3.htm", "<p>web page</p>");
  return zip.Bytes();
}

std::vector<std::u16string> Lines(TWideStrings* List) {
  std::vector<std::u16string> lines;
  for (int i = 0; i < List->Count(); ++i) lines.push_back(List->Get(i));
  return lines;
}

}  // namespace

// The readers NewReader makes read the RTF chunks of a .docx document in place,
// their notes with the document's; a .docx reader made without them leaves such
// chunks out, and the stored view reads no chunks at all.
TEST(ReaderChoiceChunks, RtfChunksOfADocxDocumentAreRead) {
  const std::string package = PackageWithRtfChunks();
  const auto load = [&](TMSCustomWordDocument& Reader, TKvWView View) {
    Reader.SetView(View);
    TMemoryStream stream(package);
    Reader.LoadFromStream(&stream);
  };
  const std::unique_ptr<TMSCustomWordDocument> reader = NewReader(rkDocx);
  load(*reader, vwShown);
  EXPECT_EQ(Lines(reader->Text()),
            (std::vector<std::u16string>{u"before", u"First \u00E9t\u00E9", u"Second", u"Body end", u"web page", u"after"}));
  EXPECT_EQ(Lines(reader->FootNoteText()), (std::vector<std::u16string>{u"Note text"}));

  load(*reader, vwStored);
  EXPECT_EQ(Lines(reader->Text()), (std::vector<std::u16string>{u"before", u"after"}));

  TMSWordXDocument plain(nullptr);
  load(plain, vwShown);
  EXPECT_EQ(Lines(plain.Text()), (std::vector<std::u16string>{u"before", u"after"}));
}

// A web page a .docx document imports is read by the web-page reader, as the same
// page would be on its own: its character set, blocks, lists and line breaks.
TEST(ReaderChoiceChunks, WebPageChunksAreReadByTheWebPageReader) {
  const std::string w = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
                        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/aFChunk";
  const std::string html =
      "<html><head><title>T</title><style>p{}</style><meta charset=\"windows-1251\"></head><body>"
      "<h1>Head\xE9</h1><p>One &amp; <b>two</b>\n  three</p><script>var x;</script><ul><li>item</li></ul>x<br>y"
      "<!-- gone --></body></html>";
  kvtest::ZipBuilder zip;
  zip.AddDeflated("word/document.xml",
                  "<w:document " + w + "><w:body><w:p><w:r><w:t>start</w:t></w:r></w:p>"
                  "<w:altChunk r:id=\"rId1\"/><w:altChunk r:id=\"rId2\"/><w:p><w:r><w:t>end</w:t></w:r></w:p>"
                  "</w:body></w:document>");
  zip.AddDeflated("word/_rels/document.xml.rels",
                  "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                  "<Relationship Id=\"rId1\" Type=\"" + rel + "\" Target=\"chunk.htm\"/>"
                  "<Relationship Id=\"rId2\" Type=\"" + rel + "\" Target=\"page.xhtml\"/></Relationships>");
  zip.AddDeflated("word/chunk.htm", html);
  zip.AddDeflated("word/page.xhtml", "plain words <i>in</i> a page named as one");
  const std::unique_ptr<TMSCustomWordDocument> reader = NewReader(rkDocx);
  reader->SetView(vwShown);
  TMemoryStream stream(zip.Bytes());
  reader->LoadFromStream(&stream);
  EXPECT_EQ(Lines(reader->Text()),
            (std::vector<std::u16string>{u"start", u"Head\u0439", u"One & two three", u"item", u"x", u"y",
                                         u"plain words in a page named as one", u"end"}));
}

TEST(ReaderChoiceChunks, ChunkReaderByBytesOrContentType) {
  struct Case {
    const char* what;
    std::string bytes;
    std::u16string type;
    TReaderKind kind;  // rkDoc: none
  };
  const Case cases[] = {
      {"RTF bytes", "{\\rtf1 x}", u"", rkRtf},
      {"RTF content type with parameters and blanks", "x", u" text/RTF ; a=b", rkRtf},
      {"application/rtf", "", u"application/rtf", rkRtf},
      {"a web page", "<html>", u"text/html", rkHtml},
      {"XHTML with a charset", "", u" Application/XHTML+xml; charset=utf-8", rkHtml},
      {"nothing known", "abc", u"", rkDoc},
      {"blanks only", "abc", u"  ", rkDoc},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::unique_ptr<TMSCustomWordDocument> reader = NewChunkReader(c.bytes, c.type);
    EXPECT_EQ(reader != nullptr, c.kind != rkDoc);
    EXPECT_EQ(dynamic_cast<TMSRtfDocument*>(reader.get()) != nullptr, c.kind == rkRtf);
    EXPECT_EQ(dynamic_cast<TMSHtmlDocument*>(reader.get()) != nullptr, c.kind == rkHtml);
  }
}
