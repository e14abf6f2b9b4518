// What the operating system provides to the library: file names, file existence,
// the local time and a locale-aware comparison of texts ignoring case.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace msword {

// File names are bytes to the system and UTF-16 to the library. A name's valid
// UTF-8 is decoded; every byte that is not part of valid UTF-8 (a Latin-1 name
// from an old archive, say) is carried as the lone low surrogate U+DC80-U+DCFF,
// so that the name goes back to the system byte for byte.
std::u16string PathToWide(std::string_view Path);
// The system's bytes of a file name that PathToWide gave (or any UTF-16 name):
// UTF-8, with each lone U+DC80-U+DCFF turned back into its byte. Other unpaired
// surrogates become U+FFFD.
std::string WideToPath(std::u16string_view FileName);

// True when FileName names a regular file (symbolic links followed). A directory,
// a FIFO or a device does not count: opening one would fail or block.
bool FileExists(const std::u16string& FileName);

// Compares S1 with S2 ignoring case, in the user's locale: -1, 0 or +1.
int LocaleCompareTextIgnoreCase(std::u16string_view S1, std::u16string_view S2);

// Seconds since 1970 (UTC) to the broken-down local time; false when the
// conversion fails.
bool UnixTimeToLocal(int64_t Seconds, std::tm& Local);

}  // namespace msword
