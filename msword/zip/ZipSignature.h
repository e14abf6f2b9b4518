// The zip-signature test that tells a ".docx" package from other files.
#pragma once

#include <string>

namespace msword {

// True when the file starts with the zip local-file-header signature "PK" 3 4;
// false for anything shorter, anything else, or a file that cannot be read.
bool FileIsZipArchive(const std::u16string& FileName);

}  // namespace msword
