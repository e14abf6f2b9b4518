#include "msword/base/SymbolFonts.h"

#include <cstdint>

namespace msword {

namespace {

char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

}  // namespace

bool IsSymbolFont(std::u16string_view FontName) {
  for (std::u16string_view name : {u"Symbol", u"Wingdings", u"Wingdings 2", u"Wingdings 3", u"Webdings"})
    if (SameName(FontName, name)) return true;
  return false;
}

std::u16string SymbolFontText(std::u16string_view FontName, char16_t Code) {
  if (!IsSymbolFont(FontName)) return std::u16string(1, Code);
  const char16_t low = Code >= 0xF020 && Code <= 0xF0FF ? char16_t(Code - 0xF000) : Code;
  if (low < 0x20 || low > 0xFF) return std::u16string(1, Code);
  return std::u16string(1, char16_t(0xF000 + low));
}

}  // namespace msword
