// Builds little-endian byte records for test fixtures.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvtest {

class ByteWriter {
 public:
  ByteWriter& U8(uint8_t v) { FBytes.push_back(char(v)); return *this; }
  ByteWriter& U16(uint16_t v) { return U8(uint8_t(v)).U8(uint8_t(v >> 8)); }
  ByteWriter& U32(uint32_t v) { return U16(uint16_t(v)).U16(uint16_t(v >> 16)); }
  ByteWriter& U64(uint64_t v) { return U32(uint32_t(v)).U32(uint32_t(v >> 32)); }
  ByteWriter& Raw(std::string_view s) { FBytes.append(s); return *this; }
  // UTF-16LE code units of s, no terminator.
  ByteWriter& Utf16(std::u16string_view s) {
    for (char16_t c : s) U16(uint16_t(c));
    return *this;
  }
  ByteWriter& Fill(size_t count, uint8_t v = 0) { FBytes.append(count, char(v)); return *this; }
  ByteWriter& PadTo(size_t size, uint8_t v = 0) {
    if (FBytes.size() < size) FBytes.append(size - FBytes.size(), char(v));
    return *this;
  }
  // Overwrites bytes at an offset already written.
  ByteWriter& PutU16At(size_t at, uint16_t v) { FBytes[at] = char(v); FBytes[at + 1] = char(v >> 8); return *this; }
  ByteWriter& PutU32At(size_t at, uint32_t v) {
    PutU16At(at, uint16_t(v));
    return PutU16At(at + 2, uint16_t(v >> 16));
  }
  size_t Size() const { return FBytes.size(); }
  const std::string& Bytes() const { return FBytes; }

 private:
  std::string FBytes;
};

}  // namespace kvtest
