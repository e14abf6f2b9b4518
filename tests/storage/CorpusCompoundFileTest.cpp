// Every compound file of the shared corpus of real documents opens, enumerates in
// directory order, and reads each stream to exactly its size, except the few
// whose chains are damaged, which read up to the damage.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "msword/base/CodePages.h"
#include "msword/storage/CompoundFile.h"
#include "storage/StorageWalk.h"
#include "support/SharedData.h"

using namespace msword;
using namespace msword::storage;

namespace {

// The order of the directory tree: shorter names first, then by upper-cased characters.
bool TreeLess(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (size_t i = 0; i < a.size(); ++i) {
    const char16_t x = a[i] >= u'a' && a[i] <= u'z' ? char16_t(a[i] - 32) : a[i];
    const char16_t y = b[i] >= u'a' && b[i] <= u'z' ? char16_t(b[i] - 32) : b[i];
    if (x != y) return x < y;
  }
  return false;
}

// The manifest's rows by column name.
std::vector<std::map<std::string, std::string>> Manifest(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  std::vector<std::string> columns;
  std::vector<std::map<std::string, std::string>> rows;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::stringstream ss(line);
    for (std::string f; std::getline(ss, f, '\t');) fields.push_back(f);
    if (columns.empty()) {
      columns = fields;
      continue;
    }
    std::map<std::string, std::string> row;
    for (size_t i = 0; i < columns.size() && i < fields.size(); ++i) row[columns[i]] = fields[i];
    rows.push_back(std::move(row));
  }
  return rows;
}

// Real files whose chains are damaged: the stream, the bytes that read before the
// damage, and the message. Old test files of one writer share a looping 1Table
// chain; their piece table lies in the readable part.
struct DamagedStream {
  const char* file;
  std::u16string stream;
  size_t readable;
  const char* message;
};
const DamagedStream kDamaged[] = {
    {"d0013-file1.doc", u"1Table", 2560, "the chain of stream \"1Table\" loops"},
    {"d0019-EncryptedDocPasswordIs--_password1.doc", u"1Table", 2560, "the chain of stream \"1Table\" loops"},
    {"d0077-comment4.doc", u"1Table", 2560, "the chain of stream \"1Table\" loops"},
    {"d0229-simple-table.doc", u"1Table", 2560, "the chain of stream \"1Table\" loops"},
    {"d0044-this-file-crashes-msword.doc", u"0Table", 5632, "the chain of stream \"0Table\" loops"},
    {"d0044-this-file-crashes-msword.doc", u"WordDocument", 16896,
     "the chain of stream \"WordDocument\" leaves the allocation table"},
    {"d0044-this-file-crashes-msword.doc", u"\x05SummaryInformation", 192,
     "the chain of stream \"\x05SummaryInformation\" is shorter than its size"},
    {"d0198-clusterfuzz-testcase-POIHWPFFuzzer-5696094627495936.doc",
     u"\x05"
     u"Document\u6D53",
     0,
     "the chain of stream \"\x05"
     "Document\u6D53\" leaves the allocation table"},
};
// A fuzzed file whose directory tree is out of order: enumerated as stored.
const char kUnorderedTree[] = "d0198-clusterfuzz-testcase-POIHWPFFuzzer-5696094627495936.doc";

}  // namespace

TEST(CorpusCompoundFiles, EveryOneOpensEnumeratesInOrderAndReadsWhole) {
  KVTEST_REQUIRE_DIR(kvtest::CorpusDir());
  size_t checked = 0;
  for (const auto& row : Manifest(kvtest::CorpusDir() / "manifest.tsv")) {
    const std::filesystem::path path = kvtest::CorpusDir() / row.at("local_path");
    const std::string bytes = kvtest::ReadFileBytes(path);
    const bool compound = bytes.size() >= 8 && bytes.compare(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") == 0;
    EXPECT_EQ(compound, row.at("is_compound") == "1") << path;
    if (!compound) continue;
    SCOPED_TRACE(path.string());
    ++checked;
    try {
      auto file = TCompoundFile::OpenMemory(bytes);
      const auto walked = kvtest::WalkCompoundFile(*file);
      const std::string name = path.filename().string();
      size_t damaged = 0;
      for (size_t i = 0; i < walked.size(); ++i) {
        const auto& e = walked[i];
        const auto known =
            std::find_if(std::begin(kDamaged), std::end(kDamaged),
                         [&](const DamagedStream& d) { return d.file == name && d.stream == e.Path; });
        if (known != std::end(kDamaged)) {
          ++damaged;
          EXPECT_EQ(e.Data.size(), known->readable) << WideToUtf8(e.Path);
          EXPECT_EQ(e.Damage, std::string("Compound file is damaged: ") + known->message);
        } else {
          EXPECT_EQ(e.Data.size(), e.Type == STGTY_STREAM ? e.Size : 0) << WideToUtf8(e.Path);
          EXPECT_EQ(e.Damage, "") << WideToUtf8(e.Path);
        }
        // Siblings follow each other in tree order.
        if (i > 0) {
          const auto& prev = walked[i - 1];
          const size_t a = prev.Path.rfind(u'/'), b = e.Path.rfind(u'/');
          if (prev.Path.substr(0, a + 1) == e.Path.substr(0, b + 1) && name != kUnorderedTree) {
            EXPECT_TRUE(TreeLess(prev.Path.substr(a + 1), e.Path.substr(b + 1))) << WideToUtf8(e.Path);
          }
        }
      }
      EXPECT_EQ(damaged, size_t(std::count_if(std::begin(kDamaged), std::end(kDamaged),
                                              [&](const DamagedStream& d) { return d.file == name; })));
      for (const auto& [column, element] :
           {std::pair{"has_WordDocument", u"WordDocument"}, std::pair{"has_1Table", u"1Table"},
            std::pair{"has_0Table", u"0Table"}, std::pair{"has_Macros", u"Macros"}}) {
        if (row.at(column) == "1" || row.at(column) == "0") {
          EXPECT_EQ(
              file->Root()->OpenStream(element) != nullptr || file->Root()->OpenStorage(element) != nullptr,
              row.at(column) == "1")
              << column;
        }
      }
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
    }
  }
  EXPECT_GT(checked, 0u);
}
