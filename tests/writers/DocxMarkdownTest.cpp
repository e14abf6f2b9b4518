// The ".docx" reader's shown view described to the Markdown writer: headings by
// outline level and built-in style, emphasis, links, tables with merged cells,
// notes, pictures and marked revisions, read back with a CommonMark parser.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/base/Streams.h"
#include "msword/docx/WordXDocument.h"
#include "msword/writers/MarkdownWriter.h"
#include "support/SharedData.h"
#include "support/ZipBuilder.h"
#include "writers/MarkdownTree.h"

namespace msword {
namespace {

using kvword_test::MarkdownTree;

const std::string RelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

std::string Part(const std::string& Root, const std::string& Content) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><" + Root +
         " xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
         "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\">" +
         Content + "</" + Root + ">";
}

// A package of Body with the styles part Styles and the hyperlink targets Links
// (rIdL1, rIdL2, ...).
std::string Package(const std::string& Body, const std::string& Styles = "",
                    const std::vector<std::string>& Links = {}) {
  kvtest::ZipBuilder zip;
  zip.AddDeflated("word/document.xml", Part("w:document", "<w:body>" + Body + "</w:body>"));
  std::string rels = "<?xml version=\"1.0\"?><Relationships "
                     "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  if (!Styles.empty()) {
    rels += "<Relationship Id=\"rIdS\" Type=\"" + RelType + "styles\" Target=\"styles.xml\"/>";
    zip.AddDeflated("word/styles.xml", Part("w:styles", Styles));
  }
  for (size_t i = 0; i < Links.size(); ++i)
    rels += "<Relationship Id=\"rIdL" + std::to_string(i + 1) + "\" Type=\"" + RelType +
            "hyperlink\" Target=\"" + Links[i] + "\" TargetMode=\"External\"/>";
  zip.AddDeflated("word/_rels/document.xml.rels", rels + "</Relationships>");
  return zip.Bytes();
}

std::string TextRun(const std::string& Text, const std::string& Properties = "") {
  return "<w:r>" + (Properties.empty() ? "" : "<w:rPr>" + Properties + "</w:rPr>") +
         "<w:t xml:space=\"preserve\">" + Text + "</w:t></w:r>";
}
std::string Para(const std::string& Content, const std::string& Properties = "") {
  return "<w:p>" + (Properties.empty() ? "" : "<w:pPr>" + Properties + "</w:pPr>") + Content + "</w:p>";
}

// The Markdown of a package's shown view, and the plain lines the reader gave
// beside it.
std::string MarkdownOf(const std::string& Bytes, TKvWRevisions Revisions = rvDefault,
                       std::vector<std::u16string>* Lines = nullptr) {
  TMSWordXDocument doc(nullptr);
  doc.SetView(vwShown);
  doc.SetRevisions(Revisions);
  TKvWMarkdownWriter writer;
  doc.SetDocumentSink(&writer);
  TMemoryStream stream(Bytes);
  doc.LoadFromStream(&stream);
  writer.Finish();
  if (Lines) *Lines = doc.Text()->Lines();
  return WideToUtf8(writer.Markdown());
}

// A document pandoc made from Markdown gives back the Markdown's shape: its
// headings, nested and numbered lists, table, footnotes, link and emphasis.
TEST(DocxMarkdown, PandocDocumentGivesBackItsSourceShape) {
  const std::filesystem::path dir = kvtest::TestDataDir() / "markdown";
  const std::string markdown = MarkdownOf(kvtest::ReadFileBytes(dir / "shapes.docx"));
  EXPECT_EQ(MarkdownTree(markdown), MarkdownTree(kvtest::ReadFileBytes(dir / "shapes.md"))) << markdown;
}

TEST(DocxMarkdown, ShapesOfSmallPackages) {
  const std::string styles =
      "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/></w:style>"
      "<w:style w:type=\"paragraph\" w:styleId=\"berschrift2\"><w:name w:val=\"heading 2\"/>"
      "<w:basedOn w:val=\"Normal\"/></w:style>"
      "<w:style w:type=\"paragraph\" w:styleId=\"Kapitel\"><w:name w:val=\"Kapitel\"/>"
      "<w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr></w:style>"
      "<w:style w:type=\"paragraph\" w:styleId=\"Unterkapitel\"><w:name w:val=\"Unterkapitel\"/>"
      "<w:basedOn w:val=\"Kapitel\"/><w:pPr><w:outlineLvl w:val=\"2\"/></w:pPr></w:style>"
      "<w:style w:type=\"paragraph\" w:styleId=\"Titel\"><w:name w:val=\"Title\"/></w:style>"
      "<w:style w:type=\"character\" w:styleId=\"Fett\"><w:name w:val=\"Strong\"/><w:rPr><w:b/></w:rPr></w:style>";
  const std::vector<std::string> links = {"http://example.com/a?b=1&amp;c=2"};
  const auto cell = [](const std::string& Text, const std::string& Properties = "") {
    return "<w:tc>" + (Properties.empty() ? "" : "<w:tcPr>" + Properties + "</w:tcPr>") + Para(TextRun(Text)) +
           "</w:tc>";
  };
  struct Case {
    const char* Name;
    std::string Body;
    std::string Tree;
    TKvWRevisions Revisions = rvDefault;
  };
  const Case cases[] = {
      {"title before the first level-1 heading",
       Para(TextRun("Report"), "<w:pStyle w:val=\"Titel\"/>") + Para(TextRun("Scope"), "<w:pStyle w:val=\"Kapitel\"/>") +
           Para(TextRun("Again"), "<w:pStyle w:val=\"Titel\"/>"),
       "H1[Report]H1[Scope]P[Again]"},
      {"outline level through the style chain and the paragraph's own",
       Para(TextRun("Deep"), "<w:pStyle w:val=\"Unterkapitel\"/>") +
           Para(TextRun("Own"), "<w:pStyle w:val=\"Unterkapitel\"/><w:outlineLvl w:val=\"4\"/>") +
           Para(TextRun("Body"), "<w:outlineLvl w:val=\"9\"/>"),
       "H3[Deep]H5[Own]P[Body]"},
      {"a localized built-in heading style by its name",
       Para(TextRun("Zweitens"), "<w:pStyle w:val=\"berschrift2\"/>"), "H2[Zweitens]"},
      {"direct and character-style emphasis",
       Para(TextRun("a ") + TextRun("bold ", "<w:b/>") + TextRun("not", "<w:b w:val=\"0\"/>") + TextRun(" strong", "<w:rStyle w:val=\"Fett\"/>") +
            TextRun(" it", "<w:i/>") + TextRun(" gone", "<w:strike/>")),
       "P[a <b>bold</b> not <b>strong</b> <i>it</i> <s>gone</s>]"},
      {"hyperlinks by relationship, by field, and to a bookmark",
       Para("<w:hyperlink r:id=\"rIdL1\">" + TextRun("site") + "</w:hyperlink>" + TextRun(", ") +
            "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> HYPERLINK \"http://f.org/\" \\o \"tip\"</w:instrText></w:r>"
            "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" + TextRun("field") +
            "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>" + TextRun(", ") +
            "<w:hyperlink w:anchor=\"_Top\">" + TextRun("top") + "</w:hyperlink>"),
       "P[<a http://example.com/a?b=1&c=2>site</a>, <a http://f.org/>field</a>, top]"},
      {"merged cells leave the cells they cover empty",
       "<w:tbl><w:tr>" + cell("h1") + cell("h2") + cell("h3") + "</w:tr><w:tr>" +
           cell("wide", "<w:gridSpan w:val=\"2\"/><w:vMerge w:val=\"restart\"/>") + cell("x") + "</w:tr><w:tr>" +
           cell("", "<w:gridSpan w:val=\"2\"/><w:vMerge/>") + cell("y") + "</w:tr></w:tbl>",
       "T{R{C[h1]C[h2]C[h3]}R{C[wide]C[]C[x]}R{C[]C[]C[y]}}"},
      {"a picture with its description",
       Para(TextRun("See ") + "<w:r><w:drawing><wp:inline><wp:docPr id=\"1\" name=\"Picture 1\" descr=\"A red &amp; blue bird\"/>"
            "</wp:inline></w:drawing></w:r>" + TextRun(" here")),
       "P[See <img:A red & blue bird> here]"},
      {"marked revisions are struck and plain, without their signs",
       Para(TextRun("kept ") + "<w:del w:id=\"1\"><w:r><w:delText>old</w:delText></w:r></w:del>" +
            "<w:ins w:id=\"2\">" + TextRun(" new") + "</w:ins>"),
       "P[kept <s>old</s> new]", rvMark},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string markdown = MarkdownOf(Package(c.Body, styles, links), c.Revisions);
    EXPECT_EQ(MarkdownTree(markdown), c.Tree) << markdown;
  }
}

// Describing the document changes nothing of the lines the shown view gives.
TEST(DocxMarkdown, SinkLeavesTheShownLinesAsTheyWere) {
  const std::string bytes = kvtest::ReadFileBytes(kvtest::TestDataDir() / "markdown" / "shapes.docx");
  std::vector<std::u16string> described;
  MarkdownOf(bytes, rvDefault, &described);
  TMSWordXDocument doc(nullptr);
  doc.SetView(vwShown);
  TMemoryStream stream(bytes);
  doc.LoadFromStream(&stream);
  EXPECT_EQ(described, doc.Text()->Lines());
  EXPECT_GT(described.size(), 20u);
}

// The stored view describes nothing; neither do RTF and HTML formatting.
TEST(DocxMarkdown, OnlyTheShownViewInPlainTextDescribes) {
  const std::string bytes = Package(Para(TextRun("text")));
  for (const auto& [view, format] : {std::pair{vwStored, tfPlainText}, std::pair{vwShown, tfHTML}}) {
    TMSWordXDocument doc(nullptr);
    doc.SetView(view);
    doc.SetTextFormating(format);
    TKvWMarkdownWriter writer;
    doc.SetDocumentSink(&writer);
    TMemoryStream stream(bytes);
    doc.LoadFromStream(&stream);
    writer.Finish();
    EXPECT_EQ(writer.Markdown(), u"");
    EXPECT_GE(doc.Text()->Count(), 1);
  }
}

}  // namespace
}  // namespace msword
