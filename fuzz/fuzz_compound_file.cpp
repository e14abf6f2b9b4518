// Opens the input as a compound file from memory, walks every storage with an
// explicit stack and reads every stream to its end (or to its damage), seeking a
// little on the way.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/StreamWalk.h"
#include "msword/storage/OleStream.h"
#include "msword/storage/CompoundFile.h"
#include "msword/storage/StorageError.h"

using namespace msword;
using namespace msword::storage;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::shared_ptr<TCompoundFile> file;
  try {
    file = TCompoundFile::OpenMemory(std::string(reinterpret_cast<const char*>(Data), Size));
  } catch (const EStorageError&) {
    return 0;
  }
  kvfuzz::VisitStreams(*file, [](const std::u16string&, std::shared_ptr<TStorageStream> Stream) {
    try {
      TKvWOleStream adapter(std::move(Stream));
      uint8_t buffer[700];
      while (adapter.Read(buffer, sizeof buffer) > 0) {
      }
      adapter.Seek(-3, soEnd);
      adapter.Read(buffer, 10);
      adapter.Seek(1, soBeginning);
      adapter.Read(buffer, 1);
    } catch (const EStorageError&) {
    }
  });
  return 0;
}
