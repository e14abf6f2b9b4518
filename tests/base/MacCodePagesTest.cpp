#include "msword/base/CodePages.h"
#include "msword/base/MacCodePages.h"

#include <gtest/gtest.h>

#include <string>

using namespace msword;

TEST(MacCodePages, EightBitTextDecodesInTheMacPage) {
  struct Case { uint16_t page; std::string bytes; std::u16string text; };
  const Case cases[] = {
      {10000, "caf\x8E \xD2q\xD3 \xA5", u"caf\u00E9 \u201Cq\u201D \u2022"},
      {10000, "\xF0", u"\uF8FF"},  // the Apple logo stays private-use
      {10007, "\x8F\xF0\xE8\xE2\xE5\xF2", u"\u041F\u0440\u0438\u0432\u0435\u0442"},
      {10029, "P\xDE\x92li\xE4", u"P\u0159\u00EDli\u0161"},
      {10082, "\xC8\xE6\xF0", u"\u010C\u0107\u0111"},
      {10006, "\xE1\xE2", u"\u03B1\u03B2"},
      {10081, "\xDA\xDB", u"\u011E\u011F"},
      {10079, "Ab\r\x01", u"Ab\r\x01"},  // ASCII and controls unchanged
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    EXPECT_TRUE(IsSupportedCodePage(c.page));
    EXPECT_EQ(StringToWideStringEx(c.bytes, c.page), c.text);
  }
  EXPECT_EQ(MacCodePageHigh(10001), nullptr);  // Mac Japanese: double-byte, not held
  EXPECT_EQ(MacCodePageHigh(1252), nullptr);
}
