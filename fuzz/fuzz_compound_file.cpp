// Opens the input as a compound file from memory, walks every storage with an
// explicit stack and reads every stream to its end (or to its damage), seeking a
// little on the way.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "msword/OleStream.h"
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
  std::vector<std::unique_ptr<TStorage>> pending;
  pending.push_back(file->Root());
  while (!pending.empty()) {
    std::unique_ptr<TStorage> storage = std::move(pending.back());
    pending.pop_back();
    auto elements = storage->EnumElements();
    TStatStg element;
    while (elements->Next(element)) {
      if (element.Type == STGTY_STORAGE) {
        if (auto child = storage->OpenStorage(element.Name)) pending.push_back(std::move(child));
        continue;
      }
      auto stream = storage->OpenStream(element.Name);
      if (!stream) continue;
      try {
        TKvWOleStream adapter(stream);
        uint8_t buffer[700];
        while (adapter.Read(buffer, sizeof buffer) > 0) {
        }
        adapter.Seek(-3, soEnd);
        adapter.Read(buffer, 10);
        adapter.Seek(1, soBeginning);
        adapter.Read(buffer, 1);
      } catch (const EStorageError&) {
      }
    }
  }
  return 0;
}
