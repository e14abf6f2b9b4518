// The ".doc" reader's shown view described to the Markdown writer: headings by
// built-in style and outline level, emphasis as toggles against the style,
// hyperlink fields, tables (nested ones too), notes and marked revisions, read
// back with a CommonMark parser; and what a damaged file cannot do to the events.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/base/Streams.h"
#include "msword/doc/WordDocument.h"
#include "msword/model/DocumentSink.h"
#include "msword/writers/MarkdownWriter.h"
#include "support/ByteWriter.h"
#include "support/FormattedDocBuilder.h"
#include "support/SharedData.h"
#include "writers/MarkdownTree.h"

namespace msword {
namespace {

using kvtest::ByteWriter;
using kvtest::FormattedDocBuilder;
using kvword_test::MarkdownTree;

std::string Sprm8(uint16_t Opcode, uint8_t Value) { return ByteWriter().U16(Opcode).U8(Value).Bytes(); }
std::string Sprm32(uint16_t Opcode, uint32_t Value) { return ByteWriter().U16(Opcode).U32(Value).Bytes(); }

constexpr uint16_t sprmCFRMarkDel = 0x0800, sprmCFRMarkIns = 0x0801, sprmCFBold = 0x0835, sprmCFItalic = 0x0836,
                   sprmCFStrike = 0x0837, sprmPFInTable = 0x2416, sprmPFTtp = 0x2417, sprmPOutLvl = 0x2640,
                   sprmPFInnerTableCell = 0x244B, sprmPFInnerTtp = 0x244C, sprmPItap = 0x6649;

// A paragraph style: its built-in identifier, name and modifiers.
struct TStyleDef {
  uint16_t Sti;
  std::u16string Name;
  std::string Papx, Chpx;
};

// A style sheet of paragraph styles 0, 1, ... (each based on none).
std::string StyleSheet(const std::vector<TStyleDef>& Styles) {
  ByteWriter stsh;
  stsh.U16(18).U16(uint16_t(Styles.size())).U16(10).Fill(14);
  for (const TStyleDef& d : Styles) {
    ByteWriter s;
    s.U16(d.Sti).U16(uint16_t(1 | 0x0FFF << 4)).U16(2).U16(0).U16(0);
    s.U16(uint16_t(d.Name.size())).Utf16(d.Name).U16(0);
    if (s.Size() & 1) s.U8(0);
    s.U16(uint16_t(2 + d.Papx.size())).U16(0).Raw(d.Papx);
    if (s.Size() & 1) s.U8(0);
    s.U16(uint16_t(d.Chpx.size())).Raw(d.Chpx);
    if (s.Size() & 1) s.U8(0);
    stsh.U16(uint16_t(s.Size())).Raw(s.Bytes());
  }
  return stsh.Bytes();
}

// The styles every small document below has: 0 Normal, 1 a localized heading 1,
// 2 a style of its own with outline level 3, 3 the title, 4 a bold style.
std::string Styles() {
  return StyleSheet({{0, u"Normal", {}, {}},
                     {1, u"\u00dcberschrift 1", {}, {}},
                     {0x0FFE, u"Kapitel", Sprm8(sprmPOutLvl, 2), {}},
                     {62, u"Titel", {}, {}},
                     {0x0FFE, u"Fett", {}, Sprm8(sprmCFBold, 1)}});
}

template <typename TSink>
std::unique_ptr<TMSWordDocument> Read(const FormattedDocBuilder& Builder, TSink* Sink,
                                      TKvWRevisions Revisions = rvDefault) {
  auto doc = std::make_unique<TMSWordDocument>(nullptr);
  doc->SetView(vwShown);
  doc->SetRevisions(Revisions);
  doc->SetDocumentSink(Sink);
  const auto [main, table] = Builder.Streams();
  TMemoryStream mainStream(main), tableStream(table);
  doc->ReadDocStreams(&mainStream, &tableStream);
  return doc;
}

std::string MarkdownOf(const FormattedDocBuilder& Builder, TKvWRevisions Revisions = rvDefault) {
  TKvWMarkdownWriter writer;
  auto doc = Read(Builder, &writer, Revisions);
  EXPECT_TRUE(doc->DescribesDocument());
  writer.Finish();
  return WideToUtf8(writer.Markdown());
}

// The tree without the numbers of its lists; a list written as two because its
// numbers do not follow on (an empty HTML comment between them) counts as one.
std::string WithoutListNumbers(const std::string& Tree) {
  std::string out;
  for (size_t i = 0; i < Tree.size();) {
    if (Tree.compare(i, 2, "OL") == 0) {
      out += "OL";
      i += 2;
      while (i < Tree.size() && Tree[i] >= '0' && Tree[i] <= '9') ++i;
      continue;
    }
    out += Tree[i++];
  }
  const std::string separator = "}HTML[<!-- -->\n]OL{";
  for (size_t at; (at = out.find(separator)) != std::string::npos;) out.erase(at, separator.size());
  return out;
}

// A document LibreOffice made from pandoc's document gives back the Markdown's
// shape: headings, nested lists of both kinds, the table, footnotes, link and
// emphasis. LibreOffice numbers lists its own way (this one shows 7, 7, 8), so
// their numbers are not compared.
TEST(DocMarkdown, LibreOfficeDocumentGivesBackItsSourceShape) {
  const std::filesystem::path dir = kvtest::TestDataDir() / "markdown";
  TKvWMarkdownWriter writer;
  TMSWordDocument doc(nullptr);
  doc.SetView(vwShown);
  doc.SetDocumentSink(&writer);
  doc.LoadFromFile(Utf8ToWide((dir / "shapes.doc").string()));
  writer.Finish();
  const std::string markdown = WideToUtf8(writer.Markdown());
  EXPECT_EQ(WithoutListNumbers(MarkdownTree(markdown)), WithoutListNumbers(MarkdownTree(kvtest::ReadFileBytes(dir / "shapes.md"))))
      << markdown;
}

// Describing the document changes nothing of the texts the shown view gives.
TEST(DocMarkdown, SinkLeavesTheShownTextsAsTheyWere) {
  const std::u16string file = Utf8ToWide((kvtest::TestDataDir() / "markdown" / "shapes.doc").string());
  auto texts = [&](TKvWDocumentSink* Sink) {
    TMSWordDocument doc(nullptr);
    doc.SetView(vwShown);
    doc.SetDocumentSink(Sink);
    doc.LoadFromFile(file);
    return std::vector<std::vector<std::u16string>>{doc.Text()->Lines(), doc.FootNoteText()->Lines(),
                                                    doc.HeaderText()->Lines(), doc.FooterText()->Lines()};
  };
  TKvWMarkdownWriter writer;
  const auto described = texts(&writer);
  EXPECT_EQ(described, texts(nullptr));
  EXPECT_FALSE(described[0].empty());
  EXPECT_EQ(described[1].size(), 2u);  // the two footnotes
}

TEST(DocMarkdown, ShapesOfSmallDocuments) {
  const std::string inTable = Sprm8(sprmPFInTable, 1), rowEnd = inTable + Sprm8(sprmPFTtp, 1);
  const std::string inner = inTable + Sprm32(sprmPItap, 2) + Sprm8(sprmPFInnerTableCell, 1);
  struct TPara {
    uint32_t First, Lim;
    uint16_t Istd;
    std::string Papx;
  };
  struct TRun {
    uint32_t First, Lim;
    std::string Chpx;
  };
  struct TCase {
    const char* Name;
    std::u16string Text;
    std::vector<TPara> Paras;
    std::vector<TRun> Runs;
    std::string Tree;
    TKvWRevisions Revisions = rvDefault;
  };
  const TCase cases[] = {
      {"headings by built-in style, style outline level and the paragraph's own; the title first",
       u"Report\rOne\rDeep\rOwn\rBody\rLate\r",
       {{0, 7, 3, {}}, {7, 11, 1, {}}, {11, 16, 2, {}}, {16, 20, 2, Sprm8(sprmPOutLvl, 4)},
        {20, 25, 1, Sprm8(sprmPOutLvl, 9)}, {25, 30, 3, {}}},
       {},
       "H1[Report]H1[One]H3[Deep]H5[Own]P[Body]P[Late]"},
      {"emphasis toggles against the paragraph style",
       u"a b c d\rx y\r",
       {{0, 8, 0, {}}, {8, 12, 4, {}}},
       {{2, 3, Sprm8(sprmCFBold, 1)}, {4, 5, Sprm8(sprmCFItalic, 1)}, {6, 7, Sprm8(sprmCFStrike, 1)},
        {10, 11, Sprm8(sprmCFBold, 0x81)}},
       "P[a <b>b</b> <i>c</i> <s>d</s>]P[x y]"},
      {"hyperlink fields: an address, and a bookmark that stays text",
       u"\x13 HYPERLINK \"http://f.org/a\" \\o \"tip\"\x14site\x15, \x13HYPERLINK \\l \"mark\"\x14here\x15\r",
       {},
       {},
       "P[<a http://f.org/a>site</a>, here]"},
      {"a table of two rows",
       u"a\x07" u"b\x07" u"\x07" u"c\x07" u"d\x07" u"\x07" u"after\r",
       {{0, 4, 0, inTable}, {4, 5, 0, rowEnd}, {5, 9, 0, inTable}, {9, 10, 0, rowEnd}},
       {},
       "T{R{C[a]C[b]}R{C[c]C[d]}}P[after]"},
      {"a nested table in the first cell",
       u"i1\ri2\r\rtail\x07" u"c2\x07" u"\x07",
       {{0, 6, 0, inner}, {6, 7, 0, inner + Sprm8(sprmPFInnerTtp, 1)}, {7, 15, 0, inTable}, {15, 16, 0, rowEnd}},
       {},
       "T{R{C[i1 | i2⏎tail]C[c2]}}"},
      {"a line break and marked revisions",
       u"one\x0Btwo old new\r",
       {},
       {{8, 11, Sprm8(sprmCFRMarkDel, 1)}, {11, 15, Sprm8(sprmCFRMarkIns, 1)}},
       "P[one⏎two <s>old</s> new]",
       rvMark},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FormattedDocBuilder b(c.Text);
    for (const TPara& p : c.Paras) b.Para(p.First, p.Lim, p.Istd, p.Papx);
    for (const TRun& r : c.Runs) b.Chars(r.First, r.Lim, r.Chpx);
    b.TableData(FormattedDocBuilder::pairStshf, Styles());
    const std::string markdown = MarkdownOf(b, c.Revisions);
    EXPECT_EQ(MarkdownTree(markdown), c.Tree) << markdown;
  }
}

TEST(DocMarkdown, NotesAreNotesOfTheirReferences) {
  // Two auto-numbered footnotes; the second note's text holds a bold word.
  const std::u16string main = u"A\x02 and B\x02.\r", notes = u"\x02 First.\r\x02 Second bold.\r";
  FormattedDocBuilder b(main, notes);
  ByteWriter refs, texts;
  refs.U32(1).U32(8).U32(uint32_t(main.size())).U16(1).U16(1);
  texts.U32(0).U32(9).U32(uint32_t(notes.size())).U32(uint32_t(notes.size()) + 1);
  const uint32_t bold = uint32_t(main.size()) + 18;
  b.Chars(bold, bold + 4, Sprm8(sprmCFBold, 1));
  b.TableData(FormattedDocBuilder::pairPlcffndRef, refs.Bytes())
      .TableData(FormattedDocBuilder::pairPlcffndTxt, texts.Bytes());
  const std::string markdown = MarkdownOf(b);
  EXPECT_EQ(MarkdownTree(markdown), "P[A[^1] and B[^2].]FN1{P[First.]}FN2{P[Second <b>bold</b>.]}") << markdown;
}

// Checks that the events nest: every end closes what was opened last.
class TNestingSink : public TKvWDocumentSink {
 public:
  void BeginStory(TKvWStoryKind, std::u16string_view) override { Open('S'); }
  void EndStory() override { Close('S'); }
  void BeginNote(TKvWNoteKind, std::u16string_view) override { Open('N'); }
  void EndNote() override { Close('N'); }
  void BeginParagraph(const TKvWParagraphInfo&) override {
    Open('P');
    ++Paragraphs;
  }
  void EndParagraph() override { Close('P'); }
  void Text(std::u16string_view Value, const TKvWRunInfo&) override {
    if (Stack.empty() || Stack.back() != 'P') ++Faults;
    for (char16_t c : Value)
      if (c < 0x20 && c != u'\t') ++Faults;
  }
  void BeginTable() override {
    Open('T');
    MaxTables = std::max(MaxTables, size_t(std::count(Stack.begin(), Stack.end(), 'T')));
  }
  void EndTable() override { Close('T'); }
  void BeginRow() override { Open('R'); }
  void EndRow() override { Close('R'); }
  void BeginCell(const TKvWCellInfo&) override { Open('C'); }
  void EndCell() override { Close('C'); }

  std::string Stack;
  size_t Faults = 0, MaxTables = 0, Paragraphs = 0;

 private:
  void Open(char Kind) {
    // A paragraph holds nothing but text; a table only rows, a row only cells.
    if (!Stack.empty() && (Stack.back() == 'P' || (Stack.back() == 'T') != (Kind == 'R') ||
                           (Stack.back() == 'R') != (Kind == 'C')))
      ++Faults;
    Stack += Kind;
  }
  void Close(char Kind) {
    if (Stack.empty() || Stack.back() != Kind) ++Faults;
    else Stack.pop_back();
  }
};

// Table levels that jump, row ends without tables, cells that never end and
// nesting far deeper than any document's: the events still nest, and tables go
// no deeper than the reader's bound.
TEST(DocMarkdown, DamagedTablesStillNest) {
  std::u16string text;
  struct TPara {
    std::u16string Text;
    std::string Papx;
  };
  const std::string inTable = Sprm8(sprmPFInTable, 1);
  const std::vector<TPara> paras = {
      {u"\x07", inTable + Sprm8(sprmPFTtp, 1)},                          // a row end first
      {u"deep\r", inTable + Sprm32(sprmPItap, 5000)},                    // far too deep
      {u"x\x07", inTable},                                               // back to level 1
      {u"\r", inTable + Sprm32(sprmPItap, 3) + Sprm8(sprmPFInnerTtp, 1)},  // a deeper row end
      {u"body\r", {}},
      {u"open\x07", inTable + Sprm32(sprmPItap, 2)},                     // a cell never ended
  };
  std::vector<std::pair<uint32_t, uint32_t>> spans;
  for (const TPara& p : paras) {
    spans.emplace_back(uint32_t(text.size()), uint32_t(text.size() + p.Text.size()));
    text += p.Text;
  }
  FormattedDocBuilder b(text, u"In a note\x07\r");
  for (size_t i = 0; i < paras.size(); ++i) b.Para(spans[i].first, spans[i].second, 0, paras[i].Papx);
  b.Para(uint32_t(text.size()), uint32_t(text.size()) + 10, 0, inTable);
  TNestingSink sink;
  auto doc = Read(b, &sink);
  EXPECT_EQ(sink.Faults, 0u);
  EXPECT_EQ(sink.Stack, "");
  EXPECT_EQ(sink.MaxTables, 16u);
  EXPECT_GE(sink.Paragraphs, 5u);
}

// Formats other than plain text and the stored view describe nothing, and say so.
TEST(DocMarkdown, OnlyTheShownViewInPlainTextDescribes) {
  FormattedDocBuilder b(u"text\r");
  for (const auto& [view, format] : {std::pair{vwStored, tfPlainText}, std::pair{vwShown, tfHTML}}) {
    TKvWMarkdownWriter writer;
    TMSWordDocument doc(nullptr);
    doc.SetView(view);
    doc.SetTextFormating(format);
    doc.SetDocumentSink(&writer);
    const auto [main, table] = b.Streams();
    TMemoryStream mainStream(main), tableStream(table);
    doc.ReadDocStreams(&mainStream, &tableStream);
    writer.Finish();
    EXPECT_EQ(writer.Markdown(), u"");
    EXPECT_FALSE(doc.DescribesDocument());
  }
}

// Word 6 and 95 documents of the shared corpus: headings by built-in style with
// their numbered labels, lists, tables with emphasis in their cells.
TEST(DocMarkdown, Word95DocumentsDescribeTheirShape) {
  const std::filesystem::path corpus = kvtest::CorpusDir();
  KVTEST_REQUIRE_DIR(corpus);
  struct TCase {
    const char* File;
    std::vector<std::string> Parts;  // pieces of the tree, in order
  };
  const TCase cases[] = {
      {"d0318-Test_File__pre97_.doc", {"H2[3.6.", "Svnserve Based Server]", "H3[3.6.1.", "H3[3.6.2.", "OL1{LI{P[Get the latest"}},
      {"d0144-Bug49933.doc", {"P[<b>", "T{R{C[<b>", "C[Басвинекс]"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.File);
    const std::filesystem::path path = corpus / "files" / c.File;
    if (!std::filesystem::exists(path)) GTEST_SKIP() << c.File << " is absent";
    TKvWMarkdownWriter writer;
    TMSWordDocument doc(nullptr);
    doc.SetView(vwShown);
    doc.SetDocumentSink(&writer);
    doc.LoadFromFile(Utf8ToWide(path.string()));
    ASSERT_LT(doc.DocVersion(), 8);
    EXPECT_TRUE(doc.DescribesDocument());
    writer.Finish();
    const std::string tree = MarkdownTree(WideToUtf8(writer.Markdown()));
    size_t at = 0;
    for (const std::string& part : c.Parts) {
      const size_t found = tree.find(part, at);
      EXPECT_NE(found, std::string::npos) << part << " in " << tree.substr(0, 2000);
      if (found != std::string::npos) at = found + part.size();
    }
  }
}

}  // namespace
}  // namespace msword
