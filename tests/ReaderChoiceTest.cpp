#include "msword/ReaderChoice.h"

#include <gtest/gtest.h>

#include "msword/base/Streams.h"
#include "support/CompoundFileBuilder.h"

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
