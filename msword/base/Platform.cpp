#include "msword/base/Platform.h"

#include <sys/stat.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <algorithm>
#include <cstring>

#include <mutex>

#include "msword/base/CodePages.h"

namespace msword {

bool FileExists(const std::u16string& FileName) {
  if (FileName.empty()) return false;
  struct stat st {};
  if (::stat(WideToUtf8(FileName).c_str(), &st) != 0) return false;
  return S_ISREG(st.st_mode);
}

namespace {
UCollator* CaseInsensitiveCollator() {
  static UCollator* collator = [] {
    UErrorCode status = U_ZERO_ERROR;
    // The user's locale; the POSIX locale (LANG=C) has a case-sensitive ASCII
    // collation, so it is replaced by the root collation there.
    const char* locale = uloc_getDefault();
    if (std::strncmp(locale, "en_US_POSIX", 11) == 0) locale = "";
    UCollator* c = ucol_open(locale, &status);
    if (U_FAILURE(status)) return static_cast<UCollator*>(nullptr);
    ucol_setStrength(c, UCOL_SECONDARY);           // letters and accents count, case does not
    return c;
  }();
  return collator;
}

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
  UCollator* collator = CaseInsensitiveCollator();
  if (!collator) {  // no collation data: compare folding ASCII letters only
    const int r = AsciiCompareIgnoreCase(S1, S2);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
  }
  const UCollationResult r =
      ucol_strcoll(collator, reinterpret_cast<const UChar*>(S1.data()), int32_t(S1.size()),
                   reinterpret_cast<const UChar*>(S2.data()), int32_t(S2.size()));
  return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

bool UnixTimeToLocal(int64_t Seconds, std::tm& Local) {
  const std::time_t t = std::time_t(Seconds);
  return ::localtime_r(&t, &Local) != nullptr;
}

}  // namespace msword
