#include "msword/docx/ChunkText.h"

#include <cstdint>
#include <utility>

#include "msword/base/CodePages.h"

namespace msword {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f'; }

}  // namespace

bool ChunkLooksLikeMarkup(std::string_view Bytes) {
  size_t p = 0;
  if (Bytes.substr(0, 3) == "\xEF\xBB\xBF") p = 3;
  else if (Bytes.substr(0, 2) == "\xFF\xFE" || Bytes.substr(0, 2) == "\xFE\xFF") {
    // UTF-16: the first character after blanks.
    const bool le = Bytes[0] == '\xFF';
    for (p = 2; p + 1 < Bytes.size(); p += 2) {
      const char16_t c = le ? char16_t(uint8_t(Bytes[p]) | uint8_t(Bytes[p + 1]) << 8)
                            : char16_t(uint8_t(Bytes[p]) << 8 | uint8_t(Bytes[p + 1]));
      if (!IsBlank(c)) return c == u'<';
    }
    return false;
  }
  while (p < Bytes.size() && IsBlank(char16_t(uint8_t(Bytes[p])))) ++p;
  return p < Bytes.size() && Bytes[p] == '<';
}

std::u16string DecodeChunkText(std::string_view Bytes) {
  if (Bytes.substr(0, 3) == "\xEF\xBB\xBF") return Utf8ToWide(Bytes.substr(3));
  if (Bytes.substr(0, 2) == "\xFF\xFE") return Utf16LEToWide(Bytes.substr(2));
  if (Bytes.substr(0, 2) == "\xFE\xFF") {
    std::string swapped(Bytes.substr(2, (Bytes.size() - 2) & ~size_t(1)));
    for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
    return Utf16LEToWide(swapped);
  }
  return Utf8ToWide(Bytes);
}

std::vector<std::u16string> PlainChunkLines(std::u16string_view Text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] != u'\r' && Text[i] != u'\n') continue;
    lines.emplace_back(Text.substr(start, i - start));
    if (Text[i] == u'\r' && i + 1 < Text.size() && Text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < Text.size()) lines.emplace_back(Text.substr(start));
  return lines;
}

std::u16string BareContentType(std::u16string_view ContentType) {
  std::u16string_view bare = ContentType.substr(0, ContentType.find(u';'));
  while (!bare.empty() && (bare.front() == u' ' || bare.front() == u'\t')) bare.remove_prefix(1);
  while (!bare.empty() && (bare.back() == u' ' || bare.back() == u'\t')) bare.remove_suffix(1);
  std::u16string folded(bare);
  for (char16_t& c : folded)
    if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
  return folded;
}

bool IsRtfChunk(std::string_view Bytes, std::u16string_view ContentType) {
  if (Bytes.starts_with("{\\rtf")) return true;
  const std::u16string type = BareContentType(ContentType);
  return type == u"application/rtf" || type == u"text/rtf";
}

}  // namespace msword
