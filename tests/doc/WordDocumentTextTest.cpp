// Reading the main text and the side stories of binary Word streams built in the test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/doc/WordDocument.h"
#include "support/ByteWriter.h"
#include "support/WordStreamBuilder.h"

using namespace msword;
using kvtest::ByteWriter;
using kvtest::WordStreamBuilder;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

std::vector<std::u16string> Lines(const TWideStrings* list) { return list->Lines(); }

void ReadStreams(TMSWordDocument& doc, const std::string& main, const std::string* table) {
  TMemoryStream mainStream(main);
  TMemoryStream tableStream(table ? *table : std::string());
  doc.ReadDocStreams(&mainStream, table ? &tableStream : nullptr);
}

void ReadBuilt(TMSWordDocument& doc, const WordStreamBuilder& builder) {
  const std::string table = builder.Table();
  ReadStreams(doc, builder.Main(), &table);
}

auto RaisesPieceOutOfRange() {
  return testing::ThrowsMessage<Exception>(testing::StrEq("Piece Bounds out of range"));
}

}  // namespace

TEST(WordDocumentText, EightBitPieceIsDecodedAndConverted) {
  TMSWordDocument doc(nullptr);
  ReadBuilt(doc, WordStreamBuilder().AnsiPiece("Hello\r"));
  EXPECT_EQ(doc.DocVersion(), 8);
  EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"Hello\r\n", u""));
}

TEST(WordDocumentText, EightBitAndSixteenBitPiecesFollowEachOther) {
  TMSWordDocument doc(nullptr);
  ReadBuilt(doc, WordStreamBuilder().AnsiPiece("caf\xE9 ").Utf16Piece(u"\u0416\u4E2D\r"));
  EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"caf\u00E9 \u0416\u4E2D\r\n", u""));
}

TEST(WordDocumentText, StartAndFinishTextsFrameTheMainText) {
  TMSWordDocument doc(nullptr);
  doc.SetTextFormating(tfHTML);
  ReadBuilt(doc, WordStreamBuilder().Utf16Piece(u"a\r"));
  ASSERT_EQ(doc.Text()->Count(), 3);
  EXPECT_TRUE(doc.Text()->Get(0).starts_with(u"<html>"));
  EXPECT_EQ(doc.Text()->Get(1), u"a<p></p>\r\n");
  EXPECT_EQ(doc.Text()->Get(2), u"\r\n</body>\r\n</html>");
}

// Word 97 defines its 8-bit pieces as Windows-1252 text; the document's language
// only decides the older generations' text. The language is still asked for, once
// for the main text and once for the side texts.
TEST(WordDocumentText, Word97EightBitPiecesAreWindows1252WhateverTheLanguage) {
  TMSWordDocument doc(nullptr);
  int asked = 0;
  doc.SetOnGetDefaultLanguage([&](TObject*, uint16_t&) { ++asked; });
  ReadBuilt(doc, WordStreamBuilder().Set16(6, 0x0419).AnsiPiece("\xC0\x80\x81"));
  EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"\u00C0\u20AC\u0081", u""));
  EXPECT_EQ(asked, 2);
}

TEST(WordDocumentText, OlderGenerationsDecodeInTheLanguageCodePage) {
  struct Case { uint16_t lid; uint16_t handlerLid; std::u16string text; };
  const Case cases[] = {{0x0419, 0, u"\u0410\u0431"},        // Russian: 1251
                        {0x0405, 0, u"\u0154\u00E1"},        // Czech: 1250
                        {0x0409, 0, u"\u00C0\u00E1"},        // English: 1252
                        {0x0409, 0x0408, u"\u0390\u03B1"}};  // the host says Greek: 1253
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lid);
    TMSWordDocument doc(nullptr);
    if (c.handlerLid) doc.SetOnGetDefaultLanguage([&](TObject*, uint16_t& lang) { lang = c.handlerLid; });
    // Word 6 without a table stream: the fallback piece, read two bytes at a time.
    ByteWriter main;
    main.U16(0xA5EC).U16(101).U16(0).U16(c.lid).PadTo(24).U32(0x300).U32(0x302).PadTo(0x300);
    main.Raw("\xC0\xE1").U8('\r').U8(0);
    ReadStreams(doc, main.Bytes(), nullptr);
    EXPECT_EQ(doc.DocVersion(), 6);
    // Reading stops only before a read that would start beyond fcMac, so the two
    // bytes at fcMac come along (the zero byte leaves no text).
    EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", c.text + u"\r\n", u""));
  }
}

TEST(WordDocumentText, Word97WithoutPieceTableReadsUtf16FromFcMin) {
  TMSWordDocument doc(nullptr);
  ByteWriter main;
  main.U16(0xA5EC).U16(193).PadTo(24).U32(0x400).U32(0x404).PadTo(0x400).Utf16(u"ok").Utf16(u"!");
  ReadStreams(doc, main.Bytes(), nullptr);
  EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"ok!", u""));
}

// Only the fallback piece stops at fcMac; a real piece is as long as the table says.
TEST(WordDocumentText, RealPieceIsNotCutAtFcMac) {
  TMSWordDocument doc(nullptr);
  ReadBuilt(doc, WordStreamBuilder().Set32(24, 1024).Set32(28, 1026).Utf16Piece(u"whole piece"));
  EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"whole piece", u""));
}

// The table-stream flag only names which table stream Word wrote; a Word 97 document
// has its piece table there either way.
TEST(WordDocumentText, Word97PieceTableIsReadWithTheTableStreamFlagClear) {
  TMSWordDocument doc(nullptr);
  ReadBuilt(doc, WordStreamBuilder().Set8(11, 0).AnsiPiece("abc").Utf16Piece(u"\u0416"));
  EXPECT_EQ(doc.CLX.noPCD, 2u);
  EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"abc\u0416", u""));
}

TEST(WordDocumentText, PiecesOutsideTheStreamRaiseBeforeAnyTextIsAdded) {
  struct Case { const char* name; uint32_t fc; uint32_t fcMin, fcMac; bool table; };
  const Case cases[] = {
      {"piece far beyond", 0x10000000, 0, 0, true},
      {"fcMin above fcMac", 0, 0x800, 0x400, false},
      {"fcMac beyond the stream", 0, 0x400, 0x7FFFFFF0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WordStreamBuilder builder;
    builder.Utf16Piece(u"Hello\r");
    if (c.fcMin) builder.Set32(24, c.fcMin).Set32(28, c.fcMac);
    std::string table = builder.Table();
    if (c.fc) table.replace(table.size() - 6, 4, ByteWriter().U32(c.fc).Bytes());
    TMSWordDocument doc(nullptr);
    EXPECT_THAT([&] { ReadStreams(doc, builder.Main(), c.table ? &table : nullptr); },
                RaisesPieceOutOfRange());
    EXPECT_EQ(doc.Text()->Count(), 0);
  }
}

TEST(WordDocumentText, PositionsThatGoBackwardsRaise) {
  // Three pieces with positions 0, 10, 5, 30: the second counts 5 - 10 characters.
  ByteWriter table;
  table.U8(2).U32(40).U32(0).U32(10).U32(5).U32(30);
  for (uint32_t fc : {1024u, 1044u, 1054u}) table.U8(0).U8(0).U32(fc).U16(0);
  WordStreamBuilder builder;
  builder.Utf16Piece(std::u16string(30, u'x'));
  TMSWordDocument doc(nullptr);
  const std::string bytes = table.Bytes();
  EXPECT_THAT([&] { ReadStreams(doc, builder.Main(), &bytes); }, RaisesPieceOutOfRange());
  EXPECT_EQ(doc.Text()->Count(), 0);
}

// A table whose pieces all point at the same bytes would make the text many times
// larger than the stream: that is a damaged table, not text.
TEST(WordDocumentText, PiecesSharingBytesBeyondTheStreamSizeRaise) {
  WordStreamBuilder builder;
  builder.Utf16Piece(std::u16string(1000, u'x'));
  const std::string main = builder.Main();  // 1024 + 2000 bytes
  ByteWriter table;
  table.U8(2).U32(4 + 12 * 4);
  for (uint32_t i = 0; i <= 4; ++i) table.U32(i * 1000);
  for (int i = 0; i < 4; ++i) table.U8(0).U8(0).U32(1024).U16(0);
  TMSWordDocument doc(nullptr);
  const std::string bytes = table.Bytes();
  EXPECT_THAT([&] { ReadStreams(doc, main, &bytes); }, RaisesPieceOutOfRange());
}

TEST(WordDocumentText, PiecesInReverseFileOrderGiveTheTableOrder) {
  WordStreamBuilder builder;
  builder.Utf16Piece(u"0123456789");
  ByteWriter table;
  table.U8(2).U32(4 + 12 * 10);
  for (uint32_t i = 0; i <= 10; ++i) table.U32(i);
  for (uint32_t i = 0; i < 10; ++i) table.U8(0).U8(0).U32(1024 + 2 * (9 - i)).U16(0);
  TMSWordDocument doc(nullptr);
  const std::string bytes = table.Bytes();
  ReadStreams(doc, builder.Main(), &bytes);
  EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"9876543210", u""));
}

TEST(WordDocumentText, SixteenBitPieceLongerThanTheStreamRaisesReadError) {
  // The piece's end as a character count lies inside the stream, its bytes do not.
  WordStreamBuilder builder;
  builder.Utf16Piece(u"abcd");
  std::string main = builder.Main();
  main.resize(main.size() - 3);
  const std::string table = builder.Table();
  TMSWordDocument doc(nullptr);
  EXPECT_THROW(ReadStreams(doc, main, &table), EReadError);
  EXPECT_EQ(doc.Text()->Count(), 0);
}

TEST(WordDocumentText, Word2TextIsOneEightBitRun) {
  ByteWriter main;
  main.U16(0xA5DB).U16(45).U16(0).U16(0x0409).PadTo(24).U32(0x180).U32(0x180 + 17).PadTo(0x180);
  main.Raw("Old Word 2 text.\r").PadTo(512);
  TMSWordDocument doc(nullptr);
  int asked = 0;
  doc.SetOnGetDefaultLanguage([&](TObject*, uint16_t&) { ++asked; });
  ReadStreams(doc, main.Bytes(), nullptr);
  EXPECT_EQ(doc.DocVersion(), 2);
  EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"Old Word 2 text.\r\n", u""));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(doc.FootNoteText()->Count(), 0);

  // fcMac far beyond the file: the run is refused before anything is allocated.
  main.PutU32At(28, 0x7FFFFFFF);
  TMSWordDocument huge(nullptr);
  EXPECT_THROW(ReadStreams(huge, main.Bytes(), nullptr), EReadError);
  EXPECT_EQ(huge.Text()->Count(), 0);
}

TEST(WordDocumentText, EncryptedDocumentIsRefusedBeforeAnyText) {
  TMSWordDocument doc(nullptr);
  WordStreamBuilder builder;
  builder.Set8(11, 0x03).Utf16Piece(u"secret");
  EXPECT_THAT([&] { ReadBuilt(doc, builder); },
              testing::ThrowsMessage<Exception>(
                  testing::StrEq("Could not read the password protected file")));
  EXPECT_EQ(doc.Text()->Count(), 0);
}

TEST(WordDocumentText, WithoutTextItemOnlyTheHeaderIsRead) {
  TMSWordDocument doc(nullptr);
  doc.SetParseItems({wpiSummaryInformation});
  ReadBuilt(doc, WordStreamBuilder().Utf16Piece(u"text"));
  EXPECT_EQ(doc.DocVersion(), 8);
  EXPECT_EQ(doc.Text()->Count(), 0);
  EXPECT_EQ(doc.CLX.noPCD, 0u);
}

// Side stories follow the main text by character position, through the pieces; the
// fixture mixes 8-bit and 16-bit pieces that cross story boundaries.
TEST(WordDocumentText, Word97SideStoriesComeFromTheirCharacterRanges) {
  const std::u16string mainText = u"Main text.\r";                 // 11
  const std::u16string footnote = u"\u0002 Footnote.\r";           // 12
  const std::u16string header = u"Header \u0416.\r";               // 10
  const std::u16string macro = u"MACRO";                           // 5, skipped
  const std::u16string annotation = u"\u0005Note.\r";              // 7
  const std::u16string endnote = u"\u0002 End.\r";                 // 7
  const std::u16string textBox = u"Box.\r";                        // 5
  const std::u16string headerBox = u"HBox.\r";                     // 6
  const std::u16string all =
      mainText + footnote + header + macro + annotation + endnote + textBox + headerBox + u"\r";
  WordStreamBuilder builder;
  builder.Counts({11, 12, 10, 5, 7, 7, 5, 6});
  builder.Utf16Piece(all.substr(0, 15));                      // main text and part of the footnote
  builder.AnsiPiece("otnote.\rHeader ");                      // the footnote's end and the header's start
  builder.Utf16Piece(all.substr(30));                          // the rest
  ASSERT_EQ(all.substr(15, 15), u"otnote.\rHeader ");
  // A macro field table pointing at text bytes is not text.
  builder.Set32(314, WordStreamBuilder::TextStart).Set32(318, 40);
  TMSWordDocument doc(nullptr);
  ReadBuilt(doc, builder);
  // The main text holds every piece; the side lists get their own stories.
  EXPECT_THAT(Lines(doc.FootNoteText()), ElementsAre(u" Footnote.\r\n"));
  EXPECT_THAT(Lines(doc.HeaderText()), ElementsAre(u"Header \u0416.\r\n"));
  EXPECT_THAT(Lines(doc.AnnotationText()), ElementsAre(u"Note.\r\n"));
  EXPECT_THAT(Lines(doc.EndNoteText()), ElementsAre(u" End.\r\n"));
  EXPECT_THAT(Lines(doc.TextBoxText()), ElementsAre(u"Box.\r\nHBox.\r\n"));
  EXPECT_THAT(Lines(doc.MacroText()), IsEmpty());
  EXPECT_THAT(Lines(doc.FooterText()), IsEmpty());
}

TEST(WordDocumentText, StoryCountsBeyondThePiecesGiveEmptyLists) {
  struct Case { size_t offset; uint32_t count; };
  const Case cases[] = {{80, 0x7FFFFFF0}, {84, 0xFFFFFF00}, {92, 0xFFFFFFFF}, {104, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    TMSWordDocument doc(nullptr);
    WordStreamBuilder builder;
    builder.Counts({22}).Set32(c.offset, c.count).Utf16Piece(u"Hello, hostile world.\r");
    ReadBuilt(doc, builder);
    EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"Hello, hostile world.\r\n", u""));
    for (const TWideStrings* list : {doc.FootNoteText(), doc.HeaderText(), doc.AnnotationText(),
                                     doc.EndNoteText(), doc.TextBoxText()})
      EXPECT_EQ(list->Count(), 0);
  }
}

TEST(WordDocumentText, Word6SideStoriesAreBytesAfterTheMainText) {
  // ccpText 100 at fcMin 0x600, ccpFtn 20: the footnote is the 20 bytes from 0x664.
  ByteWriter main;
  main.U16(0xA5EC).U16(104).U16(0).U16(0x0419).PadTo(24).U32(0x600).U32(0x600 + 130);
  main.PadTo(0x600).PutU32At(52, 100).PutU32At(56, 20).PutU32At(60, 10);
  main.Raw(std::string(99, 'm')).Raw("\r").Raw("Footnote \xC6\xE8\xE2 texts.\r").Raw("Header 12\r");
  ASSERT_EQ(main.Size(), 0x600u + 130);
  main.PadTo(0x600 + 140);
  TMSWordDocument doc(nullptr);
  ReadStreams(doc, main.Bytes(), nullptr);
  EXPECT_EQ(doc.DocVersion(), 7);
  EXPECT_THAT(Lines(doc.FootNoteText()), ElementsAre(u"Footnote \u0416\u0438\u0432 texts.\r\n"));
  EXPECT_THAT(Lines(doc.HeaderText()), ElementsAre(u"Header 12\r\n"));
}
