// The RTF reader's shown view described to the Markdown writer: headings from the
// paragraph's outline level and from the style sheet, list items from their
// labels, emphasis, links, tables (nested too) and notes, read back with a
// CommonMark parser; the plain lines stay as they were.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/base/Streams.h"
#include "msword/rtf/RtfDocument.h"
#include "msword/writers/MarkdownWriter.h"
#include "writers/MarkdownTree.h"

namespace msword {
namespace {

using kvword_test::MarkdownTree;

struct TRead {
  std::string Markdown;
  std::vector<std::u16string> Lines;
  std::vector<std::u16string> Notes;
};

TRead Read(const std::string& Rtf, bool Describe = true, TKvWRevisions Revisions = rvDefault,
           TKvWView View = vwShown, TMSTextFormating Format = tfPlainText, TKvWMarkdownOptions Options = {}) {
  TMSRtfDocument doc(nullptr);
  doc.SetView(View);
  doc.SetRevisions(Revisions);
  doc.SetTextFormating(Format);
  TKvWMarkdownWriter writer(Options);
  if (Describe) doc.SetDocumentSink(&writer);
  TMemoryStream stream(Rtf);
  doc.LoadFromStream(&stream);
  writer.Finish();
  return {WideToUtf8(writer.Markdown()), doc.Text()->Lines(), doc.FootNoteText()->Lines()};
}

const std::string kStyles =
    "{\\stylesheet{\\ql Normal;}{\\s1\\outlinelevel0 heading 1;}{\\s2 Heading 2;}"
    "{\\s3\\sbasedon0 \\outlinelevel3 My Chapter;}{\\s15 Title;}{\\*\\cs10 \\additive Default Paragraph Font;}}";

std::string Doc(const std::string& Body) {
  return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times;}{\\f1\\fcharset2 Symbol;}}" + kStyles + "\n" + Body + "}";
}

TEST(RtfMarkdown, ShapesOfSmallDocuments) {
  struct Case {
    const char* Name;
    std::string Body;
    std::string Tree;
    TKvWRevisions Revisions = rvDefault;
  };
  const Case cases[] = {
      {"headings from the style sheet and the paragraph's own level",
       "\\pard\\s15 The title\\par\\pard\\s1 One\\par\\pard\\s2 Two\\par\\pard\\s3 Four\\par"
       "\\pard\\outlinelevel5 Six\\par\\pard\\s1\\outlinelevel9 Body after all\\par\\pard Plain\\par",
       "H1[The title]H1[One]H2[Two]H4[Four]H6[Six]P[Body after all]P[Plain]"},
      {"emphasis, group scoped, reset by \\plain and by a zero",
       "\\pard a {\\b bold} {\\i it} {\\strike gone} {\\striked1 old} {\\b\\i both}\\par"
       "\\pard\\b on\\b0  off {\\i x\\plain  y}\\par",
       "P[a <b>bold</b> <i>it</i> <s>gone</s> <s>old</s> <i><b>both</b></i>]P[<b>on</b> off <i>x</i> y]"},
      {"links from HYPERLINK fields; a link into the document stays text",
       "\\pard see {\\field{\\*\\fldinst {HYPERLINK \"http://example.com/a?b=1\" \\\\o \"tip\"}}"
       "{\\fldrslt {the site}}}, {\\field{\\*\\fldinst HYPERLINK \\\\l \"top\"}{\\fldrslt top}} and "
       "{\\field{\\*\\fldinst PAGE}{\\fldrslt 3}}\\par",
       "P[see <a http://example.com/a?b=1>the site</a>, top and 3]"},
      {"list items from their labels, by level",
       "{\\listtext 1.\\tab}\\pard\\ls1\\ilvl0 first\\par{\\listtext\\f1 \\'b7\\tab}\\pard\\ls2\\ilvl1 dot\\par"
       "{\\listtext 2.\\tab}\\pard\\ls1\\ilvl0 {\\b second}\\par{\\listtext a)\\tab}\\pard\\ls3 letter\\par",
       "OL1{LI{P[first]UL{LI{P[dot]}}}LI{P[<b>second</b>]}}UL{LI{P[a) letter]}}"},
      {"a label too long to be one is the paragraph's text",
       "{\\listtext " + std::string(100, 'x') + "\\tab}\\pard y\\par", "P[" + std::string(100, 'x') + "y]"},
      {"a list that starts at seven", "{\\pntext 7.\\tab}\\pard seven\\par{\\pntext 8.\\tab}\\pard eight\\par",
       "OL7{LI{P[seven]}LI{P[eight]}}"},
      {"a table, and the paragraph after it",
       "\\pard\\intbl A\\cell B\\cell\\row\\pard\\intbl 1\\cell\\pard\\intbl x\\line y\\cell\\row\\pard after\\par",
       "T{R{C[A]C[B]}R{C[1]C[x⏎y]}}P[after]"},
      {"a nested table flattened into its cell, the text for old readers left out",
       "\\pard\\intbl out\\par\\pard\\intbl\\itap2 in1\\nestcell in2\\nestcell{\\*\\nesttableprops\\nestrow}"
       "{\\nonesttables\\par}\\pard\\intbl\\itap1 \\cell right\\cell\\row",
       "T{R{C[out⏎in1 | in2]C[right]}}"},
      {"footnotes and endnotes at their references",
       "\\pard Text{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} The {\\i note}.}"
       " more{\\super\\chftn}{\\footnote\\ftnalt\\pard{\\super\\chftn} An endnote.}\\par",
       "P[Text[^1] more[^2]]FN1{P[The <i>note</i>.]}FN2{P[An endnote.]}"},
      {"hidden text is not described", "\\pard shown {\\v hidden}more\\par", "P[shown more]"},
      {"marked revisions are struck and plain", "\\pard kept {\\deleted old}{\\revised  new}\\par",
       "P[kept <s>old</s> new]", rvMark},
      {"text that would read as Markdown comes back as itself",
       "\\pard 1. not a list\\par\\pard * not a bullet\\par\\pard # not\\par\\pard a | b [c] `d`\\par",
       "P[1. not a list]P[* not a bullet]P[# not]P[a | b [c] `d`]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const TRead read = Read(Doc(c.Body), true, c.Revisions);
    EXPECT_EQ(MarkdownTree(read.Markdown), c.Tree) << read.Markdown;
  }
}

// Describing the document changes nothing of the lines it gives, and only the
// shown view in plain text describes it.
TEST(RtfMarkdown, PlainLinesStayAsTheyWere) {
  const std::string rtf = Doc(
      "{\\listtext 1.\\tab}\\pard\\s1 Head {\\b b}\\par\\pard\\intbl c\\cell\\row"
      "\\pard x{\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt link}}{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} n}"
      "{\\deleted d}\\par{\\header\\pard h\\par}");
  for (const TKvWRevisions revisions : {rvDefault, rvMark}) {
    const TRead described = Read(rtf, true, revisions);
    const TRead plain = Read(rtf, false, revisions);
    EXPECT_EQ(described.Lines, plain.Lines);
    EXPECT_EQ(described.Notes, plain.Notes);
    EXPECT_FALSE(described.Markdown.empty());
  }
  for (const auto& [view, format] : {std::pair{vwStored, tfPlainText}, std::pair{vwShown, tfHTML}}) {
    const TRead read = Read(rtf, true, rvDefault, view, format);
    EXPECT_EQ(read.Markdown, "");
    EXPECT_EQ(read.Lines, Read(rtf, false, rvDefault, view, format).Lines);
  }
  TKvWMarkdownOptions options;
  options.Headers = true;
  const TRead withHeaders = Read(rtf, true, rvDefault, vwShown, tfPlainText, options);
  EXPECT_NE(MarkdownTree(withHeaders.Markdown).find("H2[Headers]P[h]"), std::string::npos) << withHeaders.Markdown;
}

// Nesting past the group bound and the table bound, unclosed groups and notes,
// and marks out of place cost time in proportion to the file.
TEST(RtfMarkdown, DeepAndDamagedDocumentsStayBounded) {
  std::string deep;
  for (int i = 0; i < 3000; ++i) deep += "{\\b\\intbl\\itap" + std::to_string(i) + " x\\nestcell";
  const TRead d = Read(Doc(deep));
  EXPECT_NE(d.Markdown.find('x'), std::string::npos);
  const std::string odd[] = {
      "\\row\\nestrow\\cell\\pard text",
      "{\\footnote\\pard unclosed note {\\field{\\*\\fldinst HYPERLINK \"",
      "\\pard\\intbl\\itap2147483647 a\\nestcell\\nestrow\\row\\itap-5\\intbl b\\cell",
      "{\\listtext 1.}{\\listtext 2.}\\par\\pard\\ilvl-3 {\\listtext 3.}x\\par",
      "{\\stylesheet{\\s-1 heading 1;}{\\s2\\outlinelevel-4 x}}\\pard\\s2 y\\par",
  };
  for (const std::string& body : odd) {
    SCOPED_TRACE(body);
    const TRead read = Read(Doc(body));
    EXPECT_EQ(read.Lines, Read(Doc(body), false).Lines);
  }
}

}  // namespace
}  // namespace msword
