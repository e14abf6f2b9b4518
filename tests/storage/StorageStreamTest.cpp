#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include "msword/storage/CompoundFile.h"
#include "msword/storage/StorageError.h"
#include "msword/storage/StorageStream.h"
#include "support/CompoundFileBuilder.h"

using namespace msword;
using namespace msword::storage;
using kvtest::CompoundFileBuilder;

namespace {
std::string Digits(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = char('0' + i % 10 + (i / 512) % 7 * 10);
  return s;
}
}  // namespace

TEST(StorageStream, SeekFromEachOriginThenReadShortAtTheEnd) {
  for (size_t size : {size_t(100), size_t(5000)}) {  // mini stream and regular sectors
    SCOPED_TRACE(size);
    const std::string data = Digits(size);
    auto stream = TCompoundFile::OpenMemory(CompoundFileBuilder().AddStream(u"S", data).Bytes())
                      ->Root()
                      ->OpenStream(u"S");
    ASSERT_EQ(stream->Size(), int64_t(size));
    struct Case {
      int64_t offset;
      TSeekOrigin origin;
      int64_t position;
    };
    const int64_t n = int64_t(size);
    // Each seek starts from position 10.
    const Case cases[] = {{20, soBeginning, 20},
                          {5, soCurrent, 15},
                          {-3, soEnd, n - 3},
                          {-5, soCurrent, 5},
                          {-100000, soCurrent, 0},
                          {7, soEnd, n + 7},
                          {std::numeric_limits<int64_t>::max(), soEnd, std::numeric_limits<int64_t>::max()}};
    for (const Case& c : cases) {
      SCOPED_TRACE(c.offset);
      stream->Seek(10, soBeginning);
      ASSERT_EQ(stream->Seek(c.offset, c.origin), c.position);
      char buffer[64] = {};
      const int64_t expected = std::clamp<int64_t>(n - c.position, 0, 64);
      EXPECT_EQ(stream->Read(buffer, sizeof buffer), size_t(expected));
      if (expected > 0) {
        EXPECT_EQ(std::string(buffer, size_t(expected)), data.substr(size_t(c.position), size_t(expected)));
      }
      EXPECT_EQ(stream->Position(), c.position + expected);
    }
  }
}

TEST(StorageStream, InvalidSeekOriginRaises) {
  auto stream = TCompoundFile::OpenMemory(CompoundFileBuilder().AddStream(u"S", "abc").Bytes())
                    ->Root()
                    ->OpenStream(u"S");
  EXPECT_THAT(
      [&] { stream->Seek(0, TSeekOrigin(3)); },
      testing::ThrowsMessage<EStorageError>(testing::StrEq("Invalid seek origin in a compound-file stream")));
}

TEST(StorageStream, FragmentedChainIsReadInChainOrderInOneCall) {
  const std::string data = Digits(512 * 3);
  auto image = CompoundFileBuilder().AddStream(u"S", data + Digits(4096)).Build();
  const uint32_t s = image.StartSector(u"S");
  // s -> s+2 -> s+1 -> s+3 -> ...: the second and third sectors swap places.
  image.PutU32(image.FatEntryOffset(s), s + 2);
  image.PutU32(image.FatEntryOffset(s + 2), s + 1);
  image.PutU32(image.FatEntryOffset(s + 1), s + 3);
  auto stream = TCompoundFile::OpenMemory(image.Bytes)->Root()->OpenStream(u"S");
  std::string all(size_t(stream->Size()), '\0');
  ASSERT_EQ(stream->Read(all.data(), all.size() + 10), all.size());
  EXPECT_EQ(all.substr(0, 1536), data.substr(0, 512) + data.substr(1024, 512) + data.substr(512, 512));
  EXPECT_EQ(all.substr(1536), Digits(4096));
}
