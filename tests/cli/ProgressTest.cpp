#include "cli/Progress.h"

#include <gtest/gtest.h>

namespace kvword {
namespace {

TEST(Progress, LineShowsCountRateAndTimeLeft) {
  struct Case {
    size_t done;
    std::optional<size_t> total;
    double seconds;
    const char* line;
  };
  const Case cases[] = {
      {120, 500, 10.0, "kvword: 120/500 files, 12.0 files/s, 0:32 left"},
      {1, 100000, 2.0, "kvword: 1/100000 files, 0.5 files/s, 55:33:18 left"},
      {500, 500, 4.0, "kvword: 500/500 files, 125.0 files/s, 0:00 left"},
      {0, 10, 0.0, "kvword: 0/10 files, 0.0 files/s"},
      {42, std::nullopt, 3.0, "kvword: 42 files, 14.0 files/s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(FormatProgress(c.done, c.total, c.seconds), c.line);
  }
}

}  // namespace
}  // namespace kvword
