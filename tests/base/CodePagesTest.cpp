#include "msword/base/CodePages.h"

#include <gtest/gtest.h>

using namespace msword;

TEST(CodePages, AnsiCodePageRoundTripsEveryByte) {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(char(i));
  const std::u16string text = AnsiToWide(all);
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(text[0x80], u'\u20AC');
  for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(text[size_t(b)], char16_t(b));
  EXPECT_EQ(WideToAnsi(text), all);
  EXPECT_EQ(StringToWideStringEx(all, 0), text);
  EXPECT_EQ(WideToAnsi(u"\u0416"), "?");
}

TEST(CodePages, EightBitTextDecodesInTheNamedPage) {
  struct Case { uint16_t page; std::string bytes; std::u16string text; };
  const Case cases[] = {
      {1250, "\x8A\xE8", u"\u0160\u010D"},
      {1251, "\xC6\xE8\xE2", u"\u0416\u0438\u0432"},
      {1253, "\xE1", u"\u03B1"},
      {1255, "\xF9", u"\u05E9"},
      {874, "\xA1", u"\u0E01"},
      {932, "\x93\xFA\x96\x7B" "a\xB1", u"\u65E5\u672Ca\uFF71"},  // 日本a + half-width katakana
      {936, "\xD6\xD0", u"\u4E2D"},
      {949, "\xC7\xD1", u"\uD55C"},
      {950, "\xA4\xA4", u"\u4E2D"},
      {1252, std::string("a\0b", 3), std::u16string(u"a\0b", 3)},  // a zero byte is a character
      {1251, "", u""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    EXPECT_EQ(StringToWideStringEx(c.bytes, c.page), c.text);
  }
}

TEST(CodePages, BadInputGivesReplacementsAndUnknownPagesGiveNothing) {
  EXPECT_EQ(StringToWideStringEx("\x93", 932), u"\uFFFD");       // lead byte at the end
  EXPECT_EQ(StringToWideStringEx("\x93\x01x", 932), u"\uFFFD\u0001x");  // invalid trail byte
  EXPECT_EQ(StringToWideStringEx("abc", 12345), u"");
  EXPECT_EQ(StringToWideStringEx("abc", 65001), u"");
  EXPECT_FALSE(IsSupportedCodePage(12345));
}

TEST(CodePages, Utf8AndUtf16ConvertBothWays) {
  const std::u16string text = u"a\u00E9\u4E2D\U0001F600";
  EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
  EXPECT_EQ(WideToUtf8(text), "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8ToWide("a\xC3"), u"a\uFFFD");
  EXPECT_EQ(Utf8ToWide("\xE4\xB8x"), u"\uFFFDx");
  EXPECT_EQ(Utf8ToWide("\xC0\x80"), u"\uFFFD");  // overlong
  EXPECT_EQ(WideToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(CodePages, LongTextsConvertToUtf8WhereverTheirWideCharactersFall) {
  // Long texts are encoded in blocks of a few KB: a pair, a wide character or a lone half at
  // every offset around a block's end must come out whole, after what the string already held.
  for (size_t ascii = 4088; ascii <= 4100; ++ascii) {
    const std::u16string text = std::u16string(ascii, u'a') + u"\U0001F600\u00E9\u4E2D" +
                                std::u16string(1, char16_t(0xDC00)) + u"b";
    std::string out = "head:";
    AppendWideToUtf8(out, text);
    EXPECT_EQ(out, "head:" + std::string(ascii, 'a') + "\xF0\x9F\x98\x80\xC3\xA9\xE4\xB8\xAD\xEF\xBF\xBD" + "b")
        << ascii;
  }
  const std::u16string wide(20000, u'\u0436');
  EXPECT_EQ(Utf8ToWide(WideToUtf8(wide)), wide);
}
