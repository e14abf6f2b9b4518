#include "msword/base/PropertySet.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <vector>

#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "support/ByteWriter.h"

using namespace msword;
using kvtest::ByteWriter;

namespace {

struct TProp {
  uint32_t id;
  std::string value;  // type and value bytes, as stored
};

std::string Lpstr(std::string_view text, uint32_t length) {
  return ByteWriter().U32(30).U32(length).Raw(text).Bytes();
}
std::string I4(int32_t v) { return ByteWriter().U32(3).U32(uint32_t(v)).Bytes(); }
std::string I2(uint16_t v) { return ByteWriter().U32(2).U16(v).U16(0).Bytes(); }
std::string FileTime(uint64_t v) { return ByteWriter().U32(64).U64(v).Bytes(); }

// A property set with one section at offset 48 holding Props in order. Count
// overrides the recorded number of properties.
std::string PropertySet(const std::vector<TProp>& props, int64_t count = -1) {
  ByteWriter w;
  w.U16(0xFFFE).U16(0).U32(0x00020006).Fill(16).U32(1);  // 28-byte header
  w.Fill(16).U32(48);                                      // format id, section offset
  const size_t section = w.Size();
  w.U32(0).U32(count < 0 ? uint32_t(props.size()) : uint32_t(count));
  uint32_t offset = uint32_t(8 + 8 * props.size());
  for (const TProp& p : props) {
    w.U32(p.id).U32(offset);
    offset += uint32_t((p.value.size() + 3) / 4 * 4);
  }
  for (const TProp& p : props) w.Raw(p.value).PadTo((w.Size() + 3) / 4 * 4);
  w.PutU32At(section, uint32_t(w.Size() - section));
  return w.Bytes();
}

bool Read(const std::string& bytes, TKvWordSummaryInformation& summary, bool doc = false) {
  TMemoryStream stream(bytes);
  return ReadPropertySet(stream, summary, doc);
}

}  // namespace

TEST(PropertySet, TextEndsAtFirstZeroOrAtItsLength) {
  TKvWordSummaryInformation summary;
  EXPECT_TRUE(Read(PropertySet({{2, Lpstr(std::string("Report\0", 7), 7)}}), summary));
  EXPECT_EQ(summary.Title(), u"Report");
  EXPECT_TRUE(Read(PropertySet({{2, Lpstr("Letter", 6)}, {4, Lpstr("", 0)}}), summary));
  EXPECT_EQ(summary.Title(), u"Letter");
  EXPECT_EQ(summary.Author(), u"");
}

TEST(PropertySet, IdsMeanDifferentFieldsInTheTwoSets) {
  TKvWordSummaryInformation summary;
  Read(PropertySet({{14, I4(12)}, {16, I4(99)}, {18, Lpstr("Writer", 6)}}), summary);
  Read(PropertySet({{14, Lpstr("Boss", 4)}, {17, I4(1234)}, {15, Lpstr("Corp", 4)}}), summary, true);
  EXPECT_EQ(summary.PageCount(), 12);
  EXPECT_EQ(summary.CharCount(), 99);
  EXPECT_EQ(summary.AppName(), u"Writer");
  EXPECT_EQ(summary.Manager(), u"Boss");
  EXPECT_EQ(summary.CharCount2(), 1234);
  EXPECT_EQ(summary.Company(), u"Corp");
}

TEST(PropertySet, OtherTypesAreSkippedAndLaterValuesWin) {
  TKvWordSummaryInformation summary;
  const std::string utf16 = ByteWriter().U32(31).U32(2).Utf16(u"X").U16(0).Bytes();
  Read(PropertySet({{2, Lpstr("first", 5)}, {3, utf16}, {14, I2(7)}, {2, Lpstr("second", 6)}}), summary);
  EXPECT_EQ(summary.Title(), u"second");
  EXPECT_EQ(summary.Subject(), u"");
  EXPECT_EQ(summary.PageCount(), 0);
}

TEST(PropertySet, TextsDecodeInTheRecordedCodePage) {
  struct Case { uint16_t codePage; std::string bytes; std::u16string text; };
  const Case cases[] = {
      {1251, "\xCF\xF0\xE8\xE2\xE5\xF2", u"\u041F\u0440\u0438\u0432\u0435\u0442"},  // Привет
      {1253, "\xC1\xE8\xDE\xED\xE1", u"\u0391\u03B8\u03AE\u03BD\u03B1"},            // Αθήνα
      {65001, "\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
      {1200, std::string("h\0i\0\0\0z\0", 8), u"hi"},
      {1252, "caf\xE9", u"caf\u00E9"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codePage);
    TKvWordSummaryInformation summary;
    // The code page comes after the title: it still governs it.
    Read(PropertySet({{2, Lpstr(c.bytes, uint32_t(c.bytes.size()))}, {1, I2(c.codePage)}}), summary);
    EXPECT_EQ(summary.Title(), c.text);
  }
}

TEST(PropertySet, ValueBeyondTheStreamEndsTheReadingAndKeepsEarlierValues) {
  struct Case { const char* name; std::string bytes; };
  std::string offsetPast = PropertySet({{2, Lpstr("Kept", 4)}, {4, Lpstr("Lost", 4)}});
  // Second entry's offset at section + 8 + 8 + 4.
  std::string a = offsetPast;
  const uint32_t huge = 0xFFFFFFF0;  // must not wrap past the size check
  for (int i = 0; i < 4; ++i) a[48 + 20 + size_t(i)] = char(huge >> (8 * i));
  std::string b = PropertySet({{2, Lpstr("Kept", 4)}, {4, Lpstr("Lost", 0xFFFFFFFF)}});
  std::string c = PropertySet({{2, Lpstr("Kept", 4)}}, 0x80000000);
  const Case cases[] = {{"offset", a}, {"length", b}, {"count", c}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    TKvWordSummaryInformation summary;
    EXPECT_FALSE(Read(k.bytes, summary));
    EXPECT_EQ(summary.Title(), u"Kept");
    EXPECT_EQ(summary.Author(), u"");
  }
  TKvWordSummaryInformation summary;
  EXPECT_TRUE(Read("", summary));    // an empty stream is skipped
  EXPECT_FALSE(Read("abc", summary));  // too short for the section offset
}

TEST(PropertySet, DatesAreLocalWithTwoSecondResolution) {
  const char* saved = std::getenv("TZ");
  const std::string savedTz = saved ? saved : "";
  setenv("TZ", "UTC-1", 1);  // one hour east of UTC
  tzset();
  // 2022-12-06 10:20:31 UTC as 100-ns intervals since 1601.
  const uint64_t created = (1670322031ULL + 11644473600ULL) * 10000000ULL;
  const uint64_t ninetyMinutes = 54000000000ULL;
  TKvWordSummaryInformation summary;
  Read(PropertySet({{12, FileTime(created)}, {11, FileTime(0)}, {10, FileTime(ninetyMinutes)}}), summary);
  if (saved) setenv("TZ", savedTz.c_str(), 1); else unsetenv("TZ");
  tzset();
  TDateTime date = 0, time = 0;
  TryEncodeDate(2022, 12, 6, date);
  TryEncodeTime(11, 20, 30, 0, time);
  EXPECT_DOUBLE_EQ(summary.Created(), date + time);
  EXPECT_EQ(summary.CreatedUtcOffset(), 60);  // the local time's offset, to get back to UTC
  EXPECT_EQ(summary.LastPrinted(), 0);
  EXPECT_EQ(summary.LastPrintedUtcOffset(), std::nullopt);
  EXPECT_EQ(summary.EditTime(), 90);
}

TEST(SummaryInformation, AssignCopiesEveryFieldAndRefusesOtherClasses) {
  TKvWordSummaryInformation source;
  source.SetTitle(u"T");
  source.SetCompany(u"C");
  source.SetCharCount2(5);
  source.SetLastSaved(42.5);
  TKvWordSummaryInformation copy;
  copy.Assign(&source);
  source.SetTitle(u"changed");
  EXPECT_EQ(copy.Title(), u"T");
  EXPECT_EQ(copy.Company(), u"C");
  EXPECT_EQ(copy.CharCount2(), 5);
  EXPECT_EQ(copy.LastSaved(), 42.5);
  copy.Clear();
  EXPECT_EQ(copy.Title(), u"");
  EXPECT_EQ(copy.LastSaved(), 0);
  TPersistent other;
  EXPECT_THROW(copy.Assign(&other), EConvertError);
}

TEST(PropertySet, TheLastEntryOfEachIdAndTypeStandsUpToOneThatLeavesTheStream) {
  struct TCase {
    const char* Name;
    std::vector<TProp> Props;
    bool Sound;
    std::u16string Title;
    int32_t Pages;
  };
  const std::vector<TCase> cases = {
      {"a later text replaces", {{2, Lpstr("One", 3)}, {14, I4(3)}, {2, Lpstr("Two", 3)}}, true, u"Two", 3},
      {"a number under a text's id leaves it", {{2, Lpstr("One", 3)}, {2, I4(7)}}, true, u"One", 0},
      {"an entry past the stream ends the walk",
       {{2, Lpstr("One", 3)}, {14, I4(3)}, {2, Lpstr("Two", 0x7FFFFFFF)}, {14, I4(9)}}, false, u"One", 3},
  };
  for (const TCase& c : cases) {
    TKvWordSummaryInformation summary;
    EXPECT_EQ(Read(PropertySet(c.Props), summary), c.Sound) << c.Name;
    EXPECT_EQ(summary.Title(), c.Title) << c.Name;
    EXPECT_EQ(summary.PageCount(), c.Pages) << c.Name;
  }
}

TEST(PropertySet, ManyEntriesNamingOneLongTextDecodeItOnce) {
  // 200,000 entries name one megabyte of text: decoding each would be 200 GB.
  constexpr uint32_t entries = 200000, length = 1 << 20;
  ByteWriter w;
  w.U16(0xFFFE).U16(0).U32(0x00020006).Fill(16).U32(1).Fill(16).U32(48);
  const uint32_t text = 8 + 8 * entries;
  w.U32(text + 8 + length).U32(entries);
  for (uint32_t i = 0; i < entries; ++i) w.U32(2).U32(text);
  w.U32(30).U32(length).Raw(std::string(length, 'x'));
  TKvWordSummaryInformation summary;
  EXPECT_TRUE(Read(w.Bytes(), summary));
  EXPECT_EQ(summary.Title(), std::u16string(length, u'x'));
}
