// The walk over a VBA project's storage that both Word readers share: where in the
// storage tree the project's streams are found.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msword/base/VBAProjectItems.h"
#include "msword/base/WideStrings.h"
#include "msword/storage/CompoundFile.h"
#include "msword/storage/Storage.h"
#include "msword/vba/VBAProjectStorage.h"
#include "support/ByteWriter.h"
#include "support/CompoundFileBuilder.h"

using namespace msword;
using kvtest::ByteWriter;

namespace {

// A container of literal tokens only.
std::string Compressed(const std::string& Source) {
  ByteWriter chunk;
  for (size_t i = 0; i < Source.size(); i += 8) chunk.U8(0).Raw(Source.substr(i, 8));
  return ByteWriter().U8(1).U16(uint16_t(0xB000 | (chunk.Size() - 1))).Raw(chunk.Bytes()).Bytes();
}

// A "dir" stream that lists one module, Mod, whose source starts at offset 0.
std::string Dir() {
  ByteWriter dir;
  dir.U16(0x0009).U32(4).U32(0x65BE0257).U16(17);
  dir.U16(0x0019).U32(3).Raw("Mod").U16(0x001A).U32(3).Raw("Mod").U16(0x0032).U32(6).Utf16(u"Mod");
  dir.U16(0x0031).U32(4).U32(0).U16(0x002B).U32(0).U16(0x0010).U32(0);
  return Compressed(dir.Bytes());
}

}  // namespace

TEST(VBAProjectStorage, ProjectStreamsAreFoundAtMostFifteenStoragesBelowTheRoot) {
  struct Case {
    int depth;  // storages between the root and the project's streams
    bool read;
  };
  for (const Case c : {Case{0, true}, Case{3, true}, Case{15, true}, Case{16, false}, Case{40, false}}) {
    SCOPED_TRACE(c.depth);
    std::u16string folder;
    for (int i = 0; i < c.depth; ++i) folder += u"S" + std::u16string(1, char16_t(u'a' + i % 26)) + u"/";
    const std::string file = kvtest::CompoundFileBuilder()
                                 .AddStream(folder + u"PROJECT", "ID=\"{1}\"\r\n")
                                 .AddStream(folder + u"dir", Dir())
                                 .AddStream(folder + u"Mod", Compressed("Sub M()\r\n"))
                                 .Bytes();
    const auto compound = storage::TCompoundFile::OpenMemory(file);
    const std::unique_ptr<storage::TStorage> root = compound->Root();
    TVBAProjectItems items;
    std::u16string project;
    ReadVBAProjectStreams(*root, items, project);
    ReadVBAModuleSources(*root, items);
    TWideStrings macroText;
    AddVBAMacroText(items, macroText);
    if (c.read) {
      EXPECT_EQ(project, u"ID=\"{1}\"\r\n");
      ASSERT_EQ(items.Count(), 1);
      EXPECT_EQ(items.Items(0)->Body, "Sub M()\r\n");
      EXPECT_EQ(macroText.Lines(), (std::vector<std::u16string>{u"'===================================",
                                                                 u"'  Macro(s) from Mod",
                                                                 u"'===================================",
                                                                 u"Sub M()\r\n\r\n"}));
    } else {
      EXPECT_EQ(project, u"");
      EXPECT_EQ(items.Count(), 0);
      EXPECT_EQ(macroText.Count(), 0);
    }
  }
}
