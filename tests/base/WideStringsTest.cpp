#include "msword/base/WideStrings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"

using namespace msword;


TEST(WideStrings, JoinPutsCrLfAfterEveryEntry) {
  TWideStrings empty;
  EXPECT_EQ(empty.GetText(), u"");
  EXPECT_EQ(empty.GetTextStr(), u"");
  TWideStrings one;
  one.Add(u"");
  EXPECT_EQ(one.GetText(), u"\r\n");
  TWideStrings two;
  two.Add(u"a");
  two.Add(u"bc");
  EXPECT_EQ(two.GetText(), u"a\r\nbc\r\n");
  EXPECT_EQ(two.GetTextStr(), u"a\r\nbc\r\n");
}

TEST(WideStrings, InsertAcceptsZeroToCountAndRefusesTheRest) {
  struct Case { int index; bool ok; std::u16string joined; };
  const Case cases[] = {{0, true, u"new\r\na\r\nb\r\n"},
                        {1, true, u"a\r\nnew\r\nb\r\n"},
                        {2, true, u"a\r\nb\r\nnew\r\n"},
                        {3, false, u"a\r\nb\r\n"},
                        {-1, false, u"a\r\nb\r\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    TWideStrings list;
    list.Add(u"a");
    list.Add(u"b");
    if (c.ok) {
      list.Insert(c.index, u"new");
    } else {
      EXPECT_THAT([&] { list.Insert(c.index, u"new"); },
                  testing::ThrowsMessage<Exception>(testing::StrEq("WideStrings index out of bounds")));
    }
    EXPECT_EQ(list.GetText(), c.joined);
  }
}

TEST(WideStrings, PutInsertsInsteadOfReplacing) {
  TWideStrings list;
  list.Add(u"a");
  list.Add(u"b");
  list.Put(0, u"x");
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.GetText(), u"x\r\na\r\nb\r\n");
}

TEST(WideStrings, GetOutsideTheListIsEmpty) {
  TWideStrings list;
  list.Add(u"a");
  EXPECT_EQ(list.Get(-1), u"");
  EXPECT_EQ(list.Get(1), u"");
  EXPECT_EQ(list.Get(0), u"a");
}

TEST(WideStrings, IndexOfIsCaseSensitiveAndIndexOfIgnoreCaseIsNot) {
  TWideStrings list;
  list.Add(u"Header");
  list.Add(u"header");
  list.Add(u"\u00C4rger");  // Ärger
  EXPECT_EQ(list.IndexOf(u"header"), 1);
  EXPECT_EQ(list.IndexOf(u"HEADER"), -1);
  EXPECT_EQ(list.IndexOfIgnoreCase(u"HEADER"), 0);
  EXPECT_EQ(list.IndexOfIgnoreCase(u"\u00E4RGER"), 2);  // äRGER: case outside ASCII
  EXPECT_EQ(list.IndexOfIgnoreCase(u"Arger"), -1);      // an accent still counts
  EXPECT_EQ(TWideStrings::WideCompareText(u"a", u"B"), -1);
  EXPECT_EQ(TWideStrings::WideCompareText(u"b", u"A"), 1);
}

TEST(WideStrings, SaveToStreamWritesUtf16WithMarkOrAnsiBytes) {
  TWideStrings list;
  list.Add(u"A\u20AC");  // A€
  TMemoryStream unicode;
  list.SaveToStream(&unicode);
  EXPECT_EQ(unicode.Bytes(), std::string("\xFF\xFE" "A\0\xAC\x20\r\0\n\0", 10));
  list.SetSaveUnicode(false);
  TMemoryStream ansi;
  list.SaveToStream(&ansi);
  EXPECT_EQ(ansi.Bytes(), "A\x80\r\n");

  TWideStrings empty;
  TMemoryStream emptyUnicode;
  empty.SaveToStream(&emptyUnicode);
  EXPECT_EQ(emptyUnicode.Bytes(), "\xFF\xFE");
  empty.SetSaveUnicode(false);
  TMemoryStream emptyAnsi;
  empty.SaveToStream(&emptyAnsi);
  EXPECT_EQ(emptyAnsi.Bytes(), "");
}
