#include "WordShare.h"

#include <unicode/uchar.h>

#include <algorithm>

namespace kvgate {

namespace {
bool IsWordChar(UChar32 c) {
  const int8_t type = u_charType(c);
  return (type >= U_UPPERCASE_LETTER && type <= U_OTHER_LETTER) || type == U_DECIMAL_DIGIT_NUMBER;
}
}  // namespace

void CountWords(std::u16string_view Text, TWordCounts& Counts) {
  std::u32string word;
  for (size_t i = 0; i <= Text.size(); ++i) {
    UChar32 c = 0;
    if (i < Text.size()) {
      c = Text[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < Text.size() && Text[i + 1] >= 0xDC00 && Text[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (Text[i + 1] - 0xDC00);
        ++i;
      }
    }
    if (i < Text.size() && IsWordChar(c)) {
      word.push_back(char32_t(u_foldCase(c, U_FOLD_CASE_DEFAULT)));
    } else if (!word.empty()) {
      ++Counts[word];
      word.clear();
    }
  }
}

double WordShare(const TWordCounts& Reference, const TWordCounts& Text) {
  long total = 0, found = 0;
  for (const auto& [word, count] : Reference) {
    total += count;
    const auto it = Text.find(word);
    if (it != Text.end()) found += std::min(count, it->second);
  }
  return total == 0 ? 1.0 : double(found) / double(total);
}

}  // namespace kvgate
