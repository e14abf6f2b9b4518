#include "msword/base/SymbolFonts.h"

#include <gtest/gtest.h>

#include <string>

using namespace msword;

namespace {

std::string Hex(const std::u16string& text) {
  std::string out;
  char buf[8];
  for (char16_t c : text) {
    snprintf(buf, sizeof buf, "%04X ", unsigned(c));
    out += buf;
  }
  return out;
}

}  // namespace

TEST(SymbolFonts, CodesShowTheCharacterOfTheirFontInBothForms) {
  struct Case { std::u16string_view font; char16_t code; std::u16string text; };
  const Case cases[] = {
      {u"Symbol", 0x53, u"\u03A3"},           // Sigma
      {u"Symbol", 0x64, u"\u03B4"},           // delta
      {u"Symbol", 0x6D, u"\u03BC"},           // mu, not the micro sign
      {u"Symbol", 0xA3, u"\u2264"},           // less than or equal
      {u"Symbol", 0xAE, u"\u2192"},           // right arrow
      {u"Symbol", 0xE5, u"\u2211"},           // summation
      {u"Symbol", 0xB7, u"\u2022"},           // bullet
      {u"Symbol", 0x20, u" "},
      {u"Symbol", 0xE6, u"\u239B"},           // bracket piece: a Unicode 3.2 character
      {u"Symbol", 0xD2, u"\u00AE"},           // registered sign (serif)
      {u"Wingdings", 0xFC, u"\u2713"},        // check mark
      {u"Wingdings", 0xA7, u"\u25AA"},        // small square bullet
      {u"Wingdings", 0xD8, u"\u27A2"},        // arrowhead bullet
      {u"Wingdings", 0x76, u"\u2756"},
      {u"Wingdings", 0x43, u"\U0001F44D"},    // thumbs up: a surrogate pair
      {u"Wingdings", 0x21, u"\U0001F589"},    // pencil
      {u"Wingdings 2", 0x54, u"\u2612"},      // ballot box with X
      {u"Wingdings 2", 0x6A, u"\u2460"},      // circled digit one
      {u"Wingdings 3", 0x22, u"\u2B62"},      // rightwards arrow
      {u"Wingdings 3", 0x70, u"\u25B2"},      // up-pointing triangle
      {u"Webdings", 0x61, u"\u2714"},         // heavy check mark
      {u"Webdings", 0x63, u"\u2B1C"},         // white large square
      {u"WINGDINGS", 0xFC, u"\u2713"},        // names compare without regard to case
      {u"symbol", 0x61, u"\u03B1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.font.begin(), c.font.end()) + " " + Hex(std::u16string(1, c.code)));
    EXPECT_EQ(Hex(SymbolFontText(c.font, c.code)), Hex(c.text));
    EXPECT_EQ(Hex(SymbolFontText(c.font, char16_t(0xF000 + c.code))), Hex(c.text));
    EXPECT_TRUE(IsSymbolFont(c.font));
  }
}

TEST(SymbolFonts, CodesWithoutUnicodeEquivalentStayPrivateUse) {
  struct Case { std::u16string_view font; char16_t code; };
  const Case cases[] = {
      {u"Symbol", 0x60},       // radical extender
      {u"Symbol", 0x80},       // no glyph
      {u"Symbol", 0xF0},
      {u"Symbol", 0xFF},
      {u"Wingdings", 0xFF},
      {u"Wingdings 2", 0xFA},
      {u"Wingdings 3", 0xF5},
      {u"Webdings", 0x7F},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.font.begin(), c.font.end()) + " " + Hex(std::u16string(1, c.code)));
    const std::u16string privateUse(1, char16_t(0xF000 + c.code));
    EXPECT_EQ(SymbolFontText(c.font, c.code), privateUse);
    EXPECT_EQ(SymbolFontText(c.font, char16_t(0xF000 + c.code)), privateUse);
  }
}

TEST(SymbolFonts, OtherFontsAndCodesOutsideTheRangeAreUnchanged) {
  struct Case { std::u16string_view font; char16_t code; };
  const Case cases[] = {
      {u"Times New Roman", 0xF053},   // a private-use code in a text font keeps its code point
      {u"Times New Roman", 0x53},
      {u"", 0xF0B7},
      {u"Symbol MT", 0xF053},         // not one of the fonts the table knows
      {u"Wingdings 4", 0xF0FC},
      {u"Symbol", 0x1F},              // below the font's codes
      {u"Symbol", 0xF01F},
      {u"Wingdings", 0x0416},         // a real character
      {u"Wingdings", 0xF100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.font.begin(), c.font.end()) + " " + Hex(std::u16string(1, c.code)));
    EXPECT_EQ(SymbolFontText(c.font, c.code), std::u16string(1, c.code));
  }
  EXPECT_FALSE(IsSymbolFont(u"Times New Roman"));
  EXPECT_FALSE(IsSymbolFont(u"Symbol "));
  EXPECT_FALSE(IsSymbolFont(u""));
}

TEST(SymbolFonts, EveryMappedCodeGivesOneCharacter) {
  // No code of any font gives an empty text, a lone surrogate or a control character.
  for (std::u16string_view font : {u"Symbol", u"Wingdings", u"Wingdings 2", u"Wingdings 3", u"Webdings"})
    for (char16_t code = 0x20; code <= 0xFF; ++code) {
      const std::u16string text = SymbolFontText(font, code);
      SCOPED_TRACE(Hex(text));
      ASSERT_FALSE(text.empty());
      if (text.size() == 2) {
        EXPECT_TRUE(text[0] >= 0xD800 && text[0] < 0xDC00);
        EXPECT_TRUE(text[1] >= 0xDC00 && text[1] < 0xE000);
      } else {
        ASSERT_EQ(text.size(), 1u);
        EXPECT_GE(text[0], 0x20);
        EXPECT_FALSE(text[0] >= 0xD800 && text[0] < 0xE000);
      }
    }
}
