#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "msword/base/CodePages.h"
#include "msword/storage/CompoundFile.h"
#include "msword/storage/StorageError.h"
#include "storage/StorageWalk.h"
#include "support/CompoundFileBuilder.h"

using namespace msword;
using namespace msword::storage;
using kvtest::CompoundFileBuilder;
using kvtest::CompoundFileImage;

namespace {

// Distinct bytes, so a misplaced sector shows.
std::string Pattern(size_t size, uint8_t seed) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = char(uint8_t(seed + i * 7 + i / 251));
  return s;
}

std::string ReadAll(TStorageStream& stream) {
  std::string out;
  char buffer[777];
  while (size_t n = stream.Read(buffer, sizeof buffer)) out.append(buffer, n);
  return out;
}

std::string ReadStream(const CompoundFileImage& image, std::u16string_view name) {
  auto file = TCompoundFile::OpenMemory(image.Bytes);
  auto stream = file->Root()->OpenStream(name);
  if (!stream) throw std::runtime_error("stream absent");
  return ReadAll(*stream);
}

struct TempFile {
  explicit TempFile(const std::string& bytes) {
    path = std::filesystem::temp_directory_path() /
           ("kvword-cfb-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::ofstream(path, std::ios::binary) << bytes;
  }
  ~TempFile() { std::filesystem::remove(path); }
  std::u16string Name() const { return Utf8ToWide(path.string()); }
  std::filesystem::path path;
  static inline int counter = 0;
};

}  // namespace

TEST(CompoundFile, BothVersionsHoldRegularMiniAndNestedStreams) {
  for (uint16_t version : {3, 4}) {
    SCOPED_TRACE(version);
    const auto image = CompoundFileBuilder(version)
                           .AddStream(u"WordDocument", Pattern(9000, 1))
                           .AddStream(u"1Table", Pattern(4095, 2))
                           .AddStream(u"Big", Pattern(4096, 3))
                           .AddStream(u"Macros/VBA/dir", Pattern(130, 4))
                           .AddStream(u"Macros/PROJECT", Pattern(5000, 5))
                           .AddStream(u"Empty", "")
                           .Build();
    auto file = TCompoundFile::OpenMemory(image.Bytes);
    const auto walked = kvtest::WalkCompoundFile(*file);
    struct Expected {
      std::u16string path;
      uint8_t type;
      std::string data;
    };
    const Expected expected[] = {
        {u"Big", STGTY_STREAM, Pattern(4096, 3)},
        {u"Empty", STGTY_STREAM, ""},
        {u"1Table", STGTY_STREAM, Pattern(4095, 2)},
        {u"Macros", STGTY_STORAGE, ""},
        {u"WordDocument", STGTY_STREAM, Pattern(9000, 1)},
        {u"Macros/VBA", STGTY_STORAGE, ""},
        {u"Macros/PROJECT", STGTY_STREAM, Pattern(5000, 5)},
        {u"Macros/VBA/dir", STGTY_STREAM, Pattern(130, 4)},
    };
    ASSERT_EQ(walked.size(), std::size(expected));
    for (size_t i = 0; i < walked.size(); ++i) {
      SCOPED_TRACE(WideToUtf8(expected[i].path));
      EXPECT_EQ(walked[i].Path, expected[i].path);
      EXPECT_EQ(walked[i].Type, expected[i].type);
      EXPECT_EQ(walked[i].Size, expected[i].data.size());
      EXPECT_EQ(walked[i].Data, expected[i].data);
    }
  }
}

TEST(CompoundFile, ChildrenAreOpenedByNameIgnoringCaseAndAbsentOnesAreNull) {
  const auto image = CompoundFileBuilder().AddStream(u"WordDocument", "abc").AddStorage(u"Macros").Build();
  auto root = TCompoundFile::OpenMemory(image.Bytes)->Root();
  auto stream = root->OpenStream(u"WORDDOCUMENT");
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->Name(), u"WordDocument");
  EXPECT_EQ(ReadAll(*stream), "abc");
  EXPECT_NE(root->OpenStorage(u"macros"), nullptr);
  EXPECT_EQ(root->OpenStream(u"Macros"), nullptr);  // a storage, not a stream
  EXPECT_EQ(root->OpenStorage(u"WordDocument"), nullptr);
  EXPECT_EQ(root->OpenStream(u"1Table"), nullptr);
  EXPECT_EQ(root->OpenStream(u"WordDocumen"), nullptr);
}

TEST(CompoundFile, StreamKeepsTheFileAliveAfterEverythingElseIsReleased) {
  std::shared_ptr<TStorageStream> stream;
  {
    auto file = TCompoundFile::OpenMemory(CompoundFileBuilder().AddStream(u"S", Pattern(6000, 9)).Bytes());
    stream = file->Root()->OpenStream(u"S");
  }
  EXPECT_EQ(ReadAll(*stream), Pattern(6000, 9));
}

TEST(CompoundFile, FatReachedThroughDifatSectors) {
  // 300 FAT sectors: 109 in the header, the rest in three DIFAT sectors.
  const auto image = CompoundFileBuilder().MinFatSectors(300).AddStream(u"S", Pattern(5000, 7)).Build();
  ASSERT_EQ(image.DifatSectors.size(), 2u);
  EXPECT_EQ(ReadStream(image, u"S"), Pattern(5000, 7));
}

TEST(CompoundFile, NotACompoundFile) {
  const std::string valid = CompoundFileBuilder().AddStream(u"S", "x").Bytes();
  const std::string cases[] = {"", "plain text", valid.substr(0, 511),
                               valid.substr(0, 7) + "\xE0" + valid.substr(8), std::string(4096, '\0')};
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(bytes.size());
    EXPECT_THAT([&] { TCompoundFile::OpenMemory(bytes); },
                testing::ThrowsMessage<EStorageError>(testing::StrEq("The data is not a compound file")));
  }
}

TEST(CompoundFile, DamagedHeaderIsRefusedAtOpen) {
  struct Case {
    size_t at;
    uint32_t value;
    int width;
    const char* message;
  };
  const Case cases[] = {
      {26, 5, 2, "unknown format version"},
      {30, 12, 2, "a version 3 file must have 512-byte sectors"},
      {30, 40, 2, "a version 3 file must have 512-byte sectors"},
      {26, 4, 2, "a version 4 file must have 4096-byte sectors"},
      {32, 31, 2, "the mini sector size must be 64 bytes"},
      {44, 1000, 4, "the FAT claims more sectors than the file holds"},
      {76, 0x00FFFF00, 4, "a FAT sector lies beyond the end of the file"},
      {48, 0x00FFFF00, 4, "the directory has no root entry"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    auto image = CompoundFileBuilder().AddStream(u"S", Pattern(5000, 1)).Build();
    if (c.width == 2)
      image.PutU16(c.at, uint16_t(c.value));
    else
      image.PutU32(c.at, c.value);
    EXPECT_THAT([&] { TCompoundFile::OpenMemory(image.Bytes); },
                testing::ThrowsMessage<EStorageCorrupt>(
                    testing::StrEq(std::string("Compound file is damaged: ") + c.message)));
  }
}

TEST(CompoundFile, DifatThatLoopsIsRefusedWithoutSizingFromItsCount) {
  auto image = CompoundFileBuilder().MinFatSectors(300).Build();
  image.PutU32(image.SectorOffset(image.DifatSectors[0]) + 508, image.DifatSectors[0]);  // next: itself
  image.PutU32(44, 109 + 127 * 0x100000);
  EXPECT_THAT([&] { TCompoundFile::OpenMemory(image.Bytes); },
              testing::ThrowsMessage<EStorageCorrupt>(testing::StrEq(
                  "Compound file is damaged: the FAT claims more sectors than the file holds")));
  image.PutU32(44, 300);  // a count the file can hold: the loop itself is found
  EXPECT_THAT([&] { TCompoundFile::OpenMemory(image.Bytes); },
              testing::ThrowsMessage<EStorageCorrupt>(
                  testing::StrEq("Compound file is damaged: the DIFAT chain loops")));
}

TEST(CompoundFile, DirectoryChainThatLoopsIsRefused) {
  CompoundFileBuilder builder;
  for (int i = 0; i < 9; ++i) builder.AddStream(u"S" + std::u16string(1, char16_t(u'0' + i)), "x");
  auto image = builder.Build();
  ASSERT_EQ(image.DirectorySectors.size(), 3u);
  image.PutU32(image.FatEntryOffset(image.DirectorySectors[2]), image.DirectorySectors[0]);
  EXPECT_THAT([&] { TCompoundFile::OpenMemory(image.Bytes); },
              testing::ThrowsMessage<EStorageCorrupt>(
                  testing::StrEq("Compound file is damaged: the chain of the directory loops")));
}

TEST(CompoundFile, DamagedChainReadsUpToTheDamageThenRaises) {
  struct Case {
    const char* what;
    std::u16string stream;
    std::function<void(CompoundFileImage&)> damage;
    size_t readable;
    const char* message;
  };
  const Case cases[] = {
      {"regular chain loops back to its start", u"Big",
       [](CompoundFileImage& i) {
         i.PutU32(i.FatEntryOffset(i.StartSector(u"Big") + 1), i.StartSector(u"Big"));
       },
       1024, "the chain of stream \"Big\" loops"},
      {"regular chain ends early", u"Big",
       [](CompoundFileImage& i) { i.PutU32(i.FatEntryOffset(i.StartSector(u"Big") + 1), 0xFFFFFFFE); }, 1024,
       "the chain of stream \"Big\" is shorter than its size"},
      {"size far larger than the chain", u"Big",
       [](CompoundFileImage& i) { i.PutU32(i.EntryOffset(u"Big") + 120, 0x7FFFFFF0); }, 5120,
       "the chain of stream \"Big\" is shorter than its size"},
      {"regular chain goes past the end of the file", u"Big",
       [](CompoundFileImage& i) {
         i.PutU32(i.FatEntryOffset(i.StartSector(u"Big") + 8), 200);  // a sector the FAT has, the file not
         i.PutU32(i.FatEntryOffset(200), 0xFFFFFFFE);
       },
       4608, "stream \"Big\" lies beyond the end of the file"},
      {"start sector far outside the FAT", u"Big",
       [](CompoundFileImage& i) { i.PutU32(i.EntryOffset(u"Big") + 116, 0x00FFFF00); }, 0,
       "the chain of stream \"Big\" leaves the allocation table"},
      {"mini chain loops", u"Small",
       [](CompoundFileImage& i) {
         i.PutU32(i.MiniFatEntryOffset(i.StartSector(u"Small") + 1), i.StartSector(u"Small"));
       },
       128, "the chain of stream \"Small\" loops"},
      {"mini stream shorter than the stream's sectors", u"Small",
       [](CompoundFileImage& i) { i.PutU32(i.EntryOffset(u"") + 120, 64); }, 0,
       "stream \"Small\" lies beyond the end of the mini stream"},
      {"no mini FAT", u"Small", [](CompoundFileImage& i) { i.PutU32(60, 0xFFFFFFFE); }, 0,
       "the chain of stream \"Small\" leaves the allocation table"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Two FAT sectors give room for sector numbers past the end of the file.
    auto image = CompoundFileBuilder()
                     .MinFatSectors(3)
                     .AddStream(u"Tiny", "t")
                     .AddStream(u"Small", Pattern(300, 1))
                     .AddStream(u"Big", Pattern(5000, 2))
                     .Build();
    const std::string data = c.stream == u"Big" ? Pattern(5000, 2) + std::string(120, '\0') : Pattern(300, 1);
    c.damage(image);
    auto stream = TCompoundFile::OpenMemory(image.Bytes)->Root()->OpenStream(c.stream);
    ASSERT_NE(stream, nullptr);
    std::string got(c.readable + 100, '\0');
    if (c.readable > 0) {
      EXPECT_EQ(stream->Read(got.data(), got.size()), c.readable);
      got.resize(c.readable);
      EXPECT_EQ(got, data.substr(0, c.readable));
    }
    for (int attempt = 0; attempt < 2; ++attempt)
      EXPECT_THAT([&] { stream->Read(got.data(), 1); },
                  testing::ThrowsMessage<EStorageCorrupt>(
                      testing::StrEq(std::string("Compound file is damaged: ") + c.message)));
    // What lies before the damage stays readable.
    if (c.readable > 0) {
      stream->Seek(0, soBeginning);
      EXPECT_EQ(stream->Read(got.data(), 1), 1u);
    }
  }
}

TEST(CompoundFile, DirectoryEndsWhereTheFileEnds) {
  CompoundFileBuilder builder;
  builder.MinFatSectors(3);
  for (int i = 0; i < 9; ++i) builder.AddStream(u"S" + std::u16string(1, char16_t(u'0' + i)), "x");
  auto image = builder.Build();
  // The second directory sector links to one past the end of the file: entries 8
  // and 9 are lost, the rest is read.
  image.PutU32(image.FatEntryOffset(image.DirectorySectors[1]), 300);
  image.PutU32(image.FatEntryOffset(300), 0xFFFFFFFE);
  auto file = TCompoundFile::OpenMemory(image.Bytes);
  EXPECT_EQ(file->Directory().Count(), 8u);
}

TEST(CompoundFile, Version3IgnoresTheHighHalfOfTheSizeAndVersion4DoesNot) {
  for (uint16_t version : {3, 4}) {
    SCOPED_TRACE(version);
    auto image = CompoundFileBuilder(version).AddStream(u"S", Pattern(5000, 1)).Build();
    image.PutU32(image.EntryOffset(u"S") + 124, 0x0EADBEEF);
    auto stream = TCompoundFile::OpenMemory(image.Bytes)->Root()->OpenStream(u"S");
    if (version == 3) {
      EXPECT_EQ(stream->Size(), 5000);
      EXPECT_EQ(ReadAll(*stream), Pattern(5000, 1));
    } else {
      EXPECT_EQ(stream->Size(), 0x0EADBEEF00001388);
      EXPECT_THROW(ReadAll(*stream), EStorageCorrupt);
    }
  }
}

TEST(CompoundFile, LastSectorCutShortReadsAsZeros) {
  auto image = CompoundFileBuilder().AddStream(u"S", "abc").Build();
  // The file ends inside its last sector, the FAT's: the missing free entries read
  // as 0, which no chain reaches.
  image.Bytes.resize(image.Bytes.size() - 100);
  EXPECT_EQ(ReadStream(image, u"S"), "abc");
}

TEST(CompoundFile, OpensFilesAndTellsThemApart) {
  const std::string bytes = CompoundFileBuilder().AddStream(u"WordDocument", Pattern(5000, 3)).Bytes();
  TempFile compound(bytes), text("Just some text, not a compound file at all.........."), empty("");
  EXPECT_TRUE(IsCompoundFile(compound.Name()));
  EXPECT_FALSE(IsCompoundFile(text.Name()));
  EXPECT_FALSE(IsCompoundFile(empty.Name()));
  EXPECT_FALSE(IsCompoundFile(u"/nonexistent/kvword.doc"));
  EXPECT_FALSE(IsCompoundFile(Utf8ToWide(std::filesystem::temp_directory_path().string())));

  auto file = TCompoundFile::OpenFile(compound.Name());
  EXPECT_EQ(ReadAll(*file->Root()->OpenStream(u"WordDocument")), Pattern(5000, 3));
  EXPECT_THAT([&] { TCompoundFile::OpenFile(text.Name()); },
              testing::ThrowsMessage<EStorageError>(
                  testing::StrEq("File " + text.path.string() + " is not a compound file")));
  EXPECT_THROW(TCompoundFile::OpenFile(u"/nonexistent/kvword.doc"), Exception);
}

TEST(CompoundFile, FileReadWhereNeededGivesWhatTheBytesInMemoryGive) {
  for (uint16_t version : {3, 4}) {
    for (size_t cut : {0, 100}) {
      SCOPED_TRACE(std::to_string(version) + " cut " + std::to_string(cut));
      auto image = CompoundFileBuilder(version)
                       .AddStream(u"WordDocument", Pattern(9000, 1))
                       .AddStream(u"1Table", Pattern(4095, 2))
                       .AddStream(u"Macros/VBA/dir", Pattern(130, 4))
                       .AddStream(u"Macros/PROJECT", Pattern(5000, 5))
                       .Build();
      image.Bytes.resize(image.Bytes.size() - cut);  // the last sector cut short
      TempFile disk(image.Bytes);
      const auto fromMemory = kvtest::WalkCompoundFile(*TCompoundFile::OpenMemory(image.Bytes));
      const auto fromFile = kvtest::WalkCompoundFile(*TCompoundFile::OpenFile(disk.Name()));
      ASSERT_EQ(fromFile.size(), fromMemory.size());
      for (size_t i = 0; i < fromFile.size(); ++i) {
        EXPECT_EQ(fromFile[i].Path, fromMemory[i].Path);
        EXPECT_EQ(fromFile[i].Data, fromMemory[i].Data);
      }
    }
  }
}

TEST(CompoundFile, FileCutShortAfterOpeningRaisesReadErrorOnTheNextRead) {
  const size_t size = size_t(TCompoundFile::WHOLE_FILE_LIMIT) + 20000;  // read where needed
  const std::string bytes = CompoundFileBuilder().AddStream(u"WordDocument", Pattern(size, 3)).Bytes();
  TempFile disk(bytes);
  auto file = TCompoundFile::OpenFile(disk.Name());
  auto stream = file->Root()->OpenStream(u"WordDocument");
  std::filesystem::resize_file(disk.path, 1024);
  char buffer[4096];
  EXPECT_THROW(while (stream->Read(buffer, sizeof buffer) > 0) {}, EReadError);
}

TEST(CompoundFile, SmallFileIsReadWholeWhenOpened) {
  const std::string data = Pattern(20000, 3);
  const std::string bytes = CompoundFileBuilder().AddStream(u"WordDocument", data).Bytes();
  ASSERT_LE(bytes.size(), TCompoundFile::WHOLE_FILE_LIMIT);
  TempFile disk(bytes);
  auto file = TCompoundFile::OpenFile(disk.Name());
  std::filesystem::resize_file(disk.path, 1024);  // cut after opening: nothing is lost
  auto stream = file->Root()->OpenStream(u"WordDocument");
  std::string read(data.size() + 1, '\0');
  read.resize(size_t(stream->Read(read.data(), int32_t(read.size()))));
  EXPECT_EQ(read, data);
}
