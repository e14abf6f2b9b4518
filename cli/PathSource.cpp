#include "cli/PathSource.h"

namespace kvword {

bool ReadListPath(std::istream& List, std::string& Path, char Separator) {
  while (std::getline(List, Path, Separator)) {
    if (Separator == '\n' && !Path.empty() && Path.back() == '\r') Path.pop_back();
    if (Path == "-") Path = "./-";
    if (!Path.empty()) return true;
  }
  return false;
}

size_t CountListPaths(std::istream& List, char Separator) {
  size_t count = 0;
  std::string path;
  while (ReadListPath(List, path, Separator)) ++count;
  return count;
}

TPathSource::TPathSource(std::vector<std::string> Files, std::istream* List,
                         std::optional<size_t> ListTotal, char Separator)
    : FFiles(std::move(Files)), FList(List), FSeparator(Separator) {
  if (!FList)
    FTotal = FFiles.size();
  else if (ListTotal)
    FTotal = FFiles.size() + *ListTotal;
}

bool TPathSource::Next(std::string& Path) {
  if (FNextFile < FFiles.size()) {
    Path = std::move(FFiles[FNextFile++]);
    return true;
  }
  if (!FList) return false;
  if (ReadListPath(*FList, Path, FSeparator)) return true;
  FList = nullptr;
  return false;
}

}  // namespace kvword
