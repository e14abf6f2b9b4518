#include "msword/storage/Storage.h"

#include "msword/storage/CompoundFile.h"

namespace msword::storage {

TStorageEnum::TStorageEnum(std::shared_ptr<const TCompoundFile> File, uint32_t StorageId)
    : FFile(std::move(File)), FStorageId(StorageId) {}

bool TStorageEnum::Next(TStatStg& Element) {
  const TDirectory& directory = FFile->Directory();
  const std::vector<uint32_t>& children = directory.Children(FStorageId);
  if (FIndex >= children.size()) return false;
  const TDirectoryEntry& entry = directory.Entry(children[FIndex++]);
  Element.Name = entry.Name;
  Element.Type = entry.ObjectType;
  Element.Size = entry.ObjectType == STGTY_STREAM ? entry.StreamSize : 0;
  return true;
}

TStorage::TStorage(std::shared_ptr<const TCompoundFile> File, uint32_t EntryId)
    : FFile(std::move(File)), FEntryId(EntryId) {}

const std::u16string& TStorage::Name() const { return FFile->Directory().Entry(FEntryId).Name; }

std::unique_ptr<TStorageEnum> TStorage::EnumElements() const {
  return std::make_unique<TStorageEnum>(FFile, FEntryId);
}

std::shared_ptr<TStorageStream> TStorage::OpenStream(std::u16string_view Name) const {
  const uint32_t id = FFile->Directory().FindChild(FEntryId, Name, STGTY_STREAM);
  if (id == NOSTREAM) return nullptr;
  return std::make_shared<TStorageStream>(FFile, id);
}

std::unique_ptr<TStorage> TStorage::OpenStorage(std::u16string_view Name) const {
  const uint32_t id = FFile->Directory().FindChild(FEntryId, Name, STGTY_STORAGE);
  if (id == NOSTREAM) return nullptr;
  return std::make_unique<TStorage>(FFile, id);
}

}  // namespace msword::storage
