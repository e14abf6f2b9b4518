#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>

#include "frontdoor/Output.h"
#include "msword/base/DateTime.h"

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

TSummaryValue Text(std::string_view Name, std::u16string Value) {
  TSummaryValue v;
  v.Name = Name;
  v.Text = std::move(Value);
  return v;
}

TSummaryValue Count(std::string_view Name, int32_t Value) {
  TSummaryValue v;
  v.Name = Name;
  v.Kind = skCount;
  v.Count = Value;
  return v;
}

TSummaryValue Date(std::string_view Name, TDateTime Value) {
  TSummaryValue v;
  v.Name = Name;
  v.Kind = skDate;
  v.Date = Value;
  return v;
}

// A result filled by hand as a reader would leave it.
struct LoadedDocument : testing::Test {
  TReadResult document;
  TOutputOptions options;
  void SetUp() override {
    document.Reader = rkDocx;
    document.Text = {u"Caf\u00e9 au lait", u"second line"};
    document.Sides[stFootnotes] = {u"a footnote"};
    document.Sides[stEndnotes] = {u""};  // only an empty framing entry
    document.Summary = {Text("Author", u"Chef"), Date("Created", At(2022, 12, 6, 11, 20, 30)),
                        Count("PageCount", 3), Text("Title", u"Menu")};
  }
  std::string Joined() const {
    std::u16string joined;
    for (const std::u16string& line : document.Text) joined += line + u"\r\n";
    return OutputText(joined, options.Lf);
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
  document.Text.push_back(line);
  document.Text.push_back(u"\r");
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
    EXPECT_EQ(joined, Joined());
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
            "Author: Chef\nCreated: 2022-12-06T11:20:30Z\nPageCount: 3\nTitle: Menu\n");
}

TEST_F(LoadedDocument, JsonHoldsExactlyTheKeysAskedFor) {
  const json plain = json::parse(FormatJson(options, "menu.docx", document));
  EXPECT_EQ(plain, json::parse(R"({"file":"menu.docx","reader":"docx",
      "text":"Caf\u00e9 au lait\r\nsecond line\r\n",
      "summary":{"Author":"Chef","Created":"2022-12-06T11:20:30Z","PageCount":3,"Title":"Menu"}})"));

  options.All = true;
  options.NoSummary = true;
  options.Macros = true;
  document.VBAModules.push_back({u"Module1", u"Sub Hello()\r\nEnd Sub\r\n"});
  document.Reader = rkDoc;
  document.DocVersion = 8;
  const std::string line = FormatJson(options, "menu.doc", document);
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
  EXPECT_EQ(FormatJson(options, "x", document),
            "{\"file\":\"x\",\"reader\":\"docx\"}\n");
}

TEST(Output, JsonStaysValidForFileNamesThatAreNotUtf8) {
  const std::string line = FormatJsonError("bad\xFF\"name", "File bad is not found.");
  const json parsed = json::parse(line);
  EXPECT_EQ(parsed["file"], "bad\xEF\xBF\xBD\"name");
  EXPECT_EQ(parsed["error"], "File bad is not found.");
}

TEST(Output, RtfWritesEveryCodeUnitAbove127AsUnicodeEscape) {
  struct Case {
    std::u16string text;
    std::string rtf;
  };
  const Case cases[] = {
      {u"P\u0159eklada\u010D", "P\\u345?eklada\\u269?"},
      {u"caf\u00E9\r\n", "caf\\u233?\n"},
      {u"\U0001F600", "\\u-10179?\\u-8704?"},  // each half of the pair, signed
      {u"\uFFFD\u0080x", "\\u-3?\\u128?x"},
      {u"\\par {x}", "\\par {x}"},  // the reader's own markup stays
  };
  TOutputOptions options;
  options.Format = msword::tfRTF;
  options.Lf = true;
  for (const Case& c : cases) EXPECT_EQ(FormatOutputText(c.text, options), c.rtf);
  options.Format = msword::tfHTML;
  EXPECT_EQ(FormatOutputText(u"caf\u00E9", options), "caf\xC3\xA9");
}

// Long lines are written in slices: none may fall between the halves of a pair.
TEST_F(LoadedDocument, SlicesNeverSplitASurrogatePair) {
  document.Text.clear();
  for (size_t at : {16383u, 16384u, 32767u}) {
    std::u16string line(at, u'a');
    line += u"\U0001F600";
    line += std::u16string(20000, u'b');
    document.Text.push_back(line);
  }
  const std::string out = FormatText(options, document);
  EXPECT_EQ(out, Joined());
  EXPECT_EQ(out.find("\xEF\xBF\xBD"), std::string::npos);  // no U+FFFD
}

// RTF and HTML: the side texts and the summary go before the main text's trailer,
// without their own framing, and the tool's lines are escaped for the format.
TEST_F(LoadedDocument, SideTextsAndSummaryGoInsideTheDocument) {
  struct Case {
    msword::TMSTextFormating format;
    std::u16string header, body, note, trailer;
    std::string expected;
  };
  const Case cases[] = {
      {msword::tfHTML, u"<html><body>", u"<p>Caf\u00E9</p>", u"<p>a note</p>", u"</body></html>",
       "<html><body>\n<p>Caf\xC3\xA9</p>\n<p>--- footnotes ---</p>\n<p>a note</p>\n"
       "<p>--- summary ---</p>\n<p>Author: Chef</p>\n<p>PageCount: 3</p>\n"
       "<p>Title: Fish &amp; &lt;Chips&gt; {\xC3\xA9}</p>\n</body></html>\n"},
      {msword::tfRTF, u"{\\rtf1\\uc1", u"Caf\u00E9", u"a note", u"}",
       "{\\rtf1\\uc1\nCaf\\u233?\n\\par --- footnotes ---\\par \na note\n"
       "\\par --- summary ---\\par \nAuthor: Chef\\par \nPageCount: 3\\par \n"
       "Title: Fish & <Chips> \\{\\u233?\\}\\par \n}\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.format));
    TReadResult framed;
    framed.Text = {c.header, c.body, c.trailer};
    framed.Sides[stFootnotes] = {c.header, c.note, c.trailer};
    framed.Sides[stEndnotes] = {c.header, c.trailer};  // framing alone: nothing to print
    framed.Summary = {Text("Author", u"Chef"), Count("PageCount", 3), Text("Title", u"Fish & <Chips> {\u00E9}")};
    framed.Framing = TFraming{{c.header}, {c.trailer}};
    options.Format = c.format;
    options.Lf = true;
    options.All = true;
    options.Summary = true;
    EXPECT_EQ(FormatText(options, framed), c.expected);
  }
}

TEST(Output, HeadingsFollowHead) {
  TOutputOptions options;
  EXPECT_EQ(FormatHeading(options, "a.doc", true), "==> a.doc <==\r\n");
  EXPECT_EQ(FormatHeading(options, "b.doc", false), "\r\n==> b.doc <==\r\n");
  options.Lf = true;
  EXPECT_EQ(FormatHeading(options, "b.doc", false), "\n==> b.doc <==\n");
}

// A file name cannot forge a heading of its own or send a terminal commands: its
// control characters are printed as escapes; other bytes, UTF-8 included, pass.
TEST(Output, ControlCharactersInNamesAreEscaped) {
  struct Case { std::string name, shown; };
  const Case cases[] = {{"plain \xC3\xA9t\xC3\xA9.doc", "plain \xC3\xA9t\xC3\xA9.doc"},
                        {"a <==\n==> forged.doc", "a <==\\n==> forged.doc"},
                        {"\x1b]0;title\x07\t\r\x7f.doc", "\\x1b]0;title\\x07\\t\\r\\x7f.doc"},
                        {"csi\xC2\x9B" "31m \xC2\xA0.doc", "csi\\u009b31m \xC2\xA0.doc"},
                        {"back\\slash.doc", "back\\slash.doc"}};
  TOutputOptions options;
  options.Lf = true;
  for (const Case& c : cases) {
    EXPECT_EQ(EscapeControls(c.name), c.shown);
    EXPECT_EQ(FormatHeading(options, c.name, true), "==> " + c.shown + " <==\n");
  }
}

TEST(Output, LfTurnsOnlyCrLfPairsIntoLf) {
  EXPECT_EQ(OutputText(u"a\r\nb\rc\n\r\r\n", true), "a\nb\rc\n\r\n");
  EXPECT_EQ(OutputText(u"a\r\nb", false), "a\r\nb");
}

// Dates print as the UTC moment: the clock time less the offset it stands at.
TEST(Output, DatesAreUtcMomentsAndUnsetDatesAreEmpty) {
  struct Case {
    TDateTime value;
    std::optional<int32_t> offset;
    const char* iso;
  };
  const Case cases[] = {
      {At(2022, 12, 6, 11, 20, 30), 60, "2022-12-06T10:20:30Z"},    // a .doc date read at UTC+1
      {At(2022, 12, 6, 10, 20, 30), std::nullopt, "2022-12-06T10:20:30Z"},  // none: UTC
      {At(2022, 12, 6, 10, 20, 30), 0, "2022-12-06T10:20:30Z"},
      {At(2022, 1, 1, 1, 0, 0), 120, "2021-12-31T23:00:00Z"},       // back over a year's end
      {At(2022, 12, 31, 20, 30, 0), -330, "2023-01-01T02:00:00Z"},  // forward, half hours
      {At(1980, 1, 1, 0, 0, 0), std::nullopt, "1980-01-01T00:00:00Z"},
      {At(2107, 12, 31, 23, 59, 58), std::nullopt, "2107-12-31T23:59:58Z"},
      // Before the epoch of 1899-12-30 the whole part counts back and the fraction
      // is still the time of that day.
      {At(1850, 3, 1, 0, 0, 0) - 0.75, std::nullopt, "1850-03-01T18:00:00Z"},
      {At(1899, 12, 30, 0, 0, 0) - 0.25, 60, "1899-12-30T05:00:00Z"},
      {At(9999, 12, 31, 23, 59, 59), -60, ""},                      // past 9999 in UTC
      {0, std::nullopt, ""},
      {1e12, std::nullopt, ""},
      {std::numeric_limits<double>::quiet_NaN(), std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.iso);
    EXPECT_EQ(IsoDateTime(c.value, c.offset), c.iso);
  }
}

}  // namespace
}  // namespace kvword
