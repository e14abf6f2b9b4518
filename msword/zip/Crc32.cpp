#include "msword/zip/Crc32.h"

#include <libdeflate.h>

namespace msword {

uint32_t ZipCRC32(std::string_view S) {
  // libdeflate's routine uses the carry-less multiply of the processor where it can.
  return S.empty() ? 0 : libdeflate_crc32(0, S.data(), S.size());
}

}  // namespace msword
