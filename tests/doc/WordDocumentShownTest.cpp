// The shown view of .doc files built in the test: list labels, note marks, the
// stories split into their lists, tracked changes, hidden text and symbols.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/base/Platform.h"
#include "msword/base/Streams.h"
#include "msword/base/SymbolFonts.h"
#include "msword/doc/WordDocument.h"
#include "support/ByteWriter.h"
#include "support/FormattedDocBuilder.h"
#include "support/SharedData.h"

using namespace msword;
using kvtest::ByteWriter;
using kvtest::FormattedDocBuilder;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

std::string Sprm8(uint16_t Opcode, uint8_t Value) { return ByteWriter().U16(Opcode).U8(Value).Bytes(); }
std::string Sprm16(uint16_t Opcode, uint16_t Value) { return ByteWriter().U16(Opcode).U16(Value).Bytes(); }

constexpr uint16_t sprmCFRMarkDel = 0x0800, sprmCFRMarkIns = 0x0801, sprmCFVanish = 0x083C, sprmCSymbol = 0x6A09,
                   sprmCRgFtc0 = 0x4A4F, sprmPIlvl = 0x260A, sprmPIlfo = 0x460B;

// A font table of the given names (all of the ANSI character set).
std::string Fonts(std::vector<std::u16string> Names) {
  ByteWriter w;
  w.U16(uint16_t(Names.size())).U16(0);
  for (const auto& name : Names) {
    ByteWriter ffn;
    ffn.U8(0).U16(400).U8(0).U8(0).Fill(10).Fill(24).Utf16(name).U16(0);
    w.U8(uint8_t(ffn.Size())).Raw(ffn.Bytes());
  }
  return w.Bytes();
}

struct TLevel {
  int32_t Start = 1;
  uint8_t Nfc = 0;
  std::u16string Text;  // characters 0-8 stand for the levels' numbers
  uint8_t Follow = 0;   // 0 tab, 1 space, 2 nothing
  std::string Chpx;
};

std::string Level(const TLevel& L) {
  ByteWriter w;
  w.U32(uint32_t(L.Start)).U8(L.Nfc).U8(0).Fill(9).U8(L.Follow).U32(0).U32(0);
  w.U8(uint8_t(L.Chpx.size())).U8(0).U8(0).U8(0).Raw(L.Chpx);
  w.U16(uint16_t(L.Text.size())).Utf16(L.Text);
  return w.Bytes();
}

// One list of nine levels (the first ones given) and overrides naming it; an
// override with a start-at value for level 0 when StartAt is set.
std::pair<std::string, std::string> OneList(std::vector<TLevel> Levels, std::vector<int32_t> StartAts = {0}) {
  ByteWriter lst;
  lst.U16(1).U32(77).U32(0);
  for (int i = 0; i < 9; ++i) lst.U16(0x0FFF);
  lst.U8(0).U8(0);
  Levels.resize(9, TLevel{1, 0, u"\x01.", 0, {}});
  for (const TLevel& l : Levels) lst.Raw(Level(l));
  ByteWriter lfo;
  lfo.U32(uint32_t(StartAts.size()));
  for (int32_t s : StartAts) lfo.U32(77).U32(0).U32(0).U8(s ? 1 : 0).U8(0).U8(0).U8(0);
  // Every override has its data: the position it was made at, then its levels.
  for (int32_t s : StartAts) {
    lfo.U32(0xFFFFFFFF);
    if (s) lfo.U32(uint32_t(s)).U32(0x10);  // level 0 starts at s
  }
  return {lst.Bytes(), lfo.Bytes()};
}

struct TLoaded {
  std::unique_ptr<TMSWordDocument> Doc;
  std::vector<std::u16string> Main;  // the main text's lines without the frame
  bool Shown = false;                // the shown view's plain text, which has no frame
};

TLoaded Load(const FormattedDocBuilder& Builder, TKvWView View = vwShown,
             const std::function<void(TMSWordDocument&)>& Setup = {}) {
  TLoaded loaded{std::make_unique<TMSWordDocument>(nullptr), {}};
  loaded.Doc->SetView(View);
  if (Setup) Setup(*loaded.Doc);
  const auto [main, table] = Builder.Streams();
  TMemoryStream mainStream(main), tableStream(table);
  loaded.Doc->ReadDocStreams(&mainStream, &tableStream);
  std::vector<std::u16string> lines = loaded.Doc->Text()->Lines();
  loaded.Shown = View == vwShown && loaded.Doc->TextFormating() == tfPlainText;
  if (loaded.Shown) loaded.Main = lines;
  else if (lines.size() >= 2) loaded.Main.assign(lines.begin() + 1, lines.end() - 1);
  return loaded;
}

std::u16string Joined(const TLoaded& L) {
  std::u16string s;
  // The shown view's entries end with the line end the list gives each.
  for (const auto& line : L.Main) s += L.Shown ? line + u"\r\n" : line;
  return s;
}

}  // namespace

TEST(WordDocumentShown, ListLabelsFollowTheLevelsNumberFormats) {
  struct TCase {
    const char* Name;
    TLevel Level0;
    std::u16string Expected;  // the three paragraphs' labels, each ending its line
  };
  const std::vector<TCase> cases = {
      {"decimal", {1, 0, u"\x01.", 0, {}}, u"1.\tA\r\n2.\tB\r\n3.\tC\r\n"},
      {"lower letter, space", {1, 4, u"\x01)", 1, {}}, u"a) A\r\nb) B\r\nc) C\r\n"},
      {"upper roman from 4, nothing after", {4, 1, u"(\x01)", 2, {}}, u"(IV)A\r\n(V)B\r\n(VI)C\r\n"},
      {"zero-padded", {9, 22, u"\x01", 0, {}}, u"09\tA\r\n10\tB\r\n11\tC\r\n"},
      {"ordinal", {1, 5, u"\x01", 1, {}}, u"1st A\r\n2nd B\r\n3rd C\r\n"},
  };
  // In the table the level's placeholder is written \x01 and turned into \x00 here.
  for (const TCase& c : cases) {
    std::u16string text0 = c.Level0.Text;
    for (char16_t& ch : text0)
      if (ch == u'\x01') ch = 0;
    TLevel level = c.Level0;
    level.Text = text0;
    const auto [lst, lfo] = OneList({level});
    FormattedDocBuilder b(u"A\rB\rC\r");
    b.Para(0, 6, 0, Sprm16(sprmPIlfo, 1)).TableData(FormattedDocBuilder::pairPlfLst, lst)
        .TableData(FormattedDocBuilder::pairPlfLfo, lfo);
    EXPECT_EQ(Joined(Load(b)), c.Expected) << c.Name;
  }
}

TEST(WordDocumentShown, LabelsLongerThanTheirParagraphsStillComeOutWhole) {
  // The main story's shown text is written over its own characters as they are
  // read; three hundred one-letter list paragraphs grow it to four times its size.
  const auto [lst, lfo] = OneList({{1, 0, std::u16string(u"\x00.", 2), 0, {}}});
  std::u16string text, expected;
  for (int i = 1; i <= 300; ++i) {
    text += u"x\r";
    for (char c : std::to_string(i)) expected += char16_t(c);
    expected += u".\tx\r\n";
  }
  FormattedDocBuilder b(text, u"Note\r\r");
  b.Para(0, uint32_t(text.size()), 0, Sprm16(sprmPIlfo, 1)).TableData(FormattedDocBuilder::pairPlfLst, lst)
      .TableData(FormattedDocBuilder::pairPlfLfo, lfo);
  const TLoaded shown = Load(b);
  EXPECT_EQ(Joined(shown), expected);
  // The notes, read after the main story, are whole too.
  EXPECT_THAT(shown.Doc->FootNoteText()->Lines(), ElementsAre(u"Note"));
}

TEST(WordDocumentShown, DeeperLevelsRestartAfterAShallowerOne) {
  const auto [lst, lfo] = OneList({{1, 0, std::u16string(u"\x00.", 2), 0, {}},
                                   {1, 4, std::u16string(u"\x00.\x01", 3), 0, {}}});
  FormattedDocBuilder b(u"A\rB\rC\rD\rE\r");
  const std::string level1 = Sprm16(sprmPIlfo, 1) + Sprm8(sprmPIlvl, 1);
  b.Para(0, 2, 0, Sprm16(sprmPIlfo, 1)).Para(2, 6, 0, level1).Para(6, 8, 0, Sprm16(sprmPIlfo, 1))
      .Para(8, 10, 0, level1);
  b.TableData(FormattedDocBuilder::pairPlfLst, lst).TableData(FormattedDocBuilder::pairPlfLfo, lfo);
  EXPECT_EQ(Joined(Load(b)), u"1.\tA\r\n1.a\tB\r\n1.b\tC\r\n2.\tD\r\n2.a\tE\r\n");
}

TEST(WordDocumentShown, AnOverrideWithAStartAtValueStartsItsOwnCount) {
  const auto [lst, lfo] = OneList({{1, 0, std::u16string(u"\x00.", 2), 0, {}}}, {0, 5});
  FormattedDocBuilder b(u"A\rB\rC\r");
  b.Para(0, 4, 0, Sprm16(sprmPIlfo, 1)).Para(4, 6, 0, Sprm16(sprmPIlfo, 2));
  b.TableData(FormattedDocBuilder::pairPlfLst, lst).TableData(FormattedDocBuilder::pairPlfLfo, lfo);
  EXPECT_EQ(Joined(Load(b)), u"1.\tA\r\n2.\tB\r\n5.\tC\r\n");
}

TEST(WordDocumentShown, BulletsOfSymbolFontsShowTheirUnicodeLookAlike) {
  TLevel bullet{1, 23, u"\uF0B7", 0, Sprm16(sprmCRgFtc0, 1)};
  const auto [lst, lfo] = OneList({bullet});
  FormattedDocBuilder b(u"A\r");
  b.Para(0, 2, 0, Sprm16(sprmPIlfo, 1)).TableData(FormattedDocBuilder::pairPlfLst, lst)
      .TableData(FormattedDocBuilder::pairPlfLfo, lfo)
      .TableData(FormattedDocBuilder::pairSttbfffn, Fonts({u"Times New Roman", u"Symbol"}));
  EXPECT_EQ(Joined(Load(b)), SymbolFontText(u"Symbol", 0xF0B7) + u"\tA\r\n");
}

TEST(WordDocumentShown, AParagraphTakesItsListFromItsStyleAndTheStylesItIsBasedOn) {
  // Style 1 names the list; style 2 is based on it and adds nothing.
  auto std = [](uint16_t Base, std::u16string Name, std::string Papx) {
    ByteWriter s;
    s.U16(0).U16(uint16_t(1 | Base << 4)).U16(2).U16(0).U16(0);
    s.U16(uint16_t(Name.size())).Utf16(Name).U16(0);
    if (s.Size() & 1) s.U8(0);
    s.U16(uint16_t(2 + Papx.size())).U16(0).Raw(Papx);
    if (s.Size() & 1) s.U8(0);
    s.U16(0);
    return s.Bytes();
  };
  ByteWriter stsh;
  stsh.U16(18).U16(3).U16(10).Fill(14);
  for (const std::string& s : {std(0x0FFF, u"Normal", {}), std(0, u"List", Sprm16(sprmPIlfo, 1)),
                               std(1, u"Sub", {})})
    stsh.U16(uint16_t(s.size())).Raw(s);
  const auto [lst, lfo] = OneList({{1, 0, std::u16string(u"\x00.", 2), 0, {}}});
  FormattedDocBuilder b(u"A\rB\r");
  b.Para(0, 2, 1).Para(2, 4, 2);
  b.TableData(FormattedDocBuilder::pairStshf, stsh.Bytes()).TableData(FormattedDocBuilder::pairPlfLst, lst)
      .TableData(FormattedDocBuilder::pairPlfLfo, lfo);
  EXPECT_EQ(Joined(Load(b)), u"1.\tA\r\n2.\tB\r\n");
}

TEST(WordDocumentShown, AStyleChainThatLoopsEndsWithoutHanging) {
  ByteWriter stsh;
  stsh.U16(18).U16(2).U16(10).Fill(14);
  for (uint16_t base : {uint16_t(1), uint16_t(0)}) {
    ByteWriter s;
    s.U16(0).U16(uint16_t(1 | base << 4)).U16(2).U16(0).U16(0).U16(1).Utf16(u"S").U16(0);
    s.U16(4).U16(0).Raw(Sprm16(sprmPIlfo, 9)).U16(0);
    stsh.U16(uint16_t(s.Size())).Raw(s.Bytes());
  }
  FormattedDocBuilder b(u"A\r");
  b.Para(0, 2, 1).TableData(FormattedDocBuilder::pairStshf, stsh.Bytes());
  EXPECT_EQ(Joined(Load(b)), u"A\r\n");  // list 9 does not exist: no label
}

// A style sheet of a plain paragraph style 0 and the given character styles 1, 2, ...
// (base 0x0FFF: none).
std::string CharStyles(std::vector<std::pair<uint16_t, std::string>> Styles, std::string NormalChpx = {}) {
  ByteWriter stsh;
  stsh.U16(18).U16(uint16_t(1 + Styles.size())).U16(10).Fill(14);
  ByteWriter normal;
  normal.U16(0).U16(uint16_t(1 | 0x0FFF << 4)).U16(2).U16(0).U16(0).U16(1).Utf16(u"N").U16(0);
  normal.U16(2).U16(0).U16(uint16_t(NormalChpx.size())).Raw(NormalChpx);
  if (normal.Size() & 1) normal.U8(0);
  stsh.U16(uint16_t(normal.Size())).Raw(normal.Bytes());
  for (const auto& [base, chpx] : Styles) {
    ByteWriter s;
    s.U16(0).U16(uint16_t(2 | base << 4)).U16(1).U16(0).U16(0).U16(1).Utf16(u"C").U16(0);
    s.U16(uint16_t(chpx.size())).Raw(chpx);
    if (s.Size() & 1) s.U8(0);
    stsh.U16(uint16_t(s.Size())).Raw(s.Bytes());
  }
  return stsh.Bytes();
}

TEST(WordDocumentShown, CharacterStylesApplyTheirChainsAndTheStylesTheyName) {
  constexpr uint16_t sprmCIstd = 0x4A30;
  const std::string hide = Sprm8(sprmCFVanish, 1), opposite = Sprm8(sprmCFVanish, 0x81);
  struct TCase {
    const char* Name;
    std::vector<std::pair<uint16_t, std::string>> Styles;
    std::string NormalChpx;  // the paragraph style's character properties
    std::string RunChpx;     // those of the run "A"
    std::u16string Expected;
  };
  const std::vector<TCase> cases = {
      {"a hiding style", {{0x0FFF, hide}}, {}, Sprm16(sprmCIstd, 1), u"B\r\n"},
      {"based on a hiding style", {{0x0FFF, hide}, {1, {}}}, {}, Sprm16(sprmCIstd, 2), u"B\r\n"},
      {"naming a hiding style", {{0x0FFF, hide}, {0x0FFF, Sprm16(sprmCIstd, 1)}}, {}, Sprm16(sprmCIstd, 2),
       u"B\r\n"},
      {"the opposite of a hidden paragraph style", {{0x0FFF, opposite}}, hide, Sprm16(sprmCIstd, 1), u"A\r\n"},
      {"opposite of the opposite through the chain", {{0x0FFF, opposite}, {1, opposite}}, {}, Sprm16(sprmCIstd, 2),
       u"AB\r\n"},
      {"the run's own toggle after the style", {{0x0FFF, hide}}, {}, Sprm16(sprmCIstd, 1) + Sprm8(sprmCFVanish, 0),
       u"AB\r\n"},
      // Applying itself, directly or through another, adds nothing: each style is
      // worked out once, however often it names itself.
      {"a style naming itself", {{0x0FFF, Sprm16(sprmCIstd, 1) + Sprm16(sprmCIstd, 1) + opposite}}, {},
       Sprm16(sprmCIstd, 1), u"B\r\n"},
      {"two styles naming each other",
       {{0x0FFF, Sprm16(sprmCIstd, 2) + Sprm16(sprmCIstd, 2) + hide}, {0x0FFF, Sprm16(sprmCIstd, 1) + Sprm16(sprmCIstd, 1)}},
       {}, Sprm16(sprmCIstd, 2), u"B\r\n"},
  };
  for (const TCase& c : cases) {
    FormattedDocBuilder b(u"AB\r");
    b.Chars(0, 1, c.RunChpx).TableData(FormattedDocBuilder::pairStshf, CharStyles(c.Styles, c.NormalChpx));
    EXPECT_EQ(Joined(Load(b)), c.Expected) << c.Name;
  }
}

TEST(WordDocumentShown, ACharacterStyleNamingItselfManyTimesEndsAtOnce) {
  // Sixty self-references sixteen deep would be 60^16 applications.
  constexpr uint16_t sprmCIstd = 0x4A30;
  std::string chpx;
  for (int i = 0; i < 60; ++i) chpx += Sprm16(sprmCIstd, 1);
  chpx += Sprm8(sprmCFVanish, 1);
  FormattedDocBuilder b(u"AB\r");
  b.Chars(0, 1, Sprm16(sprmCIstd, 1)).TableData(FormattedDocBuilder::pairStshf, CharStyles({{0x0FFF, chpx}}));
  EXPECT_EQ(Joined(Load(b)), u"B\r\n");
}

TEST(WordDocumentShown, ListOverridesBeyondWhatParagraphsCanNameAreNotKept) {
  // 100,000 overrides of one list: the first 2046 are kept, and those without
  // levels of their own share the list's.
  const std::string lst = OneList({{1, 0, std::u16string(u"\x00.", 2), 0, {}}}).first;
  ByteWriter lfo;
  lfo.U32(100000);
  for (int i = 0; i < 100000; ++i) lfo.U32(77).U32(0).U32(0).U32(0);
  FormattedDocBuilder b(u"A\rB\r");
  b.Para(0, 2, 0, Sprm16(sprmPIlfo, 1)).Para(2, 4, 0, Sprm16(sprmPIlfo, 2046));
  b.TableData(FormattedDocBuilder::pairPlfLst, lst).TableData(FormattedDocBuilder::pairPlfLfo, lfo.Bytes());
  const TLoaded shown = Load(b);
  EXPECT_EQ(Joined(shown), u"1.\tA\r\n2.\tB\r\n");
  EXPECT_EQ(shown.Doc->Formatting()->Lists.Overrides.size(), TListTables::MaxOverrides);
}

TEST(WordDocumentShown, NoteReferencesShowTheirNumbersAndNotesAreTheirOwnEntries) {
  // Main: two footnote references (auto), one custom mark, one endnote reference.
  const std::u16string main = u"One\x02 two\x02 three* four\x02.\r";
  const std::u16string ftn = u"\x02 First\r\x02 Second\r* Custom\r\r";
  const std::u16string edn = u"\x02 End\r\r";
  FormattedDocBuilder b(main, ftn, {}, {}, edn);
  ByteWriter ref, txt, eref, etxt;
  ref.U32(3).U32(8).U32(15).U32(uint32_t(main.size())).U16(1).U16(1).U16(0);
  txt.U32(0).U32(8).U32(17).U32(26).U32(27);
  eref.U32(21).U32(uint32_t(main.size())).U16(1);
  etxt.U32(0).U32(6).U32(7);
  b.TableData(FormattedDocBuilder::pairPlcffndRef, ref.Bytes())
      .TableData(FormattedDocBuilder::pairPlcffndTxt, txt.Bytes())
      .TableData(FormattedDocBuilder::pairPlcfendRef, eref.Bytes())
      .TableData(FormattedDocBuilder::pairPlcfendTxt, etxt.Bytes());
  const TLoaded shown = Load(b);
  EXPECT_EQ(Joined(shown), u"One[1] two[2] three* four[i].\r\n");
  EXPECT_THAT(shown.Doc->FootNoteText()->Lines(), ElementsAre(u"[1] First", u"[2] Second", u"* Custom"));
  EXPECT_THAT(shown.Doc->EndNoteText()->Lines(), ElementsAre(u"[i] End"));

  // The stored view keeps every story in the main text and drops the marks.
  const TLoaded stored = Load(b, vwStored);
  EXPECT_EQ(Joined(stored), u"One two three* four.\r\n First\r\n Second\r\n* Custom\r\n\r\n End\r\n\r\n");
}

TEST(WordDocumentShown, HeadersAndFootersGoToTheirOwnLists) {
  // Six note separators (empty), then one section: even header, odd header, even
  // footer, odd footer, first header, first footer; and the guard.
  const std::u16string hdr = u"Head\rFoot\rFirst\r\r";
  FormattedDocBuilder b(u"Body\r", {}, hdr);
  ByteWriter hdd;
  for (uint32_t cp : {0, 0, 0, 0, 0, 0, 0, 0, 5, 5, 10, 16, 16, 17}) hdd.U32(cp);
  b.TableData(FormattedDocBuilder::pairPlcfhdd, hdd.Bytes());
  const TLoaded shown = Load(b);
  EXPECT_THAT(shown.Main, ElementsAre(u"Body"));
  EXPECT_THAT(shown.Doc->HeaderText()->Lines(), ElementsAre(u"Head", u"First"));
  EXPECT_THAT(shown.Doc->FooterText()->Lines(), ElementsAre(u"Foot"));
}

TEST(WordDocumentShown, TrackedChangesAreResolvedAsTheSettingSays) {
  struct TCase {
    TKvWRevisions Revisions;
    TMSTextFormating Format;
    std::u16string Expected;
  };
  const std::vector<TCase> cases = {
      {rvDefault, tfPlainText, u"Keep new end\r\n"},
      {rvAccept, tfPlainText, u"Keep new end\r\n"},
      {rvReject, tfPlainText, u"Keep old end\r\n"},
      {rvMark, tfPlainText, u"Keep -old +new end\r\n"},
      {rvMark, tfHTML, u"Keep <s>old </s><u>new </u>end<p></p>\r\n"},
  };
  FormattedDocBuilder b(u"Keep old new end\r");
  b.Chars(5, 9, Sprm8(sprmCFRMarkDel, 1)).Chars(9, 13, Sprm8(sprmCFRMarkIns, 1));
  for (const TCase& c : cases) {
    const TLoaded loaded = Load(b, vwShown, [&](TMSWordDocument& d) {
      d.SetRevisions(c.Revisions);
      d.SetTextFormating(c.Format);
    });
    EXPECT_EQ(loaded.Shown ? Joined(loaded) : loaded.Doc->Text()->Get(1), c.Expected) << int(c.Revisions);
  }
  EXPECT_EQ(Joined(Load(b, vwStored)), u"Keep old new end\r\n");
}

TEST(WordDocumentShown, HiddenTextIsLeftOutUnlessAskedFor) {
  FormattedDocBuilder b(u"Seen hidden seen\r");
  b.Chars(5, 12, Sprm8(sprmCFVanish, 1));
  EXPECT_EQ(Joined(Load(b)), u"Seen seen\r\n");
  EXPECT_EQ(Joined(Load(b, vwShown, [](TMSWordDocument& d) {
              d.SetParseItems({wpiText, wpiHiddenText});
            })),
            u"Seen hidden seen\r\n");
}

TEST(WordDocumentShown, SymbolsShowTheCharacterTheirFontDraws) {
  // A placeholder with the symbol property, private-use characters in a symbol-font
  // run, and the same characters in an ordinary font, which keep their code points.
  FormattedDocBuilder b(u"(=\uF061\uF062|\uF061\r");
  const std::string symbol = ByteWriter().U16(sprmCSymbol).U16(1).U16(0xF053).Bytes();
  b.Chars(0, 1, symbol).Chars(2, 4, Sprm16(sprmCRgFtc0, 1)).Chars(5, 6, Sprm16(sprmCRgFtc0, 0));
  b.TableData(FormattedDocBuilder::pairSttbfffn, Fonts({u"Arial", u"Symbol"}));
  EXPECT_EQ(Joined(Load(b)), SymbolFontText(u"Symbol", 0xF053) + u"=" + SymbolFontText(u"Symbol", 0xF061) +
                                 SymbolFontText(u"Symbol", 0xF062) + u"|\uF061\r\n");
  EXPECT_EQ(Joined(Load(b, vwStored)), u"(=\uF061\uF062|\uF061\r\n");
}

TEST(WordDocumentShown, DamagedPropertyPagesLeaveTheTextReadable) {
  FormattedDocBuilder b(u"Text\r");
  auto [main, table] = b.Streams();
  // Each page claims more runs than it can hold.
  const size_t pages = main.size() / 512;
  main[(pages - 1) * 512 + 511] = char(200);
  main[(pages - 2) * 512 + 511] = char(255);
  TMSWordDocument doc(nullptr);
  doc.SetView(vwShown);
  TMemoryStream mainStream(main), tableStream(table);
  doc.ReadDocStreams(&mainStream, &tableStream);
  EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"Text"));
}

TEST(WordDocumentShown, Word95ParagraphNumbersOfARealFile) {
  // A Word 95 file whose three paragraphs are auto-numbered (no list tables yet).
  const std::filesystem::path corpus = kvtest::CorpusDir();
  KVTEST_REQUIRE_DIR(corpus);
  const std::filesystem::path file = corpus / "files" / "d0016-95list.doc";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "d0016 is absent";
  TMSWordDocument doc(nullptr);
  doc.SetView(vwShown);
  doc.LoadFromFile(PathToWide(file.string()));
  EXPECT_NE((doc.Text()->Get(0) + u"\r\n").find(u"1.\tList Entry 1\r\n2.\tList Entry 2\r\n3.\tList Entry 3\r\n"),
            std::u16string::npos);
}

// A page, column or section break starts a new line in the shown view, once
// however many breaks and paragraph marks meet; stored, a page break leaves no
// text and a column break stands for itself.
TEST(WordDocumentShown, PageColumnAndSectionBreaksStartANewLine) {
  struct TCase {
    std::u16string Text, Shown, Stored;
  };
  const std::vector<TCase> cases = {
      {u"Before\x0C" u"After\r", u"Before\r\nAfter\r\n", u"BeforeAfter\r\n"},
      {u"Left\x0E" u"Right\r", u"Left\r\nRight\r\n", u"Left\x0E" u"Right\r\n"},
      {u"Page end\x0C\rNext\r", u"Page end\r\nNext\r\n", u"Page end\r\nNext\r\n"},
      {u"Two\x0C\x0C" u"pages\r", u"Two\r\npages\r\n", u"Twopages\r\n"},
      {u"Section one\x0C", u"Section one\r\n", u"Section one"},
  };
  for (const TCase& c : cases) {
    const FormattedDocBuilder b(c.Text);
    EXPECT_EQ(Joined(Load(b)), c.Shown) << WideToUtf8(c.Text);
    EXPECT_EQ(Joined(Load(b, vwStored)), c.Stored) << WideToUtf8(c.Text);
  }
}

TEST(WordDocumentShown, PhoneticGuidesShowTheirBaseText) {
  struct TCase {
    const char* Name;
    std::u16string Instruction;
    std::u16string Shown;  // between "A " and " B"
  };
  const std::vector<TCase> cases = {
      {"reading over the base", u"EQ \\* jc2 \\* \"Font:MS Mincho\" \\* hps11 \\o\\ad(\\s\\up 10(\u3068\u3046),\u6771\u4EAC)",
       u"\u6771\u4EAC"},
      {"escaped comma in the base", u"EQ \\o(\\s\\up 5(x),a\\,b)", u"a,b"},
      {"another equation: as stored", u"EQ \\f(1,2)", u""},
      {"parentheses that do not close: as stored", u"EQ \\o\\ad(\\s\\up 10(x),base", u""},
  };
  for (const TCase& c : cases) {
    FormattedDocBuilder b(u"A \x13" + c.Instruction + u"\x15 B\r");
    EXPECT_EQ(Joined(Load(b)), u"A " + c.Shown + u" B\r\n") << c.Name;
  }
}

// Word shows a field's result, never its code: the marks, the instruction and the
// fields nested in it stay out of the shown text, however the fields nest and
// wherever their marks lie.
TEST(WordDocumentShown, FieldsShowTheirResultsAndNeverTheirCodes) {
  struct TCase {
    const char* Name;
    std::u16string Text, Shown;
  };
  const std::u16string longUrl = u"http://example.org/" + std::u16string(300, u'x');
  const std::vector<TCase> cases = {
      {"hyperlink", u"See \x13 HYPERLINK \"http://example.org\" \x14http://example.org\x15 now\r",
       u"See http://example.org now\r\n"},
      {"hyperlink with a code longer than 200 characters",
       u"A \x13 HYPERLINK \"" + longUrl + u"\" \x14link\x15 B\r", u"A link B\r\n"},
      {"field in the result", u"\x13 HYPERLINK \"u\" \x14page \x13 PAGE \x14" u"3\x15 here\x15\r", u"page 3 here\r\n"},
      {"field in the instruction", u"\x13 IF \x13 PAGE \x14" u"1\x15 = 1 \"yes\" \"no\" \x14yes\x15!\r", u"yes!\r\n"},
      {"field without a result", u"Entry\x13 XE \"entry\" \x15 text\r", u"Entry text\r\n"},
      {"macro button shows its text", u"[\x13 MACROBUTTON NoMacro Click here \x15]\r", u"[Click here]\r\n"},
      {"result over several paragraphs", u"\x13 INDEX \\e \"\t\" \x14" u"Alpha\t3\rBeta\t4\r\x15" u"End\r",
       u"Alpha\t3\r\nBeta\t4\r\nEnd\r\n"},
      {"instruction holding a paragraph mark", u"A\x13 TC \"x\r y\" \x15 B\r", u"A B\r\n"},
      {"marks that close no field", u"One\x14 two\x15 three\r", u"One two three\r\n"},
      {"a field that never ends keeps its text", u"One \x13 two \x14three\r", u"One  two three\r\n"},
  };
  for (const TCase& c : cases) {
    const FormattedDocBuilder b(c.Text);
    EXPECT_EQ(Joined(Load(b)), c.Shown) << c.Name;
  }
  // Fields nested deeper than any document nests them: their marks alone are
  // dropped, and every result is there.
  std::u16string deep;
  for (int i = 0; i < 100; ++i) deep += u"\x13" u"c\x14r";
  for (int i = 0; i < 100; ++i) deep += u"\x15";
  deep += u"\r";
  const std::u16string text = Joined(Load(FormattedDocBuilder(deep)));
  EXPECT_EQ(text.find_first_of(u"\x13\x14\x15"), std::u16string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), u'r'), 100);
}

TEST(WordDocumentShown, HyphensShowAsWordShowsThem) {
  // A non-breaking hyphen is a hyphen that does not break; an optional one shows
  // only where a line breaks at it.
  const FormattedDocBuilder b(u"well\x1Eknown exam\x1Fple\r");
  EXPECT_EQ(Joined(Load(b)), u"well\u2011known example\r\n");
  EXPECT_EQ(Joined(Load(b, vwStored)), u"well\x1Eknown example\r\n");
}

namespace {

// A document property record of Word 97 size with the note numbering given.
std::string Dop97(uint8_t FtnRestart, uint16_t FtnNfc, uint8_t EdnRestart, uint16_t EdnNfc, uint16_t FtnStart = 1) {
  ByteWriter w;
  w.PadTo(500);
  w.PutU16At(2, uint16_t(FtnStart << 2 | FtnRestart)).PutU16At(52, uint16_t(1 << 2 | EdnRestart));
  w.PutU16At(0x1EC, FtnNfc).PutU16At(0x1EE, EdnNfc);
  return w.Bytes();
}

// The section table: sections ending at CpLims, with no properties of their own.
std::string Sections(std::vector<uint32_t> CpLims) {
  ByteWriter w;
  w.U32(0);
  for (uint32_t cp : CpLims) w.U32(cp);
  for (size_t i = 0; i < CpLims.size(); ++i) w.U16(0).U32(0xFFFFFFFF).U16(0).U32(0);
  return w.Bytes();
}

}  // namespace

TEST(WordDocumentShown, NoteNumbersFollowTheDocumentsFormatAndRestarts) {
  // Two sections; three footnotes (two in the first section, one in the second)
  // and two endnotes.
  const std::u16string main = u"A\x02 B\x02\x0C" u"C\x02 D\x02 E\x02\r";
  const std::u16string ftn = u"\x02 f1\r\x02 f2\r\x02 f3\r\r";
  const std::u16string edn = u"\x02 e1\r\x02 e2\r\r";
  auto build = [&](std::string Dop) {
    FormattedDocBuilder b(main, ftn, {}, {}, edn);
    ByteWriter ref, txt, eref, etxt;
    ref.U32(1).U32(4).U32(7).U32(uint32_t(main.size())).U16(1).U16(1).U16(1);
    txt.U32(0).U32(5).U32(10).U32(15).U32(16);
    eref.U32(10).U32(13).U32(uint32_t(main.size())).U16(1).U16(1);
    etxt.U32(0).U32(5).U32(10).U32(11);
    b.TableData(FormattedDocBuilder::pairPlcffndRef, ref.Bytes())
        .TableData(FormattedDocBuilder::pairPlcffndTxt, txt.Bytes())
        .TableData(FormattedDocBuilder::pairPlcfendRef, eref.Bytes())
        .TableData(FormattedDocBuilder::pairPlcfendTxt, etxt.Bytes())
        .TableData(6, Sections({6, uint32_t(main.size())}))
        .TableData(FormattedDocBuilder::pairDop, Dop);
    return b;
  };
  struct TCase {
    const char* Name;
    std::string Dop;
    std::u16string Main;
    std::vector<std::u16string> Footnotes, Endnotes;
  };
  const std::vector<TCase> cases = {
      {"defaults: decimal footnotes, roman endnotes", Dop97(0, 0, 0, 2), u"A[1] B[2]\r\nC[3] D[i] E[ii]\r\n",
       {u"[1] f1", u"[2] f2", u"[3] f3"}, {u"[i] e1", u"[ii] e2"}},
      {"letters again in each section, from C", Dop97(1, 3, 0, 4, 3), u"A[C] B[D]\r\nC[C] D[a] E[b]\r\n",
       {u"[C] f1", u"[D] f2", u"[C] f3"}, {u"[a] e1", u"[b] e2"}},
      {"symbols again on each page", Dop97(2, 9, 0, 0), u"A[*] B[\u2020]\r\nC[*] D[1] E[2]\r\n",
       {u"[*] f1", u"[\u2020] f2", u"[*] f3"}, {u"[1] e1", u"[2] e2"}},
  };
  for (const TCase& c : cases) {
    const TLoaded shown = Load(build(c.Dop));
    EXPECT_EQ(Joined(shown), c.Main) << c.Name;
    EXPECT_EQ(shown.Doc->FootNoteText()->Lines(), c.Footnotes) << c.Name;
    EXPECT_EQ(shown.Doc->EndNoteText()->Lines(), c.Endnotes) << c.Name;
  }
}

TEST(WordDocumentShown, ASectionsOwnNoteNumberingOverridesTheDocuments) {
  const std::u16string main = u"A\x02\x0C" u"B\x02 C\x02\r";
  const std::u16string ftn = u"\x02 f1\r\x02 f2\r\x02 f3\r\r";
  FormattedDocBuilder b(main, ftn);
  ByteWriter ref, txt, sed;
  ref.U32(1).U32(4).U32(7).U32(uint32_t(main.size())).U16(1).U16(1).U16(1);
  txt.U32(0).U32(5).U32(10).U32(15).U32(16);
  // The second section restarts its footnotes at 5 in upper-case roman.
  constexpr uint32_t fcSepx = 960;  // free bytes of the main stream before the text
  sed.U32(0).U32(3).U32(uint32_t(main.size()));
  sed.U16(0).U32(0xFFFFFFFF).U16(0).U32(0).U16(0).U32(fcSepx).U16(0).U32(0);
  b.TableData(FormattedDocBuilder::pairPlcffndRef, ref.Bytes())
      .TableData(FormattedDocBuilder::pairPlcffndTxt, txt.Bytes())
      .TableData(6, sed.Bytes())
      .TableData(FormattedDocBuilder::pairDop, Dop97(0, 0, 0, 2));
  auto [mainStream, tableStream] = b.Streams();
  const std::string sepx =
      ByteWriter().U16(11).U16(0x303C).U8(1).U16(0x503F).U16(5).U16(0x5040).U16(1).Bytes();
  mainStream.replace(fcSepx, sepx.size(), sepx);
  TMSWordDocument doc(nullptr);
  doc.SetView(vwShown);
  TMemoryStream m(mainStream), t(tableStream);
  doc.ReadDocStreams(&m, &t);
  EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"A[1]\r\nB[V] C[VI]"));
  EXPECT_THAT(doc.FootNoteText()->Lines(), ElementsAre(u"[1] f1", u"[V] f2", u"[VI] f3"));
}

TEST(WordDocumentShown, AnOverrideThatOnlyReformatsALevelCountsOnWithItsList) {
  // Override 2 shows level 0 in upper-case letters and starts nothing: its
  // paragraphs and those of override 1 count one list. Override 1 comes first and
  // has no level overrides, but data of its own all the same.
  auto [lst, unused] = OneList({{1, 0, std::u16string(u"\x00.", 2), 0, {}}});
  ByteWriter lfo;
  lfo.U32(2);
  lfo.U32(77).U32(0).U32(0).U8(0).U8(0).U8(0).U8(0);
  lfo.U32(77).U32(0).U32(0).U8(1).U8(0).U8(0).U8(0);
  lfo.U32(0xFFFFFFFF);
  lfo.U32(0xFFFFFFFF).U32(0).U32(0x20).Raw(Level({1, 3, std::u16string(u"\x00", 1), 0, {}}));
  FormattedDocBuilder b(u"A\rB\rC\rD\r");
  b.Para(0, 2, 0, Sprm16(sprmPIlfo, 1)).Para(2, 6, 0, Sprm16(sprmPIlfo, 2)).Para(6, 8, 0, Sprm16(sprmPIlfo, 1));
  b.TableData(FormattedDocBuilder::pairPlfLst, lst).TableData(FormattedDocBuilder::pairPlfLfo, lfo.Bytes());
  EXPECT_EQ(Joined(Load(b)), u"1.\tA\r\nB\tB\r\nC\tC\r\n4.\tD\r\n");
}

TEST(WordDocumentShown, ALevelShownBeforeItsFirstParagraphCountsOnFromThere) {
  // A paragraph at level 2 right under level 0 shows level 1 at its start; the
  // next paragraph at level 1 shows the number after it.
  const auto [lst, lfo] = OneList({{1, 0, std::u16string(u"\x00", 1), 0, {}},
                                   {1, 4, std::u16string(u"\x00.\x01", 3), 0, {}},
                                   {1, 1, std::u16string(u"\x00.\x01.\x02", 5), 0, {}}});
  FormattedDocBuilder b(u"A\rB\rC\r");
  b.Para(0, 2, 0, Sprm16(sprmPIlfo, 1)).Para(2, 4, 0, Sprm16(sprmPIlfo, 1) + Sprm8(sprmPIlvl, 2))
      .Para(4, 6, 0, Sprm16(sprmPIlfo, 1) + Sprm8(sprmPIlvl, 1));
  b.TableData(FormattedDocBuilder::pairPlfLst, lst).TableData(FormattedDocBuilder::pairPlfLfo, lfo);
  EXPECT_EQ(Joined(Load(b)), u"1\tA\r\n1.a.I\tB\r\n1.b\tC\r\n");
}

TEST(WordDocumentShown, ListOverridesOfARealFile) {
  // Each paragraph of d0295 holds the label Word shows for it.
  const std::filesystem::path corpus = kvtest::CorpusDir();
  KVTEST_REQUIRE_DIR(corpus);
  const std::filesystem::path file = corpus / "files" / "d0295-testWORD_override_list_numbering.doc";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "d0295 is absent";
  TMSWordDocument doc(nullptr);
  doc.SetView(vwShown);
  doc.LoadFromFile(PathToWide(file.string()));
  const std::u16string text = doc.Text()->GetTextStr();
  for (const std::u16string_view line : {u"\r\n2.b\t2.b\r\n", u"\r\n1\t1\r\nB\tB\r\nC\tC\r\nA\tA\r\nB\tB\r\n4\t4\r\n"})
    EXPECT_NE(text.find(line), std::u16string::npos) << WideToUtf8(std::u16string(line));
}

// A paragraph whose mark a tracked change takes away joins the next one, which
// labels the line; one taken away with all its text leaves nothing, not an empty
// list item.
TEST(WordDocumentShown, ParagraphsTakenAwayWithTheirMarksLeaveNoListItem) {
  const auto [lst, lfo] = OneList({{1, 0, std::u16string(u"\x00.", 2), 0, {}}});
  // "Two\r" deleted whole, the mark of "Three" deleted, "Five\r" inserted whole.
  FormattedDocBuilder b(u"One\rTwo\rThree\rFour\rFive\rSix\r");
  b.Para(0, 28, 0, Sprm16(sprmPIlfo, 1));
  b.Chars(4, 8, Sprm8(sprmCFRMarkDel, 1)).Chars(13, 14, Sprm8(sprmCFRMarkDel, 1))
      .Chars(19, 24, Sprm8(sprmCFRMarkIns, 1));
  b.TableData(FormattedDocBuilder::pairPlfLst, lst).TableData(FormattedDocBuilder::pairPlfLfo, lfo);
  struct TCase {
    TKvWRevisions Revisions;
    std::u16string Expected;
  };
  const std::vector<TCase> cases = {
      {rvAccept, u"1.\tOne\r\n2.\tThreeFour\r\n3.\tFive\r\n4.\tSix\r\n"},
      {rvReject, u"1.\tOne\r\n2.\tTwo\r\n3.\tThree\r\n4.\tFour\r\n5.\tSix\r\n"},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(Joined(Load(b, vwShown, [&](TMSWordDocument& d) { d.SetRevisions(c.Revisions); })), c.Expected)
        << int(c.Revisions);
}

TEST(WordDocumentShown, FieldsAndHyphensOfAFileLibreOfficeWrote) {
  // tests/data/doc/tracked_fields.py says how the file was made.
  const std::filesystem::path file = kvtest::TestDataDir() / "doc" / "tracked_fields.doc";
  TMSWordDocument doc(nullptr);
  doc.SetView(vwShown);
  doc.LoadFromFile(PathToWide(file.string()));
  const std::u16string text = doc.Text()->GetTextStr();
  EXPECT_EQ(text.find_first_of(u"\x13\x14\x15\x1E\x1F"), std::u16string::npos);
  for (const std::u16string_view line : {u"\r\nLink example end\r\n", u"\r\nHyphens well\u2011known example\r\n",
                                     u"\r\nPage 1\r\n"})
    EXPECT_NE(text.find(line), std::u16string::npos) << WideToUtf8(std::u16string(line));
}
