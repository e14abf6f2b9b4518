// Base64, as web archives, Word XML's binary data and the encryption description
// of a protected package write it.
#pragma once

#include <string>
#include <string_view>

namespace msword {

// The bytes S encodes, read leniently: characters outside the base64 alphabet
// (line ends, blanks, damage) are skipped and decoding stops at the first "=".
std::string DecodeBase64(std::string_view S);

// The bytes Text encodes, read strictly: blanks and line ends may stand anywhere
// and "=" only as padding at the end; false for anything else, or for a last
// group of a single character.
bool DecodeBase64Strict(std::string_view Text, std::string& Out);

}  // namespace msword
