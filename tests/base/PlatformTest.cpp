// File names between the system's bytes and the library's UTF-16.
#include <gtest/gtest.h>

#include <string>

#include "msword/base/CodePages.h"
#include "msword/base/Platform.h"

namespace msword {
namespace {

TEST(Platform, FileNamesRoundTripByteForByte) {
  struct Case {
    std::string bytes;
    std::u16string wide;
  };
  const Case cases[] = {
      {"plain.doc", u"plain.doc"},
      {"P\xC5\x99\x65klad.doc", u"P\u0159eklad.doc"},                 // valid UTF-8 decodes
      {"\xF0\x9F\x98\x80.docx", u"\U0001F600.docx"},                     // and pairs
      {"lat\xE9.docx", u"lat\xDCE9.docx"},                               // Latin-1: one byte kept
      {"\xFF\xFE", u"\xDCFF\xDCFE"},                                     // never UTF-8
      {"\xC3", u"\xDCC3"},                                               // cut short
      {"\xC0\xAF", u"\xDCC0\xDCAF"},                                     // overlong
      {"\xED\xB2\x80", u"\xDCED\xDCB2\xDC80"},                           // an encoded surrogate
      {"\xE2\x82x", u"\xDCE2\xDC82x"},                                   // broken, ASCII follows
      {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},                 // above U+10FFFF
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(PathToWide(c.bytes), c.wide);
    EXPECT_EQ(WideToPath(c.wide), c.bytes);
  }
}

TEST(Platform, WideNamesThatNoSystemNameGivesAreStillUtf8) {
  // Unpaired surrogates outside the escape range cannot stand for a byte.
  EXPECT_EQ(WideToPath(u"a\xD800" u"b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(WideToPath(u"\xDC7F"), "\xEF\xBF\xBD");
  // Valid names are exactly their UTF-8.
  const std::u16string name = u"Gr\u00FC\u00DFe \u4E2D\U0001F4C4.doc";
  EXPECT_EQ(WideToPath(name), WideToUtf8(name));
}

}  // namespace
}  // namespace msword
