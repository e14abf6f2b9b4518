#include "msword/ReaderChoice.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/base/Platform.h"
#include "msword/base/Streams.h"
#include "msword/doc/WordDocument.h"
#include "msword/docx/ChunkText.h"
#include "msword/docx/WordXDocument.h"
#include "msword/docx/WordXmlDocument.h"
#include "msword/html/HtmlDocument.h"
#include "msword/rtf/RtfDocument.h"
#include "msword/storage/CompoundFile.h"

namespace msword {

namespace {

// A password-protected ".docx" package is a compound file whose root storage holds
// an "EncryptedPackage" stream. A compound file that cannot be opened is left to
// the ".doc" reader, which reports why.
bool HoldsEncryptedPackage(const std::u16string& FileName) {
  if (!FileExists(FileName)) return false;
  try {
    const std::shared_ptr<storage::TCompoundFile> file = storage::TCompoundFile::OpenFile(FileName);
    const std::unique_ptr<storage::TStorage> root = file->Root();
    return root && root->OpenStream(u"EncryptedPackage") != nullptr;
  } catch (const Exception&) {
    return false;
  }
}

constexpr unsigned char COMPOUND_FILE_SIGNATURE[8] = {0xD0, 0xCF, 0x11, 0xE0,
                                                     0xA1, 0xB1, 0x1A, 0xE1};

bool IsZipStart(const unsigned char* head, int64_t got) {
  return got >= 4 && head[0] == 'P' && head[1] == 'K' && head[2] == 3 && head[3] == 4;
}

bool IsCompoundFileStart(const unsigned char* head, int64_t got) {
  return got == 8 && std::equal(head, head + 8, COMPOUND_FILE_SIGNATURE);
}

// How much of a file's start the choice of a text format looks at.
constexpr size_t HEAD_SIZE = 4096;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool StartsWithNoCase(std::string_view S, std::string_view Prefix) {
  return S.size() >= Prefix.size() && SameTextAscii(S.substr(0, Prefix.size()), Prefix);
}

// A head in UTF-16 (after its byte-order mark) as ASCII, other characters as '?'.
std::string NarrowUtf16(std::string_view Head, bool BigEndian) {
  std::string out;
  for (size_t i = 0; i + 1 < Head.size(); i += 2) {
    const unsigned hi = uint8_t(Head[i + (BigEndian ? 0 : 1)]), lo = uint8_t(Head[i + (BigEndian ? 1 : 0)]);
    out.push_back(hi == 0 && lo < 0x80 ? char(lo) : '?');
  }
  return out;
}

// The head of a MIME message: header lines up to the first empty one, one of them
// a MIME version or a multipart content type.
bool IsMimeHead(std::string_view Head) {
  bool mime = false;
  size_t at = 0;
  while (at < Head.size()) {
    size_t end = Head.find('\n', at);
    if (end == std::string_view::npos) end = Head.size();
    std::string_view line = Head.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) return mime && at > 0;
    if (StartsWithNoCase(line, "MIME-Version:") || (StartsWithNoCase(line, "Content-Type:") &&
                                                      line.find("multipart/") != std::string_view::npos))
      mime = true;
    // Every header line is a name and a colon, or the continuation of one.
    if (!IsBlank(line[0]) && line.find(':') == std::string_view::npos) return false;
    at = end + 1;
  }
  return mime;
}

}  // namespace

TReaderKind TextFormatOfHead(std::string_view Head) {
  std::string narrowed;
  if (Head.size() >= 2 && (uint8_t(Head[0]) == 0xFF && uint8_t(Head[1]) == 0xFE)) {
    narrowed = NarrowUtf16(Head.substr(2), false);
    Head = narrowed;
  } else if (Head.size() >= 2 && uint8_t(Head[0]) == 0xFE && uint8_t(Head[1]) == 0xFF) {
    narrowed = NarrowUtf16(Head.substr(2), true);
    Head = narrowed;
  } else if (Head.substr(0, 3) == "\xEF\xBB\xBF") {
    Head.remove_prefix(3);
  }
  if (IsMimeHead(Head)) return rkHtml;
  size_t i = 0;
  while (i < Head.size() && IsBlank(Head[i])) ++i;
  if (Head.substr(i, 5) == "{\\rtf") return rkRtf;
  // Markup: step over declarations, processing instructions and comments to the
  // first element.
  while (i < Head.size() && Head[i] == '<') {
    std::string_view rest = Head.substr(i);
    size_t end;
    if (rest.starts_with("<!--")) {
      end = rest.find("-->");
      if (end == std::string_view::npos) return rkDoc;
      end += 3;
    } else if (rest.starts_with("<?") || rest.starts_with("<!")) {
      if (StartsWithNoCase(rest, "<!DOCTYPE html")) return rkHtml;
      end = rest.find('>');
      if (end == std::string_view::npos) return rkDoc;
      ++end;
    } else {
      // The root element: its name up to a blank, "/" or ">".
      size_t k = 1;
      while (k < rest.size() && !IsBlank(rest[k]) && rest[k] != '>' && rest[k] != '/') ++k;
      std::string_view name = rest.substr(1, k - 1);
      const size_t colon = name.find(':');
      const std::string_view local = colon == std::string_view::npos ? name : name.substr(colon + 1);
      if (SameTextAscii(name, "html") || SameTextAscii(name, "head") || SameTextAscii(name, "body")) return rkHtml;
      if (local == "wordDocument") return rkWordXml;
      if (local == "package" && rest.find("schemas.microsoft.com/office/2006/xmlPackage") != std::string_view::npos)
        return rkWordXml;
      return rkDoc;
    }
    i += end;
    while (i < Head.size() && IsBlank(Head[i])) ++i;
  }
  return rkDoc;
}

TReaderKind ChooseReaderByContent(TStream* Stream) {
  const int64_t start = Stream->Position();
  unsigned char head[8] = {};
  Stream->SetPosition(0);
  const int64_t got = Stream->Read(head, sizeof(head));
  TReaderKind kind = rkDoc;
  if (IsZipStart(head, got)) {
    kind = rkDocx;
  } else if (IsCompoundFileStart(head, got)) {
    try {
      std::string bytes(size_t(Stream->Size()), '\0');
      Stream->SetPosition(0);
      Stream->ReadBuffer(bytes.data(), int64_t(bytes.size()));
      const std::shared_ptr<storage::TCompoundFile> file = storage::TCompoundFile::OpenMemory(std::move(bytes));
      const std::unique_ptr<storage::TStorage> root = file->Root();
      if (root && root->OpenStream(u"EncryptedPackage") != nullptr) kind = rkDocx;
    } catch (const Exception&) {
      // left to the ".doc" reader, which reports why
    }
  }
  if (kind == rkDoc && !IsCompoundFileStart(head, got)) {
    std::string text(HEAD_SIZE, '\0');
    Stream->SetPosition(0);
    text.resize(size_t(std::max<int32_t>(0, Stream->Read(text.data(), int32_t(text.size())))));
    kind = TextFormatOfHead(text);
  }
  Stream->SetPosition(start);
  return kind;
}

TReaderKind ChooseReaderByContent(const std::u16string& FileName) {
  const int fd = ::open(WideToPath(FileName).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return rkDoc;
  std::string text(HEAD_SIZE, '\0');
  ssize_t got = 0;
  for (ssize_t r; size_t(got) < text.size() && (r = ::read(fd, text.data() + got, text.size() - size_t(got))) > 0;)
    got += r;
  ::close(fd);
  text.resize(size_t(std::max<ssize_t>(got, 0)));
  const auto* head = reinterpret_cast<const unsigned char*>(text.data());
  if (IsZipStart(head, got)) return rkDocx;
  if (IsCompoundFileStart(head, std::min<ssize_t>(got, 8)))
    return HoldsEncryptedPackage(FileName) ? rkDocx : rkDoc;
  return TextFormatOfHead(text);
}

std::unique_ptr<TMSCustomWordDocument> NewReader(TReaderKind Kind, TComponent* AOwner) {
  switch (Kind) {
    case rkDocx:
    case rkWordXml: {
      std::unique_ptr<TMSWordXDocument> reader = Kind == rkDocx ? std::make_unique<TMSWordXDocument>(AOwner)
                                                                : std::make_unique<TMSWordXmlDocument>(AOwner);
      reader->SetChunkReaders(NewChunkReader);
      return reader;
    }
    case rkRtf: return std::make_unique<TMSRtfDocument>(AOwner);
    case rkHtml: return std::make_unique<TMSHtmlDocument>(AOwner);
    default: return std::make_unique<TMSWordDocument>(AOwner);
  }
}

std::unique_ptr<TMSCustomWordDocument> NewChunkReader(std::string_view Bytes, std::u16string_view ContentType) {
  if (IsRtfChunk(Bytes, ContentType)) return std::make_unique<TMSRtfDocument>(nullptr);
  const std::u16string type = BareContentType(ContentType);
  if (type == u"text/html" || type == u"application/xhtml+xml") return std::make_unique<TMSHtmlDocument>(nullptr);
  return nullptr;
}

}  // namespace msword
