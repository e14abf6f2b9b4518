#include "msword/storage/Directory.h"

#include <algorithm>
#include <deque>
#include <tuple>
#include <type_traits>

#include "msword/base/LazyIcu.h"
#include "msword/base/LittleEndian.h"

namespace msword::storage {

void DecodeDirectoryEntry(const uint8_t* p, bool Version3, TDirectoryEntry& Entry) {
  const size_t nameBytes = std::min<size_t>(GetU16(p + 64), 64);
  size_t length = nameBytes / 2;
  if (length > 0) --length;  // the recorded length counts the terminator
  Entry.Name.clear();
  for (size_t i = 0; i < length; ++i) {
    const char16_t c = char16_t(GetU16(p + 2 * i));
    if (c == 0) break;
    Entry.Name.push_back(c);
  }
  Entry.ObjectType = p[66];
  Entry.ColorFlag = p[67];
  Entry.LeftSiblingId = GetU32(p + 68);
  Entry.RightSiblingId = GetU32(p + 72);
  Entry.ChildId = GetU32(p + 76);
  Entry.StartingSector = GetU32(p + 116);
  Entry.StreamSize = Version3 ? GetU32(p + 120) : GetU64(p + 120);
}

namespace {
// The order of a storage's tree: shorter names first, then by upper-cased characters.
char32_t Upper(char16_t c) {
  if (c < 0x80) return c >= u'a' && c <= u'z' ? c - 0x20 : c;
  return IcuToUpper(c);
}

bool TreeLess(std::u16string_view A, std::u16string_view B) {
  if (A.size() != B.size()) return A.size() < B.size();
  for (size_t i = 0; i < A.size(); ++i) {
    const char32_t a = Upper(A[i]), b = Upper(B[i]);
    if (a != b) return a < b;
  }
  return false;
}
}  // namespace

bool SameElementName(std::u16string_view A, std::u16string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i)
    if (A[i] != B[i] && Upper(A[i]) != Upper(B[i])) return false;
  return true;
}

TDirectory::TDirectory(std::vector<TDirectoryEntry> Entries)
    : FEntries(std::move(Entries)), FChildren(FEntries.size()), FOrdered(FEntries.size()), FByName(FEntries.size()) {
  if (FEntries.empty()) return;
  const uint32_t count = uint32_t(FEntries.size());
  std::vector<bool> placed(count);
  placed[0] = true;
  // Storages are walked breadth first, so an element that two storages both
  // claim stays with the one nearer the root.
  std::deque<uint32_t> storages{0};
  std::vector<uint32_t> path;  // the in-order walk's stack of pending nodes
  while (!storages.empty()) {
    const uint32_t storage = storages.front();
    storages.pop_front();
    std::vector<uint32_t>& children = FChildren[storage];
    auto usable = [&](uint32_t id) { return id < count && !placed[id]; };
    uint32_t node = FEntries[storage].ChildId;
    path.clear();
    for (;;) {
      while (usable(node)) {
        placed[node] = true;
        path.push_back(node);
        node = FEntries[node].LeftSiblingId;
      }
      if (path.empty()) break;
      node = path.back();
      path.pop_back();
      const TDirectoryEntry& entry = FEntries[node];
      if (entry.ObjectType == STGTY_STREAM || entry.ObjectType == STGTY_STORAGE) {
        children.push_back(node);
        if (entry.ObjectType == STGTY_STORAGE) storages.push_back(node);
      }
      node = entry.RightSiblingId;
    }
    const auto less = [&](uint32_t a, uint32_t b) { return TreeLess(FEntries[a].Name, FEntries[b].Name); };
    FOrdered[storage] = std::is_sorted(children.begin(), children.end(), less);
    if (!FOrdered[storage]) {
      FByName[storage] = children;
      std::stable_sort(FByName[storage].begin(), FByName[storage].end(), less);
    }
  }
}

uint32_t TDirectory::FindChild(uint32_t Id, std::u16string_view Name, uint8_t Type) const {
  // The elements in name order (a damaged tree's sorted once): a lookup costs the
  // log of a storage's size, so opening every element of a large storage is not
  // quadratic. Names that differ only in case lie together in that order.
  const std::vector<uint32_t>& children = FOrdered[Id] ? FChildren[Id] : FByName[Id];
  const auto [first, last] =
      std::equal_range(children.begin(), children.end(), Name, [&](const auto& a, const auto& b) {
        if constexpr (std::is_same_v<std::decay_t<decltype(a)>, uint32_t>)
          return TreeLess(FEntries[a].Name, b);
        else
          return TreeLess(a, FEntries[b].Name);
      });
  for (auto it = first; it != last; ++it)
    if (FEntries[*it].ObjectType == Type && FEntries[*it].Name == Name) return *it;
  for (auto it = first; it != last; ++it)
    if (FEntries[*it].ObjectType == Type && SameElementName(FEntries[*it].Name, Name)) return *it;
  return NOSTREAM;
}

}  // namespace msword::storage
