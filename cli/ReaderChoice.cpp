#include "cli/ReaderChoice.h"

#include "msword/base/CodePages.h"

namespace kvword {

std::string_view ReaderName(TReaderKind Kind) { return Kind == rkDocx ? "docx" : "doc"; }

bool HasDocxExtension(std::u16string_view FileName) {
  const size_t start = FileName.find_last_of(u"/\\:");
  const size_t dot = FileName.find_last_of(u'.');
  if (dot == std::u16string_view::npos || (start != std::u16string_view::npos && dot < start))
    return false;
  return msword::SameTextAscii(FileName.substr(dot), u".DOCX");
}

TReaderKind ChooseReader(const std::u16string& FileName, TReaderMode Mode, bool ByExtension) {
  if (Mode == rmDoc) return rkDoc;
  if (Mode == rmDocx) return rkDocx;
  if (ByExtension) return HasDocxExtension(FileName) ? rkDocx : rkDoc;
  return msword::ChooseReaderByContent(FileName);
}

}  // namespace kvword
