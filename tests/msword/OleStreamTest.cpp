#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "msword/Exceptions.h"
#include "msword/OleStream.h"
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
