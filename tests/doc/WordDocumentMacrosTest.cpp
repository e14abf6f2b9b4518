// The VBA macros of a ".doc" file's "Macros" storage, loaded end to end.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "msword/base/Streams.h"
#include "msword/vba/VBAProject.h"
#include "msword/doc/WordDocument.h"
#include "msword/storage/StorageError.h"
#include "support/ByteWriter.h"
#include "support/CompoundFileBuilder.h"
#include "support/WordStreamBuilder.h"

using namespace msword;
using kvtest::ByteWriter;
using kvtest::CompoundFileBuilder;
using kvtest::WordStreamBuilder;
using testing::ElementsAre;

namespace {

const std::u16string kSeparator = u"'===================================";

struct TModule {
  std::u16string Name;
  uint32_t Offset;
};

// A project cache: the 34-byte header, the reference entries (each "*\G" entry is
// followed by 12 bytes), a length below 6 that ends them, 132 bytes, the module
// count and one record per module.
std::string ProjectCache(const std::vector<std::u16string>& entries, const std::vector<TModule>& modules,
                         uint16_t moduleCount = 0xFFFF) {
  ByteWriter w;
  w.Fill(34);
  for (const std::u16string& e : entries) {
    w.U16(uint16_t(2 * e.size())).Utf16(e);
    if (e.rfind(u"*\\G", 0) == 0) w.Fill(12);
  }
  w.Fill(132);  // its first two bytes are the 0 that ends the entries
  w.U16(moduleCount == 0xFFFF ? uint16_t(modules.size()) : moduleCount);
  for (const TModule& m : modules) {
    w.U16(uint16_t(2 * m.Name.size())).Utf16(m.Name);
    w.U16(uint16_t(2 * m.Name.size())).Utf16(m.Name);
    w.U16(0).Fill(2).Fill(8).U8(1).Fill(8 + 6).U32(m.Offset).Fill(2);
  }
  return w.Bytes();
}

// A container of literal tokens only, behind Prefix bytes of performance cache.
std::string ModuleStream(size_t prefix, const std::string& source) {
  ByteWriter chunk;
  for (size_t i = 0; i < source.size(); i += 8) chunk.U8(0).Raw(source.substr(i, 8));
  return ByteWriter().Fill(prefix, 0xCC).U8(1).U16(uint16_t(0xB000 | (chunk.Size() - 1))).Raw(chunk.Bytes()).Bytes();
}

std::string Document(const std::vector<std::pair<std::u16string, std::string>>& macroStreams) {
  WordStreamBuilder word;
  word.Utf16Piece(u"Text\r");
  CompoundFileBuilder builder;
  builder.AddStream(u"1Table", word.Table()).AddStream(u"WordDocument", word.Main());
  for (const auto& [path, data] : macroStreams) builder.AddStream(path, data);
  return builder.Bytes();
}

void Load(TMSWordDocument& doc, const std::string& bytes) {
  TMemoryStream stream(bytes);
  doc.LoadFromStream(&stream);
}

std::vector<std::u16string> Lines(const TWideStrings* list) { return list->Lines(); }

}  // namespace

TEST(WordDocumentMacros, ModulesAreFramedInTheOrderOfTheirRecords) {
  const std::string file = Document({
      {u"Macros/PROJECT", "ID=\"{1}\"\r\nModule=Second\r\n"},
      {u"Macros/VBA/_VBA_PROJECT", ProjectCache({u"*\\G{000204EF}#4.0#9#VBA"}, {{u"Second", 20}, {u"First", 0}})},
      // The stream names differ from the cached names in letter case only.
      {u"Macros/VBA/FIRST", ModuleStream(0, "Sub A()\r\nEnd Sub\r\n")},
      {u"Macros/VBA/second", ModuleStream(20, "Sub B()\r\nEnd Sub\r\n")},
  });
  TMSWordDocument doc(nullptr);
  doc.SetParseItems({wpiText, wpiVBA});
  Load(doc, file);
  EXPECT_THAT(Lines(doc.MacroText()),
              ElementsAre(kSeparator, u"'  Macro(s) from Second", kSeparator, u"Sub B()\r\nEnd Sub\r\n\r\n",
                          kSeparator, u"'  Macro(s) from First", kSeparator, u"Sub A()\r\nEnd Sub\r\n\r\n"));
  EXPECT_THAT(Lines(doc.Text()), ElementsAre(u"", u"Text\r\n", u""));
  EXPECT_EQ(doc.VBAProject(), u"ID=\"{1}\"\r\nModule=Second\r\n");
  ASSERT_EQ(doc.VBAProjectItems->Count(), 2);
  EXPECT_EQ(doc.VBAProjectItems->Items(0)->Entry, u"*\\G{000204EF}#4.0#9#VBA");
  EXPECT_EQ(doc.VBAProjectItems->Items(0)->ModuleName, u"Second");
  EXPECT_EQ(doc.VBAProjectItems->Items(0)->Offset, 20u);
  EXPECT_EQ(doc.VBAProjectItems->Items(1)->Entry, u"");
  EXPECT_EQ(doc.VBAProjectItems->Items(1)->ModuleName, u"First");
}

TEST(WordDocumentMacros, MacrosAreReadOnlyWhenAskedFor) {
  const std::string file = Document({
      {u"Macros/VBA/_VBA_PROJECT", ProjectCache({}, {{u"Module1", 0}})},
      {u"Macros/VBA/Module1", ModuleStream(0, "Sub A()\r\n")},
  });
  TMSWordDocument doc(nullptr);
  Load(doc, file);
  EXPECT_EQ(doc.MacroText()->Count(), 0);
  EXPECT_EQ(doc.VBAProjectItems->Count(), 0);
  // Without reference entries the module records follow at once.
  doc.SetParseItems({wpiText, wpiVBA});
  Load(doc, file);
  EXPECT_THAT(Lines(doc.MacroText()), ElementsAre(kSeparator, u"'  Macro(s) from Module1", kSeparator, u"Sub A()\r\n\r\n"));
}

// Each document's macro text holds its own modules, never those of the document
// loaded before it.
TEST(WordDocumentMacros, SecondDocumentDoesNotRepeatTheFirstDocumentsModules) {
  const std::string first = Document({
      {u"Macros/VBA/_VBA_PROJECT", ProjectCache({u"*\\G{A}"}, {{u"Alpha", 0}})},
      {u"Macros/VBA/Alpha", ModuleStream(0, "alpha")},
  });
  const std::string second = Document({
      {u"Macros/VBA/_VBA_PROJECT", ProjectCache({u"*\\G{B}"}, {{u"Beta", 0}})},
      {u"Macros/VBA/Beta", ModuleStream(0, "beta")},
  });
  TMSWordDocument doc(nullptr);
  doc.SetParseItems({wpiText, wpiVBA});
  Load(doc, first);
  EXPECT_THAT(Lines(doc.MacroText()), ElementsAre(kSeparator, u"'  Macro(s) from Alpha", kSeparator, u"alpha\r\n"));
  Load(doc, second);
  EXPECT_THAT(Lines(doc.MacroText()), ElementsAre(kSeparator, u"'  Macro(s) from Beta", kSeparator, u"beta\r\n"));
  ASSERT_EQ(doc.VBAProjectItems->Count(), 1);
  EXPECT_EQ(doc.VBAProjectItems->Items(0)->Entry, u"*\\G{B}");
}

TEST(WordDocumentMacros, ProjectCacheStringsKeepTheirFullLengthAndShortRecordsEndTheModules) {
  const std::u16string longEntry = u"*\\G" + std::u16string(20000, u'A');
  TMemoryStream cache(ProjectCache({longEntry}, {{std::u16string(18432, u'M'), 7}}, 500));
  TVBAProjectItems items;
  ReadVBAProjectCache(cache, items);
  ASSERT_EQ(items.Count(), 2);  // the entry's item, and one for the module record that is cut short
  EXPECT_TRUE(items.Items(0)->Entry == longEntry);
  EXPECT_TRUE(items.Items(0)->ModuleName == std::u16string(18432, u'M'));
  EXPECT_EQ(items.Items(0)->Offset, 7u);
  EXPECT_EQ(items.Items(1)->ModuleName, u"");
}

// Other versions of the editor lay the cache's module records out differently;
// the "dir" stream still lists every module with its stream and source offset.
TEST(WordDocumentMacros, ModulesTheCacheDoesNotNameAreTakenFromTheDirStream) {
  ByteWriter dir;
  dir.U16(0x0009).U32(4).U32(0x65BE0257).U16(17);  // the version record: 6 bytes after a size of 4
  dir.U16(0x0019).U32(6).Raw("Helper").U16(0x001A).U32(6).Raw("Helper").U16(0x0032).U32(12).Utf16(u"Helper");
  dir.U16(0x0031).U32(4).U32(9).U16(0x002B).U32(0).U16(0x0010).U32(0);
  std::string cache = ByteWriter().Fill(34).U16(2 * 6).Utf16(u"*\\G{C}").Fill(12).Fill(132).U16(1).Bytes();
  cache += ByteWriter().U16(40).Fill(40, 0x41).Bytes();  // a record of another layout
  const std::string file = Document({
      {u"Macros/VBA/_VBA_PROJECT", cache},
      {u"Macros/VBA/dir", ModuleStream(0, dir.Bytes())},
      {u"Macros/VBA/Helper", ModuleStream(9, "Sub H()\r\n")},
  });
  TMSWordDocument doc(nullptr);
  doc.SetParseItems({wpiText, wpiVBA});
  Load(doc, file);
  EXPECT_THAT(Lines(doc.MacroText()), ElementsAre(kSeparator, u"'  Macro(s) from Helper", kSeparator, u"Sub H()\r\n\r\n"));
  ASSERT_EQ(doc.VBAProjectItems->Count(), 1);
  EXPECT_EQ(doc.VBAProjectItems->Items(0)->Entry, u"*\\G{C}");
  EXPECT_EQ(doc.VBAProjectItems->Items(0)->Offset, 9u);
}

// Found by fuzzing: a "PROJECT" stream whose size field claims 4 GiB had the whole
// claimed size allocated before its chain was found to be short.
TEST(WordDocumentMacros, ProjectStreamClaimingFourGigabytesIsNotAllocated) {
  kvtest::CompoundFileImage image = CompoundFileBuilder()
                                        .AddStream(u"WordDocument", WordStreamBuilder().Main())
                                        .AddStream(u"Macros/PROJECT", std::string(600, 'P'))
                                        .Build();
  image.PutU32(image.EntryOffset(u"Macros/PROJECT") + 120, 0xFFFFFFFF);
  TMSWordDocument doc(nullptr);
  doc.SetParseItems({wpiText, wpiVBA});
  TMemoryStream stream(image.Bytes);
  EXPECT_THAT([&] { doc.LoadFromStream(&stream); },
              testing::ThrowsMessage<storage::EStorageCorrupt>(testing::HasSubstr("\"PROJECT\"")));
}
