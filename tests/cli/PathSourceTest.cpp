#include <gtest/gtest.h>

#include <sstream>

#include "cli/PathSource.h"

namespace kvword {
namespace {

TEST(PathSource, ArgumentsComeFirstThenTheListWithoutEmptyLines) {
  std::istringstream list("c\r\n\nd\n\r\ne");
  TPathSource source({"a", "b"}, &list, std::nullopt);
  EXPECT_FALSE(source.Total().has_value());
  std::vector<std::string> paths;
  std::string path;
  while (source.Next(path)) paths.push_back(path);
  EXPECT_EQ(paths, (std::vector<std::string>{"a", "b", "c", "d", "e"}));
  EXPECT_FALSE(source.Next(path));

  std::istringstream counted("c\r\n\nd\n");
  EXPECT_EQ(CountListPaths(counted), 2u);
  EXPECT_EQ(TPathSource({"a"}, nullptr, std::nullopt).Total(), 1u);
  std::istringstream other("x");
  EXPECT_EQ(TPathSource({"a"}, &other, 2).Total(), 3u);
}

}  // namespace
}  // namespace kvword
