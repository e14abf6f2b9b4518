#include "msword/base/CodePages.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <array>
#include <memory>
#include <mutex>
#include <vector>

#include "msword/base/CodePageData.h"
#include "msword/base/MacCodePages.h"

namespace msword {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

#if defined(__SSE2__)
// True when A AND Mask has no bit set (SSE2 has no single instruction for it).
inline bool NoBitsInCommon(__m128i A, __m128i Mask) {
  return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(A, Mask), _mm_setzero_si128())) == 0xFFFF;
}
#endif

// Windows-1252 from 0x80 to 0x9F; the five bytes the page leaves unassigned map to
// the C1 control of the same value, as the system conversion does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::array<char16_t, 256> MakeAnsiTable() {
  std::array<char16_t, 256> table{};
  for (int i = 0; i < 256; ++i) table[size_t(i)] = char16_t(i);
  for (int i = 0; i < 32; ++i) table[size_t(0x80 + i)] = kCp1252High[i];
  return table;
}
constexpr std::array<char16_t, 256> kAnsiTable = MakeAnsiTable();

// A decoding table for one Windows code page. Single-byte pages use Single alone;
// double-byte pages mark lead bytes in Lead and keep 256 entries per lead byte.
struct TCodePageTable {
  std::array<char16_t, 256> Single{};
  std::array<bool, 256> Lead{};
  std::vector<char16_t> Double;  // 256 * 256 entries for double-byte pages
  bool IsDouble = false;
};

// Expands the compiled-in data of a page into the tables decoding reads.
std::unique_ptr<TCodePageTable> BuildTable(uint16_t cp) {
  const TCodePageData* data = FindCodePageData(cp);
  if (!data) return nullptr;
  auto table = std::make_unique<TCodePageTable>();
  for (int b = 0; b < 256; ++b) table->Single[size_t(b)] = data->Single[b];
  table->IsDouble = data->Rows != nullptr;
  if (table->IsDouble) {
    table->Double.assign(256 * 256, kReplacement);
    for (uint16_t r = 0; r < data->RowCount; ++r) {
      const TCodePageLeadRow& row = data->Rows[r];
      table->Lead[row.Lead] = true;
      for (uint16_t i = 0; i < row.Count; ++i)
        table->Double[size_t(row.Lead) * 256 + row.First + i] = data->Pairs[row.Offset + i];
    }
  }
  return table;
}

// The DOS code pages, whose upper halves hold the box drawing and accented letters
// of their time; kept apart from the Windows pages that the readers choose by name.
constexpr uint16_t kOemPages[] = {437, 737, 775, 850, 852, 855, 857, 860, 861, 862, 863, 864, 865, 866, 869};

bool IsOemPage(uint16_t cp) {
  for (uint16_t page : kOemPages)
    if (page == cp) return true;
  return false;
}

// Tables are built on first use and kept for the life of the process.
const TCodePageTable* TableFor(uint16_t cp) {
  static std::mutex mutex;
  static std::array<std::unique_ptr<TCodePageTable>, 1400> tables;
  static std::array<bool, 1400> tried{};
  if (cp >= tables.size() || IsOemPage(cp)) return nullptr;
  std::lock_guard<std::mutex> lock(mutex);
  if (!tried[cp]) {
    tables[cp] = BuildTable(cp);
    tried[cp] = true;
  }
  return tables[cp].get();
}

const TCodePageTable* OemTableFor(uint16_t cp) {
  static std::mutex mutex;
  static std::array<std::unique_ptr<TCodePageTable>, std::size(kOemPages)> tables;
  static std::array<bool, std::size(kOemPages)> tried{};
  size_t i = 0;
  while (i < std::size(kOemPages) && kOemPages[i] != cp) ++i;
  if (i == std::size(kOemPages)) i = 0;
  std::lock_guard<std::mutex> lock(mutex);
  if (!tried[i]) {
    tables[i] = BuildTable(kOemPages[i]);
    tried[i] = true;
  }
  return tables[i].get();
}

}  // namespace

std::u16string OemToWide(std::string_view S, uint16_t OemCodePage) {
  const TCodePageTable* table = OemTableFor(OemCodePage);
  std::u16string result(S.size(), u'\0');
  for (size_t i = 0; i < S.size(); ++i) {
    const uint8_t b = uint8_t(S[i]);
    result[i] = b < 0x80 || !table ? char16_t(b) : table->Single[b];
  }
  return result;
}

uint32_t GetACP() { return 1252; }

void AppendAnsiToWide(std::u16string& Out, std::string_view S) {
  const size_t start = Out.size();
  Out.resize(start + S.size());
  char16_t* out = Out.data() + start;
  for (size_t i = 0; i < S.size(); ++i) out[i] = kAnsiTable[uint8_t(S[i])];
}

std::u16string AnsiToWide(std::string_view S) {
  std::u16string result;
  AppendAnsiToWide(result, S);
  return result;
}

std::string WideToAnsi(std::u16string_view S) {
  std::string result;
  result.reserve(S.size());
  for (char16_t c : S) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      result.push_back(char(c));
      continue;
    }
    char out = '?';
    for (int i = 0; i < 32; ++i)
      if (kCp1252High[i] == c) out = char(0x80 + i);
    result.push_back(out);
  }
  return result;
}

bool IsSupportedCodePage(uint16_t CodePage) {
  if (CodePage == 0 || CodePage == 1252 || MacCodePageHigh(CodePage)) return true;
  return TableFor(CodePage) != nullptr;
}

std::u16string StringToWideStringEx(std::string_view S, uint16_t CodePage) {
  if (S.empty()) return {};
  if (CodePage == 0 || CodePage == 1252) return AnsiToWide(S);
  if (const char16_t* high = MacCodePageHigh(CodePage)) {
    std::u16string result(S.size(), u'\0');
    for (size_t i = 0; i < S.size(); ++i) {
      const uint8_t b = uint8_t(S[i]);
      result[i] = b < 0x80 ? char16_t(b) : high[b - 0x80];
    }
    return result;
  }
  const TCodePageTable* table = TableFor(CodePage);
  if (!table) return {};
  std::u16string result;
  if (!table->IsDouble) {
    result.resize(S.size());
    for (size_t i = 0; i < S.size(); ++i) result[i] = table->Single[uint8_t(S[i])];
    return result;
  }
  result.reserve(S.size());
  for (size_t i = 0; i < S.size(); ++i) {
    const uint8_t b = uint8_t(S[i]);
    if (table->Lead[b]) {
      if (i + 1 < S.size()) {
        const char16_t c = table->Double[size_t(b) * 256 + uint8_t(S[i + 1])];
        if (c != kReplacement) {
          result.push_back(c);
          ++i;
          continue;
        }
      }
      result.push_back(kReplacement);  // a lead byte with no valid trail byte
      continue;
    }
    result.push_back(table->Single[b]);
  }
  return result;
}

void AppendUtf8ToWide(std::u16string& Out, std::string_view S) {
  Out.reserve(Out.size() + S.size());
  const auto* p = reinterpret_cast<const uint8_t*>(S.data());
  const size_t n = S.size();
  size_t i = 0;
  while (i < n) {
    const uint8_t b = p[i];
    if (b < 0x80) {
      Out.push_back(char16_t(b));
      ++i;
      continue;
    }
    uint32_t cp = 0;
    size_t len = 0;
    uint32_t min = 0;
    if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; len = 2; min = 0x80; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; len = 3; min = 0x800; }
    else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; len = 4; min = 0x10000; }
    else { Out.push_back(kReplacement); ++i; continue; }
    size_t k = 1;
    for (; k < len && i + k < n && (p[i + k] & 0xC0) == 0x80; ++k) cp = cp << 6 | (p[i + k] & 0x3F);
    if (k < len || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      Out.push_back(kReplacement);
      i += k;  // skip the lead byte and the continuation bytes that belonged to it
      continue;
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      Out.push_back(char16_t(0xD800 + (cp >> 10)));
      Out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      Out.push_back(char16_t(cp));
    }
  }
}

std::u16string Utf8ToWide(std::string_view S) {
  std::u16string result;
  AppendUtf8ToWide(result, S);
  return result;
}

void AppendWideToUtf8(std::string& Out, std::u16string_view S) {
  // Encoded into a small block that is appended whole: a push_back per byte pays a capacity
  // check each time and made this the hottest loop of a whole extraction.
  constexpr size_t kBlock = 4096;
  char block[kBlock + 4];  // room for the last character's four bytes
  size_t k = 0;
  Out.reserve(Out.size() + S.size());
  const char16_t* p = S.data();
  const size_t n = S.size();
  size_t i = 0;
  while (i < n) {
    if (k >= kBlock) {
      Out.append(block, k);
      k = 0;
    }
    // Runs of ASCII, the common case, are copied without the branches below,
    // sixteen characters at a time where the processor allows.
#if defined(__SSE2__)
    while (i + 16 <= n && k + 16 <= kBlock) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 8));
      if (!NoBitsInCommon(_mm_or_si128(a, b), _mm_set1_epi16(short(0xFF80)))) break;
      _mm_storeu_si128(reinterpret_cast<__m128i*>(block + k), _mm_packus_epi16(a, b));
      i += 16;
      k += 16;
    }
#endif
    while (i < n && k < kBlock && p[i] < 0x80) block[k++] = char(p[i++]);
    if (i == n || k >= kBlock) continue;
    uint32_t c = p[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (p[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    ++i;
    if (c < 0x800) {
      block[k++] = char(0xC0 | c >> 6);
      block[k++] = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      block[k++] = char(0xE0 | c >> 12);
      block[k++] = char(0x80 | ((c >> 6) & 0x3F));
      block[k++] = char(0x80 | (c & 0x3F));
    } else {
      block[k++] = char(0xF0 | c >> 18);
      block[k++] = char(0x80 | ((c >> 12) & 0x3F));
      block[k++] = char(0x80 | ((c >> 6) & 0x3F));
      block[k++] = char(0x80 | (c & 0x3F));
    }
  }
  Out.append(block, k);
}

std::string WideToUtf8(std::u16string_view S) {
  std::string result;
  AppendWideToUtf8(result, S);
  return result;
}

std::u16string Utf16LEToWide(std::string_view S) {
  std::u16string result(S.size() / 2, u'\0');
  for (size_t i = 0; i < result.size(); ++i)
    result[i] = char16_t(uint8_t(S[2 * i]) | uint8_t(S[2 * i + 1]) << 8);
  return result;
}

bool SameTextAscii(std::u16string_view A, std::u16string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i)
    if (AsciiUpper(A[i]) != AsciiUpper(B[i])) return false;
  return true;
}

bool SameTextAscii(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i)
    if (AsciiUpper(char16_t(uint8_t(A[i]))) != AsciiUpper(char16_t(uint8_t(B[i])))) return false;
  return true;
}

}  // namespace msword
