// The font table of a Word file (SttbfFfn): each font's name and character set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace msword {

class TStream;

struct TFontEntry {
  std::u16string Name;
  uint8_t Charset = 0;  // the Windows character set (0 ANSI, 1 default, 2 symbol, 204 Russian, ...)
};

class TFontTable {
 public:
  // Reads the table at [Fc, Fc + Lcb) of Table; a damaged one reads as far as it is
  // sound. Word97 selects the layout of Word 97 and later over Word 6/95.
  void Read(TStream& Table, uint32_t Fc, uint32_t Lcb, bool Word97);
  const TFontEntry* Font(uint16_t Ftc) const { return Ftc < Fonts.size() ? &Fonts[Ftc] : nullptr; }

  std::vector<TFontEntry> Fonts;
};

// (The code page a font's character set stands for: FontCharsetCodePage in
// base/Charsets.)

}  // namespace msword
