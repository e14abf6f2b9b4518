// The Macintosh code pages of 8-bit text written by Word for the Macintosh: Mac OS
// Roman and the other single-byte Mac OS encodings, by their Windows code-page
// numbers (10000 Roman, 10006 Greek, 10007 Cyrillic, 10010 Romanian, 10029 Central
// European, 10079 Icelandic, 10081 Turkish, 10082 Croatian).
#pragma once

#include <cstdint>

namespace msword {

// The 128 characters of bytes 0x80-0xFF of the Mac code page CodePage (bytes below
// 0x80 are ASCII in all of them), or null for a page that is not one of these.
const char16_t* MacCodePageHigh(uint16_t CodePage);

}  // namespace msword
