// The piece table of a Word document: which runs of character positions are stored
// where in the main document stream, and whether as 8-bit or 16-bit characters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace msword {

class TStream;
struct TFIB;

// A descriptor's property modifier: either a one-byte sprm and its value, or over
// the same two bytes an index into the property-modifier entries.
struct TPRM {
  uint16_t igrpprl = 0;
  uint8_t sprm() const { return uint8_t(igrpprl); }
  uint8_t val() const { return uint8_t(igrpprl >> 8); }
};

// One piece descriptor (8 bytes on disk).
struct TPCD {
  uint8_t Para = 0;  // 0 stored, not used
  uint8_t fn = 0;    // 1 stored, not used
  uint32_t fc = 0;   // 2 file position; bit 30 set: 8-bit characters at (fc & ~bit 30) / 2
  TPRM prm;          // 6 stored, not used
};

// One property-modifier entry, kept but not interpreted. It holds exactly the Count
// bytes the file gave it.
struct TCLXItem {
  uint16_t Count = 0;
  std::string grpprl;
};

struct TCLX {
  std::vector<TPCD> pcd;          // the descriptors, in file order
  std::vector<uint32_t> Pos;      // piece i covers the positions [Pos[i], Pos[i+1])
  uint32_t noPCD = 0;             // number of pieces
  uint16_t grpprlCount = 0;       // number of property-modifier entries read
  std::vector<TCLXItem> cbGrpprl;  // the property-modifier entries, in file order
  // True when no table was read and the one piece is the whole text from fcMin.
  bool Fallback = false;
  // True for a table of Word 6 and 95, whose pieces all hold 8-bit characters at
  // their fc as it stands (bit 30 is part of the position, not a width flag).
  bool EightBit = false;
};

// Frees everything the table holds; both counts become 0.
void ClearCLX(TCLX& Clx);

// Reads the piece table at Fib.fcClx of Table into Clx (after clearing it). No table
// stream, lcbClx 0, a table whose first entry is neither kind, or a descriptor table
// whose size names no piece gives the one fallback piece: positions 0 and
// fcMac - fcMin, fc = fcMin, 16-bit. A size or count larger than the bytes left in
// the table stream raises EReadError before anything is allocated from it.
void DecodeCLX(TStream* Table, const TFIB& Fib, TCLX& Clx);

// The byte position of a piece's text; Flag, when nonzero on entry, becomes 1 for a
// piece of 8-bit characters and 0 for one of 16-bit characters.
uint32_t GetNormFC(uint32_t fc, uint32_t& Flag);

// Start and end (start + the piece's character count, 32-bit) of piece Index;
// answers -1 outside the table (outputs untouched), 1 for 8-bit, 0 for 16-bit.
// The pieces of an EightBit table are 8-bit at their fc.
int32_t GetPieceBoundsFC(const TCLX& Clx, uint32_t& StartFC, uint32_t& EndFC, uint32_t Index);

}  // namespace msword
