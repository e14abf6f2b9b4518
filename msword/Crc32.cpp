#include "msword/Crc32.h"

#include <zlib.h>

#include <algorithm>

namespace msword {

uint32_t ZipCRC32(std::string_view S) {
  uLong crc = crc32(0L, Z_NULL, 0);
  const auto* p = reinterpret_cast<const Bytef*>(S.data());
  size_t left = S.size();
  while (left > 0) {  // zlib takes at most a uInt per call
    const uInt n = uInt(std::min<size_t>(left, 1u << 30));
    crc = crc32(crc, p, n);
    p += n;
    left -= n;
  }
  return uint32_t(crc);
}

}  // namespace msword
