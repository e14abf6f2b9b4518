// The manual page and --help describe the same options.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "ProcessRunner.h"
#include "support/SharedData.h"

namespace kvtest {
namespace {

struct TOptionNames {
  std::set<std::string> Long, Short;
};

// Reads "-j, --jobs=N", "-j,--jobs N" or "--all ..." at the start of Line.
void AddOptionNames(std::string_view Line, TOptionNames& Names) {
  if (Line.size() > 3 && Line[0] == '-' && Line[1] != '-' && (Line[2] == ',')) {
    Names.Short.insert(std::string(Line.substr(1, 1)));
    Line.remove_prefix(3);
    while (!Line.empty() && Line[0] == ' ') Line.remove_prefix(1);
  }
  if (!Line.starts_with("--")) return;
  Line.remove_prefix(2);
  const size_t end = Line.find_first_not_of("abcdefghijklmnopqrstuvwxyz-");
  Names.Long.insert(std::string(Line.substr(0, end)));
}

// The options listed by --help: the indented lines that start with a dash.
TOptionNames HelpOptions(const std::string& Help) {
  TOptionNames names;
  for (const std::string& line : SplitLines(Help))
    if (line.starts_with("  -")) AddOptionNames(std::string_view(line).substr(2), names);
  return names;
}

// The options the manual page describes: the tag lines after ".TP", in plain text
// ("\-" is a hyphen, font changes go).
TOptionNames PageOptions(const std::string& Page) {
  TOptionNames names;
  bool tag = false;
  for (const std::string& source : SplitLines(Page)) {
    std::string line;
    for (size_t i = 0; i < source.size(); ++i) {
      if (source[i] == '\\' && i + 1 < source.size() && source[i + 1] == '-') {
        line += '-';
        ++i;
      } else if (source[i] == '\\' && i + 2 < source.size() && source[i + 1] == 'f') {
        i += 2;
      } else {
        line += source[i];
      }
    }
    if (tag) AddOptionNames(line, names);
    tag = line == ".TP";
  }
  return names;
}

TEST(ManPage, NamesTheOptionsThatHelpLists) {
  const TProcessResult help = RunKvWord({"--help"});
  ASSERT_EQ(help.ExitCode, 0);
  const std::string page = ReadFileBytes(KVWORD_MAN_PAGE);
  ASSERT_FALSE(page.empty());
  const TOptionNames helpOptions = HelpOptions(help.Out), pageOptions = PageOptions(page);
  EXPECT_GT(helpOptions.Long.size(), 20u);
  EXPECT_EQ(helpOptions.Long, pageOptions.Long);
  EXPECT_EQ(helpOptions.Short, (std::set<std::string>{"0", "h", "V", "j", "q"}));
  EXPECT_EQ(helpOptions.Short, pageOptions.Short);
}

}  // namespace
}  // namespace kvtest
