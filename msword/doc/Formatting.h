// The formatting layer of a Word document: the property runs, the style sheet, the
// font table, the list tables and the document properties, read together, and the
// character and paragraph properties they give a run of text.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "msword/doc/DocumentProperties.h"
#include "msword/doc/FontTable.h"
#include "msword/doc/ListTables.h"
#include "msword/doc/PropertyRuns.h"
#include "msword/doc/StyleSheet.h"

namespace msword {

class TStream;
struct TFIB;

// The character properties the text reader acts on.
struct TCharProps {
  bool Vanish = false;    // hidden text
  bool Deleted = false;   // a tracked deletion
  bool Inserted = false;  // a tracked insertion
  bool Special = false;   // the characters are special characters (pictures, fields' data)
  bool HasSymbol = false; // the characters show SymbolChar of the font SymbolFtc
  bool Bold = false;
  bool Italic = false;
  bool Strike = false;
  uint16_t Ftc = 0;       // the font of ASCII text
  uint16_t FtcOther = 0;  // the font of other text
  uint16_t SymbolFtc = 0;
  char16_t SymbolChar = 0;
  int32_t PicLocation = -1;  // where a special character's data lies in the Data stream
};

// What a group of character modifiers does to the properties, whatever they were
// before: each toggle keeps, clears, sets or inverts its value; the other values
// are kept or set. Effects compose, so that a character style's effect is worked
// out once however many runs and styles apply it.
struct TCharEffect {
  enum TToggle : uint8_t { tgKeep = 0, tgOff, tgOn, tgInvert };
  TToggle Vanish = tgKeep, Deleted = tgKeep, Inserted = tgKeep, Special = tgKeep;
  TToggle Bold = tgKeep, Italic = tgKeep, Strike = tgKeep;
  bool SetFtc = false, SetFtcOther = false, SetSymbol = false, SetPicLocation = false;
  uint16_t Ftc = 0, FtcOther = 0, SymbolFtc = 0;
  char16_t SymbolChar = 0;
  int32_t PicLocation = -1;

  // This effect applied after Before.
  TCharEffect After(const TCharEffect& Before) const;
  void ApplyTo(TCharProps& Props) const;
};

// The paragraph properties the text reader acts on.
struct TParaProps {
  uint16_t Istd = 0;
  uint16_t Ilfo = 0;     // 1-based list override; 0 none
  uint8_t Ilvl = 0;
  // Word 6/95 paragraph numbering: the outline level (1-9, 10 numbered, 11
  // bulleted; 0 none) and the numbering description, when the paragraph has one.
  uint8_t NLvlAnm = 0;
  std::string_view Anld;
  // Tables: whether the paragraph is in one, how deeply nested (0: as InTable
  // says), and whether its mark ends a row (Ttp at the outer level, InnerTtp
  // deeper) or a nested table's cell.
  bool InTable = false, Ttp = false, InnerTableCell = false, InnerTtp = false;
  uint16_t Itap = 0;
  uint8_t OutLvl = 0xFF;  // the outline level 0-8 (9 body text); 0xFF: not given
};

class TFormatting {
 public:
  // Reads every table from Table (the table stream; for Word 6/95 the main stream)
  // and the property pages from Main. Word97 selects the layouts of Word 97 and
  // later. Tables that are absent or damaged read as empty.
  void Read(TStream& Main, TStream& Table, const TFIB& Fib, bool Word97);

  // The properties of text in the character run Run (null: none) of a paragraph of
  // style ParaIstd.
  TCharProps CharProps(const TPropertyRun* Run, uint16_t ParaIstd);
  // The character properties a paragraph style gives its text.
  const TCharProps& StyleProps(uint16_t ParaIstd) { return StyleChar(ParaIstd); }
  // The properties of the paragraph whose mark lies at file position Fc.
  TParaProps ParaProps(uint32_t Fc);

  bool Word97() const { return FWord97; }
  const TFontEntry* Font(uint16_t Ftc) const { return Fonts.Font(Ftc); }

  TPropertyRuns Chpx;
  TPropertyRuns Papx;
  TStyleSheet Styles;
  TFontTable Fonts;
  TListTables Lists;
  TDocumentProperties Dop;

 private:
  // Adds the character modifiers Grpprl to Effect; the toggles refer to the values
  // Effect gives before them; Depth bounds character styles met on the way.
  void ApplyChp(std::string_view Grpprl, TCharEffect& Effect, size_t Depth);
  void ApplyPap(std::string_view Grpprl, TParaProps& Props);
  const TCharProps& StyleChar(uint16_t Istd);
  const TParaProps& StylePara(uint16_t Istd);
  // The effect of a character style, worked out on first use; a style met again
  // while its own effect is being worked out adds nothing.
  TCharEffect CharStyleEffect(uint16_t Istd, size_t Depth);

  bool FWord97 = true;
  std::vector<TCharProps> FStyleChar;
  std::vector<TParaProps> FStylePara;
  std::vector<TCharEffect> FStyleEffect;
  // Bit 0: character properties known, bit 1: paragraph properties; bit 2: the
  // effect as a character style known, bit 3: being worked out.
  std::vector<uint8_t> FStyleDone;
  TCharProps FDefaultChar;
  const TPropertyRun* FLastRun = nullptr;
  uint16_t FLastIstd = 0;
  TCharProps FLastProps;
  const TPropertyRun* FLastPara = nullptr;
  TParaProps FLastParaProps;
};

}  // namespace msword
