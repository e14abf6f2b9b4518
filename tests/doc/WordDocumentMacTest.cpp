// Word 6 and 95 files last saved on a Macintosh: their 8-bit text is in the Mac
// encoding of its script.
#include <gtest/gtest.h>

#include <string>

#include "msword/base/Streams.h"
#include "msword/doc/WordDocument.h"
#include "support/ByteWriter.h"
#include "support/WordStreamBuilder.h"

using namespace msword;
using kvtest::ByteWriter;
using kvtest::WordStreamBuilder;

namespace {

// The text of a one-paragraph Word 95 main stream holding Text at fcMin 0x400;
// bit 0 of Byte19, the header byte at offset 19, marks a Mac save, and a Chse of
// 256 says the text is in the Macintosh character set.
std::u16string ReadText(uint16_t lid, uint8_t byte19, const std::string& text, uint16_t chse = 0) {
  ByteWriter main;
  main.U16(0xA5EC).U16(104).U16(0).U16(lid).PadTo(19).U8(byte19).U16(chse);
  main.PadTo(24).U32(0x400).U32(0x400 + uint32_t(text.size())).PadTo(0x400);
  main.PutU32At(52, uint32_t(text.size()));  // ccpText
  main.Raw(text).PadTo(0x400 + text.size() + 16);
  TMSWordDocument doc(nullptr);
  TMemoryStream stream(main.Bytes());
  doc.ReadDocStreams(&stream, nullptr);
  return doc.Text()->Get(1);
}

}  // namespace

TEST(WordDocumentMac, MacSavedWord95TextUsesTheMacPageOfItsLanguage) {
  struct Case { uint16_t lid; std::string bytes; std::u16string text; };
  const Case cases[] = {
      {0x0409, "caf\x8E \xD2q\xD3\r", u"caf\u00E9 \u201Cq\u201D\r\n"},
      {0x0407, "Gr\x9F\xA7" "e\r", u"Gr\u00FC\u00DFe\r\n"},
      {0x0419, "\x8F\xF0\xE8\xE2\xE5\xF2\r", u"\u041F\u0440\u0438\u0432\u0435\u0442\r\n"},
      {0x0405, "P\xDE\x92li\xE4\r", u"P\u0159\u00EDli\u0161\r\n"},
      {0x041A, "\xC8\xE6\xF0\r", u"\u010C\u0107\u0111\r\n"},
      {0x0408, "\xE1\xE2\r", u"\u03B1\u03B2\r\n"},
      {0x041F, "\xDA\xDB\r", u"\u011E\u011F\r\n"},
      {0x0411, "\x93\xFA\x96\x7B\r", u"\u65E5\u672C\r\n"},  // Far East: the language's own page
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.lid);
    EXPECT_EQ(ReadText(c.lid, 0x01, c.bytes), c.text);
  }
}

TEST(WordDocumentMac, OnlyAMacSaveOfWord6Or95ChangesThePage) {
  // The character set alone says so too.
  EXPECT_EQ(ReadText(0x0409, 0x00, "caf\x8E\r", 256), u"caf\u00E9\r\n");
  // The same bytes saved on Windows: the language's Windows page.
  EXPECT_EQ(ReadText(0x0419, 0x80, "\xCF\xF0\xE8\r"), u"\u041F\u0440\u0438\r\n");
  EXPECT_EQ(ReadText(0x0409, 0x00, "caf\xE9\r"), u"caf\u00E9\r\n");
  // Word 97 keeps its 8-bit text in the ANSI page whatever the platform.
  WordStreamBuilder builder;
  builder.Set8(19, 0x01).AnsiPiece("caf\xE9\r");
  const std::string table = builder.Table();
  TMemoryStream main(builder.Main()), tableStream(table);
  TMSWordDocument doc(nullptr);
  doc.ReadDocStreams(&main, &tableStream);
  EXPECT_EQ(doc.Text()->Get(1), u"caf\u00E9\r\n");
}
