// The web page reader's shown view described to the Markdown writer: headings,
// nested and numbered lists, tables with spanned cells, links, emphasis and line
// breaks, read back with a CommonMark parser; the plain lines stay as they were.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/base/Streams.h"
#include "msword/html/HtmlDocument.h"
#include "msword/writers/MarkdownWriter.h"
#include "writers/MarkdownTree.h"

namespace msword {
namespace {

using kvword_test::MarkdownTree;

struct TRead {
  std::string Markdown;
  std::vector<std::u16string> Lines;
};

TRead Read(const std::string& Page, bool Describe = true, TKvWRevisions Revisions = rvDefault,
           TKvWView View = vwShown, TMSTextFormating Format = tfPlainText) {
  TMSHtmlDocument doc(nullptr);
  doc.SetView(View);
  doc.SetRevisions(Revisions);
  doc.SetTextFormating(Format);
  TKvWMarkdownWriter writer;
  if (Describe) doc.SetDocumentSink(&writer);
  TMemoryStream stream(Page);
  doc.LoadFromStream(&stream);
  writer.Finish();
  return {WideToUtf8(writer.Markdown()), doc.Text()->Lines()};
}

std::string Page(const std::string& Body) { return "<html><head><title>t</title></head><body>" + Body + "</body></html>"; }

TEST(HtmlMarkdown, ShapesOfSmallPages) {
  struct Case {
    const char* Name;
    std::string Body;
    std::string Tree;
    TKvWRevisions Revisions = rvDefault;
  };
  const Case cases[] = {
      {"headings by level", "<h1>One</h1><h3>Three</h3><h6>Six</h6><p>Body</p>", "H1[One]H3[Three]H6[Six]P[Body]"},
      {"emphasis, with the blanks between runs outside the markers",
       "<p>a <b>bold</b> <strong>strong</strong> <i>it</i> <em>em</em> <s>gone</s> <strike>old</strike> "
       "<b><i>both</i></b></p>",
       "P[a <b>bold strong</b> <i>it em</i> <s>gone old</s> <i><b>both</b></i>]"},
      {"links, and a link to a place in the page as text",
       "<p>see <a href=\" http://example.com/a?b=1&amp;c=2 \">the site</a>, <a href='#top'>top</a>, "
       "<a name='x'>anchor</a></p>",
       "P[see <a http://example.com/a?b=1&c=2>the site</a>, top, anchor]"},
      {"line breaks inside a paragraph", "<p>one<br>two<br/>three</p>", "P[one⏎two⏎three]"},
      {"nested bullet and numbered lists with their numbers",
       "<ol start=7><li>seven<li>eight<ul><li>inner<ul><li>deeper</ul></ul><li value=20>twenty</ol>",
       // An item whose number jumps ahead starts a list of its own, which keeps it.
       "OL7{LI{P[seven]}LI{P[eight]UL{LI{P[inner]UL{LI{P[deeper]}}}}}}HTML[<!-- -->\n]OL20{LI{P[twenty]}}"},
      {"letters and roman numerals stay visible as the item's text",
       "<ol type=a><li>x<li>y</ol><ol type=I><li>z</ol>", "UL{LI{P[a. x]}LI{P[b. y]}LI{P[I. z]}}"},
      {"Word's own list paragraphs, whose labels it writes for browsers without lists",
       "<p class=MsoListParagraph style='mso-list:l0 level1 lfo1'><![if !supportLists]><span style='mso-list:Ignore'>"
       "1.<span>&nbsp;&nbsp;</span></span><![endif]>First</p>"
       "<p style='mso-list:l0 level2 lfo1'><![if !supportLists]><span>&middot;<span>&nbsp; </span></span><![endif]>Dot</p>"
       "<p style='MSO-LIST: l0 level1 lfo1'><![if !supportLists]>2.&nbsp;<![endif]><b>Second</b></p>"
       "<p style='mso-list:l1 level1 lfo2'><![if !supportLists]>a.<![endif]>Letter</p>"
       "<h2 style='mso-list:l2 level1 lfo3'><![if !supportLists]>3.&nbsp;<![endif]>Numbered heading</h2>"
       "<p style='mso-list:l3 level1 lfo4'><![if !supportLists]>" + std::string(100, 'x') + "<![endif]> long</p>"
       "<p style='mso-list:l3 level1 lfo4'><![if !supportLists]>4.<![endif]></p>",
       "OL1{LI{P[First]UL{LI{P[Dot]}}}LI{P[<b>Second</b>]}}UL{LI{P[a. Letter]}}H2[3. Numbered heading]P[" +
           std::string(100, 'x') + " long]P[4.]"},
      {"a list item's paragraphs: the first is the item, the ones after it are not",
       "<ul><li><p>first</p><p>more</p></li><li>next<p>after</p></li></ul><ol><li><p>one</p></li><li><p>two</p></ol>",
       "UL{LI{P[first]}}P[more]UL{LI{P[next]}}P[after]OL1{LI{P[one]}LI{P[two]}}"},
      {"a table with spanned cells and a header row",
       "<table><tr><th>A<th>B<th>C</tr><tr><td rowspan=2 colspan=2>wide<td>x</tr><tr><td>y</tr>"
       "<tr><td>1<td>2<td>3</table><p>after</p>",
       "T{R{C[A]C[B]C[C]}R{C[wide]C[]C[x]}R{C[]C[]C[y]}R{C[1]C[2]C[3]}}P[after]"},
      {"a cell covered at the row's end, and a row the cells above cover whole",
       "<table><tr><td>a<td rowspan=3>tall</tr><tr><td>b</tr><tr></tr></table>",
       "T{R{C[a]C[tall]}R{C[b]C[]}R{C[]C[]}}"},
      {"cells' paragraphs and breaks, and a nested table flattened",
       "<table><tr><td><p>p1</p><p>p2</p></td><td>a<br>b</td><td>out<table><tr><td>in1<td>in2</table></td></table>",
       "T{R{C[p1⏎p2]C[a⏎b]C[out⏎in1 | in2]}}"},
      {"unclosed and misnested elements", "<p>one<p>two<b>bold<li>item</b>after<table><tr><td>c",
       "P[one]P[two<b>bold</b>]UL{LI{P[<b>item</b>]}}P[after]T{R{C[c]}}"},
      {"pictures where the page describes them",
       "<p>See <img src=a.png alt='A red &amp; blue bird'> here <img src=b.png alt=' '></p><img src=c.png alt=alone>"
       "<p><span style='display:none'><img alt=hidden></span>end</p>",
       "P[See <img:A red & blue bird> here]P[<img:alone>]P[end]"},
      {"hidden text and the head are not described",
       "<p>shown <span style='display:none'>hidden</span>more</p>", "P[shown more]"},
      {"marked revisions are struck and plain", "<p>kept <del>old</del><ins> new</ins></p>",
       "P[kept <s>old</s> new]", rvMark},
      {"text that would read as Markdown comes back as itself",
       "<p>1. not a list</p><p>* not a bullet</p><p># not a heading</p><p>a | b [c] `d`</p>",
       "P[1. not a list]P[* not a bullet]P[# not a heading]P[a | b [c] `d`]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const TRead read = Read(Page(c.Body), true, c.Revisions);
    EXPECT_EQ(MarkdownTree(read.Markdown), c.Tree) << read.Markdown;
  }
}

// The side stories follow the main text as their paragraphs: the notes always,
// the headers under their heading; a web archive's later pages give only those.
TEST(HtmlMarkdown, SideStoriesFollowAsParagraphs) {
  const std::string page = Page(
      "<p>Main <b>text</b></p><div style='mso-element:footnote' id=ftn1><p>The note</p></div>"
      "<div title=header><p>Head</p></div>");
  TMSHtmlDocument doc(nullptr);
  doc.SetView(vwShown);
  TKvWMarkdownOptions options;
  options.Headers = true;
  TKvWMarkdownWriter writer(options);
  doc.SetDocumentSink(&writer);
  TMemoryStream stream(page);
  doc.LoadFromStream(&stream);
  writer.Finish();
  EXPECT_EQ(MarkdownTree(WideToUtf8(writer.Markdown())), "P[Main <b>text</b>]P[The note]H2[Headers]P[Head]");

  const std::string archive =
      "MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=\"B\"\r\n\r\n"
      "--B\r\nContent-Type: text/html; charset=\"utf-8\"\r\n\r\n<html><body><h2>Archived</h2><ul><li>one</ul>"
      "</body></html>\r\n--B\r\nContent-Type: text/html; charset=\"utf-8\"\r\n\r\n"
      "<html><body><h1>not main</h1><div style='mso-element:header'><p>Header text</p></div></body></html>\r\n--B--\r\n";
  EXPECT_EQ(MarkdownTree(Read(archive).Markdown), "H2[Archived]UL{LI{P[one]}}");
}

// Describing the page changes nothing of the lines it gives, and only the shown
// view in plain text describes it.
TEST(HtmlMarkdown, PlainLinesStayAsTheyWere) {
  const std::string page = Page(
      "<h1>Title</h1><p>a <b>b</b> <a href='u'>c</a><br>d</p><ol><li>x<ul><li>y</ul></ol>"
      "<table><tr><td rowspan=2>r<td>s</tr><tr><td>t</table><pre>p\n\tq</pre><p>&amp; z</p>");
  for (const TKvWRevisions revisions : {rvDefault, rvMark}) {
    const TRead described = Read(page, true, revisions);
    const TRead plain = Read(page, false, revisions);
    EXPECT_EQ(described.Lines, plain.Lines);
    EXPECT_FALSE(described.Markdown.empty());
  }
  for (const auto& [view, format] : {std::pair{vwStored, tfPlainText}, std::pair{vwShown, tfHTML}}) {
    const TRead read = Read(page, true, rvDefault, view, format);
    EXPECT_EQ(read.Markdown, "");
    EXPECT_EQ(read.Lines, Read(page, false, rvDefault, view, format).Lines);
  }
}

// Nesting far past the parser's depth bound, and many spanned cells, cost time in
// proportion to the page and describe what the parser keeps.
TEST(HtmlMarkdown, DeepAndWidePagesStayBounded) {
  std::string deep;
  for (int i = 0; i < 3000; ++i) deep += "<ul><li><b><a href='x'>";
  deep += "deep";
  std::string wide = "<table><tr>";
  for (int i = 0; i < 200; ++i) wide += "<td rowspan=65534 colspan=1000>c";
  for (int i = 0; i < 2000; ++i) wide += "<tr><td>r";
  const TRead d = Read(Page(deep));
  EXPECT_NE(d.Markdown.find("deep"), std::string::npos);
  const TRead w = Read(Page(wide + "</table>"));
  EXPECT_NE(w.Markdown.find("| r |"), std::string::npos);
  EXPECT_LT(w.Markdown.size(), 2000u * 63 * 6);
}

}  // namespace
}  // namespace msword
