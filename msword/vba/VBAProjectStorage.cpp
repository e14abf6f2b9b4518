#include "msword/vba/VBAProjectStorage.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/base/VBAProjectItems.h"
#include "msword/base/WideStrings.h"
#include "msword/storage/OleStream.h"
#include "msword/storage/Storage.h"
#include "msword/vba/VBACompression.h"
#include "msword/vba/VBAProject.h"

namespace msword {

namespace {

constexpr uint8_t STGTY_STORAGE = 1;
constexpr uint8_t STGTY_STREAM = 2;
constexpr std::u16string_view MACRO_SEPARATOR = u"'===================================";
constexpr std::u16string_view MACRO_HEADING = u"'  Macro(s) from ";
// Storages nest a level or two in a project; a deeper tree is not walked further,
// so a storage reached twice by its name cannot multiply the walk without bound.
constexpr size_t MaxStorageDepth = 16;

// Calls Visit for every stream under Root, sub-storages walked depth first in
// directory order, as they are met. The walk keeps its own stack, so a deep
// storage tree cannot exhaust the call stack.
void WalkStreams(storage::TStorage& Root,
                 const std::function<void(storage::TStorage&, const std::u16string&)>& Visit) {
  struct TLevel {
    std::unique_ptr<storage::TStorage> Owned;  // null for the root, which the caller owns
    storage::TStorage* Storage;
    std::unique_ptr<storage::TStorageEnum> Elements;
  };
  std::vector<TLevel> stack;
  stack.push_back({nullptr, &Root, Root.EnumElements()});
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

// The bytes of S from From to its end. Read block by block: the recorded size of a
// compound-file stream may claim far more than its chain holds.
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

// Each byte one character of the same code.
std::u16string BytesToChars(const std::string& Bytes) {
  std::u16string text(Bytes.size(), u'\0');
  for (size_t i = 0; i < Bytes.size(); ++i) text[i] = char16_t(uint8_t(Bytes[i]));
  return text;
}

// The items by module name, ignoring the case of ASCII letters: the first item of
// each name. Looking modules up here keeps a project of many modules linear.
class TModulesByName {
 public:
  explicit TModulesByName(const TVBAProjectItems& Items) {
    FItems.reserve(size_t(Items.Count()));
    for (int i = 0; i < Items.Count(); ++i) FItems.emplace(Folded(Items.Items(i)->ModuleName), Items.Items(i));
  }
  TVBAProjectItem* Find(std::u16string_view Name) const {
    const auto it = FItems.find(Folded(Name));
    return it == FItems.end() ? nullptr : it->second;
  }

 private:
  static std::u16string Folded(std::u16string_view Name) {
    std::u16string folded(Name);
    for (char16_t& c : folded)
      if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
    return folded;
  }
  std::unordered_map<std::u16string, TVBAProjectItem*> FItems;
};

}  // namespace

void ReadVBAProjectStreams(storage::TStorage& Root, TVBAProjectItems& Items, std::u16string& ProjectText) {
  std::vector<TVBADirModule> dirModules;
  WalkStreams(Root, [&](storage::TStorage& parent, const std::u16string& name) {
    if (name != u"dir" && name != u"PROJECT" && name != u"_VBA_PROJECT") return;
    const std::shared_ptr<storage::TStorageStream> stream = parent.OpenStream(name);
    if (!stream) return;
    TKvWOleStream s(stream);
    if (name == u"dir") {
      const std::string container = ReadAll(s, 0);
      dirModules = ReadVBADirModules(
          DecompressContainer(reinterpret_cast<const uint8_t*>(container.data()), container.size()));
    } else if (name == u"PROJECT") {
      ProjectText = BytesToChars(ReadAll(s, 0));
    } else {
      ReadVBAProjectCache(s, Items);
    }
  });
  // The module records of the cache are laid out differently by other versions of
  // the editor. When they do not name every module the "dir" stream lists, the
  // modules are taken from "dir" instead, in its order.
  const TModulesByName cached(Items);
  const bool cacheNamesEveryModule = std::all_of(dirModules.begin(), dirModules.end(),
                                                 [&](const TVBADirModule& m) { return cached.Find(m.StreamName); });
  if (cacheNamesEveryModule) return;
  for (size_t i = 0; i < dirModules.size(); ++i) {
    TVBAProjectItem* item = int(i) < Items.Count() ? Items.Items(int(i)) : Items.Add();
    item->ModuleName = dirModules[i].StreamName;
    item->Offset = dirModules[i].Offset;
  }
}

void ReadVBAModuleSources(storage::TStorage& Root, TVBAProjectItems& Items) {
  const TModulesByName modules(Items);
  WalkStreams(Root, [&modules](storage::TStorage& parent, const std::u16string& name) {
    TVBAProjectItem* item = modules.Find(name);
    if (!item) return;
    item->Body.clear();
    const std::shared_ptr<storage::TStorageStream> stream = parent.OpenStream(name);
    if (!stream) return;
    TKvWOleStream s(stream);
    const std::string container = ReadAll(s, int64_t(item->Offset));
    item->Body = DecompressContainer(reinterpret_cast<const uint8_t*>(container.data()), container.size());
  });
}

void AddVBAMacroText(const TVBAProjectItems& Items, TWideStrings& MacroText) {
  for (int i = 0; i < Items.Count(); ++i) {
    const TVBAProjectItem* item = Items.Items(i);
    if (item->Body.empty()) continue;
    MacroText.Add(std::u16string(MACRO_SEPARATOR));
    MacroText.Add(std::u16string(MACRO_HEADING) + item->ModuleName);
    MacroText.Add(std::u16string(MACRO_SEPARATOR));
    MacroText.Add(BytesToChars(item->Body) + u"\r\n");
  }
}

}  // namespace msword
