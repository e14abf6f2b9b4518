// The shown view of the older Word files built in the test: the headers and footers
// of Word 6/95, the paragraph ends and SYMBOL fields of Word for Windows 2, and the
// DOS code page of Word for DOS files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/base/Streams.h"
#include "msword/doc/WordDocument.h"
#include "msword/storage/StorageError.h"
#include "support/ByteWriter.h"
#include "support/FormattedDocBuilder.h"

using namespace msword;
using kvtest::ByteWriter;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

// Lines of a list without the line ends.
std::vector<std::u16string> Lines(TWideStrings* List) {
  std::vector<std::u16string> lines;
  for (std::u16string line : List->Lines()) {
    while (!line.empty() && (line.back() == u'\n' || line.back() == u'\r')) line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

std::unique_ptr<TMSWordDocument> LoadShown(const std::string& Bytes) {
  auto doc = std::make_unique<TMSWordDocument>(nullptr);
  doc->SetView(vwShown);
  TMemoryStream stream(Bytes);
  doc->LoadFromStream(&stream);
  return doc;
}

// A Word 95 main stream (not fast-saved): the main text "Body\r", then the header
// story: the footnote separator the document properties name (DopFlags), then the
// section's stories (SectionFlags: bit 1 odd header, bit 3 odd footer, ...).
struct TWord95Headers {
  uint8_t DopFlags = 0x01;
  uint8_t SectionFlags = 0x0A;
  std::vector<std::string> Stories = {"\x03\r", "Head\r", "Foot\r"};

  std::string Main() const {
    constexpr uint32_t fcMin = 0x400, fcHdd = 0x500, fcSed = 0x540, fcDop = 0x580, fcSepx = 0x600;
    std::string text = "Body\r";
    std::vector<uint32_t> cps = {0};
    for (const std::string& story : Stories) {
      text += story;
      cps.push_back(cps.back() + uint32_t(story.size()));
    }
    ByteWriter main;
    main.U16(0xA5EC).U16(104).U16(0).U16(0x0409).PadTo(24).U32(fcMin).U32(fcMin + uint32_t(text.size()));
    main.PadTo(fcMin).PutU32At(52, 5).PutU32At(60, cps.back());  // ccpText, ccpHdr
    main.PutU32At(88 + 6 * 8, fcSed).PutU32At(92 + 6 * 8, 4 * 2 + 12);
    main.PutU32At(88 + 11 * 8, fcHdd).PutU32At(92 + 11 * 8, uint32_t(4 * cps.size()));
    main.PutU32At(88 + 31 * 8, fcDop).PutU32At(92 + 31 * 8, 84);
    main.Raw(text).PadTo(fcHdd);
    for (uint32_t cp : cps) main.U32(cp);
    main.PadTo(fcSed).U32(0).U32(5).U16(0).U32(fcSepx).U16(0).U32(0xFFFFFFFF);
    main.PadTo(fcDop).U8(0).U8(DopFlags).Fill(82);
    main.PadTo(fcSepx).U16(2).U8(153).U8(SectionFlags);
    main.PadTo(0x800);
    return main.Bytes();
  }
};

std::unique_ptr<TMSWordDocument> LoadWord95(const TWord95Headers& File) {
  auto doc = std::make_unique<TMSWordDocument>(nullptr);
  doc->SetView(vwShown);
  TMemoryStream main(File.Main());
  doc->ReadDocStreams(&main, nullptr);
  return doc;
}

// A Word for Windows 2 file: its short header, then Text from fcMin on.
std::string Word2File(const std::string& Text) {
  constexpr uint32_t fcMin = 0x180;
  ByteWriter file;
  file.U16(0xA5DB).U16(45).U16(0).U16(0x0409).PadTo(24).U32(fcMin).U32(fcMin + uint32_t(Text.size()));
  file.PadTo(fcMin).PutU32At(52, uint32_t(Text.size()));
  file.Raw(Text).PadTo(0x200);
  return file.Bytes();
}

// A Word for DOS (PageCount 0) or Write file: the 128-byte header, then Text.
std::string DosFile(const std::string& Text, uint16_t PageCount, uint16_t CodePage = 0) {
  ByteWriter file;
  file.U16(0xBE31).U16(0).U16(0xAB00).PadTo(14).U32(128 + uint32_t(Text.size()));
  file.PadTo(0x60).U16(PageCount).PadTo(0x74).U16(CodePage).PadTo(128).Raw(Text);
  return file.Bytes();
}

// A Word 95 paragraph numbering (ANLD) of outline level Level: decimal numbers from
// StartAt, Before before the number, and whether the levels above show first.
std::string Word95Numbering(uint8_t Level, uint16_t StartAt, const std::string& Before, bool IncludeAbove) {
  ByteWriter anld;
  anld.U8(0).U8(uint8_t(Before.size())).U8(uint8_t(Before.size())).U8(IncludeAbove ? 0x04 : 0).U8(0).U8(0);
  anld.U16(0).U16(0).U16(StartAt).U16(0).U16(0).Fill(4).Raw(Before);
  anld.Fill(52 - anld.Size());
  return ByteWriter().U8(13).U8(Level).U8(12).U8(uint8_t(anld.Size())).Raw(anld.Bytes()).Bytes();
}

// A Word 95 main stream of the paragraphs Paras, each with its paragraph modifiers,
// on one page of paragraph properties.
std::string Word95Paragraphs(const std::vector<std::pair<std::string, std::string>>& Paras) {
  constexpr uint32_t fcMin = 0x400, fcBte = 0x600, pn = 4;
  std::string text;
  std::vector<uint32_t> fcs = {fcMin};
  for (const auto& [para, grpprl] : Paras) {
    text += para;
    fcs.push_back(fcMin + uint32_t(text.size()));
  }
  ByteWriter main;
  main.U16(0xA5EC).U16(104).U16(0).U16(0x0409).PadTo(24).U32(fcMin).U32(fcs.back());
  main.PadTo(fcMin).PutU32At(52, uint32_t(text.size()));
  main.PutU32At(88 + 13 * 8, fcBte).PutU32At(92 + 13 * 8, 10);
  main.Raw(text).PadTo(fcBte).U32(fcs.front()).U32(fcs.back()).U16(pn);
  // The page: the paragraphs' bounds, an offset (in words) and six bytes each, then
  // per paragraph its size in words, its style and its modifiers.
  std::string page(512, '\0');
  const size_t n = Paras.size();
  for (size_t i = 0; i <= n; ++i)
    for (int b = 0; b < 4; ++b) page[4 * i + size_t(b)] = char(fcs[i] >> (8 * b));
  size_t at = (4 * (n + 1) + 7 * n + 1) & ~size_t(1);
  for (size_t i = 0; i < n; ++i) {
    std::string papx = std::string(2, '\0') + Paras[i].second;
    if (papx.size() & 1) papx += '\0';
    page[4 * (n + 1) + 7 * i] = char(at / 2);
    page[at] = char(papx.size() / 2);
    page.replace(at + 1, papx.size(), papx);
    at += (1 + papx.size() + 1) & ~size_t(1);
  }
  page[511] = char(n);
  main.PadTo(pn * 512).Raw(page);
  return main.Bytes();
}

// A table stream whose sector chain is damaged from byte Readable on: reads that
// start there fail as the compound-file layer fails them.
class TDamagedStream : public TMemoryStream {
 public:
  TDamagedStream(std::string Bytes, int64_t Readable) : TMemoryStream(std::move(Bytes)), FReadable(Readable) {}
  int32_t Read(void* Buffer, int32_t Count) override {
    if (Position() >= FReadable) throw storage::EStorageCorrupt(u"the chain of stream \"1Table\" loops");
    return TMemoryStream::Read(Buffer, Count);
  }

 private:
  int64_t FReadable;
};

}  // namespace

// The shown view reads more of the table stream than the stored one (style sheet,
// fonts, lists, the notes' tables): where those cannot be read, the document loads
// without their formatting, as the stored view loads it.
TEST(WordDocumentOldShown, UnreadableFormattingCostsTheFormattingNotTheDocument) {
  kvtest::FormattedDocBuilder b(u"Text\x02 here\r", u"\x02 Note\r");
  b.TableData(kvtest::FormattedDocBuilder::pairPlcffndRef, ByteWriter().U32(4).U32(5).U16(1).Bytes());
  b.TableData(kvtest::FormattedDocBuilder::pairPlcffndTxt, ByteWriter().U32(0).U32(7).Bytes());
  b.Para(0, 11, 0);
  const auto [main, table] = b.Streams();
  for (const TKvWView view : {vwShown, vwStored}) {
    TMSWordDocument doc(nullptr);
    doc.SetView(view);
    TMemoryStream mainStream(main);
    TDamagedStream tableStream(table, 64);  // the piece table lies in front of the damage
    ASSERT_NO_THROW(doc.ReadDocStreams(&mainStream, &tableStream));
    EXPECT_NE(doc.Text()->GetText().find(u"Text"), std::u16string::npos);
    EXPECT_NE(doc.Text()->GetText().find(u"here"), std::u16string::npos);
    EXPECT_NE(doc.FootNoteText()->GetText().find(u"Note"), std::u16string::npos);
  }
}

TEST(WordDocumentOldShown, Word95NumbersIncludeTheLevelsAboveWhenTheyAsk) {
  const std::string main = Word95Paragraphs({
      {"Top\r", Word95Numbering(1, 2, "", false)},
      {"First\r", Word95Numbering(2, 1, ".", true)},
      {"Second\r", Word95Numbering(2, 1, ".", true)},
      {"Alone\r", Word95Numbering(2, 1, ".", false)},
      {"Plain\r", ""},
  });
  TMSWordDocument doc(nullptr);
  doc.SetView(vwShown);
  TMemoryStream stream(main);
  doc.ReadDocStreams(&stream, nullptr);
  EXPECT_NE(doc.Text()->GetText().find(u"2\tTop\r\n2.1\tFirst\r\n2.2\tSecond\r\n.3\tAlone\r\nPlain\r\n"),
            std::u16string::npos)
      << WideToUtf8(doc.Text()->GetText());
}

TEST(WordDocumentOldShown, Word95HeadersAndFootersGoWhereTheSectionSays) {
  const auto doc = LoadWord95(TWord95Headers{});
  EXPECT_THAT(Lines(doc->HeaderText()), ElementsAre(u"Head"));
  EXPECT_THAT(Lines(doc->FooterText()), ElementsAre(u"Foot"));
}

TEST(WordDocumentOldShown, Word95StoriesTheFlagsDoNotAccountForAreHeaders) {
  struct Case {
    const char* name;
    TWord95Headers file;
  };
  std::vector<Case> cases;
  cases.push_back({"section names one story of two", TWord95Headers{}});
  cases.back().file.SectionFlags = 0x02;
  cases.push_back({"section names none", TWord95Headers{}});
  cases.back().file.SectionFlags = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto doc = LoadWord95(c.file);
    EXPECT_THAT(Lines(doc->HeaderText()), ElementsAre(u"Head", u"Foot"));
    EXPECT_THAT(Lines(doc->FooterText()), IsEmpty());
  }
  // Without a separator the first story is a header too.
  TWord95Headers noSeparator;
  noSeparator.DopFlags = 0;
  noSeparator.Stories = {"Head\r", "Foot\r"};
  const auto doc = LoadWord95(noSeparator);
  EXPECT_THAT(Lines(doc->HeaderText()), ElementsAre(u"Head"));
  EXPECT_THAT(Lines(doc->FooterText()), ElementsAre(u"Foot"));
}

TEST(WordDocumentOldShown, Word2ParagraphsEndOnceAndSymbolFieldsShowTheirCharacter) {
  const auto doc = LoadShown(Word2File(
      "\x13SYMBOL 183 \\f \"Symbol\" \\s 10\x15\tFirst\r\n"
      "\x13 SYMBOL 0xB7 \\f Symbol\x15\tSecond\r\n"
      "\x13SYMBOL 65\x15 plain\r\n"
      "\x13SYMBOL 183 \\f \"Symbol\"\x14x\x15 kept result\r\n"
      "\x13SYMBOL bad\x15 not a code\r\n"));
  const std::u16string text = doc->Text()->GetText();
  EXPECT_NE(text.find(u"\u2022\tFirst\r\n\u2022\tSecond\r\nA plain\r\n"), std::u16string::npos) << WideToUtf8(text);
  EXPECT_EQ(text.find(u"\r\n\n"), std::u16string::npos);
  EXPECT_NE(text.find(u"x kept result"), std::u16string::npos);
  EXPECT_NE(text.find(u" not a code"), std::u16string::npos);
  EXPECT_EQ(text.find(u"SYMBOL"), std::u16string::npos);
}

TEST(WordDocumentOldShown, WordForDosTextIsInTheDosCodePage) {
  const std::string text = "\xDA\xC4\xBF \x9B\r\n";
  struct Case {
    const char* name;
    uint16_t pageCount, codePage;
    std::u16string shown;
  };
  const Case cases[] = {
      {"Word for DOS", 0, 0, u"\u250C\u2500\u2510 \u00A2"},
      {"Word for DOS, code page 850", 0, 850, u"\u250C\u2500\u2510 \u00F8"},
      {"Word for DOS, a code page it does not know", 0, 1252, u"\u250C\u2500\u2510 \u00A2"},
      {"Windows Write", 1, 0, u"\u00DA\u00C4\u00BF \u203A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto doc = LoadShown(DosFile(text, c.pageCount, c.codePage));
    EXPECT_NE(doc->Text()->GetText().find(c.shown + u"\r\n"), std::u16string::npos)
        << WideToUtf8(doc->Text()->GetText());
  }
}
