#include "frontdoor/ReaderChoice.h"

#include <iterator>

#include "msword/base/CodePages.h"

namespace kvword {

namespace {
constexpr std::string_view kReaderNames[] = {"doc", "docx", "rtf", "html", "wordxml"};
}  // namespace

std::string_view ReaderName(TReaderKind Kind) {
  return size_t(Kind) < std::size(kReaderNames) ? kReaderNames[Kind] : "doc";
}

TReaderMode ReaderModeByName(std::string_view Name) {
  for (size_t k = 0; k < std::size(kReaderNames); ++k)
    if (kReaderNames[k] == Name) return TReaderMode(k + 1);
  return rmAuto;
}

bool HasDocxExtension(std::u16string_view FileName) {
  const size_t start = FileName.find_last_of(u"/\\:");
  const size_t dot = FileName.find_last_of(u'.');
  if (dot == std::u16string_view::npos || (start != std::u16string_view::npos && dot < start))
    return false;
  return msword::SameTextAscii(FileName.substr(dot), u".DOCX");
}

TReaderKind ChooseReader(const std::u16string& FileName, TReaderMode Mode, bool ByExtension) {
  if (Mode != rmAuto) return TReaderKind(Mode - 1);
  if (ByExtension) return HasDocxExtension(FileName) ? rkDocx : rkDoc;
  return msword::ChooseReaderByContent(FileName);
}

}  // namespace kvword
