#include "msword/doc/PropertyRuns.h"

#include <algorithm>
#include <unordered_set>

#include "msword/base/LittleEndian.h"
#include "msword/base/Streams.h"

namespace msword {

namespace {

constexpr uint32_t kPageSize = 512;

// Reads Count bytes at Offset; false when the stream does not hold them.
bool ReadAt(TStream& S, uint64_t Offset, size_t Count, std::string& Out) {
  const int64_t size = S.Size();
  if (size < 0 || Offset > uint64_t(size) || Count > uint64_t(size) - Offset) return false;
  Out.resize(Count);
  S.Seek(int64_t(Offset), soBeginning);
  return S.Read(Out.data(), int32_t(Count)) == int32_t(Count);
}

}  // namespace

void TPropertyRuns::Read(TStream& Table, TStream& Main, uint32_t Fc, uint32_t Lcb, bool Paragraphs,
                         bool Word97) {
  Runs.clear();
  Pool.clear();
  const uint32_t pnSize = Word97 ? 4 : 2;
  if (Lcb < 4 + 4 + pnSize) return;
  std::string bin;
  if (!ReadAt(Table, Fc, Lcb, bin)) return;
  const uint32_t n = (Lcb - 4) / (4 + pnSize);
  const auto* p = reinterpret_cast<const uint8_t*>(bin.data());
  const uint8_t* pns = p + 4 * (size_t(n) + 1);
  const int64_t mainSize = Main.Size();
  std::unordered_set<uint32_t> seen;
  std::string page;
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t pn = Word97 ? GetU32(pns + 4 * size_t(i)) & 0x3FFFFF : GetU16(pns + 2 * size_t(i));
    if (!seen.insert(pn).second) continue;  // a page named twice holds nothing new
    if (uint64_t(pn) * kPageSize + kPageSize > uint64_t(std::max<int64_t>(mainSize, 0))) continue;
    if (!ReadAt(Main, uint64_t(pn) * kPageSize, kPageSize, page)) continue;
    const uint32_t base = uint32_t(Pool.size());
    Pool += page;
    AddPage(reinterpret_cast<const uint8_t*>(Pool.data() + base), base, Paragraphs, Word97);
  }
  std::stable_sort(Runs.begin(), Runs.end(),
                   [](const TPropertyRun& a, const TPropertyRun& b) { return a.FcFirst < b.FcFirst; });
}

void TPropertyRuns::AddPage(const uint8_t* Page, uint32_t PoolBase, bool Paragraphs, bool Word97) {
  const uint32_t count = Page[kPageSize - 1];
  const uint32_t entrySize = Paragraphs ? (Word97 ? 13 : 7) : 1;
  const uint32_t entries = 4 * (count + 1);
  if (count == 0 || entries + count * entrySize > kPageSize - 1) return;
  for (uint32_t i = 0; i < count; ++i) {
    TPropertyRun run;
    run.FcFirst = GetU32(Page + 4 * i);
    run.FcLim = GetU32(Page + 4 * (i + 1));
    if (run.FcLim <= run.FcFirst) continue;
    const uint32_t offset = 2u * Page[entries + i * entrySize];
    if (offset != 0 && offset < kPageSize - 1) {
      uint32_t start, size;
      if (!Paragraphs) {
        start = offset + 1;
        size = Page[offset];
      } else if (Word97 && Page[offset] == 0) {
        start = offset + 2;
        size = 2u * Page[offset + 1];
      } else if (Word97) {
        start = offset + 1;
        size = 2u * Page[offset] - 1;
      } else {
        start = offset + 1;
        size = 2u * Page[offset];
      }
      if (start + size > kPageSize - 1) size = start < kPageSize - 1 ? kPageSize - 1 - start : 0;
      if (Paragraphs) {
        // The paragraph style comes first, then the modifiers.
        if (size >= 2) {
          run.Istd = GetU16(Page + start);
          start += 2;
          size -= 2;
        } else {
          size = 0;
        }
      }
      run.Offset = PoolBase + start;
      run.Size = uint16_t(size);
    }
    Runs.push_back(run);
  }
}

const TPropertyRun* TPropertyRuns::Find(uint32_t Fc) const {
  auto it = std::upper_bound(Runs.begin(), Runs.end(), Fc,
                             [](uint32_t fc, const TPropertyRun& run) { return fc < run.FcFirst; });
  if (it == Runs.begin()) return nullptr;
  --it;
  return Fc < it->FcLim ? &*it : nullptr;
}

size_t TPropertyRuns::FirstEndingAfter(uint32_t Fc) const {
  auto it = std::upper_bound(Runs.begin(), Runs.end(), Fc,
                             [](uint32_t fc, const TPropertyRun& run) { return fc < run.FcFirst; });
  size_t i = size_t(it - Runs.begin());
  if (i > 0 && Fc < Runs[i - 1].FcLim) return i - 1;
  return i;
}

}  // namespace msword
