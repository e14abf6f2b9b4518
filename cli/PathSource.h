// TPathSource: the documents of a run, in order: the FILE arguments, then the
// lines of a --files-from list, read as they are needed (so a list on standard
// input is streamed, never held whole).
#pragma once

#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace kvword {

class TPathSource {
 public:
  // List may be null (no --files-from). ListTotal is the number of paths in List
  // when it is known beforehand.
  TPathSource(std::vector<std::string> Files, std::istream* List, std::optional<size_t> ListTotal,
              char Separator = '\n');

  // The next path; false at the end (and at every call after it). Empty entries
  // of the list are skipped; in a list of lines a CR before the line end is
  // dropped, so that lists written on Windows work. A listed "-" is the file of
  // that name ("./-"): only a command-line "-" stands for standard input.
  bool Next(std::string& Path);
  // The number of paths of the whole run, when known.
  std::optional<size_t> Total() const { return FTotal; }

 private:
  std::vector<std::string> FFiles;
  size_t FNextFile = 0;
  std::istream* FList;
  std::optional<size_t> FTotal;
  char FSeparator;
};

// Reads a path list entry by entry as TPathSource does: lines, or with Separator
// '\0' NUL-terminated entries as find -print0 writes them. False at the end.
bool ReadListPath(std::istream& List, std::string& Path, char Separator = '\n');
// The number of paths in a list (read to its end).
size_t CountListPaths(std::istream& List, char Separator = '\n');

}  // namespace kvword
