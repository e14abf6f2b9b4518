// TMSWordXDocument's VBA extraction for macro-enabled packages (".docm", ".dotm"):
// the project kept as a compound file in the package (word/vbaProject.bin), read
// with the VBA layer into the same items and macro text as a ".doc" file's.
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/docx/WordXDocument.h"
#include "msword/storage/CompoundFile.h"
#include "msword/storage/OleStream.h"
#include "msword/storage/Storage.h"
#include "msword/storage/StorageError.h"
#include "msword/vba/VBACompression.h"
#include "msword/vba/VBAProject.h"
#include "msword/zip/ZipArchive.h"

namespace msword {

namespace {

constexpr uint8_t STGTY_STORAGE = 1;
constexpr uint8_t STGTY_STREAM = 2;
constexpr std::u16string_view MACRO_SEPARATOR = u"'===================================";
constexpr std::u16string_view MACRO_HEADING = u"'  Macro(s) from ";
// Storages nest a level or two in a project; a deeper tree is not walked further.
constexpr size_t MaxStorageDepth = 16;

// Calls Visit for every stream under Root, depth first, with its own stack.
void WalkStreams(storage::TStorage* Root,
                 const std::function<void(storage::TStorage&, const std::u16string&)>& Visit) {
  struct TLevel {
    std::unique_ptr<storage::TStorage> Owned;
    storage::TStorage* Storage;
    std::unique_ptr<storage::TStorageEnum> Elements;
  };
  std::vector<TLevel> stack;
  stack.push_back({nullptr, Root, Root->EnumElements()});
  storage::TStatStg element;
  while (!stack.empty()) {
    TLevel& level = stack.back();
    if (!level.Elements->Next(element)) {
      stack.pop_back();
      continue;
    }
    if (element.Type == STGTY_STORAGE && stack.size() < MaxStorageDepth) {
      std::unique_ptr<storage::TStorage> child = level.Storage->OpenStorage(element.Name);
      if (!child) continue;
      storage::TStorage* raw = child.get();
      std::unique_ptr<storage::TStorageEnum> elements = raw->EnumElements();
      stack.push_back({std::move(child), raw, std::move(elements)});
    } else if (element.Type == STGTY_STREAM) {
      Visit(*level.Storage, element.Name);
    }
  }
}

// The bytes of S from From to its end, block by block: a stream's recorded size
// may claim more than its chain holds.
std::string ReadAll(TStream& S, int64_t From) {
  std::string bytes;
  if (From >= S.Size()) return bytes;
  S.Seek(From, soBeginning);
  constexpr int32_t BLOCK = 64 * 1024;
  for (;;) {
    const size_t have = bytes.size();
    bytes.resize(have + BLOCK);
    const int32_t got = S.Read(bytes.data() + have, BLOCK);
    bytes.resize(have + size_t(got > 0 ? got : 0));
    if (got < BLOCK) return bytes;
  }
}

std::u16string BytesToChars(const std::string& Bytes) {
  std::u16string text(Bytes.size(), u'\0');
  for (size_t i = 0; i < Bytes.size(); ++i) text[i] = char16_t(uint8_t(Bytes[i]));
  return text;
}

}  // namespace

void TMSWordXDocument::LoadVBAProject(TZipArchive& Zip, const std::u16string& Folder) {
  VBAProjectItems->Clear();
  FVBAProject.clear();
  std::u16string name = PartNameOfType(Zip, u"/vbaProject");
  if (name.empty()) name = Folder + u"vbaProject.bin";
  std::string bytes;
  try {
    bytes = PackageEntryBytes(Zip, name);
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
    std::vector<TVBADirModule> dirModules;
    WalkStreams(root.get(), [&](storage::TStorage& parent, const std::u16string& stream) {
      if (stream != u"dir" && stream != u"PROJECT" && stream != u"_VBA_PROJECT") return;
      const std::shared_ptr<storage::TStorageStream> opened = parent.OpenStream(stream);
      if (!opened) return;
      TKvWOleStream s(opened);
      if (stream == u"dir") {
        const std::string container = ReadAll(s, 0);
        dirModules = ReadVBADirModules(
            DecompressContainer(reinterpret_cast<const uint8_t*>(container.data()), container.size()));
      } else if (stream == u"PROJECT") {
        FVBAProject = BytesToChars(ReadAll(s, 0));
      } else {
        ReadVBAProjectCache(s, *VBAProjectItems);
      }
    });
    // When the cache does not name every module the "dir" stream lists, the
    // modules are those of "dir", in its order.
    const bool cacheNamesEveryModule =
        std::all_of(dirModules.begin(), dirModules.end(), [&](const TVBADirModule& m) {
          for (int i = 0; i < VBAProjectItems->Count(); ++i)
            if (SameTextAscii(VBAProjectItems->Items(i)->ModuleName, m.StreamName)) return true;
          return false;
        });
    if (!cacheNamesEveryModule)
      for (size_t i = 0; i < dirModules.size(); ++i) {
        TVBAProjectItem* item =
            int(i) < VBAProjectItems->Count() ? VBAProjectItems->Items(int(i)) : VBAProjectItems->Add();
        item->ModuleName = dirModules[i].StreamName;
        item->Offset = dirModules[i].Offset;
      }
    WalkStreams(root.get(), [this](storage::TStorage& parent, const std::u16string& stream) {
      TVBAProjectItem* item = nullptr;
      for (int i = 0; i < VBAProjectItems->Count() && !item; ++i)
        if (SameTextAscii(VBAProjectItems->Items(i)->ModuleName, stream)) item = VBAProjectItems->Items(i);
      if (!item) return;
      item->Body.clear();
      const std::shared_ptr<storage::TStorageStream> opened = parent.OpenStream(stream);
      if (!opened) return;
      TKvWOleStream s(opened);
      const std::string container = ReadAll(s, int64_t(item->Offset));
      item->Body = DecompressContainer(reinterpret_cast<const uint8_t*>(container.data()), container.size());
    });
  } catch (const Exception&) {
    // A damaged project gives what was read of it.
  }
  for (int i = 0; i < VBAProjectItems->Count(); ++i) {
    const TVBAProjectItem* item = VBAProjectItems->Items(i);
    if (item->Body.empty()) continue;
    FMacroText->Add(std::u16string(MACRO_SEPARATOR));
    FMacroText->Add(std::u16string(MACRO_HEADING) + item->ModuleName);
    FMacroText->Add(std::u16string(MACRO_SEPARATOR));
    FMacroText->Add(BytesToChars(item->Body) + u"\r\n");
  }
}

}  // namespace msword
