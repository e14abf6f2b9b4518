#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>

#include "cli/Output.h"
#include "msword/base/DateTime.h"
#include "msword/docx/WordXDocument.h"

namespace kvword {
namespace {

using msword::TDateTime;
using nlohmann::json;

TDateTime At(int year, int month, int day, int hour, int minute, int second) {
  TDateTime date = 0, time = 0;
  EXPECT_TRUE(msword::TryEncodeDate(year, month, day, date));
  EXPECT_TRUE(msword::TryEncodeTime(hour, minute, second, 0, time));
  return date + time;
}

// A component filled by hand as a reader would leave it.
struct LoadedDocument : testing::Test {
  msword::TMSWordXDocument document{nullptr};
  TKvWordOptions options;
  void SetUp() override {
    document.Text()->Add(u"Caf\u00e9 au lait");
    document.Text()->Add(u"second line");
    document.FootNoteText()->Add(u"a footnote");
    document.EndNoteText()->Add(u"");  // only an empty framing entry
    document.SummaryInformation()->SetTitle(u"Menu");
    document.SummaryInformation()->SetAuthor(u"Chef");
    document.SummaryInformation()->SetPageCount(3);
    document.SummaryInformation()->SetCreated(At(2022, 12, 6, 11, 20, 30));
  }
};

TEST_F(LoadedDocument, TextIsTheJoinedListInUtf8WithCrLf) {
  EXPECT_EQ(FormatText(options, document), "Caf\xC3\xA9 au lait\r\nsecond line\r\n");
  options.Lf = true;
  EXPECT_EQ(FormatText(options, document), "Caf\xC3\xA9 au lait\nsecond line\n");
}

// Long texts are encoded and handed on a block at a time: the blocks together are
// the joined text, whatever falls on a block's edge (a CR LF, a character of two
// units, a non-ASCII character).
TEST_F(LoadedDocument, TextWrittenInBlocksIsTheJoinedText) {
  std::u16string line;
  for (int k = 0; line.size() < 200000; ++k) {
    line += u"word\r\n";
    if (k % 7 == 0) line += u"\U0001F600\u00e9\u0416";
    if (k % 5 == 0) line += u'\r';
  }
  document.Text()->Add(line);
  document.Text()->Add(u"\r");
  for (bool lf : {false, true}) {
    options.Lf = lf;
    std::vector<std::string> blocks;
    WriteText(options, document, [&blocks](std::string_view Bytes) { blocks.emplace_back(Bytes); });
    EXPECT_GT(blocks.size(), 1u);
    std::string joined;
    for (const std::string& block : blocks) {
      EXPECT_LE(block.size(), 128u * 1024);
      joined += block;
    }
    EXPECT_EQ(joined, OutputText(document.Text()->GetTextStr(), lf));
  }
}

TEST_F(LoadedDocument, SideTextsAskedOneByOneArePrintedEvenWhenEmpty) {
  options.Lf = true;
  options.Sides.Include(stEndnotes);
  options.Sides.Include(stAnnotations);
  EXPECT_EQ(FormatText(options, document),
            "Caf\xC3\xA9 au lait\nsecond line\n--- endnotes ---\n\n--- annotations ---\n");
}

TEST_F(LoadedDocument, AllPrintsOnlySideTextsWithText) {
  options.All = true;
  EXPECT_EQ(FormatText(options, document),
            "Caf\xC3\xA9 au lait\r\nsecond line\r\n--- footnotes ---\r\na footnote\r\n");
}

TEST_F(LoadedDocument, SummaryLinesLeaveOutWhatIsNotSet) {
  options.Summary = true;
  options.Lf = true;
  EXPECT_EQ(FormatText(options, document),
            "Caf\xC3\xA9 au lait\nsecond line\n--- summary ---\n"
            "Author: Chef\nCreated: 2022-12-06T11:20:30\nPageCount: 3\nTitle: Menu\n");
}

TEST_F(LoadedDocument, JsonHoldsExactlyTheKeysAskedFor) {
  const json plain = json::parse(FormatJson(options, "menu.docx", rkDocx, std::nullopt, document));
  EXPECT_EQ(plain, json::parse(R"({"file":"menu.docx","reader":"docx",
      "text":"Caf\u00e9 au lait\r\nsecond line\r\n",
      "summary":{"Author":"Chef","Created":"2022-12-06T11:20:30","PageCount":3,"Title":"Menu"}})"));

  options.All = true;
  options.NoSummary = true;
  options.Macros = true;
  msword::TVBAProjectItem* reference = document.VBAProjectItems->Add();
  reference->Entry = u"*\\G{000204EF}";
  msword::TVBAProjectItem* module = document.VBAProjectItems->Add();
  module->ModuleName = u"Module1";
  module->Body = "Sub Hello()\r\nEnd Sub\r\n";
  const std::string line = FormatJson(options, "menu.doc", rkDoc, 8, document);
  ASSERT_EQ(line.back(), '\n');
  EXPECT_EQ(line.find('\n'), line.size() - 1);  // one line
  EXPECT_EQ(json::parse(line), json::parse(R"({"file":"menu.doc","reader":"doc","docVersion":8,
      "text":"Caf\u00e9 au lait\r\nsecond line\r\n",
      "footnotes":["a footnote"],"endnotes":[""],"headers":[],"footers":[],"annotations":[],
      "textBoxes":[],"macroText":[],
      "vbaModules":[{"name":"Module1","source":"Sub Hello()\r\nEnd Sub\r\n"}]})"));
}

TEST_F(LoadedDocument, JsonWithoutTextLeavesTheTextOut) {
  options.NoText = true;
  options.NoSummary = true;
  options.Lf = true;
  EXPECT_EQ(FormatJson(options, "x", rkDocx, std::nullopt, document),
            "{\"file\":\"x\",\"reader\":\"docx\"}\n");
}

TEST(Output, JsonStaysValidForFileNamesThatAreNotUtf8) {
  const std::string line = FormatJsonError("bad\xFF\"name", "File bad is not found.");
  const json parsed = json::parse(line);
  EXPECT_EQ(parsed["file"], "bad\xEF\xBF\xBD\"name");
  EXPECT_EQ(parsed["error"], "File bad is not found.");
}

TEST(Output, HeadingsFollowHead) {
  TKvWordOptions options;
  EXPECT_EQ(FormatHeading(options, "a.doc", true), "==> a.doc <==\r\n");
  EXPECT_EQ(FormatHeading(options, "b.doc", false), "\r\n==> b.doc <==\r\n");
  options.Lf = true;
  EXPECT_EQ(FormatHeading(options, "b.doc", false), "\n==> b.doc <==\n");
}

TEST(Output, LfTurnsOnlyCrLfPairsIntoLf) {
  EXPECT_EQ(OutputText(u"a\r\nb\rc\n\r\r\n", true), "a\nb\rc\n\r\n");
  EXPECT_EQ(OutputText(u"a\r\nb", false), "a\r\nb");
}

TEST(Output, DatesAreIsoLocalTimeAndUnsetDatesAreEmpty) {
  EXPECT_EQ(IsoDateTime(At(2022, 12, 6, 11, 20, 30)), "2022-12-06T11:20:30");
  EXPECT_EQ(IsoDateTime(At(1980, 1, 1, 0, 0, 0)), "1980-01-01T00:00:00");
  EXPECT_EQ(IsoDateTime(At(2107, 12, 31, 23, 59, 58)), "2107-12-31T23:59:58");
  EXPECT_EQ(IsoDateTime(0), "");
  EXPECT_EQ(IsoDateTime(1e12), "");
  EXPECT_EQ(IsoDateTime(std::numeric_limits<double>::quiet_NaN()), "");
}

}  // namespace
}  // namespace kvword
