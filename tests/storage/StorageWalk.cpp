#include "storage/StorageWalk.h"

#include <memory>
#include <utility>

#include "msword/storage/StorageError.h"

namespace kvtest {

using namespace msword::storage;

std::vector<WalkedElement> WalkCompoundFile(const TCompoundFile& File) {
  std::vector<WalkedElement> out;
  std::vector<std::pair<std::unique_ptr<TStorage>, std::u16string>> pending;
  pending.emplace_back(File.Root(), u"");
  while (!pending.empty()) {
    auto [storage, prefix] = std::move(pending.back());
    pending.pop_back();
    auto elements = storage->EnumElements();
    std::vector<std::pair<std::unique_ptr<TStorage>, std::u16string>> nested;
    TStatStg element;
    while (elements->Next(element)) {
      WalkedElement walked{prefix + element.Name, element.Type, element.Size, {}, {}};
      if (element.Type == STGTY_STREAM) {
        std::shared_ptr<TStorageStream> stream = storage->OpenStream(element.Name);
        if (stream) {
          try {
            char buffer[1000];
            while (size_t n = stream->Read(buffer, sizeof buffer)) walked.Data.append(buffer, n);
          } catch (const EStorageError& e) {
            walked.Damage = e.what();
          }
        }
      } else if (element.Type == STGTY_STORAGE) {
        if (auto child = storage->OpenStorage(element.Name))
          nested.emplace_back(std::move(child), walked.Path + u"/");
      }
      out.push_back(std::move(walked));
    }
    // Pushed in reverse so the first nested storage is walked next.
    for (auto it = nested.rbegin(); it != nested.rend(); ++it) pending.push_back(std::move(*it));
  }
  return out;
}

}  // namespace kvtest
