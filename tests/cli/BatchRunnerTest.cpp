#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <sstream>
#include <thread>

#include "cli/BatchRunner.h"

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

// Workers that take random times still hand results over in input order, and no
// more documents than the window are ever taken but not yet emitted.
TEST(BatchRunner, ResultsComeInInputOrderWithinTheWindow) {
  for (unsigned jobs : {1u, 2u, 5u}) {
    SCOPED_TRACE(jobs);
    std::ostringstream text;
    for (int i = 0; i < 200; ++i) text << "p" << i << "\n";
    std::istringstream list(text.str());
    TPathSource source({}, &list, std::nullopt);
    const size_t window = jobs * 2;
    std::atomic<size_t> taken{0}, emitted{0}, maxAhead{0};
    std::vector<std::string> order;
    TBatchRunner runner(jobs, window);
    const size_t count = runner.Run(
        source,
        [&] {
          auto random = std::make_shared<std::mt19937>(jobs);
          return [&, random](const std::string& path) {
            const size_t ahead = ++taken - emitted;
            size_t seen = maxAhead;
            while (ahead > seen && !maxAhead.compare_exchange_weak(seen, ahead)) {
            }
            std::this_thread::sleep_for(std::chrono::microseconds((*random)() % 300));
            TDocumentResult result;
            result.Output = path;
            result.Failed = path.back() == '7';
            return result;
          };
        },
        [&](size_t index, const std::string& path, TDocumentResult& result) {
          EXPECT_EQ(path, "p" + std::to_string(index));
          EXPECT_EQ(result.Output, path);
          EXPECT_EQ(result.Failed, path.back() == '7');
          order.push_back(path);
          ++emitted;
        },
        nullptr);
    EXPECT_EQ(count, 200u);
    ASSERT_EQ(order.size(), 200u);
    // The emitted count moves on just after the window does: one more may be seen.
    EXPECT_LE(maxAhead.load(), window + 1);
  }
}

TEST(BatchRunner, AnEmptySourceEmitsNothing) {
  TPathSource source({}, nullptr, std::nullopt);
  TBatchRunner runner(3, 6);
  size_t emitted = 0;
  EXPECT_EQ(runner.Run(
                source, [] { return [](const std::string&) { return TDocumentResult(); }; },
                [&](size_t, const std::string&, TDocumentResult&) { ++emitted; }, [] {}),
            0u);
  EXPECT_EQ(emitted, 0u);
}

}  // namespace
}  // namespace kvword
