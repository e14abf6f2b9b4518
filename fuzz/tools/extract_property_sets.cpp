// Writes the property-set streams ("SummaryInformation" and
// "DocumentSummaryInformation", in any storage) of compound files to a folder, one
// file per stream named after its file (NAME.1.prop, NAME.2.prop, ...), as seeds
// for the property-set fuzz target. Files that are not compound files, or are
// damaged, are passed over.
//
//   extract_property_sets OUTPUT_DIR FILE...
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/StreamWalk.h"
#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/storage/OleStream.h"
#include "msword/storage/CompoundFile.h"
#include "msword/storage/StorageError.h"

using namespace msword;
using namespace msword::storage;

namespace {

bool IsPropertySetName(const std::u16string& Name) {
  if (Name.size() < 2) return false;
  const std::u16string_view rest = std::u16string_view(Name).substr(1);
  return SameTextAscii(rest, u"SummaryInformation") || SameTextAscii(rest, u"DocumentSummaryInformation");
}

// The property-set streams of the file in Bytes; none when it cannot be opened.
std::vector<std::string> PropertySets(std::string Bytes) {
  std::vector<std::string> sets;
  std::shared_ptr<TCompoundFile> file;
  try {
    file = TCompoundFile::OpenMemory(std::move(Bytes));
  } catch (const Exception&) {
    return sets;
  }
  kvfuzz::VisitStreams(*file, [&sets](const std::u16string& Name, std::shared_ptr<TStorageStream> Stream) {
    if (!IsPropertySetName(Name)) return;
    try {
      TKvWOleStream adapter(std::move(Stream));
      std::string bytes;
      char buffer[4096];
      int32_t got = 0;
      while ((got = adapter.Read(buffer, sizeof buffer)) > 0) bytes.append(buffer, size_t(got));
      if (!bytes.empty()) sets.push_back(std::move(bytes));
    } catch (const Exception&) {
      // A damaged chain: the stream is left out.
    }
  });
  return sets;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: extract_property_sets OUTPUT_DIR FILE...\n");
    return 2;
  }
  const std::string outDir = argv[1];
  int written = 0;
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) continue;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string path = argv[i];
    const std::string base = path.substr(path.find_last_of('/') + 1);
    int n = 0;
    for (const std::string& set : PropertySets(std::move(bytes))) {
      std::ofstream out(outDir + "/" + base + "." + std::to_string(++n) + ".prop", std::ios::binary);
      out.write(set.data(), std::streamsize(set.size()));
      ++written;
    }
  }
  std::printf("%d property sets\n", written);
  return 0;
}
