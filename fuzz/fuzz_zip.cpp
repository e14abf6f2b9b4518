// Loads the input as a zip archive, looks names up and extracts every entry.
#include <cstddef>
#include <cstdint>
#include <string>

#include "msword/base/Exceptions.h"
#include "msword/KvWZipFile.h"
#include "msword/base/Streams.h"

using namespace msword;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TCustomMemoryStream stream(Data, Size);
  TZipArchive archive(nullptr);
  archive.SetMaxEntrySize(64u << 20);
  archive.LoadFromStream(&stream);
  for (int i = 0; i < archive.Count() && i < 1000; ++i) {
    try {
      const std::string content = archive.GetUncompressed(i);
      if (content.size() > archive.MaxEntrySize()) __builtin_trap();
    } catch (const Exception&) {
    }
  }
  archive.GetIndexByFileName(u"word/document.xml");
  try {
    archive.DecompressFileName(u"word/document.xml");
  } catch (const Exception&) {
  }
  return 0;
}
