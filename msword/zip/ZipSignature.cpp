#include "msword/zip/ZipSignature.h"

#include <cstdint>

#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"

namespace msword {

bool FileIsZipArchive(const std::u16string& FileName) {
  try {
    const TFileStream file(FileName, fmOpenRead);
    uint8_t head[4];
    return file.ReadAt(0, head, 4) == 4 && head[0] == 0x50 && head[1] == 0x4B && head[2] == 0x03 &&
           head[3] == 0x04;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace msword
