#include "msword/base/CodePages.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>

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

// The compiled-in tables decode every byte and every pair of every page as the C
// library's iconv does where its conversion modules are installed (the tables were
// written from it; the library itself no longer loads them).
TEST(CodePages, CompiledTablesDecodeAsTheSystemConversion) {
  struct Page { uint16_t page; const char* name; bool isDouble; };
  const Page pages[] = {{874, "CP874", false},   {932, "CP932", true},    {936, "CP936", true},
                        {949, "CP949", true},    {950, "CP950", true},    {1250, "CP1250", false},
                        {1251, "CP1251", false}, {1253, "CP1253", false}, {1254, "CP1254", false},
                        {1255, "CP1255", false}, {1256, "CP1256", false}, {1257, "CP1257", false},
                        {1258, "CP1258", false}, {1361, "JOHAB", true}};
  // The one UTF-16 code unit iconv gives for Bytes, or U+FFFD.
  auto systemDecode = [](iconv_t cd, std::string bytes, bool& ok) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = bytes.data();
    size_t inLeft = bytes.size();
    char16_t out[4];
    char* outp = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof(out);
    ok = iconv(cd, &in, &inLeft, &outp, &outLeft) != size_t(-1) &&
         iconv(cd, nullptr, nullptr, &outp, &outLeft) != size_t(-1) && inLeft == 0 &&
         sizeof(out) - outLeft == 2;
    return ok ? out[0] : u'\uFFFD';
  };
  int compared = 0;
  for (const Page& p : pages) {
    SCOPED_TRACE(p.page);
    EXPECT_TRUE(IsSupportedCodePage(p.page));
    iconv_t cd = iconv_open("UTF-16LE", p.name);
    if (cd == reinterpret_cast<iconv_t>(-1)) continue;  // no conversion module here
    ++compared;
    for (int b = 0; b < 256; ++b) {
      bool ok = false;
      const char16_t expected = systemDecode(cd, std::string(1, char(b)), ok);
      ASSERT_EQ(StringToWideStringEx(std::string(1, char(b)), p.page), std::u16string(1, expected)) << b;
      if (ok || !p.isDouble || b < 0x80) continue;
      for (int t = 0x21; t < 256; ++t) {
        const std::string pair{char(b), char(t)};
        const char16_t pairExpected = systemDecode(cd, pair, ok);
        const std::u16string got = StringToWideStringEx(pair, p.page);
        ASSERT_EQ(got[0], pairExpected) << b << " " << t;
        ASSERT_EQ(got.size(), ok ? 1u : 2u) << b << " " << t;
      }
    }
    iconv_close(cd);
  }
  if (compared == 0) GTEST_SKIP() << "the system has no conversion modules to compare with";
}
