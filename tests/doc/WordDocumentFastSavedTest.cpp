// Word 6 and 95 documents saved with fast saves: the text is put together by the
// piece table in the main stream, not read from fcMin on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "msword/base/Streams.h"
#include "msword/doc/WordDocument.h"
#include "support/ByteWriter.h"
#include "support/SharedData.h"

using namespace msword;
using kvtest::ByteWriter;
using testing::ElementsAre;

namespace {

constexpr uint32_t FcMin = 0x600;
constexpr uint32_t FcClx = 0x700;

struct TPiece {
  uint32_t Chars;
  uint32_t Fc;
};

// A Word 95 main stream in Russian: an earlier draft at fcMin ("Old draft\r"
// and the note "Old\r"), the edits appended after it, and a piece table at 0x700
// that puts "New draft\r" and the footnote "Сноска\r" together from them.
struct TFastSaved {
  uint8_t Flags = 0x04;  // complex
  std::vector<TPiece> Pieces = {{4, 0x660}, {6, 0x643}, {7, 0x680}};
  uint32_t PlcSize = 0;  // 0: the size the pieces need
  uint32_t LcbClx = 1;   // only its being nonzero counts

  std::string Main() const {
    ByteWriter main;
    main.U16(0xA5EC).U16(104).U16(0).U16(0x0419).PadTo(10).U8(Flags);
    main.PadTo(24).U32(FcMin).U32(0x690).PadTo(FcMin);
    main.PutU32At(52, 10).PutU32At(56, 7);     // ccpText, ccpFtn
    main.PutU32At(352, FcClx).PutU32At(356, LcbClx);
    main.Raw("Old draft\rOld\r");
    main.PadTo(0x640).Raw("Ol draft\r");        // "draft\r" at 0x643
    main.PadTo(0x660).Raw("New ");
    main.PadTo(0x680).Raw("\xD1\xED\xEE\xF1\xEA\xE0\r");
    main.PadTo(FcClx).U8(2).U32(PlcSize ? PlcSize : uint32_t(4 + 12 * Pieces.size()));
    uint32_t cp = 0;
    main.U32(cp);
    for (const TPiece& piece : Pieces) main.U32(cp += piece.Chars);
    for (const TPiece& piece : Pieces) main.U8(0).U8(0).U32(piece.Fc).U16(0);
    main.PadTo(0x800);
    return main.Bytes();
  }
};

bool Contains(const std::u16string& text, std::u16string_view part) {
  return text.find(part) != std::u16string::npos;
}

struct TRead {
  std::vector<std::u16string> Text, FootNotes;
};

TRead Read(const TFastSaved& file) {
  TMSWordDocument doc(nullptr);
  TMemoryStream main(file.Main());
  doc.ReadDocStreams(&main, nullptr);
  return {doc.Text()->Lines(), doc.FootNoteText()->Lines()};
}

}  // namespace

TEST(WordDocumentFastSaved, PieceTableInTheMainStreamPutsTheTextTogether) {
  const TRead read = Read(TFastSaved{});
  EXPECT_THAT(read.Text, ElementsAre(u"", u"New draft\r\n\u0421\u043D\u043E\u0441\u043A\u0430\r\n", u""));
  EXPECT_THAT(read.FootNotes, ElementsAre(u"\u0421\u043D\u043E\u0441\u043A\u0430\r\n"));
}

TEST(WordDocumentFastSaved, WithoutAUsableTableTheTextFromFcMinIsRead) {
  // Each of these reads the earlier draft as before, without an error.
  struct Case { const char* name; TFastSaved file; };
  std::vector<Case> cases;
  cases.push_back({"not fast-saved", TFastSaved{}});
  cases.back().file.Flags = 0;
  cases.push_back({"no table", TFastSaved{}});
  cases.back().file.LcbClx = 0;
  cases.push_back({"a table larger than the stream", TFastSaved{}});
  cases.back().file.PlcSize = 0x10000;
  cases.push_back({"a table of no piece", TFastSaved{}});
  cases.back().file.PlcSize = 4;
  cases.push_back({"positions going backwards", TFastSaved{}});
  cases.back().file.Pieces = {{4, 0x660}, {0xFFFFFFFF, 0x643}, {7, 0x680}};
  cases.push_back({"a piece beyond the stream", TFastSaved{}});
  cases.back().file.Pieces = {{4, 0x660}, {6, 0x7FE}, {7, 0x680}};
  cases.push_back({"a piece starting beyond the stream", TFastSaved{}});
  cases.back().file.Pieces = {{4, 0x660}, {6, 0x40000643}, {7, 0x680}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TRead read = Read(c.file);
    ASSERT_EQ(read.Text.size(), 3u);
    EXPECT_TRUE(Contains(read.Text[1], u"Old draft\r\nOld\r\n"));
    EXPECT_THAT(read.FootNotes, ElementsAre(u"Old\r\n"));
  }
}

TEST(WordDocumentFastSaved, CorpusDocumentsShowTheirLastEdits) {
  KVTEST_REQUIRE_DIR(kvtest::CorpusDir());
  struct Case { const char* file; std::u16string edited, stale; };
  const Case cases[] = {
      // Word 95, Russian: a spelling corrected in a later session.
      {"d0148-Bug50955.doc", u"\u0442\u0435\u0431\u0435 \u0445\u043E\u0447\u0435\u0442\u0441\u044F "
                             u"\u043F\u0440\u043E\u0431\u0435\u0436\u0430\u0442\u044C\u0441\u044F",
       u"\u0442\u0435\u0431\u0435 \u0445\u043E\u0447\u0435\u0442\u044C\u0441\u044F "
       u"\u043F\u0440\u043E\u0431\u0435\u0436\u0430\u0442\u044C\u0441\u044F"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::filesystem::path path = kvtest::CorpusDir() / "files" / c.file;
    if (!std::filesystem::exists(path)) continue;
    TMSWordDocument doc(nullptr);
    doc.LoadFromFile(path.u16string());
    EXPECT_EQ(doc.DocVersion(), 7);
    const std::u16string text = doc.Text()->GetText();
    EXPECT_TRUE(Contains(text, c.edited));
    EXPECT_FALSE(Contains(text, c.stale));
  }
}
