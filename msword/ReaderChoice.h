// Which reader a file's content calls for, as the command-line tool and the
// real-document gate choose it (the desktop program goes by extension instead).
#pragma once

#include <cstdint>
#include <string>

namespace msword {

class TStream;

enum TReaderKind : uint8_t { rkDoc = 0, rkDocx = 1 };

// A file that begins with the zip signature, or a compound file holding an
// "EncryptedPackage" stream, is for the ".docx" reader; everything else, an
// unreadable file included, for the ".doc" reader.
TReaderKind ChooseReaderByContent(const std::u16string& FileName);
// The same choice for a document held in a stream, read from its start; the
// stream's position is restored.
TReaderKind ChooseReaderByContent(TStream* Stream);

}  // namespace msword
