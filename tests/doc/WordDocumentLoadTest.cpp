// Loading ".doc" files and streams end to end: compound files built in the tests,
// the oldest plain Word files, and the crafted hostile files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/doc/WordDocument.h"
#include "msword/storage/StorageError.h"
#include "support/ByteWriter.h"
#include "support/CompoundFileBuilder.h"
#include "support/SharedData.h"
#include "support/WordStreamBuilder.h"

using namespace msword;
using kvtest::ByteWriter;
using kvtest::CompoundFileBuilder;
using kvtest::WordStreamBuilder;
using testing::ElementsAre;

namespace {

// A summary property set with one 8-bit text property (id 2 is the title; in the
// document summary set id 15 is the company).
std::string TextPropertySet(uint32_t id, std::string_view text) {
  ByteWriter w;
  w.U16(0xFFFE).U16(0).U32(0x00020006).Fill(16).U32(1).Fill(16).U32(48);
  w.U32(8 + 8 + 8 + uint32_t(text.size())).U32(1).U32(id).U32(16);
  w.U32(30).U32(uint32_t(text.size())).Raw(text).PadTo((w.Size() + 3) / 4 * 4);
  return w.Bytes();
}

std::string SummaryStream(std::string_view title) { return TextPropertySet(2, title); }

// A plain (non-compound) Word 2 file: 8-bit text from 0x180 to fcMac.
std::string Word2File(std::string_view text, uint16_t wIdent = 0xA5DB) {
  ByteWriter w;
  w.U16(wIdent).U16(45).U16(0).U16(0x0409).PadTo(0x180).Raw(text).PadTo(512);
  w.PutU32At(24, 0x180).PutU32At(28, uint32_t(0x180 + text.size()));
  w.PutU32At(52, uint32_t(text.size()));  // ccpText
  return w.Bytes();
}

// A temporary file that is removed again.
class TTempFile {
 public:
  explicit TTempFile(const std::string& Bytes, const char* Name = "doc") {
    FPath = std::filesystem::temp_directory_path() /
            ("kvword-load-" + std::to_string(::getpid()) + "-" + std::to_string(++FCounter) + "-" + Name);
    std::ofstream(FPath, std::ios::binary) << Bytes;
  }
  ~TTempFile() { std::filesystem::remove(FPath); }
  std::u16string Name() const { return Utf8ToWide(FPath.string()); }

 private:
  static inline int FCounter = 0;
  std::filesystem::path FPath;
};

std::vector<std::u16string> Lines(const TWideStrings* list) { return list->Lines(); }

std::optional<std::string> LoadBytes(TMSWordDocument& doc, const std::string& bytes) {
  TMemoryStream stream(bytes);
  try {
    doc.LoadFromStream(&stream);
  } catch (const Exception& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

}  // namespace

TEST(WordDocumentLoad, CompoundFileGivesTextSideTextsAndSummary) {
  WordStreamBuilder word;
  word.Utf16Piece(u"Body text\r").Utf16Piece(u"A footnote\r").Counts({10, 11});
  const std::string file = CompoundFileBuilder()
                               .AddStream(u"1Table", word.Table())
                               .AddStream(u"WordDocument", word.Main())
                               .AddStream(u"\005SummaryInformation", SummaryStream("Quarterly report"))
                               .AddStream(u"\005DocumentSummaryInformation", TextPropertySet(15, "Acme"))
                               .Bytes();
  TTempFile temp(file);
  for (bool fromFile : {true, false}) {
    SCOPED_TRACE(fromFile ? "LoadFromFile" : "LoadFromStream");
    TMSWordDocument doc(nullptr);
    if (fromFile)
      doc.LoadFromFile(temp.Name());
    else
      EXPECT_EQ(LoadBytes(doc, file), std::nullopt);
    EXPECT_EQ(doc.DocVersion(), 8);
    // The main text holds every piece; the footnote story has a list of its own.
    EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"Body text\r\nA footnote\r\n", u""));
    EXPECT_THAT(Lines(doc.FootNoteText()), ElementsAre(u"A footnote\r\n"));
    EXPECT_EQ(doc.SummaryInformation()->Title(), u"Quarterly report");
    EXPECT_EQ(doc.SummaryInformation()->Company(), u"Acme");
  }
}

TEST(WordDocumentLoad, OnlyTheItemsAskedForAreRead) {
  WordStreamBuilder word;
  word.Utf16Piece(u"Body\r");
  const std::string file = CompoundFileBuilder()
                               .AddStream(u"1Table", word.Table())
                               .AddStream(u"WordDocument", word.Main())
                               .AddStream(u"\005SummaryInformation", SummaryStream("Title"))
                               .Bytes();
  TMSWordDocument textOnly(nullptr);
  textOnly.SetParseItems({wpiText});
  EXPECT_EQ(LoadBytes(textOnly, file), std::nullopt);
  EXPECT_THAT(Lines(textOnly.Text()), ElementsAre(u"", u"Body\r\n", u""));
  EXPECT_EQ(textOnly.SummaryInformation()->Title(), u"");

  // A second load without wpiText leaves no text of the first behind.
  textOnly.SetParseItems({wpiSummaryInformation});
  EXPECT_EQ(LoadBytes(textOnly, file), std::nullopt);
  EXPECT_EQ(textOnly.Text()->Count(), 0);
  EXPECT_EQ(textOnly.SummaryInformation()->Title(), u"Title");
}

// A WordDocument entry that records 2 GiB for a stream of a few sectors, and a piece
// that claims a gigabyte of text in it: the piece is out of range at once, with
// nothing allocated or read for the claim.
TEST(WordDocumentLoad, GigabytePieceInAnOversizedStreamEntryIsOutOfRange) {
  WordStreamBuilder word;
  word.Utf16Piece(u"Body\r").Counts({0x3FFFFFF0});
  const std::string table =
      ByteWriter().U8(2).U32(16).U32(0).U32(0x3FFFFFF0).U8(0).U8(0).U32(1024).U16(0).Bytes();
  ASSERT_EQ(table.size(), word.Table().size());
  std::string main = word.Main();
  main.resize(8192);  // a stream of sectors in the file, not of the mini stream
  auto image = CompoundFileBuilder().AddStream(u"1Table", table).AddStream(u"WordDocument", main).Build();
  image.PutU32(image.EntryOffset(u"WordDocument") + 120, 0x7FFFFFF0);
  TMSWordDocument doc(nullptr);
  EXPECT_EQ(LoadBytes(doc, image.Bytes), std::optional<std::string>("Piece Bounds out of range"));
  EXPECT_EQ(doc.Text()->Count(), 0);
}

// Word writes a new table stream of the other name at each full save; the FIB
// names the current one, and an old one may stay beside it.
TEST(WordDocumentLoad, TableStreamIsTheOneTheHeaderNames) {
  // The main stream holds "Current\r" and "Stale!!\r" in UTF-16 from offset 1024;
  // each table has one piece of 8 characters at one of them.
  auto table = [](uint32_t fc) {
    return ByteWriter().U8(2).U32(16).U32(0).U32(8).U8(0).U8(0).U32(fc).U16(0).Bytes();
  };
  const std::string current = table(1024), stale = table(1024 + 16);
  struct Case { uint8_t flags; bool with0, with1; const char16_t* text; };
  const Case cases[] = {{0x02, true, true, u"Current\r\n"},   // bit set: 1Table
                        {0x00, true, true, u"Current\r\n"},   // bit clear: 0Table
                        {0x00, false, true, u"Stale!!\r\n"},  // the named one is missing
                        {0x02, true, false, u"Stale!!\r\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.flags) << c.with0 << c.with1);
    WordStreamBuilder word;
    word.Utf16Piece(u"Current\r").Utf16Piece(u"Stale!!\r").Counts({8}).Set8(11, c.flags);
    const bool named1 = c.flags & 0x02;
    CompoundFileBuilder builder;
    if (c.with0) builder.AddStream(u"0Table", named1 ? stale : current);
    if (c.with1) builder.AddStream(u"1Table", named1 ? current : stale);
    builder.AddStream(u"WordDocument", word.Main());
    TMSWordDocument doc(nullptr);
    EXPECT_EQ(LoadBytes(doc, builder.Bytes()), std::nullopt);
    EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", c.text, u""));
  }
}

TEST(WordDocumentLoad, EncryptedDocumentRaisesThePasswordMessage) {
  WordStreamBuilder word;
  word.Utf16Piece(u"Secret\r").Set8(11, 0x03);
  const std::string file = CompoundFileBuilder()
                               .AddStream(u"1Table", word.Table())
                               .AddStream(u"WordDocument", word.Main())
                               .AddStream(u"\005SummaryInformation", SummaryStream("Title"))
                               .Bytes();
  for (TKvWParseItems items : {TKvWParseItems{wpiText, wpiSummaryInformation}, TKvWParseItems{wpiSummaryInformation}}) {
    TMSWordDocument doc(nullptr);
    doc.SetParseItems(items);
    EXPECT_EQ(LoadBytes(doc, file), std::optional<std::string>("Could not read the password protected file"));
    EXPECT_EQ(doc.Text()->Count(), 0);
    EXPECT_EQ(doc.SummaryInformation()->Title(), u"");
  }
}

TEST(WordDocumentLoad, CompoundFileWithoutWordDocumentLoadsItsSummaryOnly) {
  const std::string file = CompoundFileBuilder()
                               .AddStream(u"Workbook", std::string(64, 'x'))
                               .AddStream(u"\005SummaryInformation", SummaryStream("Sheet"))
                               .Bytes();
  TTempFile temp(file);
  TMSWordDocument doc(nullptr);
  doc.LoadFromFile(temp.Name());
  EXPECT_EQ(doc.Text()->Count(), 0);
  EXPECT_EQ(doc.SummaryInformation()->Title(), u"Sheet");
}

TEST(WordDocumentLoad, ElementNamesIgnoreLetterCase) {
  WordStreamBuilder word;
  word.Utf16Piece(u"Lower-case streams\r");
  const std::string file = CompoundFileBuilder()
                               .AddStream(u"1table", word.Table())
                               .AddStream(u"worddocument", word.Main())
                               .AddStream(u"\005summaryinformation", SummaryStream("Lower"))
                               .Bytes();
  TMSWordDocument doc(nullptr);
  EXPECT_EQ(LoadBytes(doc, file), std::nullopt);
  EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"Lower-case streams\r\n", u""));
  EXPECT_EQ(doc.SummaryInformation()->Title(), u"Lower");
}

TEST(WordDocumentLoad, DamagedWordDocumentChainRaisesTheLayersError) {
  WordStreamBuilder word;
  word.Utf16Piece(std::u16string(2000, u'x'));
  kvtest::CompoundFileImage image = CompoundFileBuilder()
                                        .AddStream(u"1Table", word.Table())
                                        .AddStream(u"WordDocument", word.Main())
                                        .AddStream(u"\005SummaryInformation", SummaryStream("Title"))
                                        .Build();
  // The chain of WordDocument ends after its first sector, well before its size.
  const uint32_t first = image.StartSector(u"WordDocument");
  image.PutU32(image.FatEntryOffset(first), 0xFFFFFFFE);
  TMSWordDocument doc(nullptr);
  TMemoryStream stream(image.Bytes);
  EXPECT_THROW(doc.LoadFromStream(&stream), storage::EStorageCorrupt);
  EXPECT_EQ(doc.Text()->Count(), 0);
}

TEST(WordDocumentLoad, PlainWordFilesWithTheFiveSignaturesAreRead) {
  for (uint16_t wIdent : {0xBE31, 0xBE32, 0x6031, 0xA59B, 0xA5DB}) {
    SCOPED_TRACE(wIdent);
    TTempFile temp(Word2File("Old text.\r", wIdent));
    TMSWordDocument doc(nullptr);
    doc.LoadFromFile(temp.Name());
    EXPECT_EQ(doc.DocVersion(), 2);
    EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"Old text.\r\n", u""));
  }
}

// Write and Word for DOS keep their text from offset 128 to the end that the word
// at offset 14 gives; their paragraphs end with CR LF.
TEST(WordDocumentLoad, WriteFilesAreReadFromTheirOwnHeader) {
  const std::string text = "First line.\r\nSecond line.\r\n";
  ByteWriter w;
  w.U16(0xBE31).U16(0).U16(0xAB00).Fill(8).U32(uint32_t(128 + text.size())).PadTo(128).Raw(text).PadTo(384);
  TTempFile temp(w.Bytes(), "write.wri");
  TMSWordDocument doc(nullptr);
  doc.LoadFromFile(temp.Name());
  EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"First line.\r\nSecond line.\r\n", u""));
  // An end beyond the file is a stream that ends too soon.
  w.PutU32At(14, 100000);
  TMSWordDocument cut(nullptr);
  EXPECT_EQ(LoadBytes(cut, w.Bytes()), std::optional<std::string>("Stream read error"));
}

TEST(WordDocumentLoad, FileThatIsNeitherCompoundNorPlainWordIsRefused) {
  for (const std::string& bytes : {std::string("Just some text in a file.\r\n"), std::string(), std::string("\xDB")}) {
    TTempFile temp(bytes, "text.doc");
    TMSWordDocument doc(nullptr);
    EXPECT_THAT([&] { doc.LoadFromFile(temp.Name()); },
                testing::ThrowsMessage<Exception>(testing::StrEq(
                    "File " + WideToUtf8(temp.Name()) + " is not valid MS Word document")));
  }
  TMSWordDocument doc(nullptr);
  EXPECT_THAT([&] { doc.LoadFromFile(u"/nonexistent/kvword/none.doc"); },
              testing::ThrowsMessage<Exception>(testing::StrEq("File /nonexistent/kvword/none.doc is not found.")));
}

TEST(WordDocumentLoad, StreamThatIsNoCompoundFileIsReadAsAMainStream) {
  TMSWordDocument doc(nullptr);
  EXPECT_EQ(LoadBytes(doc, Word2File("Streamed.\r")), std::nullopt);
  EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"Streamed.\r\n", u""));
  EXPECT_EQ(LoadBytes(doc, ""), std::optional<std::string>("Stream read error"));
  EXPECT_EQ(doc.Text()->Count(), 0);
}

// The document's offsets count from where its bytes begin in the caller's stream.
TEST(WordDocumentLoad, DocumentAfterABdocHeaderIsReadFromItsOwnStart) {
  for (const std::string& inner :
       {Word2File("Behind a header.\r"), [] {
          WordStreamBuilder word;
          word.Utf16Piece(u"Behind a header.\r");
          return CompoundFileBuilder().AddStream(u"1Table", word.Table()).AddStream(u"WordDocument", word.Main()).Bytes();
        }()}) {
    TMemoryStream stream(std::string("BDOC") + std::string(8, '\0') + inner);
    TMSWordDocument doc(nullptr);
    doc.LoadFromOLEStream(&stream);
    EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"Behind a header.\r\n", u""));
  }
}

TEST(WordDocumentLoad, EveryLoadStartsWithAnEmptySummary) {
  WordStreamBuilder word;
  word.Utf16Piece(u"Word 97\r");
  TTempFile word97(CompoundFileBuilder()
                       .AddStream(u"1Table", word.Table())
                       .AddStream(u"WordDocument", word.Main())
                       .AddStream(u"\005SummaryInformation", SummaryStream("Earlier title"))
                       .Bytes());
  TTempFile word2(Word2File("Word 2\r"));
  TMSWordDocument doc(nullptr);
  doc.LoadFromFile(word97.Name());
  EXPECT_EQ(doc.SummaryInformation()->Title(), u"Earlier title");
  doc.LoadFromFile(word2.Name());
  EXPECT_EQ(doc.SummaryInformation()->Title(), u"");
  EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"Word 2\r\n", u""));
}

namespace {

struct THostileLoad {
  std::optional<std::string> Error;
  std::vector<std::u16string> Text, Macros;
  std::u16string Title, Author, Company;
  int32_t DocVersion = -1;
};

THostileLoad LoadHostile(const char* name, TKvWParseItems items = {wpiText, wpiSummaryInformation}) {
  TMSWordDocument doc(nullptr);
  doc.SetParseItems(items);
  THostileLoad r;
  try {
    doc.LoadFromFile(Utf8ToWide((kvtest::HostileDir() / "files" / name).string()));
  } catch (const Exception& e) {
    r.Error = e.what();
  }
  r.Text = Lines(doc.Text());
  r.Macros = Lines(doc.MacroText());
  r.Title = doc.SummaryInformation()->Title();
  r.Author = doc.SummaryInformation()->Author();
  r.Company = doc.SummaryInformation()->Company();
  r.DocVersion = doc.DocVersion();
  return r;
}

const std::vector<std::u16string> kBaseText = {u"", u"Hello, hostile world.\r\n", u""};

}  // namespace

TEST(WordDocumentLoadHostile, SoundOrToleratedFilesLoadLikeTheBaseline) {
  KVTEST_REQUIRE_DIR(kvtest::HostileDir());
  for (const char* file :
       {"base_valid.doc", "base_valid_v4_4096.doc", "cfb_dir_long_chain.doc", "cfb_dir_sibling_cycle.doc",
        "cfb_dir_child_cycle.doc", "cfb_v3_size_high_dword.doc", "cfb_ministream_boundary.doc",
        "cfb_ministream_boundary_swapped.doc", "cfb_ministream_cutoff_field.doc", "cfb_stream_size_huge.doc",
        "doc_lcbclx_huge.doc", "doc_ccpftn_huge.doc", "doc_ccphdr_negative.doc", "doc_plcffldmcr_beyond.doc"}) {
    SCOPED_TRACE(file);
    const THostileLoad r = LoadHostile(file);
    EXPECT_EQ(r.Error, std::nullopt);
    EXPECT_EQ(r.DocVersion, 8);
    EXPECT_EQ(r.Text, kBaseText);
    EXPECT_EQ(r.Title, u"Hostile baseline");
    EXPECT_EQ(r.Author, u"Test Author");
    EXPECT_EQ(r.Company, u"Hostile Corp");
  }
}

// A property set that ends before a value it announces ends the visit: the
// document summary set, which comes after it, is never read.
TEST(WordDocumentLoadHostile, DamagedSummaryEndsTheVisit) {
  KVTEST_REQUIRE_DIR(kvtest::HostileDir());
  for (const char* file : {"prop_count_2pow31.doc", "prop_offset_past_end.doc", "prop_strlen_4g.doc"}) {
    SCOPED_TRACE(file);
    const THostileLoad r = LoadHostile(file);
    EXPECT_EQ(r.Error, std::nullopt);
    EXPECT_EQ(r.Text, kBaseText);
    EXPECT_EQ(r.Title, u"Hostile baseline");
    EXPECT_EQ(r.Company, u"");
    if (std::string(file) != "prop_count_2pow31.doc") {
      EXPECT_EQ(r.Author, u"");
    }
  }
}

TEST(WordDocumentLoadHostile, DamagedFilesRaiseTheirMessage) {
  KVTEST_REQUIRE_DIR(kvtest::HostileDir());
  const std::string damaged = "Compound file is damaged: ";
  struct Case { const char* file; std::string message; };
  const Case cases[] = {
      {"doc_encrypted.doc", "Could not read the password protected file"},
      {"doc_fcmin_gt_fcmac.doc", "Piece Bounds out of range"},
      {"doc_fcmac_beyond_stream.doc", "Piece Bounds out of range"},
      {"doc_pieces_not_increasing.doc", "Piece Bounds out of range"},
      {"doc_piece_fc_beyond.doc", "Piece Bounds out of range"},
      {"doc_clx_truncated.doc", "Stream read error"},
      {"word2_fcmac_huge.doc", "Stream read error"},
      {"cfb_fat_loop_stream.doc", damaged + "the chain of stream \"WordDocument\" loops"},
      {"cfb_fat_loop_directory.doc", damaged + "the chain of the directory loops"},
      {"cfb_fat_chain_past_eof.doc", damaged + "the chain of stream \"WordDocument\" leaves the allocation table"},
      {"cfb_stream_start_past_eof.doc", damaged + "the chain of stream \"WordDocument\" leaves the allocation table"},
      {"cfb_difat_loop.doc", damaged + "the FAT claims more sectors than the file holds"},
      {"cfb_sector_shift_7.doc", damaged + "a version 3 file must have 512-byte sectors"},
      {"cfb_sector_shift_16.doc", damaged + "a version 3 file must have 512-byte sectors"},
      {"cfb_sector_shift_40.doc", damaged + "a version 3 file must have 512-byte sectors"},
      {"cfb_mini_sector_shift_31.doc", damaged + "the mini sector size must be 64 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const THostileLoad r = LoadHostile(c.file);
    EXPECT_EQ(r.Error, std::optional<std::string>(c.message));
    EXPECT_TRUE(r.Text.empty());
    EXPECT_EQ(r.Title, u"");
  }
  // The summary set lies beyond the end of the mini stream; the text was read before.
  const THostileLoad r = LoadHostile("cfb_ministream_truncated.doc");
  EXPECT_EQ(r.Error, damaged + "stream \"\x05SummaryInformation\" lies beyond the end of the mini stream");
  EXPECT_EQ(r.Text, kBaseText);
  EXPECT_EQ(r.Title, u"");
}

TEST(WordDocumentLoadHostile, PlainWord2FileIsReadThroughTheNonCompoundPath) {
  KVTEST_REQUIRE_DIR(kvtest::HostileDir());
  const THostileLoad r = LoadHostile("base_word2_plain.doc");
  EXPECT_EQ(r.Error, std::nullopt);
  EXPECT_EQ(r.DocVersion, 2);
  EXPECT_THAT(r.Text, ElementsAre(u"", u"Old Word 2 text.\r\n", u""));
  EXPECT_EQ(r.Title, u"");
}

TEST(WordDocumentLoadHostile, MacroStoragesGiveTheirModulesOrNothing) {
  KVTEST_REQUIRE_DIR(kvtest::HostileDir());
  const TKvWParseItems vba{wpiText, wpiVBA};
  const THostileLoad base = LoadHostile("vba_baseline.doc", vba);
  EXPECT_EQ(base.Error, std::nullopt);
  EXPECT_EQ(base.Text, kBaseText);
  ASSERT_EQ(base.Macros.size(), 4u);
  EXPECT_EQ(base.Macros[0], u"'===================================");
  EXPECT_EQ(base.Macros[1], u"'  Macro(s) from Module1");
  EXPECT_EQ(base.Macros[2], base.Macros[0]);
  EXPECT_TRUE(base.Macros[3].size() > 2 && base.Macros[3].ends_with(u"\r\n"));
  EXPECT_TRUE(LoadHostile("vba_baseline.doc").Macros.empty());

  for (const char* file : {"vba_strings_over_32k.doc", "vba_module_offset_beyond.doc", "cfb_dir_child_cycle.doc"}) {
    SCOPED_TRACE(file);
    const THostileLoad r = LoadHostile(file, vba);
    EXPECT_EQ(r.Error, std::nullopt);
    EXPECT_EQ(r.Text, kBaseText);
    EXPECT_TRUE(r.Macros.empty());
  }
  // Copies from before the start of the output read the window's zeros.
  const THostileLoad zeros = LoadHostile("vba_copy_tokens_before_start.doc", vba);
  EXPECT_EQ(zeros.Error, std::nullopt);
  ASSERT_EQ(zeros.Macros.size(), 4u);
  EXPECT_TRUE(zeros.Macros[3] == std::u16string(4096, u'\0') + u"\r\n");
}
