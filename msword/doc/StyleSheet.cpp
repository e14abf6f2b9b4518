#include "msword/doc/StyleSheet.h"

#include <algorithm>

#include "msword/base/LittleEndian.h"
#include "msword/base/Streams.h"
#include "msword/doc/ReadAt.h"

namespace msword {

namespace {

// Decodes one style description of Size bytes at P.
void DecodeStyle(const uint8_t* P, size_t Size, size_t BaseSize, bool Word97, TStyle& Style) {
  if (Size < 6 || BaseSize > Size) return;
  Style.Present = true;
  Style.Sti = uint16_t(GetU16(P) & 0x0FFF);
  Style.Kind = P[2] & 0x0F;
  Style.Base = uint16_t(GetU16(P + 2) >> 4);
  const uint32_t cupx = P[4] & 0x0F;
  size_t at = BaseSize;
  // The name: a length, the characters and a terminating zero.
  if (Word97) {
    if (at + 2 > Size) return;
    const size_t cch = GetU16(P + at);
    if (at + 2 + 2 * cch > Size) return;
    for (size_t i = 0; i < cch; ++i) Style.Name.push_back(char16_t(GetU16(P + at + 2 + 2 * i)));
    at += 2 + 2 * cch + 2;
  } else {
    if (at + 1 > Size) return;
    const size_t cch = P[at];
    if (at + 1 + cch > Size) return;
    for (size_t i = 0; i < cch; ++i) Style.Name.push_back(char16_t(P[at + 1 + i]));
    at += 1 + cch + 1;
  }
  // The property groups, each a 16-bit size and its bytes, on even offsets.
  for (uint32_t u = 0; u < cupx; ++u) {
    if (at & 1) ++at;
    if (at + 2 > Size) return;
    const size_t cb = GetU16(P + at);
    at += 2;
    if (cb > Size - at) return;
    const std::string bytes(reinterpret_cast<const char*>(P + at), cb);
    at += cb;
    if (Style.Kind == 1 && u == 0) {
      if (bytes.size() >= 2) Style.Papx = bytes.substr(2);  // after the style number
    } else if ((Style.Kind == 1 && u == 1) || (Style.Kind == 2 && u == 0)) {
      Style.Chpx = bytes;
    } else if (Style.Kind == 4 && u == 0) {
      if (bytes.size() >= 2) Style.Papx = bytes.substr(2);
    }
  }
}

}  // namespace

void TStyleSheet::Read(TStream& Table, uint32_t Fc, uint32_t Lcb, bool Word97) {
  FStyles.clear();
  FDefaultFtc = 0;
  std::string raw;
  if (Lcb < 4 || !ReadAt(Table, Fc, Lcb, raw)) return;
  const auto* p = reinterpret_cast<const uint8_t*>(raw.data());
  const size_t size = raw.size();
  const size_t cbStshi = GetU16(p);
  if (cbStshi < 4 || 2 + cbStshi > size) return;
  const size_t cstd = GetU16(p + 2);
  size_t baseSize = GetU16(p + 4);
  if (baseSize == 0) baseSize = Word97 ? 10 : 8;
  if (Word97 && cbStshi >= 14) FDefaultFtc = GetU16(p + 2 + 12);
  // Each style takes at least its 2-byte size, so the count is bounded by the bytes.
  FStyles.resize(std::min(cstd, (size - 2 - cbStshi) / 2));
  size_t at = 2 + cbStshi;
  for (size_t i = 0; i < FStyles.size(); ++i) {
    if (at + 2 > size) break;
    const size_t cbStd = GetU16(p + at);
    at += 2;
    if (cbStd > size - at) break;
    if (cbStd > 0) DecodeStyle(p + at, cbStd, baseSize, Word97, FStyles[i]);
    at += cbStd;
  }
}

std::vector<uint16_t> TStyleSheet::Chain(uint16_t Istd) const {
  std::vector<uint16_t> chain;
  uint16_t istd = Istd;
  while (chain.size() < MaxDepth && Style(istd)) {
    if (std::find(chain.begin(), chain.end(), istd) != chain.end()) break;
    chain.push_back(istd);
    istd = FStyles[istd].Base;
  }
  std::reverse(chain.begin(), chain.end());
  return chain;
}

}  // namespace msword
