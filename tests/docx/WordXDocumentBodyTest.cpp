// The body conversion of the ".docx" reader: one part's markup to lines of text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msword/base/Streams.h"
#include "msword/docx/WordXDocument.h"

using namespace msword;
using testing::ElementsAre;

namespace {

const char* const DocumentStart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
    "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><w:body>";
const char* const DocumentEnd = "</w:body></w:document>";

std::string Document(const std::string& Body) { return DocumentStart + Body + DocumentEnd; }

// The lines that one part adds to an empty list.
std::vector<std::u16string> Convert(TMSWordXDocument& Doc, const std::string& Xml) {
  TWideStrings list;
  TCustomMemoryStream stream(Xml.data(), Xml.size());
  Doc.LoadXMLFilePart(&stream, &list);
  return list.Lines();
}

std::vector<std::u16string> ConvertBody(const std::string& Body, TMSTextFormating Format = tfPlainText,
                                        TKvWParseItems Items = {wpiText, wpiSummaryInformation}) {
  TMSWordXDocument doc(nullptr);
  doc.SetTextFormating(Format);
  doc.SetParseItems(Items);
  return Convert(doc, Document(Body));
}

// The entries between the format's header and trailer.
std::vector<std::u16string> Inner(std::vector<std::u16string> Lines) {
  if (Lines.size() < 2) return {};
  return {Lines.begin() + 1, Lines.end() - 1};
}

const std::string WorkedExample =
    "<w:p><w:r><w:t>Hello</w:t></w:r><w:r><w:tab/><w:t xml:space=\"preserve\"> world</w:t></w:r>"
    "<w:r><w:rPr><w:vanish/></w:rPr><w:t>secret</w:t></w:r></w:p>"
    "<w:p><w:ins w:id=\"1\" w:author=\"A\"><w:r><w:t>new</w:t></w:r></w:ins>"
    "<w:del w:id=\"2\" w:author=\"A\"><w:r><w:delText>old</w:delText></w:r></w:del></w:p>"
    "<w:tbl><w:tblPr><w:tblW w:w=\"0\"/></w:tblPr><w:tr><w:tc><w:tcPr/><w:p><w:r><w:t>A</w:t></w:r></w:p></w:tc></w:tr></w:tbl>"
    "<w:p><w:pPr><w:sectPr><w:headerReference w:type=\"default\" r:id=\"rId7\"/></w:sectPr></w:pPr></w:p>";

}  // namespace

TEST(WordXDocumentBody, WorkedExampleInPlainText) {
  TMSWordXDocument doc(nullptr);
  EXPECT_THAT(Convert(doc, Document(WorkedExample)), ElementsAre(u"Hello\t world", u"+new-old", u"A", u""));
  EXPECT_THAT(doc.HeaderFileNamesToParse()->Lines(), ElementsAre(u"rId7"));
}

TEST(WordXDocumentBody, WorkedExampleInHTML) {
  EXPECT_THAT(Inner(ConvertBody(WorkedExample, tfHTML)),
              ElementsAre(u"<p>Hello&#9; world</p>", u"<p><u>new</u><s>old</s></p>", u"<table border=\"1\">",
                          u"  <tr>", u"    <td>", u"<p>A</p>", u"    </td>", u"  </tr>", u"</table>", u"<p></p>"));
}

TEST(WordXDocumentBody, HiddenTextIsKeptOnlyWhenAskedFor) {
  EXPECT_THAT(ConvertBody(WorkedExample, tfPlainText, {wpiText, wpiHiddenText}),
              ElementsAre(u"Hello\t worldsecret", u"+new-old", u"A", u""));
}

TEST(WordXDocumentBody, BreaksTabStopsAndStrayTextInEachFormat) {
  const std::string body =
      "<w:p>stray<w:pPr><w:tabs><w:tab w:val=\"left\" w:pos=\"720\"/></w:tabs></w:pPr>"
      "<w:r><w:t>a</w:t><w:br/><w:t>b</w:t></w:r></w:p>";
  EXPECT_THAT(ConvertBody(body), ElementsAre(u"a\r\nb"));
  EXPECT_THAT(Inner(ConvertBody(body, tfRTF)), ElementsAre(u"a\r\n\\par b"));
  EXPECT_THAT(Inner(ConvertBody(body, tfHTML)), ElementsAre(u"<p>a<br/>b</p>"));
}

TEST(WordXDocumentBody, ElementFormOfParagraphStyleGivesFontTags) {
  EXPECT_EQ(GetHTMLFontFromStyle(u"BoldItalic", true), u"<font><b><i>");
  EXPECT_EQ(GetHTMLFontFromStyle(u"BoldItalic", false), u"</b></i></font>");
  EXPECT_EQ(GetHTMLFontFromStyle(u"Heading1", true), u"");
  EXPECT_THAT(Inner(ConvertBody("<w:p><w:pPr><w:pStyle><w:val>Bold</w:val></w:pStyle></w:pPr>"
                                "<w:r><w:t>T</w:t></w:r></w:p>",
                                tfHTML)),
              ElementsAre(u"<p><font><b>T</b></font></p>"));
}

// The style name usually stands in the attribute: <w:pStyle w:val="..."/>.
TEST(WordXDocumentBody, AttributeFormOfParagraphStyleGivesFontTags) {
  EXPECT_THAT(Inner(ConvertBody("<w:p><w:pPr><w:pStyle w:val=\"BoldItalicTitle\"/></w:pPr>"
                                "<w:r><w:t>T</w:t></w:r></w:p>",
                                tfHTML)),
              ElementsAre(u"<p><font><b><i>T</b></i></font></p>"));
  EXPECT_THAT(ConvertBody("<w:p><w:pPr><w:pStyle w:val=\"Bold\"/></w:pPr><w:r><w:t>T</w:t></w:r></w:p>"),
              ElementsAre(u"T"));
}

TEST(WordXDocumentBody, DocumentTextIsEscapedInRTFAndHTML) {
  const std::string body = "<w:p><w:r><w:t>a&lt;b&gt; &amp; {c}\\d</w:t></w:r></w:p>";
  EXPECT_THAT(ConvertBody(body), ElementsAre(u"a<b> & {c}\\d"));
  EXPECT_THAT(Inner(ConvertBody(body, tfRTF)), ElementsAre(u"a<b> & \\{c\\}\\\\d"));
  EXPECT_THAT(Inner(ConvertBody(body, tfHTML)), ElementsAre(u"<p>a&lt;b&gt; &amp; {c}\\d</p>"));
  // A reference anywhere in a long value: in its first eight characters, past them, last.
  EXPECT_THAT(ConvertBody("<w:p><w:r><w:t>0123456789abcdef&amp;</w:t><w:t>0123456789&lt;xyz</w:t>"
                          "<w:t>012&gt;</w:t></w:r></w:p>"),
              ElementsAre(u"0123456789abcdef&0123456789<xyz012>"));
}

TEST(WordXDocumentBody, VanishSwitchedOffDoesNotHide) {
  struct Case { const char* vanish; const char16_t* text; };
  const Case cases[] = {{"<w:vanish/>", u""},
                        {"<w:vanish w:val=\"true\"/>", u""},
                        {"<w:vanish w:val=\"1\"/>", u""},
                        {"<w:vanish w:val=\"0\"/>", u"shown"},
                        {"<w:vanish w:val=\"false\"/>", u"shown"},
                        {"<w:vanish w:val=\"off\"/>", u"shown"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.vanish);
    EXPECT_THAT(ConvertBody(std::string("<w:p><w:r><w:rPr>") + c.vanish + "</w:rPr><w:t>shown</w:t></w:r></w:p>"),
                ElementsAre(c.text));
  }
}

// Tables of contents, cover pages, form fields and field results live in these.
TEST(WordXDocumentBody, TextInsideContentControlsFieldsAndMovesIsKept) {
  struct Case { const char* name; const char* xml; };
  const Case cases[] = {
      {"sdt", "<w:sdt><w:sdtPr><w:alias w:val=\"x\"/><w:text>prompt</w:text></w:sdtPr>"
              "<w:sdtContent><w:p><w:r><w:t>kept</w:t></w:r></w:p></w:sdtContent></w:sdt>"},
      {"sdt in paragraph", "<w:p><w:sdt><w:sdtContent><w:r><w:t>kept</w:t></w:r></w:sdtContent></w:sdt></w:p>"},
      {"fldSimple", "<w:p><w:fldSimple w:instr=\" PAGE \"><w:r><w:t>kept</w:t></w:r></w:fldSimple></w:p>"},
      {"customXml", "<w:customXml w:element=\"x\"><w:p><w:r><w:t>kept</w:t></w:r></w:p></w:customXml>"},
      {"smartTag", "<w:p><w:smartTag w:element=\"x\"><w:r><w:t>kept</w:t></w:r></w:smartTag></w:p>"},
      {"moveTo", "<w:p><w:moveTo w:id=\"1\"><w:r><w:t>kept</w:t></w:r></w:moveTo></w:p>"},
      {"dir", "<w:p><w:dir w:val=\"rtl\"><w:r><w:t>kept</w:t></w:r></w:dir></w:p>"},
      {"bdo", "<w:p><w:bdo w:val=\"rtl\"><w:r><w:t>kept</w:t></w:r></w:bdo></w:p>"},
      {"inline drawing", "<w:p><w:r><w:drawing><wp:inline><a:graphic><a:graphicData><wps:wsp><wps:txbx>"
                         "<w:txbxContent><w:p><w:r><w:t>kept</w:t></w:r></w:p></w:txbxContent>"
                         "</wps:txbx></wps:wsp></a:graphicData></a:graphic></wp:inline></w:drawing></w:r></w:p>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::u16string> lines = ConvertBody(c.xml);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), u"kept");
  }
}

TEST(WordXDocumentBody, TextBoxParagraphKeepsTheTextAroundIt) {
  const std::string body =
      "<w:p><w:r><w:t xml:space=\"preserve\">Before </w:t></w:r><w:r><mc:AlternateContent><mc:Choice Requires=\"wps\">"
      "<w:drawing><wp:anchor><a:graphic><a:graphicData><wps:wsp><wps:txbx><w:txbxContent>"
      "<w:p><w:r><w:t>Box one</w:t></w:r></w:p><w:p><w:r><w:t>Box two</w:t></w:r></w:p>"
      "</w:txbxContent></wps:txbx></wps:wsp></a:graphicData></a:graphic></wp:anchor></w:drawing>"
      "</mc:Choice><mc:Fallback><w:pict><w:t>fallback</w:t></w:pict></mc:Fallback></mc:AlternateContent></w:r>"
      "<w:r><w:t>after.</w:t></w:r></w:p><w:p><w:r><w:t>Next.</w:t></w:r></w:p>";
  EXPECT_THAT(ConvertBody(body), ElementsAre(u"Box one", u"Box two", u"Before after.", u"Next."));
  EXPECT_THAT(Inner(ConvertBody(body, tfHTML)),
              ElementsAre(u"<p>Box one</p>", u"<p>Box two</p>", u"<p>Before after.</p>", u"<p>Next.</p>"));
}

TEST(WordXDocumentBody, BodySectionPropertiesGiveHeaderAndFooterIdsInDocumentOrder) {
  TMSWordXDocument doc(nullptr);
  Convert(doc, Document("<w:p><w:pPr><w:sectPr><w:headerReference w:type=\"default\" r:id=\"rId1\"/>"
                        "</w:sectPr></w:pPr></w:p>"
                        "<w:sectPr><w:headerReference w:type=\"first\" r:id=\"rId2\"/>"
                        "<w:footerReference w:type=\"default\" r:id=\"rId3\"/><w:footerReference r:id=\"\"/>"
                        "</w:sectPr>"));
  EXPECT_THAT(doc.HeaderFileNamesToParse()->Lines(), ElementsAre(u"rId1", u"rId2"));
  EXPECT_THAT(doc.FooterFileNamesToParse()->Lines(), ElementsAre(u"rId3"));
}

TEST(WordXDocumentBody, SeparatorNotesAreLeftOutAndEachNoteParagraphIsALine) {
  TMSWordXDocument doc(nullptr);
  const std::string notes =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:footnotes xmlns:w=\"x\">"
      "<w:footnote w:type=\"separator\" w:id=\"-1\"><w:p><w:r><w:separator/><w:t>sep</w:t></w:r></w:p></w:footnote>"
      "<w:footnote w:type=\"continuationSeparator\" w:id=\"0\"><w:p><w:r><w:t>cont</w:t></w:r></w:p></w:footnote>"
      "<w:footnote w:type=\"continuationNotice\" w:id=\"2\"><w:p><w:r><w:t>notice</w:t></w:r></w:p></w:footnote>"
      "<w:footnote w:id=\"1\"><w:p><w:r><w:footnoteRef/></w:r><w:r><w:t xml:space=\"preserve\"> First.</w:t></w:r></w:p>"
      "<w:p><w:r><w:t>Second.</w:t></w:r></w:p></w:footnote></w:footnotes>";
  EXPECT_THAT(Convert(doc, notes), ElementsAre(u" First.", u"Second."));
}

// A part without a declaration whose outermost element is a paragraph: the engine
// keeps that paragraph in its root item, which must stay with the engine.
TEST(WordXDocumentBody, ParagraphInTheRootItemIsConvertedAndNotFreed) {
  TMSWordXDocument doc(nullptr);
  EXPECT_THAT(Convert(doc, "<w:p><w:r><w:t>Root.</w:t></w:r><w:r><w:br/></w:r></w:p>"), ElementsAre(u"Root.\r\n"));
}

TEST(WordXDocumentBody, EmptyOrMissingPartGivesOnlyTheFraming) {
  TMSWordXDocument doc(nullptr);
  TWideStrings list;
  doc.LoadXMLFilePart(nullptr, &list);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_THAT(Convert(doc, ""), ElementsAre());
  doc.SetTextFormating(tfHTML);
  EXPECT_EQ(Convert(doc, "").size(), 2u);
}

// Found on real documents: ruby base text, text boxes in VML shapes, moved-from text,
// hyphens and line breaks written as elements of their own.
TEST(WordXDocumentBody, RubyVmlTextBoxesMovesHyphensAndBreaksKeepTheirText) {
  struct Case { const char* name; const char* xml; const char16_t* line; };
  const Case cases[] = {
      {"ruby", "<w:p><w:r><w:ruby><w:rubyPr><w:hps w:val=\"11\"/></w:rubyPr><w:rt><w:r><w:t>guide</w:t></w:r></w:rt>"
               "<w:rubyBase><w:r><w:t>base</w:t></w:r></w:rubyBase></w:ruby></w:r></w:p>",
       u"base"},
      {"VML text box", "<w:p><w:r><w:pict><v:shape id=\"s\"><v:textbox><w:txbxContent><w:p><w:r><w:t>boxed</w:t>"
                       "</w:r></w:p></w:txbxContent></v:textbox></v:shape></w:pict></w:r></w:p>",
       u"boxed"},
      {"moveFrom", "<w:p><w:moveFrom w:id=\"1\"><w:r><w:t>old place</w:t></w:r></w:moveFrom></w:p>", u"-old place"},
      {"hyphens", "<w:p><w:r><w:t>WRC</w:t><w:noBreakHyphen/><w:t>12 op</w:t><w:softHyphen/><w:t>tional</w:t></w:r></w:p>",
       u"WRC\u201112 op\u00ADtional"},
      {"hidden hyphen", "<w:p><w:r><w:rPr><w:vanish/></w:rPr><w:t>a</w:t><w:noBreakHyphen/></w:r></w:p>", u""},
      {"cr and ptab", "<w:p><w:r><w:t>a</w:t><w:cr/><w:t>b</w:t><w:ptab w:relativeTo=\"margin\"/><w:t>c</w:t></w:r></w:p>",
       u"a\r\nb\tc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::u16string> lines = ConvertBody(c.xml);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), c.line);
  }
}

// Control characters other than tab, CR and LF are no text, raw or as character
// references, in either view: ESC would reach a terminal as a command.
TEST(WordXDocumentBody, ControlCharactersOtherThanLineAndTabAreDropped) {
  const std::string body =
      "<w:p><w:r><w:t>a\x1b[31mb\x07" "c&#27;]0;x&#x7;d&#9;e</w:t></w:r></w:p>";
  for (const TKvWView view : {vwStored, vwShown}) {
    SCOPED_TRACE(view);
    TMSWordXDocument doc(nullptr);
    doc.SetView(view);
    EXPECT_THAT(Convert(doc, Document(body)), ElementsAre(u"a[31mbc]0;xd\te"));
  }
}
