#include "msword/vba/VBACompression.h"

#include <gtest/gtest.h>

#include <string>

#include "support/ByteWriter.h"

using namespace msword;
using kvtest::ByteWriter;

namespace {

std::string Decompress(const std::string& container, size_t max = VBA_MAX_MODULE_SOURCE) {
  return DecompressContainer(reinterpret_cast<const uint8_t*>(container.data()), container.size(), max);
}

// A container of one chunk of literal tokens only (up to 3640 bytes fit in one).
std::string LiteralContainer(const std::string& text) {
  ByteWriter chunk;
  for (size_t i = 0; i < text.size(); i += 8) chunk.U8(0).Raw(text.substr(i, 8));
  return ByteWriter().U8(1).U16(uint16_t(0xB000 | (chunk.Size() + 2 - 3))).Raw(chunk.Bytes()).Bytes();
}

// A compressed chunk of 4096 bytes: "abcdefg" as seven literals, then one copy token
// (offset 7, length 4089) as the eighth token of the flag group.
std::string FullChunk() {
  return ByteWriter().U16(0xB000 | (2 + 1 + 7 + 2 - 3)).U8(0x80).Raw("abcdefg").U16(0x6FF6).Bytes();
}

std::string Repeat(const std::string& unit, size_t n) {
  std::string s;
  while (s.size() < n) s += unit;
  return s.substr(0, n);
}

std::string Pattern(size_t n) { return Repeat("ABCDEFGHIJKLMNOPQRSTUVW", n); }

}  // namespace

TEST(VBACompression, LiteralTokensGiveTheirBytes) {
  for (size_t size : {size_t(1), size_t(8), size_t(9), size_t(3640)}) {
    SCOPED_TRACE(size);
    EXPECT_TRUE(Decompress(LiteralContainer(Pattern(size))) == Pattern(size));
  }
}

// A chunk that ends on the eighth token of its flag group is followed by the next
// chunk's header, not by another flag byte.
TEST(VBACompression, SourcesOfWholeChunksArriveComplete) {
  const std::string chunk = Repeat("abcdefg", 4096);
  EXPECT_TRUE(Decompress("\x01" + FullChunk()) == chunk);
  EXPECT_TRUE(Decompress("\x01" + FullChunk() + FullChunk()) == chunk + chunk);
  EXPECT_TRUE(Decompress("\x01" + FullChunk() + LiteralContainer("tail").substr(1)) == chunk + "tail");
}

TEST(VBACompression, CopyTokensRepeatEarlierBytesAndMayOverlap) {
  // "abc", then offset 3 length 6 (4 offset bits at position 3): "abcabcabc".
  EXPECT_EQ(Decompress(ByteWriter().U8(1).U16(0xB000 | (2 + 6 - 3)).U8(0x08).Raw("abc").U16(0x2003).Bytes()),
            "abcabcabc");
  // At position 17 the offset takes 5 bits: token 0x8000 is offset 17, length 3.
  const std::string seventeen = "abcdefghijklmnopq";
  ByteWriter w;
  w.U8(1).U16(0);
  w.U8(0).Raw(seventeen.substr(0, 8)).U8(0).Raw(seventeen.substr(8, 8)).U8(0x02).Raw("q").U16(0x8000);
  w.PutU16At(1, uint16_t(0xB000 | (w.Size() - 1 - 3)));
  EXPECT_EQ(Decompress(w.Bytes()), seventeen + "abc");
}

TEST(VBACompression, UncompressedChunkIsTakenAsItStands) {
  const std::string raw = Pattern(4096);
  const std::string container = ByteWriter().U8(1).U16(0x3FFF).Raw(raw).Bytes() + LiteralContainer("tail").substr(1);
  EXPECT_TRUE(Decompress(container) == raw + "tail");
}

TEST(VBACompression, CopiesBeforeTheStartReadTheZeroWindowAndStopAtTheChunkEnd) {
  // Offset 16, length 4098 at position 0: clipped to the 4096 bytes of the chunk.
  ByteWriter w;
  w.U8(1).U16(0xBFFF).U8(0xFF).U16(0xFFFF).U16(0xFFFF);
  EXPECT_TRUE(Decompress(w.Bytes()) == std::string(4096, '\0'));
}

TEST(VBACompression, InputEndingInsideAFlagGroupKeepsWhatWasDecoded) {
  // The chunk header claims more than there is; the second token is cut short.
  EXPECT_EQ(Decompress(ByteWriter().U8(1).U16(0xB0FF).U8(0x02).Raw("a").U8(0x01).Bytes()), "a");
  EXPECT_EQ(Decompress(ByteWriter().U8(1).U16(0xB0FF).U8(0x00).Raw("xyz").Bytes()), "xyz");
  EXPECT_EQ(Decompress(ByteWriter().U8(1).U8(0xB0).Bytes()), "");
  EXPECT_EQ(Decompress(""), "");
}

TEST(VBACompression, OutputStopsAtTheLimit) {
  const std::string container = "\x01" + FullChunk() + FullChunk();
  EXPECT_TRUE(Decompress(container, 4100) == Repeat("abcdefg", 4096) + "abcd");
}

// A module stream whose source was wiped holds zeros where the container should be.
TEST(VBACompression, DataWithoutTheSignaturesIsNoSource) {
  EXPECT_EQ(Decompress(std::string(600, '\0')), "");
  EXPECT_EQ(Decompress(ByteWriter().U8(2).Raw(LiteralContainer("abc").substr(1)).Bytes()), "");
  // The second chunk's header lacks the signature bits: the first chunk stays.
  EXPECT_EQ(Decompress(LiteralContainer("abc") + ByteWriter().U16(0x0003).U8(0).Raw("xyz").Bytes()), "abc");
}
