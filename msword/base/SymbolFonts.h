// Characters of symbol fonts (Symbol, Wingdings, Wingdings 2 and 3, Webdings) as
// the Unicode characters they show. One table serves the text of both readers and
// the bullets of list labels.
#pragma once

#include <string>
#include <string_view>

namespace msword {

// True when FontName (compared without regard to ASCII case) is one of the symbol
// fonts the table knows.
bool IsSymbolFont(std::u16string_view FontName);

// The text a symbol font shows for Code, given either as 0x20-0xFF or in the
// private-use form U+F020-U+F0FF. For a known font the result is the mapped
// character (one or two UTF-16 units), or the private-use code point U+F0xx when
// the table has no Unicode equivalent. For a font that is not a symbol font the
// result is Code itself, unchanged.
std::u16string SymbolFontText(std::u16string_view FontName, char16_t Code);

}  // namespace msword
