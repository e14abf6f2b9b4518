// ICU's case mapping and collation, its libraries loaded the first time one of
// them is needed. Most documents never need them (their storage names are ASCII),
// and a program started once per file then does not pay for loading ICU.
#pragma once

#include <string_view>

namespace msword {

// The Unicode simple upper-case mapping of C; C itself when ICU cannot be loaded.
char32_t IcuToUpper(char32_t C);

// Compares S1 with S2 in the user's locale, letters and accents counting and case
// not: -1, 0 or +1 in Result. False (Result untouched) when ICU or its collation
// data cannot be loaded.
bool IcuCompareIgnoreCase(std::u16string_view S1, std::u16string_view S2, int& Result);

}  // namespace msword
