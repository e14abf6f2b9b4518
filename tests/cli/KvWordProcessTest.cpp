// The built kvword run as a process on crafted inputs: exit statuses, the error
// lines on standard error, the JSON Lines contract and the order of a batch.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "ProcessRunner.h"
#include "support/SharedData.h"

namespace kvtest {
namespace {

using nlohmann::json;

std::set<std::string> Keys(const json& object) {
  std::set<std::string> keys;
  for (const auto& item : object.items()) keys.insert(item.key());
  return keys;
}

TEST(KvWordProcess, DocumentsThatCannotBeReadFailWithTheLibraryMessage) {
  TTempDir dir;
  const std::string text = dir.Write("notes.doc", "Just some text, not a Word file.\n");
  const std::string empty = dir.Write("empty.doc", "");
  struct Case {
    std::string file, message;
  };
  // The line names the file once: the message's own mention becomes "the file".
  const Case cases[] = {{text, "The file is not valid MS Word document"},
                        {empty, "The file is not valid MS Word document"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const TProcessResult run = RunKvWord({c.file});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "kvword: " + c.file + ": " + c.message + "\n");
  }
}

// A name holding a newline or an escape sequence cannot forge a heading or reach
// the terminal: headings and messages print its control characters escaped.
TEST(KvWordProcess, NamesWithControlCharactersAreEscapedInHeadingsAndMessages) {
  TTempDir dir;
  const std::string sample = ReadFileBytes(std::string(KVWORD_SAMPLES_DIR) + "/sample.docx");
  ASSERT_FALSE(sample.empty());
  const std::string good = dir.Write("a <==\n==> forged.docx", sample);
  const std::string bad = dir.Write("b\x1b[2J.doc", "not a document");
  const TProcessResult run = RunKvWord({"--lf", good, bad});
  EXPECT_EQ(run.ExitCode, 1);
  const std::string escapedGood = dir.Path().string() + "/a <==\\n==> forged.docx";
  EXPECT_TRUE(run.Out.starts_with("==> " + escapedGood + " <==\n")) << run.Out;
  EXPECT_EQ(run.Out.find("\n==> forged.docx"), std::string::npos);
  EXPECT_EQ(run.Err, "kvword: " + dir.Path().string() + "/b\\x1b[2J.doc: The file is not valid MS Word document\n");
}

TEST(KvWordProcess, UsageErrorsExitWithTwoAndPrintNothing) {
  TTempDir dir;
  const std::string file = dir.Write("a.doc", "x");
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus", file},
      {},
      {"--jobs=0", file},
      {"-j", "many", file},
      {"--format=xml", file},
      {"--reader=odt", file},
      {"--max-length=-1", file},
      {"--language=0x10000", file},
      {"--language=english", file},
      {"--summary", "--no-summary", file},
      {"--reader=doc", "--by-extension", file},
      {"--files-from", (dir.Path() / "no-such-list").string()},
      {"-", "-"},
      {"--files-from=-", "-"},
      {"-0", file},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(testing::PrintToString(args));
    const TProcessResult run = RunKvWord(args);
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Out, "");
    EXPECT_THAT(run.Err, testing::StartsWith("kvword: "));
  }
}

TEST(KvWordProcess, HelpAndVersionPrintToStandardOutputAndSucceed) {
  const TProcessResult help = RunKvWord({"--help"});
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_THAT(help.Out, testing::HasSubstr("Usage: kvword [OPTIONS] [FILE...]"));
  EXPECT_THAT(help.Out, testing::HasSubstr("--files-from PATH"));
  EXPECT_EQ(help.Err, "");
  const TProcessResult version = RunKvWord({"--version"});
  EXPECT_EQ(version.ExitCode, 0);
  EXPECT_THAT(version.Out, testing::StartsWith("kvword 1.48\nKvWord library 1.48\nbuild: "));
  EXPECT_EQ(version.Err, "");
}

TEST(KvWordProcess, JsonErrorLinesHoldOnlyFileAndError) {
  TTempDir dir;
  const std::string missing = (dir.Path() / "gone.docx").string();
  const std::string text = dir.Write("plain.doc", "hello");
  const TProcessResult run = RunKvWord({"--json", "--all", "--macros", missing, text});
  EXPECT_EQ(run.ExitCode, 1);
  const std::vector<std::string> lines = SplitLines(run.Out);
  ASSERT_EQ(lines.size(), 2u);
  const json first = json::parse(lines[0]);
  EXPECT_EQ(Keys(first), (std::set<std::string>{"file", "error"}));
  EXPECT_EQ(first["file"], missing);
  EXPECT_EQ(first["error"], "is not found");
  EXPECT_EQ(json::parse(lines[1])["error"], "The file is not valid MS Word document");
  EXPECT_EQ(run.Err, "kvword: " + missing + ": is not found\n" + "kvword: " + text +
                         ": The file is not valid MS Word document\n");
}

// The contract of a streaming filter (Spark's RDD.pipe, Hadoop Streaming): paths on
// standard input, one JSON line per path in their order, failures in-band, and the
// stream goes on after them.
TEST(KvWordProcess, FilesFromStandardInputIsAnOrderedJsonFilter) {
  TTempDir dir;
  std::vector<std::string> paths;
  std::string input;
  for (int i = 0; i < 60; ++i) {
    const std::string name = "doc" + std::to_string(i) + ".doc";
    paths.push_back(i % 3 == 0 ? dir.Write(name, "not word " + std::to_string(i))
                               : (dir.Path() / name).string());
    input += paths.back() + (i % 7 == 0 ? "\r\n" : "\n");
    if (i % 10 == 0) input += "\n";  // empty lines name no document
  }
  for (const std::string jobs : {"1", "3"}) {
    SCOPED_TRACE("-j " + jobs);
    const TProcessResult run = RunKvWord({"--files-from=-", "--json", "-j", jobs}, input);
    EXPECT_EQ(run.ExitCode, 1);
    const std::vector<std::string> lines = SplitLines(run.Out);
    ASSERT_EQ(lines.size(), paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
      const json line = json::parse(lines[i]);
      EXPECT_EQ(line["file"], paths[i]);
      EXPECT_TRUE(line.contains("error") || line.contains("text")) << lines[i];
    }
    EXPECT_EQ(SplitLines(run.Err).size(), paths.size());  // every one failed, in order
    EXPECT_THAT(SplitLines(run.Err).back(),
                testing::StartsWith("kvword: " + paths.back() + ": "));
  }
}

TEST(KvWordProcess, ManyWorkersKeepTheInputOrderOnBothStreams) {
  TTempDir dir;
  std::vector<std::string> args{"-j", "4", "--json"};
  std::string list;
  for (int i = 0; i < 300; ++i) {
    const std::string path = (dir.Path() / ("m" + std::to_string(i))).string();
    (i < 150 ? args.push_back(path) : void(list += path + "\n"));
  }
  args.push_back("--files-from=" + dir.Write("list.txt", list));
  const TProcessResult run = RunKvWord(args);
  const std::vector<std::string> out = SplitLines(run.Out), err = SplitLines(run.Err);
  ASSERT_EQ(out.size(), 300u);
  ASSERT_EQ(err.size(), 300u);
  for (int i = 0; i < 300; ++i) {
    const std::string path = (dir.Path() / ("m" + std::to_string(i))).string();
    EXPECT_EQ(json::parse(out[size_t(i)])["file"], path);
    EXPECT_THAT(err[size_t(i)], testing::StartsWith("kvword: " + path + ": "));
  }
}

TEST(KvWordProcess, AnEmptyListReadsNothingAndSucceeds) {
  const TProcessResult run = RunKvWord({"--files-from=-", "--json"}, "\n\n");
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Out, "");
  EXPECT_EQ(run.Err, "");
}

TEST(KvWordProcess, ProgressLineStaysOffWhenStandardErrorIsNoTerminal) {
  TTempDir dir;
  const TProcessResult run =
      RunKvWord({"-j", "2", "--files-from=-"},
                (dir.Path() / "a").string() + "\n" + (dir.Path() / "b").string() + "\n");
  EXPECT_THAT(run.Err, testing::Not(testing::HasSubstr("files/s")));
  EXPECT_EQ(SplitLines(run.Err).size(), 2u);
}

}  // namespace
}  // namespace kvtest
