#include "msword/doc/PieceTable.h"

#include "msword/base/Exceptions.h"
#include "msword/doc/FIB.h"
#include "msword/base/LittleEndian.h"
#include "msword/base/Streams.h"

namespace msword {

namespace {

constexpr uint8_t clxtGrpprl = 1;
constexpr uint8_t clxtPlcfpcd = 2;
constexpr uint32_t fcCompressed = 0x40000000;  // bit 30 of a descriptor's fc

int64_t Remaining(TStream& S) {
  const int64_t left = S.Size() - S.Position();
  return left > 0 ? left : 0;
}

// The table of positions and descriptors after its size field; false when the size
// names no piece.
bool ReadPlcfpcd(TStream& S, uint32_t L, TCLX& Clx) {
  if (L < 16) return false;  // not even one position pair and one descriptor
  const uint32_t n = (L - 4) / 12;
  const uint64_t bytes = uint64_t(n) * 12 + 4;
  if (uint64_t(Remaining(S)) < bytes) throw EReadError();
  std::string raw(size_t(bytes), '\0');
  S.ReadBuffer(raw.data(), int64_t(bytes));
  const auto* p = reinterpret_cast<const uint8_t*>(raw.data());
  Clx.Pos.resize(size_t(n) + 1);
  for (uint32_t i = 0; i <= n; ++i) Clx.Pos[i] = GetU32(p + 4 * size_t(i));
  p += 4 * (size_t(n) + 1);
  Clx.pcd.resize(n);
  for (uint32_t i = 0; i < n; ++i, p += 8) {
    TPCD& piece = Clx.pcd[i];
    piece.Para = p[0];
    piece.fn = p[1];
    piece.fc = GetU32(p + 2);
    piece.prm.igrpprl = GetU16(p + 6);
  }
  Clx.noPCD = n;
  return true;
}

}  // namespace

void ClearCLX(TCLX& Clx) {
  Clx.pcd = {};
  Clx.Pos = {};
  Clx.cbGrpprl = {};
  Clx.noPCD = 0;
  Clx.grpprlCount = 0;
  Clx.Fallback = false;
  Clx.EightBit = false;
}

void DecodeCLX(TStream* Table, const TFIB& Fib, TCLX& Clx) {
  ClearCLX(Clx);
  if (Table && Fib.lcbClx != 0) {
    // lcbClx is only a presence test: the entries carry their own sizes.
    Table->Seek(int64_t(Fib.fcClx), soBeginning);
    uint8_t type = ReadU8(*Table);
    while (type == clxtGrpprl && Table->Position() < Table->Size()) {
      const uint16_t size = ReadU16(*Table);
      if (Remaining(*Table) < size) throw EReadError();
      TCLXItem item;
      item.Count = size;
      item.grpprl.resize(size);
      Table->ReadBuffer(item.grpprl.data(), size);
      Clx.cbGrpprl.push_back(std::move(item));
      ++Clx.grpprlCount;
      type = ReadU8(*Table);
    }
    if (type == clxtPlcfpcd && !ReadPlcfpcd(*Table, ReadU32(*Table), Clx)) {
      Clx.pcd.clear();
      Clx.Pos.clear();
    }
  }
  if (Clx.noPCD == 0) {
    Clx.pcd.assign(1, TPCD{});
    Clx.pcd[0].fc = Fib.fcMin;
    Clx.Pos = {0, uint32_t(Fib.fcMac - Fib.fcMin)};
    Clx.noPCD = 1;
    Clx.Fallback = true;
  }
}

uint32_t GetNormFC(uint32_t fc, uint32_t& Flag) {
  if (fc & fcCompressed) {
    if (Flag != 0) Flag = 1;
    return (fc & ~fcCompressed) >> 1;
  }
  if (Flag != 0) Flag = 0;
  return fc;
}

int32_t GetPieceBoundsFC(const TCLX& Clx, uint32_t& StartFC, uint32_t& EndFC, uint32_t Index) {
  if (uint64_t(Index) + 1 > Clx.noPCD) return -1;
  uint32_t flag = 1;
  StartFC = Clx.EightBit ? Clx.pcd[Index].fc : GetNormFC(Clx.pcd[Index].fc, flag);
  EndFC = StartFC + (Clx.Pos[Index + 1] - Clx.Pos[Index]);
  return int32_t(flag);
}

}  // namespace msword
