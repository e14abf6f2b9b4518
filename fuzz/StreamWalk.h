// The fuzz programs' walk of a compound file: every stream of every storage, nested
// storages through an explicit stack (the input decides how deep they go).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "msword/storage/CompoundFile.h"

namespace kvfuzz {

// Calls Visit(Name, Stream) for every stream that opens, storage by storage.
template <class TVisit>
void VisitStreams(const msword::storage::TCompoundFile& File, TVisit Visit) {
  using namespace msword::storage;
  std::vector<std::unique_ptr<TStorage>> pending;
  pending.push_back(File.Root());
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
      if (auto stream = storage->OpenStream(element.Name)) Visit(element.Name, std::move(stream));
    }
  }
}

}  // namespace kvfuzz
