// Feeds arbitrary bytes to the VBA module-source decompression as a compressed
// container (signature byte first).
#include <cstddef>
#include <cstdint>
#include <string>

#include "msword/vba/VBACompression.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  // A small cap keeps runs fast; the cap itself is one of the paths under test.
  const size_t cap = Size > 0 && (Data[0] & 0x80) ? 5000 : msword::VBA_MAX_MODULE_SOURCE;
  const std::string out = msword::DecompressContainer(Data, Size, cap);
  if (out.size() > cap) __builtin_trap();
  return 0;
}
