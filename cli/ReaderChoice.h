// Which reader component loads a file: by content (the zip signature, or a compound
// file holding an encrypted package, go to the ".docx" reader), by the desktop
// program's extension rule, or as the user forces it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvword {

enum TReaderKind : uint8_t { rkDoc = 0, rkDocx = 1 };
enum TReaderMode : uint8_t { rmAuto = 0, rmDoc = 1, rmDocx = 2 };

// "doc" or "docx", as the JSON output and --reader name them.
std::string_view ReaderName(TReaderKind Kind);

// The first bytes of a file (at most 8 here) begin with "PK", 3, 4.
bool HasZipSignature(std::string_view Head);
// The first bytes begin with the compound-file signature D0 CF 11 E0 A1 B1 1A E1.
bool HasCompoundFileSignature(std::string_view Head);

// True when the compound file FileName holds a stream "EncryptedPackage" in its
// root storage: a password-protected ".docx" package, which the ".docx" reader
// reports as such. False when it cannot tell (unreadable or damaged file).
bool HasEncryptedPackage(const std::u16string& FileName);

// The desktop program's rule: the extension (from the last "." after the last
// path separator) equals ".DOCX", ignoring ASCII case.
bool HasDocxExtension(std::u16string_view FileName);

// The reader for FileName. A file that cannot be read goes to the ".doc" reader,
// whose load then reports why.
TReaderKind ChooseReader(const std::u16string& FileName, TReaderMode Mode, bool ByExtension);

}  // namespace kvword
