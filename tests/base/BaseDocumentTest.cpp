#include "msword/base/BaseDocument.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"

using namespace msword;

namespace {

// A document whose clock is fixed and whose stream load records where it began.
class TTestDocument : public TMSWBaseDocument {
 public:
  explicit TTestDocument(TDateTime Clock = 0) : TMSWBaseDocument(nullptr), FClock(Clock) {}
  void LoadFromStream(TStream* Stream) override {
    TMSWBaseDocument::LoadFromStream(Stream);
    LoadedAt = Stream->Position();
  }
  bool Cancelled() const { return IsCancelExtract; }
  int64_t LoadedAt = -1;

 protected:
  TDateTime CurrentTime() const override { return FClock; }

 private:
  TDateTime FClock;
};

TDateTime At(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0) {
  TDateTime date = 0, time = 0;
  TryEncodeDate(y, mo, d, date);
  TryEncodeTime(h, mi, s, ms, time);
  return date + time;
}

}  // namespace

TEST(BaseDocument, RtfFramingIsExact) {
  TTestDocument doc(At(2024, 3, 9, 14, 5, 59));
  doc.SetTextFormating(tfRTF);
  EXPECT_EQ(doc.GetTextStart(),
            u"{\\rtf1\\ansi\\ansicpg1252\\uc1\r\n"
            u"{\\*\\generator Norvale Word Document Parser;}"
            u"{\\info{\\operator Norvale Word Document Parser}{\\*\\company Norvale Software}"
            u"{\\creatim\\yr2024\\mo3\\dy9\\hr14\\min5}"
            u"{\\title Norvale Word Document Parser}}\r\n");
  EXPECT_EQ(doc.GetTextFinish(), u"\r\n}");
}

TEST(BaseDocument, HtmlFramingIsExact) {
  TTestDocument doc;
  doc.SetTextFormating(tfHTML);
  EXPECT_EQ(doc.GetTextStart(),
            u"<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\"\r\n"
            u"content=\"text/html; charset=windows-1252\">\r\n"
            u"<meta name=\"GENERATOR\" content=\"Norvale Word Document Parser\">\r\n"
            u"<title>Norvale Word Document Parser</title>\r\n</head>\r\n\r\n"
            u"<body bgcolor=\"#FFFFFF\">\r\n");
  EXPECT_EQ(doc.GetTextFinish(), u"\r\n</body>\r\n</html>");
}

TEST(BaseDocument, RtfDateLeavesOutTimeOnlyAtMidnight) {
  struct Case { TDateTime when; std::u16string rtf; };
  const Case cases[] = {{At(2024, 3, 9, 0, 0), u"yr2024\\mo3\\dy9"},
                        {At(2024, 3, 9, 0, 0, 1), u"yr2024\\mo3\\dy9\\hr0\\min0"},
                        {At(1999, 12, 31, 23, 59, 59, 999), u"yr1999\\mo12\\dy31\\hr23\\min59"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.when);
    EXPECT_EQ(DateTimeToRTF(c.when), c.rtf);
  }
}

TEST(BaseDocument, TextEventsReplaceTheFraming) {
  TTestDocument doc;
  EXPECT_EQ(doc.GetTextStart(), u"");
  doc.SetOnBeforeText([](TObject*, std::u16string& text) { text = u"start"; });
  doc.SetOnAfterText([](TObject*, std::u16string& text) { text += u"end"; });
  EXPECT_EQ(doc.GetTextStart(), u"start");
  EXPECT_EQ(doc.GetTextFinish(), u"end");
  doc.SetTextFormating(tfHTML);
  doc.SetOnBeforeText([](TObject*, std::u16string& text) { text.clear(); });
  EXPECT_EQ(doc.GetTextStart(), u"");
}

// The list's text is the uncut one up to the limit: each call joins the list again
// without adding line ends, and a line end the cut leaves at the end goes with it.
TEST(BaseDocument, MaxTextLengthCutsTheJoinedList) {
  struct Case { int32_t limit; std::vector<std::u16string> entries; bool cancelled; };
  const Case cases[] = {{10, {u"abc\r\n\r\ndef"}, true},
                        {100, {u"abc\r\n\r\ndef"}, true},
                        {9, {u"abc\r\n\r\nde"}, true},
                        {7, {u"abc\r\n"}, true},  // the empty paragraph stays
                        {6, {u"abc\r\n"}, true},
                        {5, {u"abc"}, true},
                        {4, {u"abc"}, true},
                        {0, {u"abc", u"", u"def"}, false},
                        {-3, {u"abc", u"", u"def"}, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.limit);
    TTestDocument doc;
    doc.SetMaxTextLength(c.limit);
    doc.AddText(u"abc", doc.Text());
    EXPECT_EQ(doc.Cancelled(), c.cancelled);
    doc.AddText(u"", doc.Text());
    doc.AddText(u"def", doc.Text());
    EXPECT_EQ(doc.Text()->Lines(), c.entries);
  }
}

// A limit that falls inside a character of two code units keeps the whole text
// before it rather than half a character.
TEST(BaseDocument, MaxTextLengthNeverSplitsASurrogatePair) {
  struct Case { int32_t limit; std::u16string kept; };
  const Case cases[] = {{1, u""},
                        {2, u"\U0001F600"},
                        {3, u"\U0001F600a"},
                        {4, u"\U0001F600a"},
                        {5, u"\U0001F600a\U0001F600"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.limit);
    TTestDocument doc;
    doc.SetMaxTextLength(c.limit);
    doc.AddText(u"\U0001F600a\U0001F600", doc.Text());
    EXPECT_EQ(doc.Text()->Lines(), std::vector<std::u16string>{c.kept});
  }
}

// The list keeps one line, grown call by call: each call adds its text and a line
// end to what is kept (and its line end), cut to the limit, until the line is full.
TEST(BaseDocument, MaxTextLengthKeepsARunningLineUntilItIsFull) {
  TTestDocument doc;
  doc.SetMaxTextLength(8);
  TWideStrings* list = doc.Text();
  doc.AddText(u"ab", list);
  EXPECT_FALSE(doc.TextFull(list));
  doc.AddText(u"cd", list);
  EXPECT_EQ(list->Lines(), std::vector<std::u16string>{u"ab\r\ncd"});
  EXPECT_FALSE(doc.TextFull(list));
  // The cut falls after the line end before "ef", which goes with it.
  doc.AddText(u"ef", list);
  EXPECT_EQ(list->Lines(), std::vector<std::u16string>{u"ab\r\ncd"});
  EXPECT_TRUE(doc.TextFull(list));
  // A hundred thousand calls more change nothing and cost what they add.
  for (int i = 0; i < 100000; ++i) doc.AddText(u"more", list);
  EXPECT_EQ(list->Lines(), std::vector<std::u16string>{u"ab\r\ncd"});

  // A cut inside a pair drops the pair, and the text ends there: nothing after it
  // is kept in its place.
  TTestDocument pairs;
  pairs.SetMaxTextLength(3);
  pairs.AddText(u"ab\U0001F600", pairs.Text());
  EXPECT_EQ(pairs.Text()->Lines(), std::vector<std::u16string>{u"ab"});
  EXPECT_TRUE(pairs.TextFull(pairs.Text()));
  pairs.AddText(u"c", pairs.Text());
  EXPECT_EQ(pairs.Text()->Lines(), std::vector<std::u16string>{u"ab"});

  // Without a limit nothing is ever full.
  TTestDocument open;
  open.AddText(u"abc", open.Text());
  EXPECT_FALSE(open.TextFull(open.Text()));
}

TEST(BaseDocument, OleStreamSkipsOnlyABdocHeader) {
  const std::string body = "payload";
  struct Case { std::string bytes; int64_t loadedAt; };
  const Case cases[] = {{std::string("BDOC") + std::string(8, '\x01') + body, 12},
                        {std::string("XDOC") + std::string(8, '\x01') + body, 0}};
  for (const Case& c : cases) {
    TTestDocument doc;
    TMemoryStream stream(c.bytes);
    doc.LoadFromOLEStream(&stream);
    EXPECT_EQ(doc.LoadedAt, c.loadedAt);
  }
  TTestDocument doc;
  TMemoryStream shortStream(std::string(11, 'B'));
  EXPECT_THAT([&] { doc.LoadFromOLEStream(&shortStream); },
              testing::ThrowsMessage<EReadError>(testing::StrEq("Stream read error")));
}

TEST(BaseDocument, ExecuteFiresEventsAroundTheLoadAndStopsOnFailure) {
  std::vector<std::string> events;
  TTestDocument doc;
  doc.SetOnBeforeExecute([&](TObject*) { events.push_back("before"); });
  doc.SetOnAfterExecute([&](TObject*) { events.push_back("after"); });
  doc.SetFileName(u"/no/such/file.doc");
  EXPECT_THAT([&] { doc.Execute(); },
              testing::ThrowsMessage<Exception>(testing::StrEq("File /no/such/file.doc is not found.")));
  EXPECT_EQ(events, std::vector<std::string>{"before"});

  events.clear();
  const auto self = std::filesystem::canonical("/proc/self/exe").u16string();
  doc.SetFileName(self);
  doc.Execute();
  EXPECT_EQ(events, (std::vector<std::string>{"before", "after"}));
}

TEST(BaseDocument, OnlyRegularFilesExist) {
  TTestDocument doc;
  for (const std::u16string name : {u"", u"/tmp", u"/dev/null"}) {
    SCOPED_TRACE(std::string(name.begin(), name.end()));
    EXPECT_THAT([&] { doc.LoadFromFile(name); },
                testing::ThrowsMessage<Exception>(
                    testing::StrEq("File " + std::string(name.begin(), name.end()) + " is not found.")));
  }
}

TEST(BaseDocument, DefaultsAreThoseOfAFreshReader) {
  TTestDocument doc;
  EXPECT_EQ(doc.About(), u"1.48");
  doc.SetAbout(u"2.0");
  EXPECT_EQ(doc.About(), u"1.48");
  EXPECT_EQ(doc.ParseItems().Bits(), 9);
  EXPECT_EQ(doc.TextFormating(), tfPlainText);
  EXPECT_EQ(doc.MaxTextLength(), 0);
  EXPECT_TRUE(doc.ConvertSysCharacters());
}
