// A storage of a compound file (the root or a nested one): the enumeration of its
// elements in directory order and the opening of its children by name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "msword/storage/StorageStream.h"

namespace msword::storage {

class TCompoundFile;

// One element of a storage: its name, type (STGTY_STORAGE 1 or STGTY_STREAM 2)
// and size in bytes (0 for a storage).
struct TStatStg {
  std::u16string Name;
  uint8_t Type = 0;
  uint64_t Size = 0;
};

// Gives a storage's elements one at a time, in the order of its directory tree:
// shorter names first, names of equal length by their upper-cased characters.
class TStorageEnum {
 public:
  TStorageEnum(std::shared_ptr<const TCompoundFile> File, uint32_t StorageId);
  // Fills Element with the next element; false when none is left.
  bool Next(TStatStg& Element);
  void Reset() { FIndex = 0; }

 private:
  std::shared_ptr<const TCompoundFile> FFile;
  uint32_t FStorageId;
  size_t FIndex = 0;
};

class TStorage {
 public:
  // Keeps the compound file alive for as long as the storage exists.
  TStorage(std::shared_ptr<const TCompoundFile> File, uint32_t EntryId);

  const std::u16string& Name() const;
  std::unique_ptr<TStorageEnum> EnumElements() const;
  // The child stream or storage of that name (compared by upper-cased characters),
  // opened read-only; nullptr when there is none, or the element is of the other type.
  std::shared_ptr<TStorageStream> OpenStream(std::u16string_view Name) const;
  std::unique_ptr<TStorage> OpenStorage(std::u16string_view Name) const;

 private:
  std::shared_ptr<const TCompoundFile> FFile;
  uint32_t FEntryId;
};

}  // namespace msword::storage
