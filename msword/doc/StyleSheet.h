// The style sheet of a Word file (STSH): per style its kind, the style it is based
// on and its paragraph and character property modifiers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace msword {

class TStream;

struct TStyle {
  bool Present = false;
  uint8_t Kind = 0;          // 1 paragraph, 2 character, 3 table, 4 list
  uint16_t Sti = 0x0FFE;     // the built-in style it is (1-9 the headings, 62 the title); 0x0FFE: none
  uint16_t Base = 0x0FFF;    // the style it is based on; 0x0FFF: none
  std::u16string Name;
  std::string Papx;          // paragraph modifiers (after the style number)
  std::string Chpx;          // character modifiers
};

class TStyleSheet {
 public:
  // Reads the style sheet at [Fc, Fc + Lcb) of Table; a damaged one reads as far as
  // it is sound. Word97 selects the layout of Word 97 and later over Word 6/95.
  void Read(TStream& Table, uint32_t Fc, uint32_t Lcb, bool Word97);

  // The styles Istd is based on, the farthest first and Istd itself last, at most
  // MaxDepth of them; a chain that loops or names missing styles ends there.
  std::vector<uint16_t> Chain(uint16_t Istd) const;
  const TStyle* Style(uint16_t Istd) const {
    return Istd < FStyles.size() && FStyles[Istd].Present ? &FStyles[Istd] : nullptr;
  }
  size_t Count() const { return FStyles.size(); }
  // The document's default font for ASCII text (Word 97 and later; 0 otherwise).
  uint16_t DefaultFtc() const { return FDefaultFtc; }

  static constexpr size_t MaxDepth = 16;

 private:
  std::vector<TStyle> FStyles;
  uint16_t FDefaultFtc = 0;
};

}  // namespace msword
