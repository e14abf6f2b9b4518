#include "msword/vba/VBACompression.h"

#include <algorithm>
#include <array>

#include "msword/base/LittleEndian.h"

namespace msword {

namespace {

constexpr size_t CHUNK_SIZE = 4096;
constexpr uint8_t CONTAINER_SIGNATURE = 0x01;
constexpr unsigned CHUNK_SIGNATURE = 0b011;  // bits 12-14 of every chunk header

// How many high bits of a copy token hold the offset when the token stands at
// Position within its chunk: enough to reach back to the chunk's start, at least 4.
unsigned OffsetBits(size_t Position) {
  unsigned bits = 4;
  while (bits < 12 && (size_t(1) << bits) < Position) ++bits;
  return bits;
}

}  // namespace

std::string DecompressContainer(const uint8_t* Data, size_t Size, size_t MaxSize) {
  std::string out;
  std::array<uint8_t, CHUNK_SIZE> window{};
  if (Size == 0 || Data[0] != CONTAINER_SIGNATURE) return out;
  size_t pos = 1;
  while (pos + 2 <= Size && out.size() < MaxSize) {
    const uint16_t header = GetU16(Data + pos);
    if ((header >> 12 & 7) != CHUNK_SIGNATURE) break;  // no chunk: the data ends here
    const size_t chunkEnd = std::min(Size, pos + (header & 0x0FFFu) + 3);
    pos += 2;
    size_t chunkPos = 0;  // decompressed bytes of this chunk
    auto put = [&](uint8_t b) {
      window[chunkPos % CHUNK_SIZE] = b;
      out.push_back(char(b));
      ++chunkPos;
    };
    if ((header & 0x8000u) == 0) {
      // An uncompressed chunk: its 4096 bytes as they stand.
      while (pos < chunkEnd && chunkPos < CHUNK_SIZE && out.size() < MaxSize) put(Data[pos++]);
      pos = chunkEnd;
      continue;
    }
    while (pos < chunkEnd && chunkPos < CHUNK_SIZE && out.size() < MaxSize) {
      const uint8_t flags = Data[pos++];
      for (int bit = 0; bit < 8 && pos < chunkEnd && chunkPos < CHUNK_SIZE && out.size() < MaxSize; ++bit) {
        if ((flags >> bit & 1) == 0) {
          put(Data[pos++]);
          continue;
        }
        if (pos + 2 > chunkEnd) return out;  // a copy token cut short ends the data
        const uint16_t token = GetU16(Data + pos);
        pos += 2;
        const unsigned offsetBits = OffsetBits(chunkPos);
        const size_t offset = size_t(token >> (16 - offsetBits)) + 1;
        size_t length = size_t(token & (0xFFFFu >> offsetBits)) + 3;
        length = std::min({length, CHUNK_SIZE - chunkPos, MaxSize - out.size()});
        for (size_t i = 0; i < length; ++i)
          put(window[(chunkPos + CHUNK_SIZE - offset % CHUNK_SIZE) % CHUNK_SIZE]);
      }
    }
    pos = chunkEnd;
  }
  return out;
}

}  // namespace msword
