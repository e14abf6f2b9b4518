#include "msword/writers/MarkdownWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "msword/base/CodePages.h"
#include "writers/MarkdownTree.h"

namespace msword {
namespace {

using kvword_test::MarkdownTree;

struct TRun {
  std::u16string_view Text;
  bool Bold = false, Italic = false, Strike = false;
  std::u16string_view Link = {};
};

TKvWRunInfo RunInfo(const TRun& Run) {
  TKvWRunInfo info;
  info.Bold = Run.Bold;
  info.Italic = Run.Italic;
  info.Strike = Run.Strike;
  info.Hyperlink = Run.Link;
  return info;
}

// Feeds the events Feed sends and returns the Markdown as UTF-8.
std::string Markdown(const std::function<void(TKvWDocumentSink&)>& Feed, TKvWMarkdownOptions Options = {}) {
  TKvWMarkdownWriter writer(std::move(Options));
  Feed(writer);
  writer.Finish();
  return WideToUtf8(writer.Markdown());
}

void Paragraph(TKvWDocumentSink& Sink, std::vector<TRun> Runs, TKvWParagraphInfo Info = {}) {
  Sink.BeginParagraph(Info);
  for (const TRun& run : Runs) Sink.Text(run.Text, RunInfo(run));
  Sink.EndParagraph();
}

void Paragraph(TKvWDocumentSink& Sink, std::u16string_view Text, TKvWParagraphInfo Info = {}) {
  Paragraph(Sink, std::vector<TRun>{{Text}}, Info);
}

TKvWParagraphInfo Heading(int32_t Level) {
  TKvWParagraphInfo info;
  info.OutlineLevel = Level;
  return info;
}

TKvWParagraphInfo Item(std::u16string_view Label, int32_t Level) {
  TKvWParagraphInfo info;
  info.ListLabel = Label;
  info.ListLevel = Level;
  return info;
}

std::string Tree(const std::function<void(TKvWDocumentSink&)>& Feed, TKvWMarkdownOptions Options = {}) {
  return MarkdownTree(Markdown(Feed, std::move(Options)));
}

// Texts that would read as Markdown come back as themselves in every place text
// stands: a paragraph, a heading, a list item, a table cell, emphasis, a link.
TEST(MarkdownWriter, MarkdownSignsInTextComeBackAsText) {
  const std::u16string_view texts[] = {
      u"*not emphasis*", u"_nor this_", u"# not a heading", u"#hashtag", u"ends with #", u"1. not a list",
      u"2) nor this",    u"10. ten",    u"- not an item",   u"+ nor this", u"---",      u"===",
      u"***",            u"___",        u"a [link](x) b",   u"[^1]",      u"![img](x)", u"<b>tag</b>",
      u"<!-- c -->",     u"`code`",     u"&amp; &#65;",     u"a | b",     u"~~no~~",    u"\\back\\slash\\",
      u"> quote",        u"trailing\\", u"a *b* c",         u"www.example.com", u"x__y__z", u"[a]: /url",
  };
  for (const std::u16string_view text : texts) {
    const std::string want = WideToUtf8(text);
    SCOPED_TRACE(want);
    EXPECT_EQ(Tree([&](TKvWDocumentSink& s) { Paragraph(s, text); }), "P[" + want + "]");
    EXPECT_EQ(Tree([&](TKvWDocumentSink& s) { Paragraph(s, text, Heading(2)); }), "H2[" + want + "]");
    EXPECT_EQ(Tree([&](TKvWDocumentSink& s) { Paragraph(s, text, Item(u"\u2022", 0)); }), "UL{LI{P[" + want + "]}}");
    EXPECT_EQ(Tree([&](TKvWDocumentSink& s) { Paragraph(s, {{text, true}}); }), "P[<b>" + want + "</b>]");
    EXPECT_EQ(Tree([&](TKvWDocumentSink& s) { Paragraph(s, {{u"see "}, {text, false, false, false, u"http://x.org/"}}); }),
              "P[see <a http://x.org/>" + want + "</a>]");
    EXPECT_EQ(Tree([&](TKvWDocumentSink& s) {
                s.BeginTable();
                s.BeginRow();
                s.BeginCell({});
                Paragraph(s, text);
                s.EndCell();
                s.EndRow();
                s.EndTable();
              }),
              "T{R{C[" + want + "]}}");
  }
}

TEST(MarkdownWriter, BlanksAtALineStartAreDroppedNotMadeCode) {
  EXPECT_EQ(Markdown([](TKvWDocumentSink& s) { Paragraph(s, u"    four\tspaces"); }), "four\tspaces\n");
  EXPECT_EQ(Tree([](TKvWDocumentSink& s) {
              s.BeginParagraph({});
              s.Text(u"one  ", {});
              s.Break(bkLine);
              s.Text(u"      - two", {});
              s.EndParagraph();
            }),
            "P[one\u23CE- two]");
}

TEST(MarkdownWriter, HeadingsByOutlineLevelAndTheTitleBeforeAnyFirstLevel) {
  EXPECT_EQ(Markdown([](TKvWDocumentSink& s) {
              TKvWParagraphInfo title;
              title.Title = true;
              Paragraph(s, u"Report", title);
              for (int32_t level = 1; level <= 9; ++level) Paragraph(s, u"Level", Heading(level));
              Paragraph(s, u"", Heading(2));  // an empty heading is no heading
              Paragraph(s, u"Late title", title);
              Paragraph(s, u"Body");
            }),
            "# Report\n\n# Level\n\n## Level\n\n### Level\n\n#### Level\n\n##### Level\n\n###### Level\n\n"
            "###### Level\n\n###### Level\n\n###### Level\n\nLate title\n\nBody\n");
}

TEST(MarkdownWriter, HeadingLineBreaksAreSpacesAndItsLabelIsText) {
  EXPECT_EQ(Tree([](TKvWDocumentSink& s) {
              TKvWParagraphInfo info = Heading(1);
              info.ListLabel = u"2.1\t";
              info.ListLevel = 1;
              s.BeginParagraph(info);
              s.Text(u"Scope", {});
              s.Break(bkLine);
              s.Text(u"and aims", {});
              s.EndParagraph();
            }),
            "H1[2.1 Scope and aims]");
}

TEST(MarkdownWriter, ListsNestByLevelAndKeepTheirNumbers) {
  const std::string markdown = Markdown([](TKvWDocumentSink& s) {
    Paragraph(s, u"Intro");
    Paragraph(s, u"seven", Item(u"7.", 0));
    Paragraph(s, u"bullet", Item(u"\u2022", 1));
    Paragraph(s, u"deeper", Item(u"3)", 2));
    Paragraph(s, u"eight", Item(u"8.", 0));
    Paragraph(s, u"lettered", Item(u"a)", 1));
    Paragraph(s, u"roman", Item(u"iv.", 1));
    Paragraph(s, u"After");
    Paragraph(s, u"again", Item(u"1.", 0));
  });
  EXPECT_EQ(MarkdownTree(markdown),
            "P[Intro]OL7{LI{P[seven]UL{LI{P[bullet]OL3{LI{P[deeper]}}}}}LI{P[eight]UL{LI{P[a) lettered]}LI{P[iv. "
            "roman]}}}}P[After]OL1{LI{P[again]}}");
  EXPECT_EQ(markdown,
            "Intro\n\n7. seven\n   - bullet\n\n     3) deeper\n8. eight\n   - a) lettered\n   - iv. roman\n\nAfter\n\n"
            "1. again\n");
}

// A list that starts again right after another is another list, at the top or
// inside an item, and each keeps its own first number; a list that counts on is one.
TEST(MarkdownWriter, AListStartingAgainIsNotMergedWithTheOneBefore) {
  struct TCase {
    const char* What;
    std::vector<std::pair<std::u16string_view, int32_t>> Items;  // label and level
    std::string Tree;
  };
  const TCase cases[] = {
      {"restart at 1", {{u"1.", 0}, {u"2.", 0}, {u"1.", 0}, {u"2.", 0}},
       "OL1{LI{P[x]}LI{P[x]}}HTML[<!-- -->\n]OL1{LI{P[x]}LI{P[x]}}"},
      {"a jump ahead", {{u"1.", 0}, {u"5.", 0}}, "OL1{LI{P[x]}}HTML[<!-- -->\n]OL5{LI{P[x]}}"},
      {"counting on", {{u"3.", 0}, {u"4.", 0}, {u"5.", 0}}, "OL3{LI{P[x]}LI{P[x]}LI{P[x]}}"},
      {"inside an item", {{u"1.", 0}, {u"1)", 1}, {u"2)", 1}, {u"1)", 1}, {u"2.", 0}},
       "OL1{LI{P[x]OL1{LI{P[x]}LI{P[x]}}HTML[<!-- -->\n]OL1{LI{P[x]}}}LI{P[x]}}"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    EXPECT_EQ(Tree([&](TKvWDocumentSink& s) {
                for (const auto& [label, level] : c.Items) Paragraph(s, u"x", Item(label, level));
              }),
              c.Tree);
  }
}

TEST(MarkdownWriter, ItemLineBreaksContinueUnderTheItem) {
  EXPECT_EQ(Tree([](TKvWDocumentSink& s) {
              s.BeginParagraph(Item(u"12.", 0));
              s.Text(u"first", {});
              s.Break(bkLine);
              s.Break(bkLine);
              s.Text(u"# second", {});
              s.Break(bkPage);
              s.EndParagraph();
              Paragraph(s, u"next", Item(u"13.", 0));
            }),
            "OL12{LI{P[first\u23CE# second]}LI{P[next]}}");
}

TEST(MarkdownWriter, EmphasisKeepsSpacesOutsideItsMarkers) {
  struct Case {
    std::vector<TRun> Runs;
    std::string Tree;
  };
  const Case cases[] = {
      {{{u"a"}, {u" bold ", true}, {u"c"}}, "P[a <b>bold</b> c]"},
      {{{u"foo"}, {u"bar", false, true}, {u"baz"}}, "P[foo<i>bar</i>baz]"},
      {{{u"both", true, true}}, "P[<i><b>both</b></i>]"},
      {{{u"gone", false, false, true}}, "P[<s>gone</s>]"},
      {{{u"all", true, true, true}}, "P[<s><i><b>all</b></i></s>]"},
      {{{u"a", true}, {u"b", false, true}}, "P[<b>a</b><i>b</i>]"},
      {{{u"a", true}, {u"b", true, true}}, "P[<b>a</b><i><b>b</b></i>]"},
      {{{u"a"}, {u"\"q\"", true}, {u"b"}}, "P[a<b>\"q\"</b>b]"},
      {{{u"x"}, {u"*", true}, {u"y"}}, "P[x<b>*</b>y]"},
      {{{u"a"}, {u"   ", true}, {u"b"}}, "P[a   b]"},
      {{{u"a", true}, {u"b", true}}, "P[<b>ab</b>]"},
      {{{u"end."}, {u" (", true, true}}, "P[end. <i><b>(</b></i>]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Tree);
    const std::string markdown = Markdown([&](TKvWDocumentSink& s) { Paragraph(s, c.Runs); });
    EXPECT_EQ(MarkdownTree(markdown), c.Tree) << markdown;
  }
}

TEST(MarkdownWriter, DeletedRunsAreStruckAndInsertedOnesPlain) {
  EXPECT_EQ(Tree([](TKvWDocumentSink& s) {
              s.BeginParagraph({});
              TKvWRunInfo deleted, inserted;
              deleted.Deleted = true;
              inserted.Inserted = true;
              s.Text(u"old", deleted);
              s.Text(u" new", inserted);
              s.EndParagraph();
            }),
            "P[<s>old</s> new]");
}

TEST(MarkdownWriter, LinksCarryTheirTargetAndBookmarksStayText) {
  EXPECT_EQ(Tree([](TKvWDocumentSink& s) {
              Paragraph(s, {{u"see "},
                            {u"the ", false, false, false, u"http://example.com/a_b(c) d"},
                            {u"site", true, false, false, u"http://example.com/a_b(c) d"},
                            {u", "},
                            {u"top", false, false, false, u"#_Top"},
                            {u" or "},
                            {u" ", false, false, false, u"http://empty.org/"}});
            }),
            "P[see <a http://example.com/a_b(c) d>the <b>site</b></a>, top or]");
}

TEST(MarkdownWriter, TablesArePipeTablesWithTheFirstRowAsHeader) {
  const std::string markdown = Markdown([](TKvWDocumentSink& s) {
    Paragraph(s, u"Before");
    s.BeginTable();
    const auto row = [&](std::vector<std::pair<std::u16string_view, TKvWCellInfo>> Cells) {
      s.BeginRow();
      for (const auto& [text, info] : Cells) {
        s.BeginCell(info);
        if (!text.empty()) Paragraph(s, text);
        s.EndCell();
      }
      s.EndRow();
    };
    row({{u"Name", {}}, {u"Value", {}}});
    row({{u"wide", {2, false}}});
    row({{u"a|b", {}}, {u"", {1, true}}, {u"extra", {}}});
    s.BeginRow();
    s.BeginCell({});
    Paragraph(s, u"one");
    Paragraph(s, u"- two");
    s.BeginParagraph({});
    s.Text(u"three", {});
    s.Break(bkLine);
    s.Text(u"four", {});
    s.EndParagraph();
    s.EndCell();
    s.EndRow();
    s.EndTable();
    Paragraph(s, u"After");
  });
  EXPECT_EQ(MarkdownTree(markdown),
            "P[Before]T{R{C[Name]C[Value]C[]}R{C[wide]C[]C[]}R{C[a|b]C[]C[extra]}R{C[one\u23CE- two\u23CEthree\u23CEfour]C[]C[]}}"
            "P[After]");
}

TEST(MarkdownWriter, NestedTablesBecomeLinesOfTheirCell) {
  EXPECT_EQ(Tree([](TKvWDocumentSink& s) {
              s.BeginTable();
              s.BeginRow();
              s.BeginCell({});
              Paragraph(s, u"outer");
              s.BeginTable();
              for (const auto& cells : {std::pair{u"a", u"b"}, std::pair{u"c", u"d"}}) {
                s.BeginRow();
                for (const char16_t* text : {cells.first, cells.second}) {
                  s.BeginCell({});
                  Paragraph(s, text);
                  s.EndCell();
                }
                s.EndRow();
              }
              s.EndTable();
              s.EndCell();
              s.EndRow();
              s.EndTable();
            }),
            "T{R{C[outer\u23CEa | b\u23CEc | d]}}");
  // Text before a table nested deeper still is kept, on its own line.
  EXPECT_EQ(Tree([](TKvWDocumentSink& s) {
              const auto open = [&] {
                s.BeginTable();
                s.BeginRow();
                s.BeginCell({});
              };
              const auto close = [&] {
                s.EndCell();
                s.EndRow();
                s.EndTable();
              };
              open();
              open();
              Paragraph(s, u"second");
              open();
              Paragraph(s, u"third");
              close();
              Paragraph(s, u"after");
              close();
              close();
            }),
            "T{R{C[second\u23CEthird\u23CEafter]}}");
}

TEST(MarkdownWriter, NotesBecomeFootnotesAfterTheBody) {
  const std::string markdown = Markdown([](TKvWDocumentSink& s) {
    s.BeginStory(skMain, {});
    s.BeginParagraph({});
    s.Text(u"Text", {});
    s.NoteReference(nkEndnote, u"7", u"i");
    s.Text(u" and", {});
    s.NoteReference(nkFootnote, u"2", u"1");
    s.Text(u" again", {});
    s.NoteReference(nkFootnote, u"2", u"1");
    s.NoteReference(nkFootnote, u"", u"*");
    s.EndParagraph();
    s.EndStory();
    s.BeginStory(skEndnotes, {});
    s.BeginNote(nkEndnote, u"7");
    Paragraph(s, u"An endnote.");
    s.EndNote();
    s.EndStory();
    s.BeginStory(skFootnotes, {});
    s.BeginNote(nkFootnote, u"2");
    Paragraph(s, u"First paragraph,");
    Paragraph(s, u"# second.");
    s.EndNote();
    s.BeginNote(nkFootnote, u"9");
    Paragraph(s, u"Nobody refers to me.");
    s.EndNote();
    s.EndStory();
  });
  EXPECT_EQ(MarkdownTree(markdown),
            "P[Text[^1] and[^2] again[^2]*]P[Nobody refers to me.]FN1{P[An endnote.]}"
            "FN2{P[First paragraph,]P[# second.]}");
  // Footnotes come before endnotes, both after the text.
  EXPECT_LT(markdown.find("[^1]:"), markdown.find("[^e1]:"));
}

TEST(MarkdownWriter, SideStoriesFollowUnderTheirHeadingsWhenAsked) {
  const auto feed = [](TKvWDocumentSink& s) {
    s.BeginParagraph({});
    s.Text(u"Body ", {});
    s.BeginStory(skTextBoxes, {});
    Paragraph(s, u"In a box");
    s.EndStory();
    s.Text(u"goes on", {});
    s.EndParagraph();
    s.BeginStory(skHeaders, u"default");
    Paragraph(s, u"Head");
    s.EndStory();
    s.BeginStory(skComments, u"Ann");
    Paragraph(s, u"A remark");
    s.EndStory();
  };
  EXPECT_EQ(Tree(feed), "P[Body goes on]");
  TKvWMarkdownOptions all;
  all.Headers = all.Footers = all.Comments = all.TextBoxes = true;
  EXPECT_EQ(Tree(feed, all), "P[Body goes on]H2[Headers]P[Head]H2[Comments]P[A remark]H2[Text boxes]P[In a box]");
}

TEST(MarkdownWriter, ImagesOnlyWithTheirDescription) {
  EXPECT_EQ(Tree([](TKvWDocumentSink& s) {
              s.BeginParagraph({});
              s.Image(u"A [red] bird");
              s.Image(u"");
              s.Text(u" flies", {});
              s.EndParagraph();
            }),
            "P[<img:A [red] bird> flies]");
}

TEST(MarkdownWriter, LineEndsAsAsked) {
  TKvWMarkdownOptions options;
  options.LineEnd = u"\r\n";
  EXPECT_EQ(Markdown(
                [](TKvWDocumentSink& s) {
                  Paragraph(s, u"a", Heading(1));
                  Paragraph(s, u"b", Item(u"1.", 0));
                  Paragraph(s, u"c", Item(u"2.", 0));
                },
                options),
            "# a\r\n\r\n1. b\r\n2. c\r\n");
}

// What a damaged document can make of the events: nothing is lost and nothing
// fails.
TEST(MarkdownWriter, BadlyNestedEventsLoseNoText) {
  EXPECT_EQ(Tree([](TKvWDocumentSink& s) {
              s.EndCell();
              s.EndRow();
              s.EndTable();
              s.EndStory();
              s.EndNote();
              s.Text(u"loose", {});
              s.BeginParagraph({});
              s.Text(u"open", {});
              s.BeginTable();
              s.Text(u"cell", {});
              s.BeginCell({});
              s.Text(u"wide", {});
              s.BeginStory(skFootnotes, {});
              s.Text(u"unended", {});
            }),
            "P[loose]P[open]T{R{C[cell]C[wide]}}P[unended]");
  // A span beyond Word's columns is cut there.
  const std::string wide = Markdown([](TKvWDocumentSink& s) {
    s.BeginTable();
    s.BeginRow();
    s.BeginCell({1000000, false});
    s.EndCell();
    s.EndRow();
    s.EndTable();
  });
  EXPECT_EQ(std::count(wide.begin(), wide.end(), '\n'), 2);
  EXPECT_EQ(std::count(wide.begin(), wide.end(), '|'), 2 * (TKvWMarkdownWriter::MaxTableColumns + 1));
}

}  // namespace
}  // namespace msword
