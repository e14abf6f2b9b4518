#include "msword/storage/Fat.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "msword/storage/Header.h"

namespace msword::storage {

std::u16string ChainBreakText(TChainBreak Break, std::u16string_view What) {
  std::u16string text = u"the chain of ";
  text.append(What);
  text.append(Break == cbLoop ? u" loops" : u" leaves the allocation table");
  return text;
}

namespace {
// The first step of Sectors that comes back to a sector visited before, or its
// size when there is none. Sorting (sector, step) pairs keeps the cost to the
// chain's length, not the table's.
size_t FirstRepeat(const std::vector<uint32_t>& Sectors) {
  // Most chains run forward through the file, and those cannot repeat.
  if (std::adjacent_find(Sectors.begin(), Sectors.end(), std::greater_equal<uint32_t>()) == Sectors.end())
    return Sectors.size();
  std::vector<std::pair<uint32_t, uint32_t>> steps(Sectors.size());
  for (size_t i = 0; i < Sectors.size(); ++i) steps[i] = {Sectors[i], uint32_t(i)};
  std::sort(steps.begin(), steps.end());
  size_t first = Sectors.size();
  for (size_t i = 1; i < steps.size(); ++i)
    if (steps[i].first == steps[i - 1].first) first = std::min<size_t>(first, steps[i].second);
  return first;
}
}  // namespace

TChain TFat::Chain(uint32_t First, uint64_t MaxSectors) const {
  TChain chain;
  // A chain longer than the table has entries must come back to a sector: the
  // walk never goes further than one step past that.
  const uint64_t limit = std::min<uint64_t>(MaxSectors, uint64_t(FNext.size()) + 1);
  std::vector<uint32_t>& sectors = chain.Sectors;
  sectors.reserve(size_t(std::min<uint64_t>(limit, 1 << 16)));
  for (uint32_t s = First; sectors.size() < limit && s != ENDOFCHAIN; s = FNext[s]) {
    if (s >= FNext.size() || s > MAXREGSECT) {
      chain.Break = cbOutside;
      break;
    }
    sectors.push_back(s);
    // Look for a loop whenever the length doubles, so a loop is found within
    // twice its own length however long the chain claims to be.
    const size_t n = sectors.size();
    if (n >= 64 && (n & (n - 1)) == 0 && FirstRepeat(sectors) < n) break;
  }
  const size_t repeat = FirstRepeat(sectors);
  if (repeat < sectors.size()) {
    sectors.resize(repeat);
    chain.Break = cbLoop;
  }
  return chain;
}

}  // namespace msword::storage
