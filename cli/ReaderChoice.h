// Which reader component loads a file: by content (the library's choice), by the
// desktop program's extension rule, or as the user forces it.
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

enum TReaderMode : uint8_t { rmAuto = 0, rmDoc, rmDocx, rmRtf, rmHtml, rmWordXml };

// "doc", "docx", "rtf", "html" or "wordxml", as the JSON output and --reader name them.
std::string_view ReaderName(TReaderKind Kind);

// The desktop program's rule: the extension (from the last "." after the last
// "/", "\" or ":") equals ".DOCX", ignoring ASCII case.
bool HasDocxExtension(std::u16string_view FileName);

// The mode that --reader=Name asks for ("auto" and any other name: rmAuto).
TReaderMode ReaderModeByName(std::string_view Name);

// The reader for FileName: forced by Mode, else by extension when ByExtension,
// else by content (a file that cannot be read goes to the ".doc" reader, whose load
// then reports why).
TReaderKind ChooseReader(const std::u16string& FileName, TReaderMode Mode, bool ByExtension);

}  // namespace kvword
