#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "msword/base/Exceptions.h"
#include "msword/storage/OleStream.h"
#include "msword/storage/CompoundFile.h"
#include "msword/storage/StorageError.h"
#include "support/CompoundFileBuilder.h"

using namespace msword;
using kvtest::CompoundFileBuilder;

namespace {
std::shared_ptr<storage::TStorageStream> OpenS(const std::string& data) {
  return storage::TCompoundFile::OpenMemory(CompoundFileBuilder().AddStream(u"S", data).Bytes())
      ->Root()
      ->OpenStream(u"S");
}
}  // namespace

TEST(OleStream, ReadsSeeksAndSizesLikeAnyStream) {
  TKvWOleStream stream(OpenS("0123456789"));
  EXPECT_EQ(stream.Size(), 10);
  EXPECT_EQ(stream.Seek(-4, soEnd), 6);
  char buffer[8] = {};
  EXPECT_EQ(stream.Read(buffer, 8), 4);
  EXPECT_EQ(std::string(buffer, 4), "6789");
  EXPECT_EQ(stream.Read(buffer, 8), 0);
  EXPECT_EQ(stream.Read(buffer, -1), 0);
  stream.SetPosition(2);
  EXPECT_EQ(ReadU16(stream), 0x3332);
  EXPECT_EQ(stream.Position(), 4);
  EXPECT_EQ(stream.Write("xy", 2), 0);  // nothing is ever written
  stream.SetPosition(0);
  EXPECT_EQ(ReadU32(stream), 0x33323130u);
  stream.SetPosition(8);
  EXPECT_THROW(ReadU32(stream), EReadError);
}

TEST(OleStream, DamageBeyondTheReadablePartRaisesTheLayersError) {
  auto image = CompoundFileBuilder().AddStream(u"S", std::string(5000, 'a')).Build();
  image.PutU32(image.FatEntryOffset(image.StartSector(u"S") + 1), 0xFFFFFFFE);  // two sectors of ten
  TKvWOleStream stream(storage::TCompoundFile::OpenMemory(image.Bytes)->Root()->OpenStream(u"S"));
  std::string buffer(5000, '\0');
  EXPECT_THAT([&] { stream.ReadBuffer(buffer.data(), 5000); },
              testing::ThrowsMessage<storage::EStorageCorrupt>(testing::StrEq(
                  "Compound file is damaged: the chain of stream \"S\" is shorter than its size")));
  EXPECT_EQ(stream.Position(), 1024);
}

// An entry may record a size of gigabytes for a stream of a few sectors; readers
// size their buffers by the stream's size, so it never exceeds what the file holds.
TEST(OleStream, RecordedSizeBeyondTheFileIsCutToTheFilesSectors) {
  auto image = CompoundFileBuilder().AddStream(u"S", std::string(5000, 'a')).Build();
  image.PutU32(image.EntryOffset(u"S") + 120, 0x7FFFFFF0);
  auto storageStream = storage::TCompoundFile::OpenMemory(image.Bytes)->Root()->OpenStream(u"S");
  EXPECT_EQ(storageStream->Size(), 0x7FFFFFF0);  // the entry's own figure stays visible
  TKvWOleStream stream(storageStream);
  const int64_t sectorBytes = int64_t(image.Bytes.size()) - 512;
  EXPECT_EQ(stream.Size(), sectorBytes);
  EXPECT_EQ(stream.Seek(-10, soEnd), sectorBytes - 10);
  EXPECT_EQ(stream.Seek(-1, soCurrent), sectorBytes - 11);
  // The ten sectors of the chain read; beyond them the stream is damaged.
  stream.SetPosition(0);
  std::string buffer(5120, '\0');
  stream.ReadBuffer(buffer.data(), 5120);
  EXPECT_EQ(buffer.substr(0, 5000), std::string(5000, 'a'));
  EXPECT_THROW(ReadU8(stream), storage::EStorageCorrupt);
}
