// Character sets by the names and numbers documents give them: the charset names
// of web pages and mail ("windows-1251", "shift_jis") and the Windows font
// character sets of Word and RTF font tables (204 Russian, 128 Japanese, ...),
// mapped to the code pages the text conversions know. Every reader asks here, so
// a name or number is read alike wherever it appears.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace msword {

// The Windows code page of a charset name as web pages and mail write it, in any
// case of letters and with blanks around it: 65001 for UTF-8, 1200 and 1201 for
// UTF-16 little- and big-endian, 0 for a name not known. Latin-1 and ASCII are
// read as their Windows superset, as browsers do.
uint16_t CharsetCodePage(std::string_view Charset);

// Bytes in the code page (as CharsetCodePage gives it; 0 decodes as Windows-1252)
// to UTF-16.
std::u16string DecodeCharset(std::string_view Bytes, uint16_t CodePage);

// The Windows code page of a font character set that names one of its own: 0 for
// ANSI, default, symbol, OEM and the sets no code page stands for.
uint16_t FontCharsetCodePage(uint8_t Charset);

}  // namespace msword
