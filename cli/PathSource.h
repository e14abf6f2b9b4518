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
  TPathSource(std::vector<std::string> Files, std::istream* List, std::optional<size_t> ListTotal);

  // The next path; false at the end (and at every call after it). Empty lines of
  // the list are skipped and a CR before the line end is dropped, so that lists
  // written on Windows work.
  bool Next(std::string& Path);
  // The number of paths of the whole run, when known.
  std::optional<size_t> Total() const { return FTotal; }

 private:
  std::vector<std::string> FFiles;
  size_t FNextFile = 0;
  std::istream* FList;
  std::optional<size_t> FTotal;
};

// Reads a path list line by line as TPathSource does. False at the end.
bool ReadListPath(std::istream& List, std::string& Path);
// The number of paths in a list (read to its end).
size_t CountListPaths(std::istream& List);

}  // namespace kvword
