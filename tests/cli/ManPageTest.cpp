// The manual page and --help describe the same options.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "ProcessRunner.h"
#include "support/SharedData.h"

namespace kvtest {
namespace {

std::set<std::string> Matches(const std::string& text, const std::regex& pattern) {
  std::set<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
       it != std::sregex_iterator(); ++it)
    found.insert((*it)[1].str());
  return found;
}

TEST(ManPage, NamesTheOptionsThatHelpLists) {
  const TProcessResult help = RunKvWord({"--help"});
  ASSERT_EQ(help.ExitCode, 0);
  std::string page = ReadFileBytes(KVWORD_MAN_PAGE);
  ASSERT_FALSE(page.empty());
  // Plain text of the roff source: "\\-" is a hyphen, font changes go.
  page = std::regex_replace(page, std::regex(R"(\\-)"), "-");
  page = std::regex_replace(page, std::regex(R"(\\f[BIRP])"), "");
  // The options of --help are the first words of its indented lines.
  const std::set<std::string> helpOptions =
      Matches(help.Out, std::regex(R"((?:^|\n)  (?:-\w,)?--([a-z][a-z-]*))"));
  const std::set<std::string> pageOptions =
      Matches(page, std::regex(R"(\n\.TP\n(?:-\w, )?--([a-z][a-z-]*))"));
  EXPECT_GT(helpOptions.size(), 20u);
  EXPECT_EQ(helpOptions, pageOptions);
  // Short forms too.
  EXPECT_EQ(Matches(help.Out, std::regex(R"(\n  -(\w),--)")),
            Matches(page, std::regex(R"(\n\.TP\n-(\w), --)")));
}

}  // namespace
}  // namespace kvtest
