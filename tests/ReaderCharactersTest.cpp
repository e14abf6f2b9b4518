// Characters beyond the 16 bits of UTF-16 (emoji, historic scripts) through every
// reader and every way its format writes them: each must reach the text as its
// surrogate pair, in both views.
#include <gtest/gtest.h>

#include <string>

#include "msword/base/CodePages.h"
#include "msword/base/CustomWordDocument.h"
#include "msword/base/Streams.h"
#include "msword/ReaderChoice.h"
#include "support/CompoundFileBuilder.h"
#include "support/WordStreamBuilder.h"
#include "support/ZipBuilder.h"

using namespace msword;

namespace {

// U+1F600 GRINNING FACE between two letters, as the text must hold it.
const std::u16string Expected = u"a\U0001F600b";

std::string Docx(const std::string& Runs) {
  const std::string document =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
      "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
      "xmlns:w16se=\"http://schemas.microsoft.com/office/word/2015/wordml/symex\" mc:Ignorable=\"w16se\">"
      "<w:body><w:p>" + Runs + "</w:p></w:body></w:document>";
  return kvtest::ZipBuilder().AddDeflated("word/document.xml", document).Bytes();
}

std::string Doc() {
  kvtest::WordStreamBuilder word;
  word.Utf16Piece(u"a\U0001F600b\r");
  return kvtest::CompoundFileBuilder()
      .AddStream(u"1Table", word.Table())
      .AddStream(u"WordDocument", word.Main())
      .Bytes();
}

std::string WordXml2003(const std::string& Text) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<?mso-application progid=\"Word.Document\"?>\n"
         "<w:wordDocument xmlns:w=\"http://schemas.microsoft.com/office/word/2003/wordml\"><w:body>"
         "<w:p><w:r><w:t>" + Text + "</w:t></w:r></w:p></w:body></w:wordDocument>";
}

std::string FlatPackage(const std::string& Text) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<pkg:package xmlns:pkg=\"http://schemas.microsoft.com/office/2006/xmlPackage\">"
         "<pkg:part pkg:name=\"/word/document.xml\" "
         "pkg:contentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\">"
         "<pkg:xmlData><w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
         "<w:body><w:p><w:r><w:t>" + Text + "</w:t></w:r></w:p></w:body></w:document></pkg:xmlData>"
         "</pkg:part></pkg:package>";
}

std::string Html(const std::string& Text) {
  return "<html><head><meta charset=\"utf-8\"></head><body><p>" + Text + "</p></body></html>";
}

}  // namespace

TEST(ReaderCharacters, CharactersBeyondSixteenBitsReachTheText) {
  const std::string emoji = "\xF0\x9F\x98\x80";  // U+1F600 in UTF-8
  struct Case {
    const char* what;
    TReaderKind kind;
    std::string bytes;
  };
  const Case cases[] = {
      {"RTF \\u surrogate pair", rkRtf, "{\\rtf1\\ansi\\uc1 a\\u-10179?\\u-8704?b\\par}"},
      {"RTF \\u pair without fallback", rkRtf, "{\\rtf1\\ansi\\uc0 a\\u55357\\u56832 b\\par}"},
      {"HTML hexadecimal reference", rkHtml, Html("a&#x1F600;b")},
      {"HTML decimal reference", rkHtml, Html("a&#128512;b")},
      {"HTML UTF-8", rkHtml, Html("a" + emoji + "b")},
      {"Word XML UTF-8", rkWordXml, WordXml2003("a" + emoji + "b")},
      {"Word XML reference", rkWordXml, WordXml2003("a&#x1F600;b")},
      {"flat package UTF-8", rkWordXml, FlatPackage("a" + emoji + "b")},
      {"flat package reference", rkWordXml, FlatPackage("a&#128512;b")},
      {".doc 16-bit piece", rkDoc, Doc()},
      {".docx w:t UTF-8", rkDocx, Docx("<w:r><w:t>a" + emoji + "b</w:t></w:r>")},
      {".docx w:t reference", rkDocx, Docx("<w:r><w:t>a&#x1F600;b</w:t></w:r>")},
      {".docx alternate content as Word writes an emoji", rkDocx,
       Docx("<w:r><w:t>a</w:t></w:r><w:r><mc:AlternateContent><mc:Choice Requires=\"w16se\">"
            "<w16se:symEx w16se:font=\"Segoe UI Emoji\" w16se:char=\"1F600\"/></mc:Choice>"
            "<mc:Fallback><w:t>" + emoji + "</w:t></mc:Fallback></mc:AlternateContent></w:r><w:r><w:t>b</w:t></w:r>")},
      {".docx w:sym with a code beyond 16 bits", rkDocx,
       Docx("<w:r><w:t>a</w:t><w:sym w:font=\"Segoe UI Emoji\" w:char=\"1F600\"/><w:t>b</w:t></w:r>")},
  };
  for (const Case& c : cases) {
    for (const TKvWView view : {vwStored, vwShown}) {
      // w:sym is read by the shown view alone.
      if (view == vwStored && std::string(c.what).find("w:sym") != std::string::npos) continue;
      SCOPED_TRACE(std::string(c.what) + (view == vwShown ? ", shown" : ", stored"));
      const std::unique_ptr<TMSCustomWordDocument> document = NewReader(c.kind);
      document->SetView(view);
      TMemoryStream stream(c.bytes);
      ASSERT_NO_THROW(document->LoadFromStream(&stream));
      const std::u16string text = document->Text()->GetText();
      EXPECT_NE(text.find(Expected), std::u16string::npos) << WideToUtf8(text);
    }
  }
}
