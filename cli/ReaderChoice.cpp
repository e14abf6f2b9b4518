#include "cli/ReaderChoice.h"

#include <fstream>

#include "msword/CodePages.h"
#include "msword/Platform.h"

namespace kvword {

namespace {

inline constexpr std::string_view ZIP_SIGNATURE{"PK\x03\x04", 4};
inline constexpr std::string_view COMPOUND_FILE_SIGNATURE{"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8};

// Up to the first eight bytes of the file; empty when it is no regular file (a
// FIFO would block the open) or cannot be read.
std::string ReadHead(const std::u16string& FileName) {
  if (!msword::FileExists(FileName)) return {};
  std::ifstream in(msword::WideToUtf8(FileName), std::ios::binary);
  std::string head(8, '\0');
  if (!in) return {};
  in.read(head.data(), std::streamsize(head.size()));
  head.resize(size_t(in.gcount()));
  return head;
}

}  // namespace

std::string_view ReaderName(TReaderKind Kind) { return Kind == rkDocx ? "docx" : "doc"; }

bool HasZipSignature(std::string_view Head) { return Head.starts_with(ZIP_SIGNATURE); }

bool HasCompoundFileSignature(std::string_view Head) {
  return Head.starts_with(COMPOUND_FILE_SIGNATURE);
}

// TO COMPLETE when the compound-file layer lands in msword/storage/: open FileName
// read-only and answer whether its root storage holds a stream "EncryptedPackage".
// Until then every compound file goes to the ".doc" reader, which refuses an
// encrypted package as "not valid MS Word document" instead of reporting it as
// password-protected.
bool HasEncryptedPackage(const std::u16string& FileName) {
  (void)FileName;
  return false;
}

bool HasDocxExtension(std::u16string_view FileName) {
  const size_t separator = FileName.find_last_of(u'/');
  const size_t dot = FileName.find_last_of(u'.');
  if (dot == std::u16string_view::npos ||
      (separator != std::u16string_view::npos && dot < separator))
    return false;
  return msword::SameTextAscii(FileName.substr(dot), u".DOCX");
}

TReaderKind ChooseReader(const std::u16string& FileName, TReaderMode Mode, bool ByExtension) {
  if (Mode == rmDoc) return rkDoc;
  if (Mode == rmDocx) return rkDocx;
  if (ByExtension) return HasDocxExtension(FileName) ? rkDocx : rkDoc;
  const std::string head = ReadHead(FileName);
  if (HasZipSignature(head)) return rkDocx;
  if (HasCompoundFileSignature(head) && HasEncryptedPackage(FileName)) return rkDocx;
  return rkDoc;
}

}  // namespace kvword
