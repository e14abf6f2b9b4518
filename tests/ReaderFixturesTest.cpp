// The readers of the other formats Word opens, on files other programs wrote: the
// project's fixtures (made by LibreOffice from tests/data/readers/source.rtf) and
// the shared corpus's files of those formats, against LibreOffice's text of each.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "msword/base/CodePages.h"
#include "msword/base/CustomWordDocument.h"
#include "msword/base/Streams.h"
#include "msword/ReaderChoice.h"
#include "support/SharedData.h"

using namespace msword;

namespace {

// The words of a text, each counted.
std::map<std::string, int> Words(const std::string& Text) {
  std::map<std::string, int> words;
  std::istringstream in(Text);
  for (std::string w; in >> w;) {
    if (w.rfind("\xEF\xBB\xBF", 0) == 0) w.erase(0, 3);
    if (!w.empty()) ++words[w];
  }
  return words;
}

// The share of the reference's words that the text has too.
double WordRecall(const std::string& Text, const std::string& Reference) {
  const std::map<std::string, int> ours = Words(Text), theirs = Words(Reference);
  int total = 0, found = 0;
  for (const auto& [word, count] : theirs) {
    total += count;
    const auto it = ours.find(word);
    found += it == ours.end() ? 0 : std::min(count, it->second);
  }
  return total == 0 ? 1.0 : double(found) / total;
}

// The document's main text in the shown view, which is what the reference shows.
std::string ShownText(const std::filesystem::path& Path, TReaderKind& Kind) {
  const std::u16string name = Utf8ToWide(Path.string());
  Kind = ChooseReaderByContent(name);
  std::unique_ptr<TMSCustomWordDocument> document = NewReader(Kind);
  document->SetView(vwShown);
  document->LoadFromFile(name);
  return WideToUtf8(document->Text()->GetText());
}

}  // namespace

TEST(ReaderFixtures, LibreOfficeFilesReadLikeLibreOffice) {
  const std::filesystem::path dir = kvtest::TestDataDir() / "readers";
  const std::string reference = kvtest::ReadFileBytes(dir / "libreoffice.txt");
  ASSERT_FALSE(reference.empty());
  struct Case {
    const char* file;
    TReaderKind kind;
  };
  const Case cases[] = {
      {"source.rtf", rkRtf},
      {"libreoffice.rtf", rkRtf},
      {"libreoffice.html", rkHtml},
      {"libreoffice-wordml2003.xml", rkWordXml},
      {"libreoffice-flat.xml", rkWordXml},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TReaderKind kind = rkDoc;
    const std::string text = ShownText(dir / c.file, kind);
    EXPECT_EQ(kind, c.kind);
    // The note number LibreOffice shows after "paragraph" and the tab its Word
    // 2003 export leaves out cost two words of 26.
    EXPECT_GE(WordRecall(text, reference), 0.85) << text;
  }
}

TEST(ReaderFixtures, CorpusFilesOfOtherFormats) {
  const std::filesystem::path corpus = kvtest::CorpusDir();
  KVTEST_REQUIRE_DIR(corpus);
  std::ifstream manifest(corpus / "manifest.tsv");
  std::string line;
  std::getline(manifest, line);
  int checked = 0;
  while (std::getline(manifest, line)) {
    std::vector<std::string> columns;
    std::istringstream row(line);
    for (std::string column; std::getline(row, column, '\t');) columns.push_back(column);
    if (columns.size() < 14) continue;
    const std::string& format = columns[4];
    if (format != "rtf" && format != "html" && format != "wordml2003") continue;
    SCOPED_TRACE(columns[13]);
    TReaderKind kind = rkDoc;
    const std::string text = ShownText(corpus / columns[13], kind);
    EXPECT_EQ(kind, format == "rtf" ? rkRtf : format == "html" ? rkHtml : rkWordXml);
    const std::string reference = kvtest::ReadFileBytes(corpus / "ref" / "libreoffice" / (columns[0] + ".txt"));
    EXPECT_GE(WordRecall(text, reference), 0.9) << text;
    ++checked;
  }
  EXPECT_GT(checked, 0);
}
