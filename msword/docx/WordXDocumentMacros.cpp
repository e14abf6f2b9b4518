// TMSWordXDocument's VBA extraction for macro-enabled packages (".docm", ".dotm"):
// the project kept as a compound file in the package (word/vbaProject.bin), read
// with the VBA layer into the same items and macro text as a ".doc" file's.
#include <memory>
#include <string>
#include <utility>

#include "msword/base/Exceptions.h"
#include "msword/docx/WordXDocument.h"
#include "msword/storage/CompoundFile.h"
#include "msword/storage/Storage.h"
#include "msword/storage/StorageError.h"
#include "msword/vba/VBAProjectStorage.h"
#include "msword/zip/ZipArchive.h"

namespace msword {

void TMSWordXDocument::LoadVBAProject(TZipArchive& Zip, const std::u16string& Folder) {
  VBAProjectItems->Clear();
  FVBAProject.clear();
  std::u16string name = PartNameOfType(Zip, u"/vbaProject");
  if (name.empty()) name = Folder + u"vbaProject.bin";
  std::string bytes;
  try {
    bytes = PackageEntryBytes(Zip, name);
  } catch (const EDocumentOverBudget&) {
    throw;
  } catch (const Exception&) {
    return;
  }
  if (bytes.empty()) return;
  std::shared_ptr<storage::TCompoundFile> file;
  try {
    file = storage::TCompoundFile::OpenMemory(std::move(bytes));
  } catch (const storage::EStorageError&) {
    return;
  }
  const std::unique_ptr<storage::TStorage> root = file->Root();
  try {
    ReadVBAProjectStreams(*root, *VBAProjectItems, FVBAProject);
    ReadVBAModuleSources(*root, *VBAProjectItems);
  } catch (const Exception&) {
    // A damaged project gives what was read of it.
  }
  AddVBAMacroText(*VBAProjectItems, *FMacroText);
}

}  // namespace msword
