#include "msword/doc/PropertyRuns.h"

#include <algorithm>
#include <unordered_set>

#include "msword/base/LittleEndian.h"
#include "msword/base/Streams.h"
#include "msword/doc/ReadAt.h"

namespace msword {

namespace {

constexpr uint32_t kPageSize = 512;
constexpr size_t kPagesPerRead = 64;

}  // namespace

void TPropertyRuns::Read(TStream& Table, TStream& Main, uint32_t Fc, uint32_t Lcb, bool Paragraphs,
                         bool Word97) {
  Runs.clear();
  Pool.clear();
  FLastOffset = FLastSize = 0;
  const uint32_t pnSize = Word97 ? 4 : 2;
  if (Lcb < 4 + 4 + pnSize) return;
  std::string bin;
  if (!ReadAt(Table, Fc, Lcb, bin)) return;
  const uint32_t n = (Lcb - 4) / (4 + pnSize);
  const auto* p = reinterpret_cast<const uint8_t*>(bin.data());
  const uint8_t* pns = p + 4 * (size_t(n) + 1);
  const uint64_t mainSize = uint64_t(std::max<int64_t>(Main.Size(), 0));
  // The pages the table names, each once (a page named twice holds nothing new) and
  // only when the stream holds it, with the place the table first names it at.
  struct TPage {
    uint32_t Pn;
    uint32_t Rank;
  };
  std::vector<TPage> pages;
  std::unordered_set<uint32_t> seen;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t pn = Word97 ? GetU32(pns + 4 * size_t(i)) & 0x3FFFFF : GetU16(pns + 2 * size_t(i));
    if (uint64_t(pn) * kPageSize + kPageSize > mainSize) continue;
    if (seen.insert(pn).second) pages.push_back({pn, uint32_t(pages.size())});
  }
  // Read in position order, neighbouring pages together; the runs are then put in
  // position order, those that start together in the order the table names their pages.
  std::sort(pages.begin(), pages.end(), [](const TPage& a, const TPage& b) { return a.Pn < b.Pn; });
  std::vector<std::pair<size_t, uint32_t>> firstRuns;  // per page read: its first run, its rank
  std::string chunk;
  for (size_t k = 0; k < pages.size();) {
    size_t end = k + 1;
    while (end < pages.size() && end - k < kPagesPerRead && pages[end].Pn == pages[end - 1].Pn + 1) ++end;
    if (ReadAt(Main, uint64_t(pages[k].Pn) * kPageSize, (end - k) * kPageSize, chunk)) {
      for (size_t m = k; m < end; ++m) {
        firstRuns.emplace_back(Runs.size(), pages[m].Rank);
        AddPage(reinterpret_cast<const uint8_t*>(chunk.data()) + (m - k) * kPageSize, Paragraphs, Word97);
      }
    }
    k = end;
  }
  // Sound pages hold runs that follow each other.
  bool ordered = true;
  for (size_t i = 1; i < Runs.size() && ordered; ++i) ordered = Runs[i - 1].FcFirst < Runs[i].FcFirst;
  if (ordered) return;
  std::vector<uint32_t> ranks(Runs.size());
  for (size_t f = 0; f < firstRuns.size(); ++f) {
    const size_t last = f + 1 < firstRuns.size() ? firstRuns[f + 1].first : Runs.size();
    std::fill(ranks.begin() + std::ptrdiff_t(firstRuns[f].first), ranks.begin() + std::ptrdiff_t(last),
              firstRuns[f].second);
  }
  std::vector<uint32_t> index(Runs.size());
  for (uint32_t i = 0; i < index.size(); ++i) index[i] = i;
  std::stable_sort(index.begin(), index.end(), [&](uint32_t a, uint32_t b) {
    if (Runs[a].FcFirst != Runs[b].FcFirst) return Runs[a].FcFirst < Runs[b].FcFirst;
    return ranks[a] < ranks[b];
  });
  std::vector<TPropertyRun> sorted(Runs.size());
  for (size_t i = 0; i < index.size(); ++i) sorted[i] = Runs[index[i]];
  Runs = std::move(sorted);
}

void TPropertyRuns::AddPage(const uint8_t* Page, bool Paragraphs, bool Word97) {
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
      // Neighbouring runs often carry the same modifiers: they share them.
      const std::string_view grpprl(reinterpret_cast<const char*>(Page + start), size);
      if (size == 0 || std::string_view(Pool).substr(FLastOffset, FLastSize) != grpprl) {
        FLastOffset = uint32_t(Pool.size());
        FLastSize = size;
        Pool.append(grpprl);
      }
      run.Offset = FLastOffset;
      run.Size = uint16_t(size);
    }
    Runs.push_back(run);
  }
}

const TPropertyRun* TPropertyRuns::Find(uint32_t Fc) const {
  const size_t i = FirstEndingAfter(Fc);
  return i < Runs.size() && Runs[i].FcFirst <= Fc ? &Runs[i] : nullptr;
}

size_t TPropertyRuns::FirstEndingAfter(uint32_t Fc) const {
  // Text is mostly read front to back: the run found last, or the next, is likely.
  for (size_t i = FHint; i < Runs.size() && i < FHint + 2; ++i)
    if (Fc < Runs[i].FcLim && (i == 0 || Fc >= Runs[i - 1].FcLim) && (i + 1 >= Runs.size() || Fc < Runs[i + 1].FcFirst))
      return FHint = i;
  auto it = std::upper_bound(Runs.begin(), Runs.end(), Fc,
                             [](uint32_t fc, const TPropertyRun& run) { return fc < run.FcFirst; });
  size_t i = size_t(it - Runs.begin());
  if (i > 0 && Fc < Runs[i - 1].FcLim) --i;
  if (i < Runs.size()) FHint = i;
  return i;
}

}  // namespace msword
