#include <gtest/gtest.h>

#include <sstream>

#include "cli/Options.h"

namespace kvword {
namespace {

std::optional<int> Parse(std::vector<const char*> args, TKvWordOptions& options,
                         std::string* err = nullptr) {
  args.insert(args.begin(), "kvword");
  std::ostringstream out, errors;
  std::optional<int> status = ParseCommandLine(int(args.size()), args.data(), options, out, errors);
  if (err) *err = errors.str();
  return status;
}

TEST(Options, LanguageIdIsHexWithPrefixOrDecimal) {
  struct Case {
    const char* text;
    std::optional<uint16_t> id;
  };
  const Case cases[] = {{"0x0409", 0x0409}, {"0X41f", 0x041F},  {"1033", 1033}, {"0", 0},
                        {"65535", 65535},   {"0xFFFF", 0xFFFF}, {"65536", {}},  {"0x10000", {}},
                        {"0x", {}},         {"", {}},           {"-1", {}},     {"12ab", {}},
                        {"0409h", {}},      {" 1033", {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseLanguageId(c.text), c.id);
  }
}

TEST(Options, FlagsMapOntoTheSettings) {
  TKvWordOptions options;
  ASSERT_EQ(Parse({"--format=rtf", "--max-length", "40", "--no-convert", "--macros", "--footnotes",
                   "--textboxes", "--language=0x0419", "-j3", "--reader", "docx", "--lf", "a.doc",
                   "b.doc"},
                  options),
            std::nullopt);
  EXPECT_EQ(options.Format, msword::tfRTF);
  EXPECT_EQ(options.MaxLength, 40);
  EXPECT_TRUE(options.NoConvert);
  EXPECT_TRUE(options.Macros);
  EXPECT_TRUE(options.Sides.Contains(stFootnotes));
  EXPECT_TRUE(options.Sides.Contains(stTextBoxes));
  EXPECT_FALSE(options.Sides.Contains(stHeaders));
  EXPECT_FALSE(options.All);
  EXPECT_EQ(options.Language, uint16_t(0x0419));
  EXPECT_EQ(options.Jobs, 3u);
  EXPECT_EQ(options.Reader, rmDocx);
  EXPECT_TRUE(options.Lf);
  EXPECT_EQ(options.Files, (std::vector<std::string>{"a.doc", "b.doc"}));
  EXPECT_FALSE(options.HasFilesFrom);
}

TEST(Options, DefaultsReadEverythingByContentWithOneJobPerCore) {
  TKvWordOptions options;
  ASSERT_EQ(Parse({"--files-from=-"}, options), std::nullopt);
  EXPECT_TRUE(options.HasFilesFrom);
  EXPECT_EQ(options.FilesFrom, "-");
  EXPECT_EQ(options.Reader, rmAuto);
  EXPECT_EQ(options.Format, msword::tfPlainText);
  EXPECT_EQ(options.MaxLength, 0);
  EXPECT_FALSE(options.Language.has_value());
  EXPECT_TRUE(options.Sides.Empty());
  EXPECT_GE(options.Jobs, 1u);
}

TEST(Options, ViewAndRevisions) {
  struct Case {
    std::vector<const char*> args;
    msword::TKvWView view;
    msword::TKvWRevisions revisions;
  };
  const Case cases[] = {
      {{}, msword::vwShown, msword::rvDefault},
      {{"--view=stored"}, msword::vwStored, msword::rvDefault},
      {{"--view", "shown", "--revisions=reject"}, msword::vwShown, msword::rvReject},
      {{"--view=stored", "--revisions=mark"}, msword::vwStored, msword::rvMark},
      {{"--revisions=accept"}, msword::vwShown, msword::rvAccept},
  };
  for (const Case& c : cases) {
    TKvWordOptions options;
    std::vector<const char*> args = c.args;
    args.push_back("a.doc");
    ASSERT_EQ(Parse(args, options), std::nullopt);
    EXPECT_EQ(options.View, c.view);
    EXPECT_EQ(options.Revisions, c.revisions);
  }
  for (const char* wrong : {"--view=word", "--revisions=keep", "--view="}) {
    TKvWordOptions options;
    std::string err;
    EXPECT_EQ(Parse({wrong, "a.doc"}, options, &err), ExitUsage) << wrong;
  }
}

TEST(Options, MarkdownIsTheShownViewInPlainText) {
  TKvWordOptions options;
  ASSERT_EQ(Parse({"--format=markdown", "--front-matter", "a.doc"}, options), std::nullopt);
  EXPECT_TRUE(options.Markdown);
  EXPECT_TRUE(options.FrontMatter);
  EXPECT_EQ(options.Format, msword::tfPlainText);
  EXPECT_EQ(options.View, msword::vwShown);
  for (const std::vector<const char*>& wrong :
       {std::vector<const char*>{"--format=markdown", "--view=stored"}, {"--format=markdown", "--json"},
        {"--front-matter"}, {"--format=html", "--front-matter"}}) {
    TKvWordOptions refused;
    std::string err;
    std::vector<const char*> args = wrong;
    args.push_back("a.doc");
    EXPECT_EQ(Parse(args, refused, &err), ExitUsage) << wrong[0];
    EXPECT_NE(err.find("Try 'kvword --help'"), std::string::npos);
  }
}

TEST(Options, ADoubleDashEndsTheOptions) {
  TKvWordOptions options;
  ASSERT_EQ(Parse({"--json", "--", "--odd-name.doc"}, options), std::nullopt);
  EXPECT_EQ(options.Files, (std::vector<std::string>{"--odd-name.doc"}));
}

// Documents alone on the command line are taken without building the parser:
// the options must come out exactly as the parser would leave them.
TEST(Options, DocumentsAloneGiveWhatTheParserGives) {
  const std::vector<std::vector<const char*>> cases = {
      {"a.doc"},
      {"a.doc", "b.docx", "a.doc"},
      {"name with spaces.doc", "x-y.doc", "d/e/f.doc", "=.doc", "@list"},
  };
  for (const auto& files : cases) {
    SCOPED_TRACE(files.front());
    TKvWordOptions quick, parsed;
    ASSERT_EQ(Parse(files, quick), std::nullopt);
    std::vector<const char*> withDash = files;
    withDash.insert(withDash.begin(), "--");  // the same documents, through the parser
    ASSERT_EQ(Parse(withDash, parsed), std::nullopt);
    EXPECT_EQ(quick.Files, std::vector<std::string>(files.begin(), files.end()));
    EXPECT_TRUE(quick == parsed);
  }
}

TEST(Options, DefaultJobsAreLimitedByCoresAndByMemory) {
  struct Case {
    unsigned cores;
    uint64_t memory;
    unsigned jobs;
  };
  const uint64_t GiB = uint64_t(1) << 30;
  const Case cases[] = {
      {2, 24 * GiB, 2},         {64, 1 * GiB, 4},  // a small container on a large machine
      {8, JobMemory - 1, 1},    {0, 0, 1},        {16, 0, 16},  // memory unknown: cores alone
      {4, 3 * JobMemory + 1, 3},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DefaultJobs(c.cores, c.memory), c.jobs) << c.cores << " cores, " << c.memory;
  }
}

TEST(Options, UsageErrorsPointToHelp) {
  TKvWordOptions options;
  std::string err;
  EXPECT_EQ(Parse({"--jobs=2000", "a.doc"}, options, &err), ExitUsage);
  EXPECT_EQ(err.rfind("kvword: ", 0), 0u) << err;
  EXPECT_NE(err.find("Try 'kvword --help'"), std::string::npos) << err;
}

}  // namespace
}  // namespace kvword
