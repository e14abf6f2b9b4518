#include "msword/base/Numbering.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <string>
#include <vector>

using namespace msword;

namespace {

std::string Utf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size())
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | c >> 6);
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | c >> 12);
      out += char(0x80 | (c >> 6 & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | c >> 18);
      out += char(0x80 | (c >> 12 & 0x3F));
      out += char(0x80 | (c >> 6 & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// An outline list: level n shows "%1.%2. ... %n+1." in decimal, as Word's default
// multilevel list does.
TKvWListLevels Outline() {
  TKvWListLevels levels;
  for (uint32_t i = 0; i < ListLevelCount; ++i) {
    for (uint32_t j = 0; j <= i; ++j) {
      levels[i].Text += char16_t(j);
      levels[i].Text += u'.';
    }
  }
  return levels;
}

// One level; the fields a test leaves out keep their defaults.
TKvWListLevel Level(TKvWNumberFormat format, std::u16string text, char16_t follow = u'\t',
                    int32_t start = 1, bool legal = false, std::u16string font = {}) {
  TKvWListLevel level;
  level.Format = format;
  level.Text = std::move(text);
  level.Follow = follow;
  level.Start = start;
  level.Legal = legal;
  level.FontName = std::move(font);
  return level;
}

// The labels of paragraphs at the given levels of one instance, in order.
std::vector<std::string> Labels(const TKvWListLevels& levels, const std::vector<uint32_t>& paragraphs) {
  TKvWNumbering numbering;
  std::vector<std::string> out;
  for (uint32_t level : paragraphs) out.push_back(Utf8(numbering.NextLabel(1, levels, level)));
  return out;
}

}  // namespace

TEST(Numbering, FormatsNumbers) {
  struct Case { int32_t value; TKvWNumberFormat format; std::string text; };
  const Case cases[] = {
      {1, nfDecimal, "1"},
      {1234567, nfDecimal, "1234567"},
      {0, nfDecimal, "0"},
      {-3, nfDecimal, "-3"},
      {INT32_MIN, nfDecimal, "-2147483648"},
      {7, nfDecimalZero, "07"},
      {0, nfDecimalZero, "00"},
      {10, nfDecimalZero, "10"},
      {1, nfUpperRoman, "I"},
      {4, nfUpperRoman, "IV"},
      {1994, nfUpperRoman, "MCMXCIV"},
      {9, nfLowerRoman, "ix"},
      {49, nfLowerRoman, "xlix"},
      {0, nfLowerRoman, "0"},              // no roman zero: decimal
      {1, nfUpperLetter, "A"},
      {26, nfUpperLetter, "Z"},
      {27, nfUpperLetter, "AA"},
      {28, nfLowerLetter, "bb"},
      {53, nfLowerLetter, "aaa"},
      {-1, nfLowerLetter, "-1"},
      {1, nfOrdinal, "1st"},
      {2, nfOrdinal, "2nd"},
      {3, nfOrdinal, "3rd"},
      {4, nfOrdinal, "4th"},
      {11, nfOrdinal, "11th"},
      {12, nfOrdinal, "12th"},
      {13, nfOrdinal, "13th"},
      {21, nfOrdinal, "21st"},
      {112, nfOrdinal, "112th"},
      {1, nfCardinalText, "One"},
      {15, nfCardinalText, "Fifteen"},
      {20, nfCardinalText, "Twenty"},
      {42, nfCardinalText, "Forty-two"},
      {1, nfOrdinalText, "First"},
      {12, nfOrdinalText, "Twelfth"},
      {30, nfOrdinalText, "Thirtieth"},
      {23, nfOrdinalText, "Twenty-third"},
      {5, nfBullet, ""},
      {5, nfNone, ""},
      {100000, nfUpperRoman, "100000"},     // past the spelled range: decimal
      {INT32_MAX, nfLowerLetter, "2147483647"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << " format " << int(c.format));
    EXPECT_EQ(Utf8(FormatListNumber(c.value, c.format)), c.text);
  }
}

TEST(Numbering, LabelsFillTheLevelPlaceholdersAndRestartDeeperLevels) {
  const TKvWListLevels levels = Outline();
  EXPECT_EQ(Labels(levels, {0, 1, 1, 2, 0, 1, 2, 2, 0}),
            (std::vector<std::string>{"1.\t", "1.1.\t", "1.2.\t", "1.2.1.\t", "2.\t", "2.1.\t",
                                      "2.1.1.\t", "2.1.2.\t", "3.\t"}));
  // A paragraph deeper than any before it shows the start of the levels above it,
  // which count on from there.
  EXPECT_EQ(Labels(levels, {2, 2, 0}), (std::vector<std::string>{"1.1.1.\t", "1.1.2.\t", "2.\t"}));
}

TEST(Numbering, LabelsMixFormatsStartsAndFollowCharacters) {
  TKvWListLevels levels;
  levels[0] = Level(nfUpperRoman, std::u16string(u"\0.", 2), u'\t', 3);
  levels[1] = Level(nfLowerLetter, u"\x01)", u' ');
  levels[2] = Level(nfDecimalZero, std::u16string(u"(\0-\x01-\x02)", 7), 0, 0);
  EXPECT_EQ(Labels(levels, {0, 1, 1, 2, 2, 0, 1}),
            (std::vector<std::string>{"III.\t", "a) ", "b) ", "(III-b-00)", "(III-b-01)", "IV.\t",
                                      "a) "}));
}

TEST(Numbering, RestartRulesOfDeeperLevels) {
  struct Case { const char* name; int32_t restart; std::vector<std::string> labels; };
  // Paragraphs at levels 0, 2, 1, 2, 0, 2 of a list whose level 2 has the rule.
  // Level 1, shown first by the paragraph at level 2, counts on from there.
  const Case cases[] = {
      {"after any shallower level", -1, {"1.", "1.1.1.", "1.2.", "1.2.1.", "2.", "2.1.1."}},
      {"never", 0, {"1.", "1.1.1.", "1.2.", "1.2.2.", "2.", "2.1.3."}},
      {"after level 1 only", 1, {"1.", "1.1.1.", "1.2.", "1.2.2.", "2.", "2.1.1."}},
      {"after levels 1 and 2", 2, {"1.", "1.1.1.", "1.2.", "1.2.1.", "2.", "2.1.1."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TKvWListLevels levels = Outline();
    for (TKvWListLevel& level : levels) level.Follow = 0;
    levels[2].Restart = c.restart;
    EXPECT_EQ(Labels(levels, {0, 2, 1, 2, 0, 2}), c.labels);
  }
}

TEST(Numbering, LegalNumberingShowsEveryLevelInDecimal) {
  TKvWListLevels levels;
  levels[0] = Level(nfUpperRoman, std::u16string(u"\0.", 2));
  levels[1] = Level(nfLowerLetter, std::u16string(u"\0.\x01", 3), 0, 1, true);
  levels[2] = Level(nfLowerLetter, std::u16string(u"\0.\x01.\x02", 5), 0);
  EXPECT_EQ(Labels(levels, {0, 0, 1, 1, 2}),
            (std::vector<std::string>{"I.\t", "II.\t", "2.1", "2.2", "II.b.a"}));
  // A bullet or hidden level stays so under legal numbering.
  levels[0].Format = nfNone;
  EXPECT_EQ(Labels(levels, {1}), (std::vector<std::string>{".1"}));
}

TEST(Numbering, StartAtSetsTheNextNumberOfOneInstance) {
  const TKvWListLevels levels = Outline();
  TKvWNumbering numbering;
  EXPECT_EQ(numbering.NextLabel(1, levels, 0), u"1.\t");
  EXPECT_EQ(numbering.NextLabel(2, levels, 0), u"1.\t");  // instances count apart
  numbering.StartAt(1, 0, 7);
  EXPECT_EQ(numbering.NextLabel(1, levels, 0), u"7.\t");
  EXPECT_EQ(numbering.NextLabel(1, levels, 0), u"8.\t");
  EXPECT_EQ(numbering.NextLabel(2, levels, 0), u"2.\t");
  numbering.StartAt(3, 1, 5);  // before the instance's first paragraph
  EXPECT_EQ(numbering.NextLabel(3, levels, 1), u"1.5.\t");
  EXPECT_EQ(numbering.NextLabel(3, levels, 0), u"2.\t");  // level 0 was shown at its start
  EXPECT_EQ(numbering.NextLabel(3, levels, 1), u"2.1.\t");  // a restart forgets a pending start
  numbering.StartAt(3, 0, 5);  // shown at once by a deeper paragraph, then by its own
  EXPECT_EQ(numbering.NextLabel(3, levels, 1), u"5.2.\t");
  EXPECT_EQ(numbering.NextLabel(3, levels, 0), u"5.\t");
  numbering.StartAt(3, ListLevelCount, 5);  // ignored
  numbering.StartAt(4, 0, INT32_MIN);
  EXPECT_EQ(numbering.NextLabel(4, levels, 0), u"-2147483648.\t");
  numbering.StartAt(4, 0, INT32_MAX);
  EXPECT_EQ(numbering.NextLabel(4, levels, 0), u"2147483647.\t");
  EXPECT_EQ(numbering.NextLabel(4, levels, 0), u"2147483647.\t");  // no overflow
  numbering.Clear();
  EXPECT_EQ(numbering.NextLabel(1, levels, 0), u"1.\t");
}

TEST(Numbering, BulletsFromSymbolFontsShowTheirUnicodeLookAlike) {
  struct Case { std::u16string font; std::u16string text; std::string label; };
  const Case cases[] = {
      {u"Symbol", u"\uF0B7", "\u2022\t"},
      {u"", u"\uF0B7", "\u2022\t"},              // no font named: the private-use code is Symbol's
      {u"Wingdings", u"\uF0A7", "\u25AA\t"},
      {u"Wingdings", u"\uF0D8", "\u27A2\t"},
      {u"Wingdings", u"\uF076", "\u2756\t"},
      {u"Wingdings", u"\uF0FC", "\u2713\t"},
      {u"Wingdings", u"\u00A7", "\u25AA\t"},     // the code in its 8-bit form
      {u"Courier New", u"o", "o\t"},
      {u"Times New Roman", u"\uF0B7", "\uF0B7\t"},  // a text font keeps its private-use code
      {u"Symbol", u"\uF0F0", "\uF0F0\t"},        // a symbol without Unicode equivalent
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TKvWListLevels levels;
    levels[0] = Level(nfBullet, c.text, u'\t', 1, false, c.font);
    EXPECT_EQ(Labels(levels, {0}), std::vector<std::string>{c.label});
  }
}

TEST(Numbering, LevelsOutsideTheListGiveNothing) {
  TKvWListLevels levels = Outline();
  TKvWNumbering numbering;
  EXPECT_EQ(numbering.NextLabel(1, levels, ListLevelCount), u"");
  EXPECT_EQ(numbering.NextLabel(1, levels, UINT32_MAX), u"");
  EXPECT_EQ(numbering.NextLabel(1, levels, 0), u"1.\t");  // nothing was counted
  // A level text whose placeholders name a deeper level shows that level's start.
  levels[0].Text = std::u16string(u"\0.\x08", 3);
  levels[8].Start = 4;
  EXPECT_EQ(numbering.NextLabel(1, levels, 0), u"2.4\t");
  // Characters 9-31 are not placeholders and pass through.
  levels[0].Text = u"\x09\x1F";
  EXPECT_EQ(numbering.NextLabel(1, levels, 0), u"\x09\x1F\t");
}
