// The directory of a compound file: one 128-byte entry per storage and stream,
// the elements of each storage kept as a red-black tree of sibling links.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace msword::storage {

inline constexpr uint32_t NOSTREAM = 0xFFFFFFFF;
inline constexpr size_t DIRECTORY_ENTRY_SIZE = 128;

// Object types of a directory entry; the enumeration gives only storages and streams.
inline constexpr uint8_t STGTY_INVALID = 0;
inline constexpr uint8_t STGTY_STORAGE = 1;
inline constexpr uint8_t STGTY_STREAM = 2;
inline constexpr uint8_t STGTY_ROOT = 5;

struct TDirectoryEntry {
  std::u16string Name;                 // 0, 64 bytes of UTF-16 with a terminator; 64: its byte length
  uint8_t ObjectType = STGTY_INVALID;  // 66
  uint8_t ColorFlag = 0;               // 67: red 0, black 1 (not looked at)
  uint32_t LeftSiblingId = NOSTREAM;   // 68
  uint32_t RightSiblingId = NOSTREAM;  // 72
  uint32_t ChildId = NOSTREAM;         // 76: root of the storage's element tree
  // 80: class id (16 bytes), 96: state bits, 100: creation time, 108: modification time
  uint32_t StartingSector = 0;  // 116
  uint64_t StreamSize = 0;      // 120: version 3 files keep only the low 32 bits
};

// Decodes the entry at p. In version 3 files the high 32 bits of the size are
// ignored (some old writers left them uninitialised). A name length beyond the
// 64-byte field is cut to the field.
void DecodeDirectoryEntry(const uint8_t* p, bool Version3, TDirectoryEntry& Entry);

// Compares element names the way the format orders them: by their upper-cased
// characters, so "WORDDOCUMENT" finds "WordDocument".
bool SameElementName(std::u16string_view A, std::u16string_view B);

class TDirectory {
 public:
  // Takes the decoded entries (entry 0 is the root storage) and places each
  // element under the first storage whose tree reaches it, walking the trees
  // iteratively. Links out of range, to unused entries or back to an entry already
  // placed are passed over, so every element appears once in the whole file and a
  // cycle of sibling or child links ends.
  explicit TDirectory(std::vector<TDirectoryEntry> Entries);

  size_t Count() const { return FEntries.size(); }
  const TDirectoryEntry& Entry(uint32_t Id) const { return FEntries[Id]; }
  // The storages and streams directly in storage Id, in the order of its tree.
  const std::vector<uint32_t>& Children(uint32_t Id) const { return FChildren[Id]; }
  // The element of type Type in storage Id named Name (an exact match first, else
  // one equal by upper-cased characters), or NOSTREAM.
  uint32_t FindChild(uint32_t Id, std::u16string_view Name, uint8_t Type) const;

 private:
  std::vector<TDirectoryEntry> FEntries;
  std::vector<std::vector<uint32_t>> FChildren;
  std::vector<bool> FOrdered;  // per storage: its elements are in name order
  // Per storage whose elements are out of name order: them in name order (stably,
  // so that equal names keep the tree's order), for lookups by name.
  std::vector<std::vector<uint32_t>> FByName;
};

}  // namespace msword::storage
