// The crafted hostile ".doc" files, read stream by stream through ReadDocStreams.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/doc/WordDocument.h"
#include "msword/storage/CompoundFile.h"
#include "support/SharedData.h"

using namespace msword;
using testing::ElementsAre;

namespace {

std::string StreamBytes(storage::TStorageStream& stream) {
  std::string bytes(size_t(stream.Size()), '\0');
  stream.Seek(0, soBeginning);
  bytes.resize(stream.Read(bytes.data(), bytes.size()));
  return bytes;
}

// Reads the named hostile file's WordDocument and table streams (a file that is no
// compound file is one main stream); answers the message of what was raised.
std::optional<std::string> ReadHostile(TMSWordDocument& doc, const char* name) {
  const auto path = kvtest::HostileDir() / "files" / name;
  const std::string file = kvtest::ReadFileBytes(path);
  std::string main = file, table;
  bool hasTable = false;
  if (storage::IsCompoundFile(path.u16string())) {
    auto compound = storage::TCompoundFile::OpenMemory(file);
    auto root = compound->Root();
    main = StreamBytes(*root->OpenStream(u"WordDocument"));
    auto tableStream = root->OpenStream(u"1Table");
    if (!tableStream) tableStream = root->OpenStream(u"0Table");
    if (tableStream) {
      table = StreamBytes(*tableStream);
      hasTable = true;
    }
  }
  TMemoryStream mainStream(main), tableStream(table);
  try {
    doc.ReadDocStreams(&mainStream, hasTable ? &tableStream : nullptr);
  } catch (const Exception& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

std::vector<std::u16string> Lines(const TWideStrings* list) { return list->Lines(); }

}  // namespace

TEST(WordDocumentHostile, DamagedDocumentsRaiseTheirMessageWithNoText) {
  KVTEST_REQUIRE_DIR(kvtest::HostileDir());
  struct Case { const char* file; const char* message; };
  const Case cases[] = {{"doc_encrypted.doc", "Could not read the password protected file"},
                        {"doc_fcmin_gt_fcmac.doc", "Piece Bounds out of range"},
                        {"doc_fcmac_beyond_stream.doc", "Piece Bounds out of range"},
                        {"doc_pieces_not_increasing.doc", "Piece Bounds out of range"},
                        {"doc_piece_fc_beyond.doc", "Piece Bounds out of range"},
                        {"doc_clx_truncated.doc", "Stream read error"},
                        {"word2_fcmac_huge.doc", "Stream read error"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TMSWordDocument doc(nullptr);
    EXPECT_EQ(ReadHostile(doc, c.file), std::optional<std::string>(c.message));
    EXPECT_EQ(doc.Text()->Count(), 0);
  }
}

TEST(WordDocumentHostile, SoundAndOversizedCountsGiveTheBaselineText) {
  KVTEST_REQUIRE_DIR(kvtest::HostileDir());
  for (const char* file : {"base_valid.doc", "base_valid_v4_4096.doc", "doc_lcbclx_huge.doc",
                           "doc_ccpftn_huge.doc", "doc_ccphdr_negative.doc",
                           "doc_plcffldmcr_beyond.doc"}) {
    SCOPED_TRACE(file);
    TMSWordDocument doc(nullptr);
    EXPECT_EQ(ReadHostile(doc, file), std::nullopt);
    EXPECT_EQ(doc.DocVersion(), 8);
    EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"Hello, hostile world.\r\n", u""));
    for (const TWideStrings* list : {doc.FootNoteText(), doc.HeaderText(), doc.AnnotationText(),
                                     doc.EndNoteText(), doc.TextBoxText(), doc.MacroText()})
      EXPECT_EQ(list->Count(), 0);
  }
}

TEST(WordDocumentHostile, PieceTablesOfFiveHundredAndMorePiecesAreUsed) {
  KVTEST_REQUIRE_DIR(kvtest::HostileDir());
  std::u16string reversed;
  for (int i = 0; i < 50; ++i) reversed += u"9876543210";
  TMSWordDocument doc(nullptr);
  EXPECT_EQ(ReadHostile(doc, "doc_pieces_500.doc"), std::nullopt);
  EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", reversed, u""));
  TMSWordDocument over(nullptr);
  EXPECT_EQ(ReadHostile(over, "doc_pieces_501.doc"), std::nullopt);
  EXPECT_THAT(Lines(over.Text()), ElementsAre(u"", u"0" + reversed, u""));
}

TEST(WordDocumentHostile, Word2PlainFileIsOneRun) {
  KVTEST_REQUIRE_DIR(kvtest::HostileDir());
  TMSWordDocument doc(nullptr);
  EXPECT_EQ(ReadHostile(doc, "base_word2_plain.doc"), std::nullopt);
  EXPECT_EQ(doc.DocVersion(), 2);
  EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"Old Word 2 text.\r\n", u""));
  EXPECT_EQ(doc.FootNoteText()->Count(), 0);
}
