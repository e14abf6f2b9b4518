// Text conversions: UTF-8 and UTF-16, the ANSI code page stand-in (Windows-1252
// whose five unassigned bytes map to U+0081, U+008D, U+008F, U+0090 and U+009D, so
// every byte round-trips), and 8-bit text in the Windows code pages Word uses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace msword {

// The system ANSI code page: 1252 here, written into RTF and HTML headers.
uint32_t GetACP();

// Bytes in the ANSI code page to UTF-16: one code unit per byte, never fails.
std::u16string AnsiToWide(std::string_view S);
// Appends the decoding of S to Out (no temporary string).
void AppendAnsiToWide(std::u16string& Out, std::string_view S);
// UTF-16 to the ANSI code page; characters it cannot hold become '?'.
std::string WideToAnsi(std::u16string_view S);

// The bytes of S decoded in the Windows code page CodePage (0 = the ANSI code page).
// Single-byte pages (874, 1250-1258) and double-byte pages (932, 936, 949, 950,
// 1361) are decoded through tables compiled in (base/CodePageData), expanded once
// per page: nothing is loaded at run time; the single-byte Mac pages
// (10000 Roman, 10006, 10007, 10010, 10029, 10079, 10081, 10082) through fixed ones. Bytes the page does not
// define give U+FFFD; an unsupported page gives the empty text. Never throws.
std::u16string StringToWideStringEx(std::string_view S, uint16_t CodePage);
// True when StringToWideStringEx knows CodePage.
bool IsSupportedCodePage(uint16_t CodePage);
// The bytes of S decoded in the DOS (OEM) code page OemCodePage: 437, 850 and the
// other single-byte DOS pages; any other value is taken for 437. The bytes below
// 0x80 stand for themselves, control codes included. Never throws.
std::u16string OemToWide(std::string_view S, uint16_t OemCodePage);

// UTF-8 to UTF-16; malformed sequences give U+FFFD.
std::u16string Utf8ToWide(std::string_view S);
void AppendUtf8ToWide(std::u16string& Out, std::string_view S);
// UTF-16 to UTF-8; unpaired surrogates give U+FFFD.
std::string WideToUtf8(std::u16string_view S);
void AppendWideToUtf8(std::string& Out, std::u16string_view S);
// UTF-16LE bytes to text (an odd last byte is dropped).
std::u16string Utf16LEToWide(std::string_view S);

// ASCII-only case folding, for names compared as the formats compare them.
inline char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }
inline char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }
bool SameTextAscii(std::u16string_view A, std::u16string_view B);
bool SameTextAscii(std::string_view A, std::string_view B);

}  // namespace msword
