// The ".docx" reader's shown view: what Word shows of lists, note marks, tracked
// changes, comments, text boxes, drop caps, symbols and imported chunks, on small
// packages built here.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/base/SymbolFonts.h"
#include "msword/docx/WordXDocument.h"
#include "support/ByteWriter.h"
#include "support/CompoundFileBuilder.h"
#include "support/SharedData.h"
#include "support/ZipBuilder.h"

using namespace msword;
using kvtest::ByteWriter;
using kvtest::CompoundFileBuilder;
using kvtest::ZipBuilder;
using testing::ElementsAre;

namespace {

const std::string RelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

std::string Xml(const std::string& Root, const std::string& Content) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<" + Root +
         " xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">" +
         Content + "</" + Root.substr(0, Root.find(' ')) + ">";
}

std::string TextRun(const std::string& Text) { return "<w:r><w:t xml:space=\"preserve\">" + Text + "</w:t></w:r>"; }
std::string Para(const std::string& Content, const std::string& Properties = "") {
  return "<w:p>" + (Properties.empty() ? "" : "<w:pPr>" + Properties + "</w:pPr>") + Content + "</w:p>";
}
std::string ListPara(const std::string& Text, int NumId, int Level) {
  return Para(TextRun(Text), "<w:numPr><w:ilvl w:val=\"" + std::to_string(Level) + "\"/><w:numId w:val=\"" +
                             std::to_string(NumId) + "\"/></w:numPr>");
}

// A package: the main document's body, and parts beside it with their
// relationships (type, part name under word/, content).
struct TPackage {
  explicit TPackage(std::string ABody) : Body(std::move(ABody)) {}
  std::string Body;
  std::vector<std::pair<std::string, std::pair<std::string, std::string>>> Parts;
  std::vector<std::pair<std::string, std::string>> Loose;  // entries without a relationship
  std::function<std::string(std::string)> Spelling;  // rewrites each part's markup when set

  TPackage& Add(const std::string& Type, const std::string& Name, const std::string& Content) {
    Parts.push_back({Type, {Name, Content}});
    return *this;
  }
  std::string Bytes() const {
    ZipBuilder zip;
    const auto spell = [this](std::string Part) { return Spelling ? Spelling(std::move(Part)) : Part; };
    zip.AddDeflated("word/document.xml", spell(Xml("w:document", "<w:body>" + Body + "</w:body>")));
    std::string rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    int id = 1;
    for (const auto& [type, part] : Parts) {
      rels += "<Relationship Id=\"rId" + std::to_string(id++) + "\" Type=\"" + RelType + type + "\" Target=\"" +
              part.first + "\"/>";
      zip.AddDeflated("word/" + part.first, spell(part.second));
    }
    zip.AddDeflated("word/_rels/document.xml.rels", rels + "</Relationships>");
    for (const auto& [name, content] : Loose) zip.AddDeflated(name, content);
    return zip.Bytes();
  }
};

struct TLoaded {
  std::vector<std::u16string> Text, Footnotes, Endnotes, Annotations, TextBoxes;
};

TLoaded LoadPackage(const std::string& Bytes, TKvWView View = vwShown, TKvWRevisions Revisions = rvDefault,
                    TMSTextFormating Format = tfPlainText) {
  TMSWordXDocument doc(nullptr);
  doc.SetView(View);
  doc.SetRevisions(Revisions);
  doc.SetTextFormating(Format);
  TMemoryStream stream(Bytes);
  doc.LoadFromStream(&stream);
  return {doc.Text()->Lines(), doc.FootNoteText()->Lines(), doc.EndNoteText()->Lines(),
          doc.AnnotationText()->Lines(), doc.TextBoxText()->Lines()};
}

std::vector<std::u16string> ShownText(const TPackage& Package) { return LoadPackage(Package.Bytes()).Text; }

std::string Level(int Ilvl, const std::string& Format, const std::string& Text, const std::string& More = "") {
  return "<w:lvl w:ilvl=\"" + std::to_string(Ilvl) + "\"><w:start w:val=\"1\"/><w:numFmt w:val=\"" + Format +
         "\"/><w:lvlText w:val=\"" + Text + "\"/>" + More + "</w:lvl>";
}

// Abstract list 1 ("1." / "a)" / "i."), lists 1 and 2 on it, list 3 on it starting
// again at 5, and a bullet list 4.
const std::string Numbering = Xml(
    "w:numbering",
    "<w:abstractNum w:abstractNumId=\"1\">" + Level(0, "decimal", "%1.") + Level(1, "lowerLetter", "%2)") +
        Level(2, "lowerRoman", "%1.%2.%3.") + "</w:abstractNum>"
        "<w:abstractNum w:abstractNumId=\"2\">" +
        Level(0, "bullet", "\xEF\x82\xB7", "<w:rPr><w:rFonts w:ascii=\"Symbol\" w:hAnsi=\"Symbol\"/></w:rPr>") +
        "</w:abstractNum>"
        "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"1\"/></w:num>"
        "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"1\"/></w:num>"
        "<w:num w:numId=\"3\"><w:abstractNumId w:val=\"1\"/><w:lvlOverride w:ilvl=\"0\"><w:startOverride w:val=\"5\"/>"
        "</w:lvlOverride></w:num>"
        "<w:num w:numId=\"4\"><w:abstractNumId w:val=\"2\"/></w:num>");

}  // namespace

TEST(WordXDocumentShown, ListLabels) {
  struct Case {
    const char* what;
    std::string numbering;  // empty: the one above
    std::string styles;
    std::string body;
    std::vector<std::u16string> text;
  };
  const std::string styles = Xml(
      "w:styles",
      "<w:style w:type=\"paragraph\" w:styleId=\"ListBase\"><w:pPr><w:numPr><w:numId w:val=\"1\"/></w:numPr></w:pPr></w:style>"
      "<w:style w:type=\"paragraph\" w:styleId=\"ListChild\"><w:basedOn w:val=\"ListBase\"/>"
      "<w:pPr><w:numPr><w:ilvl w:val=\"1\"/></w:numPr></w:pPr></w:style>"
      "<w:style w:type=\"paragraph\" w:styleId=\"LoopA\"><w:basedOn w:val=\"LoopB\"/></w:style>"
      "<w:style w:type=\"paragraph\" w:styleId=\"LoopB\"><w:basedOn w:val=\"LoopA\"/></w:style>");
  const Case cases[] = {
      {"levels count and deeper levels restart", "", "",
       ListPara("a", 1, 0) + ListPara("b", 1, 1) + ListPara("c", 1, 1) + ListPara("d", 1, 2) + ListPara("e", 1, 0) +
           ListPara("f", 1, 1),
       {u"1.\ta", u"a)\tb", u"b)\tc", u"1.b.i.\td", u"2.\te", u"a)\tf"}},
      {"lists on one definition count together; a start override is a new instance", "", "",
       ListPara("a", 1, 0) + ListPara("b", 2, 0) + ListPara("c", 3, 0) + ListPara("d", 3, 0) + ListPara("e", 1, 0),
       {u"1.\ta", u"2.\tb", u"5.\tc", u"6.\td", u"3.\te"}},
      {"a level shown another way counts on with its definition; a start override starts a list of its own",
       Xml("w:numbering",
           "<w:abstractNum w:abstractNumId=\"1\">" + Level(0, "decimal", "%1") + "</w:abstractNum>"
           "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"1\"/></w:num>"
           "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"1\"/><w:lvlOverride w:ilvl=\"0\">" +
               Level(0, "upperLetter", "%1") + "</w:lvlOverride></w:num>"
           "<w:num w:numId=\"3\"><w:abstractNumId w:val=\"1\"/><w:lvlOverride w:ilvl=\"0\">"
           "<w:startOverride w:val=\"1\"/>" + Level(0, "upperLetter", "%1") + "</w:lvlOverride></w:num>"),
       "",
       ListPara("a", 1, 0) + ListPara("b", 2, 0) + ListPara("c", 2, 0) + ListPara("d", 3, 0) + ListPara("e", 3, 0) +
           ListPara("f", 1, 0),
       {u"1\ta", u"B\tb", u"C\tc", u"A\td", u"B\te", u"4\tf"}},
      {"Word 2010 custom formats in alternate content",
       Xml("w:numbering",
           "<w:abstractNum w:abstractNumId=\"1\">" +
               [] {
                 std::string levels;
                 const char* formats[] = {"01, 02, 03, ...", "001, 002, 003, ...", "0001, 0002, 0003, ...",
                                          "00001, 00002, 00003, ...", "\xCE\xB1, \xCE\xB2, \xCE\xB3, ...",
                                          "\xCE\x91, \xCE\x92, \xCE\x93, ...", "\xE4\xB8\x80, ..."};
                 for (int i = 0; i < 7; ++i)
                   levels += "<w:lvl w:ilvl=\"" + std::to_string(i) + "\"><w:start w:val=\"" + (i == 4 ? "24" : "1") +
                             "\"/><mc:AlternateContent><mc:Choice Requires=\"w14\"><w:numFmt w:val=\"custom\" w:format=\"" +
                             formats[i] + "\"/></mc:Choice><mc:Fallback><w:numFmt w:val=\"" +
                             (i == 6 ? "lowerRoman" : "decimal") + "\"/></mc:Fallback></mc:AlternateContent>"
                             "<w:lvlText w:val=\"%" + std::to_string(i + 1) + "\"/><w:lvlRestart w:val=\"0\"/></w:lvl>";
                 return levels;
               }() +
               "<w:lvl w:ilvl=\"7\"><w:start w:val=\"9\"/><w:numFmt w:val=\"decimalZero\"/><w:lvlText w:val=\"%8\"/></w:lvl>"
               "</w:abstractNum><w:num w:numId=\"1\"><w:abstractNumId w:val=\"1\"/></w:num>"),
       "",
       ListPara("a", 1, 0) + ListPara("b", 1, 1) + ListPara("c", 1, 2) + ListPara("d", 1, 3) + ListPara("e", 1, 4) +
           ListPara("f", 1, 4) + ListPara("g", 1, 5) + ListPara("h", 1, 6) + ListPara("i", 1, 7) + ListPara("j", 1, 7),
       {u"01\ta", u"001\tb", u"0001\tc", u"00001\td", u"\u03C9\te", u"\u03B1\u03B1\tf", u"\u0391\tg",
        u"i\th", u"09\ti", u"10\tj"}},
      {"numId 0 and unknown lists give no label", "", "",
       ListPara("a", 0, 0) + ListPara("b", 9, 0) + Para(TextRun("c")), {u"a", u"b", u"c"}},
      {"symbol-font bullets become Unicode", "", "", ListPara("x", 4, 0), {SymbolFontText(u"Symbol", 0xF0B7) + u"\tx"}},
      {"numbering through the style and its basedOn chain", "", styles,
       Para(TextRun("a"), "<w:pStyle w:val=\"ListBase\"/>") + Para(TextRun("b"), "<w:pStyle w:val=\"ListChild\"/>") +
           Para(TextRun("c"), "<w:pStyle w:val=\"LoopA\"/>"),
       {u"1.\ta", u"a)\tb", u"c"}},
      {"suffix, legal numbering, restart rule, formats",
       Xml("w:numbering",
           "<w:abstractNum w:abstractNumId=\"5\">" +
               Level(0, "upperRoman", "%1", "<w:suff w:val=\"space\"/>") +
               Level(1, "decimalZero", "%1.%2", "<w:isLgl/><w:suff w:val=\"nothing\"/>") +
               Level(2, "upperLetter", "(%3)", "<w:lvlRestart w:val=\"0\"/>") + Level(3, "ordinal", "%4") +
               Level(4, "none", "%5") + Level(5, "someFutureFormat", "%6") +
               "</w:abstractNum><w:num w:numId=\"7\"><w:abstractNumId w:val=\"5\"/></w:num>"),
       "",
       ListPara("a", 7, 0) + ListPara("b", 7, 1) + ListPara("c", 7, 2) + ListPara("d", 7, 0) + ListPara("e", 7, 2) +
           ListPara("f", 7, 3) + ListPara("g", 7, 4) + ListPara("h", 7, 5),
       {u"I a", u"1.1b", u"(A)\tc", u"II d", u"(B)\te", u"1st\tf", u"\tg", u"1\th"}},
      {"a numbering style link reaches the real levels",
       Xml("w:numbering",
           "<w:abstractNum w:abstractNumId=\"1\"><w:styleLink w:val=\"Outline\"/>" + Level(0, "upperLetter", "%1.") +
               "</w:abstractNum><w:abstractNum w:abstractNumId=\"2\"><w:numStyleLink w:val=\"Outline\"/></w:abstractNum>"
               "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"1\"/></w:num>"
               "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"2\"/></w:num>"),
       Xml("w:styles",
           "<w:style w:type=\"numbering\" w:styleId=\"Outline\"><w:pPr><w:numPr><w:numId w:val=\"1\"/></w:numPr></w:pPr></w:style>"),
       ListPara("a", 2, 0) + ListPara("b", 2, 0), {u"A.\ta", u"B.\tb"}},
      {"a style link that loops is given up",
       Xml("w:numbering",
           "<w:abstractNum w:abstractNumId=\"1\"><w:numStyleLink w:val=\"S\"/></w:abstractNum>"
           "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"1\"/></w:num>"),
       Xml("w:styles", "<w:style w:type=\"numbering\" w:styleId=\"S\"><w:pPr><w:numPr><w:numId w:val=\"1\"/></w:numPr></w:pPr></w:style>"),
       ListPara("a", 1, 0), {u"a"}},
      {"a huge level text and counter stay bounded",
       Xml("w:numbering",
           "<w:abstractNum w:abstractNumId=\"1\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"2147483647\"/>"
           "<w:numFmt w:val=\"upperRoman\"/><w:lvlText w:val=\"" + std::string(100000, 'x') + "%1\"/></w:lvl></w:abstractNum>"
           "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"1\"/></w:num>"),
       "", ListPara("a", 1, 0) + ListPara("b", 1, 0),
       {std::u16string(255, u'x') + u"\ta", std::u16string(255, u'x') + u"\tb"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TPackage package(c.body);
    package.Add("numbering", "numbering.xml", c.numbering.empty() ? Numbering : c.numbering);
    if (!c.styles.empty()) package.Add("styles", "styles.xml", c.styles);
    EXPECT_EQ(ShownText(package), c.text);
    // The stored view shows no labels.
    std::vector<std::u16string> stored;
    for (const std::u16string& line : c.text) stored.push_back(line.substr(line.find_first_of(u"\t ") + 1));
    if (std::string(c.what).starts_with("levels")) {
      EXPECT_EQ(LoadPackage(package.Bytes(), vwStored).Text, stored);
    }
  }
}

TEST(WordXDocumentShown, LabelsInHtmlAndRtf) {
  TPackage package(ListPara("a&b", 4, 0) + ListPara("c", 1, 0));
  package.Add("numbering", "numbering.xml", Numbering);
  const std::u16string Bullet = SymbolFontText(u"Symbol", 0xF0B7);
  const TLoaded html = LoadPackage(package.Bytes(), vwShown, rvDefault, tfHTML);
  EXPECT_EQ(html.Text[1], u"<p>" + Bullet + u"&#9;a&amp;b</p>");
  EXPECT_EQ(html.Text[2], u"<p>1.&#9;c</p>");
  const TLoaded rtf = LoadPackage(package.Bytes(), vwShown, rvDefault, tfRTF);
  EXPECT_EQ(rtf.Text[1], Bullet + u"\\tab a&b");
}

TEST(WordXDocumentShown, NoteMarks) {
  const std::string notes = "<w:footnote w:type=\"separator\" w:id=\"-1\"><w:p><w:r><w:separator/></w:r></w:p></w:footnote>"
                            "<w:footnote w:id=\"2\"><w:p><w:r><w:footnoteRef/></w:r>" + TextRun(" second") + "</w:p></w:footnote>"
                            "<w:footnote w:id=\"1\"><w:p><w:r><w:footnoteRef/></w:r>" + TextRun(" first") + "</w:p></w:footnote>"
                            "<w:footnote w:id=\"3\"><w:p><w:r><w:footnoteRef/></w:r>" + TextRun(" custom") + "</w:p></w:footnote>";
  const std::string body =
      Para(TextRun("A") + "<w:r><w:footnoteReference w:id=\"1\"/></w:r>" + TextRun("B") +
           "<w:r><w:footnoteReference w:id=\"2\"/></w:r>" + "<w:r><w:endnoteReference w:id=\"5\"/></w:r>") +
      Para(TextRun("C") + "<w:r><w:footnoteReference w:customMarkFollows=\"1\" w:id=\"3\"/><w:t>*</w:t></w:r>" +
           "<w:r><w:endnoteReference w:id=\"6\"/></w:r>");
  TPackage package(body);
  package.Add("footnotes", "footnotes.xml", Xml("w:footnotes", notes));
  package.Add("endnotes", "endnotes.xml",
              Xml("w:endnotes", "<w:endnote w:id=\"6\"><w:p><w:r><w:endnoteRef/></w:r>" + TextRun(" e6") +
                                    "</w:p></w:endnote><w:endnote w:id=\"5\"><w:p><w:r><w:endnoteRef/></w:r>" +
                                    TextRun(" e5") + "</w:p></w:endnote>"));
  TLoaded shown = LoadPackage(package.Bytes());
  EXPECT_THAT(shown.Text, ElementsAre(u"A[1]B[2][i]", u"C*[ii]"));
  EXPECT_THAT(shown.Footnotes, ElementsAre(u"[2] second", u"[1] first", u"* custom"));
  EXPECT_THAT(shown.Endnotes, ElementsAre(u"[ii] e6", u"[i] e5"));
  EXPECT_THAT(LoadPackage(package.Bytes(), vwStored).Text, ElementsAre(u"AB", u"C*"));

  // The settings choose the formats and the first numbers.
  package.Add("settings", "settings.xml",
              Xml("w:settings", "<w:footnotePr><w:numFmt w:val=\"upperLetter\"/><w:numStart w:val=\"3\"/></w:footnotePr>"
                                "<w:endnotePr><w:numFmt w:val=\"decimal\"/></w:endnotePr>"));
  shown = LoadPackage(package.Bytes());
  EXPECT_THAT(shown.Text, ElementsAre(u"A[C]B[D][1]", u"C*[2]"));
  EXPECT_THAT(shown.Footnotes, ElementsAre(u"[D] second", u"[C] first", u"* custom"));
}

// Names are matched by namespace: a package written with other prefixes for the
// main and relationship namespaces, or with the main one as the default namespace,
// or in the strict namespaces, reads as the usual spelling does.
TEST(WordXDocumentShown, OtherPrefixesReadAsTheUsualOnes) {
  const auto replaceAll = [](std::string Text, const std::string& From, const std::string& To) {
    for (size_t at = Text.find(From); at != std::string::npos; at = Text.find(From, at + To.size()))
      Text.replace(at, From.size(), To);
    return Text;
  };
  const auto respell = [replaceAll](const std::string& Main, const std::string& Rel, const std::string& MainUri) {
    return [=](std::string Part) {
      const std::string main = Main.empty() ? "" : Main + ":";
      Part = replaceAll(std::move(Part), "xmlns:r=", "xmlns:@R@=");
      Part = replaceAll(std::move(Part), " r:id=", " @R@:id=");
      Part = replaceAll(std::move(Part), "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"",
                        (Main.empty() ? "xmlns=\"" : "xmlns:" + Main + "=\"") + MainUri + "\"");
      Part = replaceAll(std::move(Part), "<w:", "<" + main);
      Part = replaceAll(std::move(Part), "</w:", "</" + main);
      Part = replaceAll(std::move(Part), " w:", " " + main);
      return replaceAll(std::move(Part), "@R@", Rel);
    };
  };
  const std::string transitional = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
  const std::string strict = "http://purl.oclc.org/ooxml/wordprocessingml/main";
  TPackage package(ListPara("one", 1, 0) + ListPara("two", 1, 1) +
                   Para(TextRun("A") + "<w:r><w:footnoteReference w:id=\"1\"/></w:r>" +
                        "<w:del w:id=\"2\"><w:r><w:delText>old</w:delText></w:r></w:del>") +
                   "<w:sectPr><w:headerReference w:type=\"default\" r:id=\"rId3\"/></w:sectPr>");
  package.Add("numbering", "numbering.xml", Numbering);
  package.Add("footnotes", "footnotes.xml",
              Xml("w:footnotes", "<w:footnote w:id=\"1\"><w:p><w:r><w:footnoteRef/></w:r>" + TextRun(" note") +
                                     "</w:p></w:footnote>"));
  package.Add("header", "header1.xml", Xml("w:hdr", Para(TextRun("head"))));
  const TLoaded shown = LoadPackage(package.Bytes());
  const TLoaded stored = LoadPackage(package.Bytes(), vwStored);
  ASSERT_THAT(shown.Text, ElementsAre(u"1.\tone", u"a)\ttwo", u"A[1]"));
  ASSERT_THAT(shown.Footnotes, ElementsAre(u"[1] note"));
  struct Case {
    const char* what;
    std::string main, rel, uri;
  };
  const Case cases[] = {
      {"other prefixes", "ns0", "ns1", transitional},
      {"the main namespace as the default one", "", "rel", transitional},
      {"strict, with a prefix that clashes with a usual one", "r", "w", strict},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    package.Spelling = respell(c.main, c.rel, c.uri);
    for (TKvWView view : {vwShown, vwStored}) {
      TMSWordXDocument doc(nullptr);
      doc.SetView(view);
      TMemoryStream stream(package.Bytes());
      doc.LoadFromStream(&stream);
      const TLoaded& usual = view == vwShown ? shown : stored;
      EXPECT_EQ(doc.Text()->Lines(), usual.Text);
      EXPECT_EQ(doc.FootNoteText()->Lines(), usual.Footnotes);
      EXPECT_THAT(doc.HeaderText()->Lines(), ElementsAre(u"head"));
    }
  }
}

// A field without a result shows what its instructions say it shows: the display
// text of a macro button. The field codes themselves never show.
TEST(WordXDocumentShown, MacroButtonsShowTheirDisplayText) {
  const auto fldChar = [](const std::string& Type) { return "<w:r><w:fldChar w:fldCharType=\"" + Type + "\"/></w:r>"; };
  const auto instr = [](const std::string& Text) {
    return "<w:r><w:instrText xml:space=\"preserve\">" + Text + "</w:instrText></w:r>";
  };
  struct Case {
    const char* what;
    std::string runs;
    std::u16string shown;
  };
  const Case cases[] = {
      {"a macro button", fldChar("begin") + instr(" MACROBUTTON  Cancel Click &amp; go ") + fldChar("end"), u"a Click & go b"},
      {"instructions in pieces, lower case", fldChar("begin") + instr("macrobutton Go ") + instr("here") + fldChar("end"),
       u"a here b"},
      {"a macro button with a result shows the result",
       fldChar("begin") + instr("MACROBUTTON Go text") + fldChar("separate") + TextRun("result") + fldChar("end"),
       u"a result b"},
      {"another field without a result shows nothing", fldChar("begin") + instr("PAGE") + fldChar("end"), u"a  b"},
      {"a button without display text", fldChar("begin") + instr("MACROBUTTON Go") + fldChar("end"), u"a  b"},
      {"an end without a begin", fldChar("end") + fldChar("separate"), u"a  b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TPackage package(Para(TextRun("a ") + c.runs + TextRun(" b")));
    EXPECT_THAT(ShownText(package), ElementsAre(c.shown));
  }
  const TPackage button(Para(fldChar("begin") + instr("MACROBUTTON Go shown") + fldChar("end")));
  EXPECT_THAT(LoadPackage(button.Bytes(), vwStored).Text, ElementsAre(u""));
}

// Check boxes and drop-downs show what Word shows of them: legacy form fields,
// whose result is empty, their state or chosen entry; content-control check boxes
// the symbol of their state when their content shows none.
TEST(WordXDocumentShown, FormFieldsAndCheckBoxesShowTheirState) {
  const auto field = [](const std::string& FfData, const std::string& Instruction, const std::string& Result = "") {
    return "<w:r><w:fldChar w:fldCharType=\"begin\"><w:ffData><w:name w:val=\"F\"/><w:enabled/>" + FfData +
           "</w:ffData></w:fldChar></w:r><w:r><w:instrText xml:space=\"preserve\"> " + Instruction +
           " </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" + Result +
           "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
  };
  const auto check = [&](const std::string& State) {
    return field("<w:checkBox><w:sizeAuto/>" + State + "</w:checkBox>", "FORMCHECKBOX");
  };
  const auto drop = [&](const std::string& Choice, const std::string& Result = "") {
    return field("<w:ddList>" + Choice + "<w:listEntry w:val=\"Red\"/><w:listEntry w:val=\"G&amp;B\"/></w:ddList>",
                 "FORMDROPDOWN", Result);
  };
  const auto control = [](const std::string& CheckBox, const std::string& Content) {
    return "<w:sdt><w:sdtPr><w:rPr><w:vanish/></w:rPr><w:id w:val=\"1\"/><w14:checkbox>" + CheckBox +
           "</w14:checkbox></w:sdtPr><w:sdtContent>" + Content + "</w:sdtContent></w:sdt>";
  };
  const std::string states =
      "<w14:checkedState w14:val=\"F0FE\" w14:font=\"Wingdings\"/><w14:uncheckedState w14:val=\"2610\" w14:font=\"MS Gothic\"/>";
  struct Case {
    const char* what;
    std::string runs;
    std::u16string shown;
  };
  const Case cases[] = {
      {"checked", check("<w:default w:val=\"0\"/><w:checked/>"), u"a \u2612 b"},
      {"cleared over a checked default", check("<w:default w:val=\"1\"/><w:checked w:val=\"false\"/>"), u"a \u2610 b"},
      {"the default when no state is set", check("<w:default w:val=\"true\"/>"), u"a \u2612 b"},
      {"cleared without state or default", check(""), u"a \u2610 b"},
      {"the chosen entry", drop("<w:result w:val=\"1\"/>"), u"a G&B b"},
      {"the default entry", drop("<w:default w:val=\"1\"/>"), u"a G&B b"},
      {"the first entry without a choice", drop(""), u"a Red b"},
      {"a choice beyond the entries", drop("<w:result w:val=\"7\"/>"), u"a  b"},
      {"a result written out is not repeated", drop("", TextRun("Red")), u"a Red b"},
      {"a check box control shows its content", control("<w14:checked w14:val=\"1\"/>", TextRun("\xE2\x98\x92")),
       u"a \u2612 b"},
      {"an empty checked control", control("<w14:checked w14:val=\"1\"/>" + states, ""),
       u"a " + SymbolFontText(u"Wingdings", 0xF0FE) + u" b"},
      {"an empty cleared control", control("<w14:checked w14:val=\"0\"/>" + states, ""), u"a \u2610 b"},
      {"an empty control without states", control("<w14:checked/>", ""), u"a \u2612 b"},
      {"another control shows only its content", "<w:sdt><w:sdtPr><w:id/></w:sdtPr><w:sdtContent></w:sdtContent></w:sdt>",
       u"a  b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TPackage package(Para(TextRun("a ") + c.runs + TextRun(" b")));
    EXPECT_THAT(ShownText(package), ElementsAre(c.shown));
    // The stored view reads the text of fields and controls only.
    const std::u16string stored = c.runs.find("Red</w:t>") != std::string::npos ? u"a Red b"
                                  : c.runs.find("\xE2\x98\x92") != std::string::npos ? u"a \u2612 b"
                                                                                       : u"a  b";
    EXPECT_THAT(LoadPackage(package.Bytes(), vwStored).Text, ElementsAre(stored));
  }
  // The same form fields in a .docx and in the .doc LibreOffice made of it show the
  // same (tests/data/doc/form_fields.py says how they were made).
  const std::string docx = kvtest::ReadFileBytes(kvtest::TestDataDir() / "doc" / "form_fields.docx");
  ASSERT_FALSE(docx.empty());
  EXPECT_THAT(LoadPackage(docx).Text,
              ElementsAre(u"Yes \u2612 done", u"No \u2610 done", u"Colour Green chosen", u"Name Ada typed"));
}

TEST(WordXDocumentShown, Revisions) {
  const std::string body = Para(TextRun("a") + "<w:ins w:id=\"1\">" + TextRun("new") + "</w:ins><w:del w:id=\"2\"><w:r><w:delText>old</w:delText></w:r></w:del>" +
                                "<w:moveFrom w:id=\"3\">" + TextRun("from") + "</w:moveFrom><w:moveTo w:id=\"4\">" + TextRun("to") + "</w:moveTo>",
                                "<w:rPr><w:ins w:id=\"5\"/></w:rPr>");
  struct Case {
    TKvWView view;
    TKvWRevisions revisions;
    TMSTextFormating format;
    std::u16string line;
  };
  const Case cases[] = {
      {vwStored, rvDefault, tfPlainText, u"+a+new-old-fromto"},
      {vwShown, rvDefault, tfPlainText, u"anewto"},
      {vwShown, rvAccept, tfPlainText, u"anewto"},
      {vwStored, rvAccept, tfPlainText, u"anewto"},
      {vwShown, rvReject, tfPlainText, u"aoldfrom"},
      {vwShown, rvMark, tfPlainText, u"+a+new-old-fromto"},
      {vwShown, rvMark, tfHTML, u"<p><u></u>a<u>new</u><s>old</s><s>from</s>to</p>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.view) * 100 + int(c.revisions) * 10 + int(c.format));
    const TLoaded loaded = LoadPackage(TPackage(body).Bytes(), c.view, c.revisions, c.format);
    ASSERT_GE(loaded.Text.size(), 1u);
    EXPECT_EQ(loaded.Text[c.format == tfHTML ? 1 : 0], c.line);
  }
}

TEST(WordXDocumentShown, CommentsAndTextBoxesGoToTheirLists) {
  const std::string textBox = "<w:txbxContent>" + Para(TextRun("in the box")) + "</w:txbxContent>";
  const std::string body =
      Para(TextRun("before ") +
           "<w:r><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:drawing><wp:anchor><a:graphic><a:graphicData>"
           "<wps:wsp><wps:txbx>" + textBox + "</wps:txbx></wps:wsp></a:graphicData></a:graphic></wp:anchor></w:drawing>"
           "</mc:Choice><mc:Fallback><w:pict><v:shape><v:textbox>" + textBox +
           "</v:textbox></v:shape></w:pict></mc:Fallback></mc:AlternateContent></w:r>" + TextRun("after")) +
      Para("<w:r><mc:AlternateContent><mc:Fallback><w:pict><v:rect><v:textbox><w:txbxContent>" + Para(TextRun("fallback only")) +
           "</w:txbxContent></v:textbox></v:rect></w:pict></mc:Fallback></mc:AlternateContent></w:r>");
  TPackage package(body);
  package.Add("comments", "comments.xml",
              Xml("w:comments", "<w:comment w:id=\"0\" w:author=\"A\">" + Para(TextRun("First note.")) + Para(TextRun("Second.")) +
                                    "</w:comment><w:comment w:id=\"1\">" + Para(TextRun("Other.")) + "</w:comment>"));
  const TLoaded shown = LoadPackage(package.Bytes());
  EXPECT_THAT(shown.Text, ElementsAre(u"before after", u""));
  EXPECT_THAT(shown.TextBoxes, ElementsAre(u"in the box", u"fallback only"));
  EXPECT_THAT(shown.Annotations, ElementsAre(u"First note.", u"Second.", u"Other."));
  const TLoaded stored = LoadPackage(package.Bytes(), vwStored);
  EXPECT_THAT(stored.Text, ElementsAre(u"in the box", u"before after", u""));
  EXPECT_TRUE(stored.TextBoxes.empty());
  EXPECT_TRUE(stored.Annotations.empty());
}

TEST(WordXDocumentShown, DropCapJoinsTheNextParagraph) {
  const std::string dropCap = "<w:framePr w:dropCap=\"drop\" w:lines=\"3\" w:wrap=\"around\"/>";
  TPackage package(Para(TextRun("D"), dropCap) + Para(TextRun("rop cap")) + Para(TextRun("plain")) +
                   Para(TextRun("M"), "<w:framePr w:dropCap=\"margin\"/>") + ListPara("argin", 1, 0) +
                   Para(TextRun("Framed"), "<w:framePr w:dropCap=\"none\"/>") + Para(TextRun("L"), dropCap));
  package.Add("numbering", "numbering.xml", Numbering);
  EXPECT_THAT(ShownText(package), ElementsAre(u"Drop cap", u"plain", u"1.\tMargin", u"Framed", u"L"));
  EXPECT_THAT(LoadPackage(package.Bytes(), vwShown, rvDefault, tfHTML).Text[1], u"<p>Drop cap</p>");
}

TEST(WordXDocumentShown, SymbolsBecomeTheCharactersTheyShow) {
  // The characters come from the shared symbol-font table; what is tested here is
  // which font and code reach it.
  const std::u16string Sigma = SymbolFontText(u"Symbol", 0xF053);
  struct Case {
    const char* what;
    std::string run;
    std::u16string text;
  };
  const Case cases[] = {
      {"w:sym in Symbol", "<w:r><w:sym w:font=\"Symbol\" w:char=\"F053\"/></w:r>", Sigma},
      {"w:sym with a short code", "<w:r><w:sym w:font=\"Symbol\" w:char=\"64\"/></w:r>", SymbolFontText(u"Symbol", 0x64)},
      {"w:sym in Wingdings", "<w:r><w:sym w:font=\"Wingdings\" w:char=\"F0FC\"/></w:r>", SymbolFontText(u"Wingdings", 0xF0FC)},
      {"private use in a Symbol run", "<w:r><w:rPr><w:rFonts w:ascii=\"Symbol\" w:hAnsi=\"Symbol\"/></w:rPr><w:t>\xEF\x81\x93 x</w:t></w:r>",
       Sigma + u" x"},
      {"private use in another font stays", "<w:r><w:rPr><w:rFonts w:ascii=\"Arial\"/></w:rPr><w:t>\xEF\x81\x93</w:t></w:r>", u"\uF053"},
      {"the font ends with its run", "<w:r><w:rPr><w:rFonts w:ascii=\"Symbol\"/></w:rPr><w:t>\xEF\x81\x93</w:t></w:r><w:r><w:t>\xEF\x81\x93</w:t></w:r>",
       Sigma + u"\uF053"},
      {"an unknown font keeps the code", "<w:r><w:sym w:font=\"NoSuchFont\" w:char=\"F053\"/></w:r>", u"\uF053"},
      {"a code that is no number is dropped", "<w:r><w:sym w:font=\"Symbol\" w:char=\"zz\"/></w:r>", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_THAT(ShownText(TPackage(Para(c.run))), ElementsAre(c.text));
  }
  EXPECT_THAT(LoadPackage(TPackage(Para(cases[0].run)).Bytes(), vwStored).Text, ElementsAre(u""));
}

// Packages and plain text are read by the .docx reader itself; a web page wants the
// web-page reader, which a reader made alone does not have (see ReaderChoiceTest).
TEST(WordXDocumentShown, AltChunksAreReadInPlace) {
  const std::string html = "<html><body><p>web page</p></body></html>";
  const std::string inner = TPackage(Para(TextRun("Inner body"))).Bytes();
  TPackage package(Para(TextRun("start")) + "<w:altChunk r:id=\"rId1\"/><w:altChunk r:id=\"rId2\"/><w:altChunk r:id=\"rId3\"/>" +
                   "<w:altChunk r:id=\"rId9\"/>" + Para(TextRun("end")));
  package.Add("aFChunk", "chunk.htm", html);
  package.Add("aFChunk", "chunk.txt", "\xEF\xBB\xBFline 1\r\nline 2\nline \xC3\xA9");
  package.Add("aFChunk", "chunk.docx", inner);
  EXPECT_THAT(ShownText(package),
              ElementsAre(u"start", u"line 1", u"line 2", u"line \u00E9", u"Inner body", u"end"));
  EXPECT_THAT(LoadPackage(package.Bytes(), vwStored).Text, ElementsAre(u"start", u"end"));

  // A package that imports itself stops after a few levels.
  TPackage self(Para(TextRun("again")) + "<w:altChunk r:id=\"rId1\"/>");
  std::string bytes = self.Bytes();
  for (int i = 0; i < 8; ++i) {
    TPackage outer(Para(TextRun("again")) + "<w:altChunk r:id=\"rId1\"/>");
    outer.Add("aFChunk", "chunk.docx", bytes);
    bytes = outer.Bytes();
  }
  const std::vector<std::u16string> nested = LoadPackage(bytes).Text;
  EXPECT_EQ(nested.size(), 5u);
}

namespace {

// A reader of chunks of another format that gives one line and counts its loads.
class TCountingChunkReader : public TMSCustomWordDocument {
 public:
  TCountingChunkReader(int& ALoads) : TMSCustomWordDocument(nullptr), FLoads(ALoads) {}
  void LoadFromStream(TStream* Stream) override {
    TMSCustomWordDocument::LoadFromStream(Stream);
    ++FLoads;
    AddText(u"chunk", Text());
    AddText(u"chunk note", FootNoteText());
  }

 private:
  int& FLoads;
};

}  // namespace

// A chunk imported again gives the lines it gave the first time without being read
// again, so chunks that import each other many times over cost one read each.
TEST(WordXDocumentShown, ChunksImportedAgainAreReadOnce) {
  std::string refs;
  for (int i = 0; i < 50; ++i) refs += "<w:altChunk r:id=\"rId1\"/>";
  TPackage package(refs + "<w:altChunk r:id=\"rId2\"/>" + refs);
  package.Add("aFChunk", "chunk.rtf", "{\\rtf1 chunk}");
  package.Add("aFChunk", "Chunk.RTF", "{\\rtf1 chunk}");  // a second name for the same entry
  int loads = 0;
  TMSWordXDocument doc(nullptr);
  doc.SetView(vwShown);
  doc.SetChunkReaders([&loads](std::string_view, std::u16string_view) {
    return std::make_unique<TCountingChunkReader>(loads);
  });
  TMemoryStream stream(package.Bytes());
  doc.LoadFromStream(&stream);
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(doc.ChunksRead(), 1u);
  EXPECT_EQ(doc.Text()->Count(), 101);
  EXPECT_EQ(doc.FootNoteText()->Count(), 101);

  // Packages that import the next level six times, three levels deep: one read a
  // level, and every reference still gives its lines.
  std::string bytes = TPackage(Para(TextRun("leaf"))).Bytes();
  size_t lines = 1;
  for (int level = 0; level < 3; ++level) {
    TPackage outer(Para(TextRun("level")) +
                   "<w:altChunk r:id=\"rId1\"/><w:altChunk r:id=\"rId1\"/><w:altChunk r:id=\"rId1\"/>"
                   "<w:altChunk r:id=\"rId1\"/><w:altChunk r:id=\"rId1\"/><w:altChunk r:id=\"rId1\"/>");
    outer.Add("aFChunk", "chunk.docx", bytes);
    bytes = outer.Bytes();
    lines = 1 + 6 * lines;
  }
  TMSWordXDocument nested(nullptr);
  nested.SetView(vwShown);
  TMemoryStream nestedStream(bytes);
  nested.LoadFromStream(&nestedStream);
  EXPECT_EQ(nested.ChunksRead(), 1u);
  EXPECT_EQ(size_t(nested.Text()->Count()), lines);
  EXPECT_EQ(nested.Text()->Get(int(lines) - 1), u"leaf");
}

// A macro-enabled package keeps its VBA project as a compound file; its modules
// reach the same items and macro text as a ".doc" file's.
TEST(WordXDocumentShown, MacrosOfAMacroEnabledPackage) {
  ByteWriter chunk;
  const std::string source = "Sub A()\r\nEnd Sub\r\n";
  for (size_t i = 0; i < source.size(); i += 8) chunk.U8(0).Raw(source.substr(i, 8));
  const std::string module =
      ByteWriter().U8(1).U16(uint16_t(0xB000 | (chunk.Size() - 1))).Raw(chunk.Bytes()).Bytes();
  ByteWriter cache;
  cache.Fill(34).Fill(132).U16(1);
  const std::u16string name = u"Module1";
  cache.U16(uint16_t(2 * name.size())).Utf16(name).U16(uint16_t(2 * name.size())).Utf16(name);
  cache.U16(0).Fill(2).Fill(8).U8(1).Fill(8 + 6).U32(0).Fill(2);
  const std::string project = CompoundFileBuilder()
                                  .AddStream(u"PROJECT", "ID=\"{1}\"\r\nModule=Module1\r\n")
                                  .AddStream(u"VBA/_VBA_PROJECT", cache.Bytes())
                                  .AddStream(u"VBA/Module1", module)
                                  .Bytes();
  TPackage package(Para(TextRun("Body")));
  package.Add("vbaProject", "vbaProject.bin", project);
  for (const TKvWView view : {vwShown, vwStored}) {
    TMSWordXDocument doc(nullptr);
    doc.SetView(view);
    doc.SetParseItems({wpiText, wpiVBA});
    TMemoryStream stream(package.Bytes());
    doc.LoadFromStream(&stream);
    if (view == vwStored) {
      EXPECT_EQ(doc.MacroText()->Count(), 0);
      continue;
    }
    ASSERT_EQ(doc.VBAProjectItems->Count(), 1);
    EXPECT_EQ(doc.VBAProjectItems->Items(0)->ModuleName, u"Module1");
    EXPECT_EQ(doc.VBAProject(), u"ID=\"{1}\"\r\nModule=Module1\r\n");
    EXPECT_THAT(doc.MacroText()->Lines(),
                ElementsAre(u"'===================================", u"'  Macro(s) from Module1",
                            u"'===================================", u"Sub A()\r\nEnd Sub\r\n\r\n"));
  }
  // Without wpiVBA, and with a project that is no compound file, nothing.
  package.Parts.back().second.second = "not a compound file";
  TMSWordXDocument doc(nullptr);
  doc.SetView(vwShown);
  doc.SetParseItems({wpiText, wpiVBA});
  TMemoryStream stream(package.Bytes());
  doc.LoadFromStream(&stream);
  EXPECT_EQ(doc.MacroText()->Count(), 0);
  EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"Body"));
}

// A paragraph whose mark a tracked change takes away (deleted and accepted, or
// inserted and rejected) joins the next one, which labels the line: no empty list
// item stays behind.
TEST(WordXDocumentShown, ParagraphsTakenAwayWithTheirMarksLeaveNoListItem) {
  const std::string numPr = "<w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr>";
  const std::string deletedMark = numPr + "<w:rPr><w:del w:id=\"1\"/></w:rPr>";
  const std::string insertedMark = numPr + "<w:rPr><w:ins w:id=\"2\"/></w:rPr>";
  const std::string body =
      ListPara("One", 1, 0) + Para("<w:del w:id=\"3\"><w:r><w:delText>Two</w:delText></w:r></w:del>", deletedMark) +
      Para(TextRun("Three"), deletedMark) + ListPara("Four", 1, 0) +
      Para("<w:ins w:id=\"4\">" + TextRun("Five") + "</w:ins>", insertedMark) + ListPara("Six", 1, 0);
  TPackage package(body);
  package.Add("numbering", "numbering.xml", Numbering);
  struct TCase {
    TKvWRevisions Revisions;
    std::vector<std::u16string> Lines;
  };
  const std::vector<TCase> cases = {
      {rvAccept, {u"1.\tOne", u"2.\tThreeFour", u"3.\tFive", u"4.\tSix"}},
      {rvReject, {u"1.\tOne", u"2.\tTwo", u"3.\tThree", u"4.\tFour", u"5.\tSix"}},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(LoadPackage(package.Bytes(), vwShown, c.Revisions).Text, c.Lines) << int(c.Revisions);
}

TEST(WordXDocumentShown, AnOptionalHyphenShowsOnlyInTheStoredView) {
  const std::string body = Para("<w:r><w:t>exam</w:t><w:softHyphen/><w:t>ple</w:t><w:noBreakHyphen/><w:t>x</w:t></w:r>");
  EXPECT_EQ(ShownText(TPackage(body)), std::vector<std::u16string>{u"example\u2011x"});
  EXPECT_EQ(LoadPackage(TPackage(body).Bytes(), vwStored).Text, std::vector<std::u16string>{u"exam\u00ADple\u2011x"});
}
