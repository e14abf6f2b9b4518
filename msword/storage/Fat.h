// A sector allocation table: the FAT of a compound file's sectors, or the mini FAT
// of its mini stream. Each entry names the next sector of a chain.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace msword::storage {

// How a chain ended: at ENDOFCHAIN or the length asked for (cbNone), by coming
// back to a sector it had visited (cbLoop), or by a link that leaves the table or
// is one of the special values (cbOutside).
enum TChainBreak : uint8_t { cbNone = 0, cbLoop = 1, cbOutside = 2 };

struct TChain {
  std::vector<uint32_t> Sectors;  // the sectors before the break, in order
  TChainBreak Break = cbNone;
};

// "the chain of <What> loops" / "... leaves the allocation table".
std::u16string ChainBreakText(TChainBreak Break, std::u16string_view What);

class TFat {
 public:
  TFat() = default;
  explicit TFat(std::vector<uint32_t> Next) : FNext(std::move(Next)) {}

  size_t Count() const { return FNext.size(); }

  // The sectors of the chain that starts at First, up to ENDOFCHAIN or until
  // MaxSectors have been collected. A loop is detected when the chain revisits a
  // sector (not merely cut off by the length), so the list never holds a sector
  // twice and never grows past the table.
  TChain Chain(uint32_t First, uint64_t MaxSectors) const;

 private:
  std::vector<uint32_t> FNext;
};

}  // namespace msword::storage
