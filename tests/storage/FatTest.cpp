#include <gtest/gtest.h>

#include "msword/storage/Fat.h"
#include "msword/storage/Header.h"

using namespace msword::storage;

namespace {
// 0 -> 2 -> 1 -> end; 3 -> 4 -> 3 (a loop); 5 -> 9 (outside); 6 -> free.
const TFat kFat({2, ENDOFCHAIN, 1, 4, 3, 9, FREESECT});
}  // namespace

TEST(Fat, ChainFollowsTheLinksToTheEndOrTheLengthAskedFor) {
  struct Case {
    uint32_t first;
    uint64_t max;
    std::vector<uint32_t> sectors;
    TChainBreak end;
  };
  const Case cases[] = {
      {0, UINT64_MAX, {0, 2, 1}, cbNone},
      {0, 2, {0, 2}, cbNone},
      {0, 0, {}, cbNone},
      {ENDOFCHAIN, 5, {}, cbNone},
      {3, UINT64_MAX, {3, 4}, cbLoop},
      {5, UINT64_MAX, {5}, cbOutside},
      {6, UINT64_MAX, {6}, cbOutside},
      {FREESECT, 1, {}, cbOutside},
      // The loop 3 -> 4 -> 3 is found within the three sectors asked for: a
      // size-bounded walk must not hand sector 3 back twice.
      {3, 3, {3, 4}, cbLoop},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.first << " max " << c.max);
    const TChain chain = kFat.Chain(c.first, c.max);
    EXPECT_EQ(chain.Sectors, c.sectors);
    EXPECT_EQ(chain.Break, c.end);
  }
}

TEST(Fat, BreakTextsNameTheChain) {
  EXPECT_EQ(ChainBreakText(cbLoop, u"stream \"X\""), u"the chain of stream \"X\" loops");
  EXPECT_EQ(ChainBreakText(cbOutside, u"the directory"),
            u"the chain of the directory leaves the allocation table");
}
