// The real-document gate: every document of the shared corpus is loaded through the
// reader the command-line tool would choose; its outcome and, against the
// LibreOffice reference text, the share of the reference's words that the
// extracted text holds are written to a report. The test fails when a document
// that loaded before no longer loads, when a document's share (main and side texts)
// falls more than half a point below the one recorded in shares.txt, or when fewer
// documents than the recorded floor reach 98% of their reference's words.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "WordShare.h"
#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/MSWord.h"
#include "msword/ReaderChoice.h"
#include "support/SharedData.h"

using namespace msword;
namespace fs = std::filesystem;

namespace {

struct TRow {
  std::string id, kind, format, file;
};

std::vector<TRow> ReadManifest(const fs::path& corpus) {
  std::ifstream in(corpus / "manifest.tsv");
  std::string line;
  std::getline(in, line);
  std::vector<std::string> header;
  {
    std::stringstream ss(line);
    std::string col;
    while (std::getline(ss, col, '\t')) header.push_back(col);
  }
  auto column = [&](const char* name) {
    return size_t(std::find(header.begin(), header.end(), name) - header.begin());
  };
  const size_t id = column("id"), kind = column("kind"), format = column("format"), file = column("local_path");
  std::vector<TRow> rows;
  while (std::getline(in, line)) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    std::string col;
    while (std::getline(ss, col, '\t')) cols.push_back(col);
    cols.resize(header.size());
    rows.push_back({cols[id], cols[kind], cols[format], cols[file]});
  }
  return rows;
}

std::string ReadText(const fs::path& p) {
  std::string bytes = kvtest::ReadFileBytes(p);
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  return bytes;
}

std::set<std::string> ReadIdSet(const fs::path& p) {
  std::set<std::string> ids;
  std::ifstream in(p);
  std::string line;
  while (std::getline(in, line))
    if (!line.empty() && line[0] != '#') ids.insert(line.substr(0, line.find('\t')));
  return ids;
}

// shares.txt: "id share [reason]" per line, the share in percent of the reference's words.
std::map<std::string, double> ReadShares(const fs::path& p) {
  std::map<std::string, double> shares;
  std::ifstream in(p);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::stringstream ss(line);
    std::string id;
    double share = 0;
    if (ss >> id >> share) shares[id] = share;
  }
  return shares;
}

double ReadFloor(const fs::path& p) {
  std::ifstream in(p);
  std::string line;
  while (std::getline(in, line))
    if (!line.empty() && line[0] != '#') return std::stod(line);
  return 0;
}

const char* ReaderName(TReaderKind Kind) {
  switch (Kind) {
    case rkDocx: return "docx";
    case rkRtf: return "rtf";
    case rkHtml: return "html";
    case rkWordXml: return "wordxml";
    default: return "doc";
  }
}

std::string Clean(std::string s) {
  std::replace(s.begin(), s.end(), '\t', ' ');
  std::replace(s.begin(), s.end(), '\n', ' ');
  std::replace(s.begin(), s.end(), '\r', ' ');
  return s;
}

}  // namespace

TEST(CorpusGate, DocumentsKeepLoadingAndKeepTheirWords) {
  const fs::path corpus = kvtest::CorpusDir();
  KVTEST_REQUIRE_DIR(corpus);
  const fs::path gateDir = KVWORD_GATE_DIR;
  const std::set<std::string> loadedBefore = ReadIdSet(gateDir / "loaded.txt");
  const double floor = ReadFloor(gateDir / "floor.txt");
  const std::map<std::string, double> sharesBefore = ReadShares(gateDir / "shares.txt");

  std::ofstream report(fs::path(KVWORD_GATE_REPORT));
  report << "id\tkind\tformat\treader\toutcome\tref_words\tshare_main\tshare_all\n";
  struct TTally { int withRef = 0, atMain = 0, atAll = 0, loaded = 0, total = 0; };
  std::map<std::string, TTally> tally;  // by the manifest's kind
  int withReference = 0, reached = 0;
  std::vector<std::string> regressions, worse;

  for (const TRow& row : ReadManifest(corpus)) {
    const fs::path file = corpus / row.file;
    const std::u16string name = Utf8ToWide(file.string());
    // What the tool shows by default: the reader it chooses, in the shown view.
    const TReaderKind kind = ChooseReaderByContent(name);
    const std::unique_ptr<TMSCustomWordDocument> owned = NewReader(kind);
    TMSCustomWordDocument& reader = *owned;
    reader.SetView(vwShown);
    std::string outcome = "loaded";
    try {
      reader.LoadFromFile(name);
    } catch (const Exception& e) {
      outcome = Clean(WideToUtf8(e.Message()));
      const std::string path = file.string();
      if (size_t at = outcome.find(path); at != std::string::npos) outcome.replace(at, path.size(), "%s");
    } catch (const std::exception& e) {
      outcome = "unexpected: " + Clean(e.what());
    }
    const bool loaded = outcome == "loaded";
    TTally& t = tally[row.kind];
    ++t.total;
    if (loaded) ++t.loaded;
    if (!loaded && loadedBefore.count(row.id)) regressions.push_back(row.id + ": " + outcome);

    const fs::path ref = corpus / "ref" / "libreoffice" / (row.id + ".txt");
    std::string refWords = "", shareMain = "", shareAll = "";
    std::error_code ec;
    if (fs::exists(ref, ec)) {
      kvgate::TWordCounts reference;
      kvgate::CountWords(Utf8ToWide(ReadText(ref)), reference);
      long words = 0;
      for (const auto& [w, n] : reference) words += n;
      if (words > 0) {
        ++withReference;
        ++t.withRef;
        refWords = std::to_string(words);
        if (loaded) {
          kvgate::TWordCounts main, all;
          kvgate::CountWords(reader.Text()->GetText(), main);
          all = main;
          for (TWideStrings* side : {reader.FootNoteText(), reader.HeaderText(), reader.FooterText(),
                                     reader.AnnotationText(), reader.EndNoteText(), reader.TextBoxText()})
            kvgate::CountWords(side->GetText(), all);
          const double m = kvgate::WordShare(reference, main);
          const double a = kvgate::WordShare(reference, all);
          shareMain = std::to_string(m);
          shareAll = std::to_string(a);
          if (auto before = sharesBefore.find(row.id);
              before != sharesBefore.end() && a * 100 < before->second - 0.5)
            worse.push_back(row.id + ": " + std::to_string(before->second) + "% -> " + std::to_string(a * 100) +
                            "%");
          if (m >= 0.98) ++t.atMain;
          if (a >= 0.98) {
            ++t.atAll;
            ++reached;
          }
        }
      }
    }
    report << row.id << '\t' << row.kind << '\t' << row.format << '\t' << ReaderName(kind) << '\t'
           << outcome << '\t' << refWords << '\t' << shareMain << '\t' << shareAll << '\n';
  }

  for (const auto& [name, t] : tally)
    std::cout << "[gate] " << name << ": " << t.loaded << "/" << t.total << " loaded; "
              << t.atMain << "/" << t.withRef << " at >= 98% of the reference's words (main text), "
              << t.atAll << "/" << t.withRef << " (main and side texts)\n";
  const double share = withReference ? double(reached) / withReference : 0;
  std::cout << "[gate] all: " << reached << "/" << withReference << " = " << share
            << " at >= 98% (floor " << floor << "); report: " << KVWORD_GATE_REPORT << "\n";

  EXPECT_TRUE(regressions.empty()) << "documents that loaded before fail now:\n"
                                   << [&] {
                                        std::string s;
                                        for (const auto& r : regressions) s += "  " + r + "\n";
                                        return s;
                                      }();
  EXPECT_TRUE(worse.empty())
      << "documents that hold fewer of their reference's words than recorded in shares.txt (lower a "
         "document's share there, with a line saying why, only when the loss is right):\n"
      << [&] {
           std::string s;
           for (const auto& r : worse) s += "  " + r + "\n";
           return s;
         }();
  EXPECT_GE(share + 1e-9, floor) << "fewer documents reach 98% of their reference's words than the floor";
}
