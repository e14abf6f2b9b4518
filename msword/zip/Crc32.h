// The CRC-32 of zip archives (the reflected polynomial 0xEDB88320 that zlib uses too).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace msword {

namespace detail {
constexpr std::array<uint32_t, 256> MakeCRCtable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}
}  // namespace detail

// The byte-at-a-time table of the checksum; ZipCRC32 itself runs on faster code.
inline constexpr std::array<uint32_t, 256> CRCtable = detail::MakeCRCtable();
static_assert(CRCtable[1] == 0x77073096u && CRCtable[255] == 0x2D02EF8Du);

// The standard CRC-32 of the bytes of S; the empty string gives 0.
uint32_t ZipCRC32(std::string_view S);

}  // namespace msword
