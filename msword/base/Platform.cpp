#include "msword/base/Platform.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "msword/base/CodePages.h"
#include "msword/base/LazyIcu.h"

namespace msword {

namespace {

// The length of the valid UTF-8 sequence at P[0..N), 0 when there is none there.
size_t Utf8SequenceLength(const uint8_t* P, size_t N) {
  const uint8_t b = P[0];
  size_t len = 0;
  uint32_t cp = 0, min = 0;
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) { len = 2; cp = b & 0x1Fu; min = 0x80; }
  else if ((b & 0xF0) == 0xE0) { len = 3; cp = b & 0x0Fu; min = 0x800; }
  else if ((b & 0xF8) == 0xF0) { len = 4; cp = b & 0x07u; min = 0x10000; }
  else return 0;
  if (len > N) return 0;
  for (size_t k = 1; k < len; ++k) {
    if ((P[k] & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (P[k] & 0x3Fu);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

std::u16string PathToWide(std::string_view Path) {
  std::u16string result;
  result.reserve(Path.size());
  const auto* p = reinterpret_cast<const uint8_t*>(Path.data());
  const size_t n = Path.size();
  for (size_t i = 0; i < n;) {
    const size_t len = Utf8SequenceLength(p + i, n - i);
    if (len == 0) {
      result.push_back(char16_t(0xDC00 + p[i]));  // p[i] >= 0x80 here: ASCII is always valid
      ++i;
      continue;
    }
    AppendUtf8ToWide(result, Path.substr(i, len));
    i += len;
  }
  return result;
}

std::string WideToPath(std::u16string_view FileName) {
  std::string result;
  result.reserve(FileName.size());
  size_t start = 0;  // the run not yet encoded
  for (size_t i = 0; i < FileName.size(); ++i) {
    const char16_t c = FileName[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < FileName.size() && FileName[i + 1] >= 0xDC00 &&
        FileName[i + 1] <= 0xDFFF) {
      ++i;  // a pair: encoded with its run
      continue;
    }
    if (c < 0xDC80 || c > 0xDCFF) continue;
    AppendWideToUtf8(result, FileName.substr(start, i - start));
    result.push_back(char(c - 0xDC00));
    start = i + 1;
  }
  AppendWideToUtf8(result, FileName.substr(start));
  return result;
}

bool FileExists(const std::u16string& FileName) {
  if (FileName.empty()) return false;
  struct stat st {};
  if (::stat(WideToPath(FileName).c_str(), &st) != 0) return false;
  return S_ISREG(st.st_mode);
}

namespace {
int AsciiCompareIgnoreCase(std::u16string_view S1, std::u16string_view S2) {
  const size_t n = std::min(S1.size(), S2.size());
  for (size_t i = 0; i < n; ++i) {
    const int a = AsciiUpper(S1[i]);
    const int b = AsciiUpper(S2[i]);
    if (a != b) return a - b;
  }
  return int(S1.size()) - int(S2.size());
}
}  // namespace

int LocaleCompareTextIgnoreCase(std::u16string_view S1, std::u16string_view S2) {
  int r = 0;
  if (IcuCompareIgnoreCase(S1, S2, r)) return r;
  r = AsciiCompareIgnoreCase(S1, S2);  // no collation data: compare folding ASCII letters only
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

bool UnixTimeToLocal(int64_t Seconds, std::tm& Local) {
  const std::time_t t = std::time_t(Seconds);
  return ::localtime_r(&t, &Local) != nullptr;
}

}  // namespace msword
