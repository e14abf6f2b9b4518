// Where kvword's documents come from: names in any bytes, standard input, lists of
// lines or NUL-separated lists, and things that are not documents at all.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ProcessRunner.h"
#include "support/SharedData.h"

namespace kvtest {
namespace {

using nlohmann::json;

std::string Sample(const std::string& Name) {
  return ReadFileBytes(std::string(KVWORD_SAMPLES_DIR) + "/" + Name);
}

// A name that is not UTF-8 (Latin-1 "é") reaches open() and comes back in the
// heading, the messages and the list byte for byte; JSON shows the byte as U+FFFD.
TEST(KvWordInput, NamesThatAreNotUtf8RoundTrip) {
  TTempDir dir;
  const std::string latin = dir.Write("lat\xE9.docx", Sample("sample.docx"));
  const std::string missing = (dir.Path() / "r\xE9sum\xE9.doc").string();
  const std::string plain = dir.Write("plain.docx", Sample("sample.docx"));

  const TProcessResult alone = RunKvWord({latin});
  EXPECT_EQ(alone.ExitCode, 0) << alone.Err;
  EXPECT_EQ(alone.Out, RunKvWord({plain}).Out);
  EXPECT_FALSE(alone.Out.empty());

  const TProcessResult both = RunKvWord({"--lf", latin, missing});
  EXPECT_EQ(both.ExitCode, 1);
  EXPECT_THAT(both.Out, testing::StartsWith("==> " + latin + " <==\n"));
  EXPECT_EQ(both.Err, "kvword: " + missing + ": is not found\n");

  const TProcessResult listed = RunKvWord({"--files-from=-", "--lf"}, latin + "\n");
  EXPECT_EQ(listed.ExitCode, 0) << listed.Err;
  EXPECT_EQ(listed.Out, both.Out.substr(0, listed.Out.size()));

  const TProcessResult inJson = RunKvWord({"--json", latin});
  ASSERT_EQ(inJson.ExitCode, 0) << inJson.Err;
  const std::string shown = (dir.Path() / "lat\xEF\xBF\xBD.docx").string();
  EXPECT_EQ(json::parse(inJson.Out)["file"], shown);
}

TEST(KvWordInput, ADashReadsTheDocumentFromStandardInput) {
  TTempDir dir;
  for (const std::string name : {"sample.doc", "sample.docx"}) {
    SCOPED_TRACE(name);
    const std::string file = dir.Write(name, Sample(name));
    const TProcessResult byName = RunKvWord({"--all", "--summary", file});
    const TProcessResult piped = RunKvWord({"--all", "--summary", "-"}, Sample(name));
    ASSERT_EQ(piped.ExitCode, 0) << piped.Err;
    EXPECT_EQ(piped.Out, byName.Out);
    const json line = json::parse(RunKvWord({"--json", "-"}, Sample(name)).Out);
    EXPECT_EQ(line["file"], "-");
    EXPECT_EQ(line["reader"], name.ends_with("x") ? "docx" : "doc");
  }
  // Not a document: the reason, without a name that means nothing to the user.
  const TProcessResult junk = RunKvWord({"-"}, "not a Word document");
  EXPECT_EQ(junk.ExitCode, 1);
  EXPECT_EQ(junk.Err, "kvword: -: The file is not valid MS Word document\n");
}

TEST(KvWordInput, NulSeparatedListsCarryAnyName) {
  TTempDir dir;
  const std::string odd = dir.Write("line\nbreak\r", Sample("sample.doc"));
  const std::string missing = (dir.Path() / "gone.doc").string();
  std::string list = odd + '\0' + '\0' + missing + '\0';
  const TProcessResult run = RunKvWord({"-0", "--files-from=-", "--json"}, list);
  EXPECT_EQ(run.ExitCode, 1);
  const std::vector<std::string> lines = SplitLines(run.Out);
  ASSERT_EQ(lines.size(), 2u) << run.Out;
  EXPECT_EQ(json::parse(lines[0])["file"], odd);
  EXPECT_TRUE(json::parse(lines[0]).contains("text"));
  EXPECT_EQ(json::parse(lines[1])["file"], missing);
  EXPECT_EQ(json::parse(lines[1])["error"], "is not found");
  // The same through a list file and the long name.
  const TProcessResult fromFile =
      RunKvWord({"--null", "--json", "--files-from=" + dir.Write("list", list)});
  EXPECT_EQ(fromFile.Out, run.Out);
}

TEST(KvWordInput, WhatIsNotARegularFileSaysWhatItIs) {
  TTempDir dir;
  const std::string folder = (dir.Path() / "folder.doc").string();
  std::filesystem::create_directory(folder);
  const std::string fifo = (dir.Path() / "pipe.doc").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::string file, message;
  };
  const Case cases[] = {{folder, "is a directory"},
                        {fifo, "is not a regular file"},
                        {"/dev/null", "is not a regular file"},
                        {(dir.Path() / "none.doc").string(), "is not found"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const TProcessResult run = RunKvWord({c.file});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "kvword: " + c.file + ": " + c.message + "\n");
  }
}

TEST(KvWordInput, ListsThatCannotBeReadAreUsageErrorsNamingTheList) {
  TTempDir dir;
  const std::string folder = dir.Path().string();
  const std::string gone = (dir.Path() / "gone.txt").string();
  const TProcessResult isDir = RunKvWord({"--files-from=" + folder});
  EXPECT_EQ(isDir.ExitCode, 2);
  EXPECT_THAT(isDir.Err, testing::StartsWith("kvword: the list " + folder + " is a directory\n"));
  const TProcessResult missing = RunKvWord({"--files-from", gone});
  EXPECT_EQ(missing.ExitCode, 2);
  EXPECT_THAT(missing.Err, testing::StartsWith("kvword: the list " + gone + " cannot be opened: "));
}

}  // namespace
}  // namespace kvtest
