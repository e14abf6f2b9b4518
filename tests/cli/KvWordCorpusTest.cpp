// The built kvword on real documents (../shared/corpus) and on the crafted baseline
// documents of ../shared/hostile. Skipped when those folders are absent.
//
// Tests that need a working reader skip until the reader has landed (the placeholder
// components refuse every file). Once both readers are in, every test here runs;
// the corpus-wide tests then check structure only: TO TIGHTEN when the readers are
// complete (for instance: every non-encrypted compound file with a Word 97 FIB loads).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "ProcessRunner.h"
#include "support/SharedData.h"

namespace kvtest {
namespace {

using nlohmann::json;

std::string Hostile(const std::string& name) { return (HostileDir() / "files" / name).string(); }

// True when kvword loads the baseline document of that kind.
bool ReaderLoads(const std::string& baseline) {
  return RunKvWord({"--quiet", Hostile(baseline)}).ExitCode == 0;
}

#define REQUIRE_READER(baseline)                                                 \
  do {                                                                           \
    KVTEST_REQUIRE_DIR(HostileDir());                                            \
    if (!ReaderLoads(baseline)) GTEST_SKIP() << "the reader has not landed yet"; \
  } while (0)

std::set<std::string> Keys(const json& object) {
  std::set<std::string> keys;
  for (const auto& item : object.items()) keys.insert(item.key());
  return keys;
}

// id -> format ("ole", "zip", ...) and path, from the corpus manifest.
struct TCorpusFile {
  std::string Path, Format, Generation;
};
std::vector<TCorpusFile> CorpusFiles() {
  std::vector<TCorpusFile> files;
  std::ifstream manifest(CorpusDir() / "manifest.tsv");
  std::string line;
  std::getline(manifest, line);  // the header row
  while (std::getline(manifest, line)) {
    std::vector<std::string> cells;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      cells.push_back(line.substr(start, tab - start));
    cells.push_back(line.substr(start));
    if (cells.size() > 13)
      files.push_back({(CorpusDir() / cells[13]).string(), cells[4], cells[5]});
  }
  return files;
}

TEST(KvWordCorpus, BaselineDocumentsInJson) {
  REQUIRE_READER("base_valid.doc");
  if (!ReaderLoads("base_valid.docx")) GTEST_SKIP() << "the .docx reader has not landed yet";
  const std::string doc = Hostile("base_valid.doc"), docx = Hostile("base_valid.docx");
  const TProcessResult run = RunKvWord({"--view=stored", "--json", "--all", "--lf", doc, docx});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(run.Err, "");
  const std::vector<std::string> lines = SplitLines(run.Out);
  ASSERT_EQ(lines.size(), 2u);
  const json first = json::parse(lines[0]), second = json::parse(lines[1]);
  const std::set<std::string> sideKeys{"footnotes",   "endnotes",  "headers",  "footers",
                                       "annotations", "textBoxes", "macroText"};
  std::set<std::string> docKeys = sideKeys, docxKeys = sideKeys;
  docKeys.insert({"file", "reader", "docVersion", "text", "summary"});
  docxKeys.insert({"file", "reader", "text", "summary"});
  EXPECT_EQ(Keys(first), docKeys);
  EXPECT_EQ(Keys(second), docxKeys);
  EXPECT_EQ(first["file"], doc);
  EXPECT_EQ(first["reader"], "doc");
  EXPECT_EQ(first["docVersion"], 8);
  // The .doc reader frames its text with the (empty) start and finish entries of
  // plain text, and its paragraph mark ends the line inside the text's entry.
  EXPECT_EQ(first["text"], "\nHello, hostile world.\n\n\n");
  EXPECT_EQ(first["summary"]["Title"], "Hostile baseline");
  EXPECT_EQ(first["summary"]["Author"], "Test Author");
  EXPECT_EQ(first["summary"]["Company"], "Hostile Corp");
  EXPECT_EQ(first["summary"]["PageCount"], 1);
  // The same moment on every machine: the .doc reader's local time back in UTC.
  EXPECT_EQ(first["summary"]["Created"], "2022-12-06T10:20:30Z");
  EXPECT_EQ(second["reader"], "docx");
  EXPECT_EQ(second["text"], "Hello, hostile world.\n\n");
  EXPECT_EQ(second["headers"], json::array({"Header text."}));
  EXPECT_EQ(second["summary"]["Created"], "2022-12-06T10:20:30Z");
}

TEST(KvWordCorpus, HeadingsSideTextsAndSummaryInText) {
  REQUIRE_READER("base_valid.docx");
  const std::string docx = Hostile("base_valid.docx"), missing = Hostile("no-such-file.docx");
  const TProcessResult run = RunKvWord({"--view=stored", "--lf", "--all", missing, docx, docx});
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Out,
            "==> " + docx + " <==\nHello, hostile world.\n\n--- headers ---\nHeader text.\n" +
                "\n==> " + docx + " <==\nHello, hostile world.\n\n--- headers ---\nHeader text.\n");
  EXPECT_EQ(run.Err, "kvword: " + missing + ": is not found\n");

  const TProcessResult summary = RunKvWord({"--summary", "--no-text", docx});
  EXPECT_EQ(summary.ExitCode, 0);
  EXPECT_THAT(summary.Out, testing::StartsWith("--- summary ---\r\n"));
  EXPECT_THAT(summary.Out, testing::HasSubstr("\r\nCreated: 2022-12-06T10:20:30Z\r\n"));
  EXPECT_THAT(summary.Out, testing::HasSubstr("\r\nTitle: Hostile baseline\r\n"));
}

TEST(KvWordCorpus, MacrosInTextAndJson) {
  REQUIRE_READER("base_valid.doc");
  const std::string doc = Hostile("vba_baseline.doc");
  const TProcessResult json_ = RunKvWord({"--json", "--macros", doc});
  ASSERT_EQ(json_.ExitCode, 0) << json_.Err;
  const json line = json::parse(json_.Out);
  ASSERT_EQ(line["vbaModules"].size(), 1u);
  EXPECT_EQ(line["vbaModules"][0]["name"], "Module1");
  EXPECT_FALSE(line["vbaModules"][0]["source"].get<std::string>().empty());
  const TProcessResult text = RunKvWord({"--macros", "--macro-text", doc});
  EXPECT_THAT(text.Out, testing::HasSubstr("--- macro-text ---\r\n"));
  EXPECT_THAT(text.Out, testing::HasSubstr("Macro(s) from Module1"));
}

// An encrypted .docx is a compound file holding "EncryptedPackage": it goes to the
// .docx reader, which says it is password-protected.
TEST(KvWordCorpus, EncryptedPackagesAreReportedAsPasswordProtected) {
  KVTEST_REQUIRE_DIR(CorpusDir());
  REQUIRE_READER("base_valid.docx");
  for (const TCorpusFile& file : CorpusFiles()) {
    if (file.Generation != "ooxml-encrypted") continue;
    SCOPED_TRACE(file.Path);
    const TProcessResult run = RunKvWord({file.Path});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "kvword: " + file.Path + ": Could not read the password protected file\n");
  }
}

// The whole corpus through the streaming filter with two workers: one valid JSON
// line per document, in order; documents that load name the reader their content
// calls for.
TEST(KvWordCorpus, EveryDocumentGivesOneJsonLineInOrder) {
  KVTEST_REQUIRE_DIR(CorpusDir());
  const std::vector<TCorpusFile> files = CorpusFiles();
  ASSERT_GT(files.size(), 100u);
  std::string list;
  for (const TCorpusFile& file : files) list += file.Path + "\n";
  const TProcessResult run = RunKvWord({"--files-from=-", "--json", "--all", "-j", "2"}, list);
  EXPECT_TRUE(run.ExitCode == 0 || run.ExitCode == 1) << run.ExitCode;
  const std::vector<std::string> lines = SplitLines(run.Out);
  ASSERT_EQ(lines.size(), files.size());
  size_t failed = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(files[i].Path);
    const json line = json::parse(lines[i]);
    EXPECT_EQ(line["file"], files[i].Path);
    if (line.contains("error")) {
      ++failed;
      EXPECT_EQ(Keys(line), (std::set<std::string>{"file", "error"}));
      continue;
    }
    EXPECT_TRUE(line["text"].is_string());
    EXPECT_TRUE(line["summary"].is_object());
    if (files[i].Format == "zip") {
      EXPECT_EQ(line["reader"], "docx");
    }
    if (files[i].Format == "ole" && files[i].Generation != "ooxml-encrypted") {
      EXPECT_EQ(line["reader"], "doc");
    }
  }
  EXPECT_EQ(SplitLines(run.Err).size(), failed);
}

// Two workers print exactly what one prints.
TEST(KvWordCorpus, TwoWorkersPrintWhatOnePrints) {
  KVTEST_REQUIRE_DIR(CorpusDir());
  std::string list;
  const std::vector<TCorpusFile> files = CorpusFiles();
  for (size_t i = 0; i < files.size() && i < 200; ++i) list += files[i].Path + "\n";
  const TProcessResult one = RunKvWord({"--files-from=-", "--all", "--summary", "-j", "1"}, list);
  const TProcessResult two = RunKvWord({"--files-from=-", "--all", "--summary", "-j", "2"}, list);
  EXPECT_EQ(one.ExitCode, two.ExitCode);
  EXPECT_TRUE(one.Out == two.Out);  // not EXPECT_EQ: megabytes of text
  EXPECT_EQ(one.Err, two.Err);
}


// The summary is read only when it is printed: a document whose summary stream is
// damaged gives its text when the summary is not asked for, and the damage is
// reported when it is.
TEST(KvWordCorpus, ADamagedSummaryCostsOnlyWhatAsksForIt) {
  REQUIRE_READER("base_valid.doc");
  const std::string file = Hostile("cfb_ministream_truncated.doc");
  const TProcessResult text = RunKvWord({file});
  EXPECT_EQ(text.ExitCode, 0) << text.Err;
  EXPECT_NE(text.Out.find("Hello, hostile world."), std::string::npos);
  EXPECT_EQ(text.Err, "");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--summary", file}, std::vector<std::string>{"--json", file}}) {
    const TProcessResult summary = RunKvWord(args);
    EXPECT_EQ(summary.ExitCode, 1) << args[0];
    EXPECT_NE((summary.Err + summary.Out).find("SummaryInformation"), std::string::npos) << args[0];
  }
  const TProcessResult noSummary = RunKvWord({"--json", "--no-summary", file});
  EXPECT_EQ(noSummary.ExitCode, 0) << noSummary.Out;
}

}  // namespace
}  // namespace kvtest
