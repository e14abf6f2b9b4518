// What the operating system provides to the library: file existence, the local
// time and a locale-aware comparison of texts ignoring case.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace msword {

// True when FileName names a regular file (symbolic links followed). A directory,
// a FIFO or a device does not count: opening one would fail or block.
bool FileExists(const std::u16string& FileName);

// Compares S1 with S2 ignoring case, in the user's locale: -1, 0 or +1.
int LocaleCompareTextIgnoreCase(std::u16string_view S1, std::u16string_view S2);

// Seconds since 1970 (UTC) to the broken-down local time; false when the
// conversion fails.
bool UnixTimeToLocal(int64_t Seconds, std::tm& Local);

}  // namespace msword
