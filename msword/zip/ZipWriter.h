// A zip archive written in memory with every entry stored (not compressed): the
// readers of flat XML packages hand their parts to the package loader this way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace msword {

class TZipWriter {
 public:
  // Adds an entry; names are written as UTF-8. Entries and the archive stay below
  // 4 GiB (a larger one raises "Zip entry "%s" is too large.").
  void Add(std::string_view Name, std::string_view Data);
  // The archive: the entries, their central directory and its end record.
  std::string Finish();

 private:
  struct TEntry {
    std::string Name;
    uint32_t Crc = 0;
    uint32_t Size = 0;
    uint32_t Offset = 0;
  };
  std::string FBytes;
  std::vector<TEntry> FEntries;
};

}  // namespace msword
