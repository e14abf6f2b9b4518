#include "msword/storage/Fat.h"

#include <algorithm>

#include "msword/storage/Header.h"

namespace msword::storage {

std::u16string ChainBreakText(TChainBreak Break, std::u16string_view What) {
  std::u16string text = u"the chain of ";
  text.append(What);
  text.append(Break == cbLoop ? u" loops" : u" leaves the allocation table");
  return text;
}

TChain TFat::Chain(uint32_t First, uint64_t MaxSectors) const {
  TChain chain;
  if (MaxSectors == 0) return chain;
  chain.Sectors.reserve(size_t(std::min<uint64_t>(MaxSectors, FNext.size())));
  std::vector<bool> visited(FNext.size());
  for (uint32_t s = First; s != ENDOFCHAIN; s = FNext[s]) {
    if (s >= FNext.size() || s > MAXREGSECT) {
      chain.Break = cbOutside;
      break;
    }
    if (visited[s]) {
      chain.Break = cbLoop;
      break;
    }
    visited[s] = true;
    chain.Sectors.push_back(s);
    if (chain.Sectors.size() == MaxSectors) break;
  }
  return chain;
}

}  // namespace msword::storage
