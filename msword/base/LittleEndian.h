// Little-endian integers from byte buffers; every on-disk integer of Word files,
// compound files and zip archives is stored this way.
#pragma once

#include <cstdint>

namespace msword {

inline uint16_t GetU16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t GetU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint64_t GetU64(const uint8_t* p) { return uint64_t(GetU32(p)) | uint64_t(GetU32(p + 4)) << 32; }
inline int16_t GetI16(const uint8_t* p) { return int16_t(GetU16(p)); }
inline int32_t GetI32(const uint8_t* p) { return int32_t(GetU32(p)); }

inline void PutU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

}  // namespace msword
