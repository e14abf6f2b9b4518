// Which reader component reads a document, for every host: by content (the
// library's choice), by the desktop program's extension rule, or as the user
// forces it; and the names the hosts give the readers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "msword/ReaderChoice.h"

namespace kvword {

using msword::rkDoc;
using msword::rkDocx;
using msword::rkHtml;
using msword::rkRtf;
using msword::rkWordXml;
using msword::TReaderKind;

// rmAuto: by content (or by extension, where asked); else the reader of kind Mode - 1.
enum TReaderMode : uint8_t { rmAuto = 0, rmDoc, rmDocx, rmRtf, rmHtml, rmWordXml };

// "doc", "docx", "rtf", "html" or "wordxml", as the JSON output, --reader and the
// Python module name them.
std::string_view ReaderName(TReaderKind Kind);

// The desktop program's rule: the extension (from the last "." after the last
// "/", "\" or ":") equals ".DOCX", ignoring ASCII case.
bool HasDocxExtension(std::u16string_view FileName);

// The mode that --reader=Name asks for ("auto" and any other name: rmAuto).
TReaderMode ReaderModeByName(std::string_view Name);

// The mode that forces the reader of Kind.
inline TReaderMode ModeOf(TReaderKind Kind) { return TReaderMode(Kind + 1); }

// The reader for FileName: forced by Mode, else by extension when ByExtension,
// else by content (a file that cannot be read goes to the ".doc" reader, whose load
// then reports why).
TReaderKind ChooseReader(const std::u16string& FileName, TReaderMode Mode, bool ByExtension);

}  // namespace kvword
