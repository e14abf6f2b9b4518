// TKvWDocxNumbering: the lists of a ".docx" package (its numbering part, and the
// paragraph styles that carry list membership) decoded for the shared numbering
// engine, and the label of each list paragraph in document order.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "msword/base/Numbering.h"

namespace msword {

class TKvWDocxNumbering {
 public:
  // Reads the numbering part and the styles part (either may be empty); what was
  // read before is forgotten.
  void Load(std::string NumberingXml, std::string StylesXml);
  void Clear();
  // True when the package defines no list at all.
  bool Empty() const { return FNums.empty(); }

  // The label of the next paragraph with the given list properties: NumId and
  // Level as the paragraph writes them (empty and -1 when it writes none), StyleId
  // its paragraph style (empty: the default style). Empty for a paragraph that is
  // not in a list.
  std::u16string NextLabel(std::u16string_view NumId, int32_t Level, std::u16string_view StyleId);
  // The list level (0-8) of the last paragraph NextLabel gave a label.
  int32_t LastLevel() const { return FLastLevel; }

  // "%1.%2." as the engine's level text (characters 0-8 for the placeholders),
  // at most MaxLevelText characters.
  static std::u16string LevelTextFromXml(std::u16string_view Text);
  // The number format named by a w:numFmt value; unknown names are decimal.
  static TKvWNumberFormat NumberFormatFromXml(std::u16string_view Name);
  // The format a Word 2010 custom format names by its first numbers ("001, 002,
  // 003, ...", "α, β, γ, ..."); nullopt for one the engine does not have.
  static std::optional<TKvWNumberFormat> CustomNumberFormat(std::u16string_view Format);

  static constexpr size_t MaxLevelText = 255;

 private:
  struct TAbstract {
    uint32_t Index = 0;
    TKvWListLevels Levels;
    std::array<bool, ListLevelCount> Defined{};
    std::array<std::u16string, ListLevelCount> LevelStyle;  // w:pStyle of a level
    std::u16string NumStyleLink;  // the levels are those of this numbering style
    std::u16string StyleLink;     // this numbering style is defined here
  };
  struct TNum {
    uint32_t Index = 0;
    std::u16string Abstract;
    std::array<std::optional<int32_t>, ListLevelCount> StartOverride;
    std::array<std::optional<TKvWListLevel>, ListLevelCount> LevelOverride;
  };
  struct TStyle {
    std::u16string BasedOn;
    std::optional<std::u16string> NumId;
    std::optional<int32_t> Level;
  };
  // A w:num with its levels resolved, as the paragraphs use it.
  struct TResolved {
    bool Valid = false;
    uint32_t Instance = 0;
    const TAbstract* Abstract = nullptr;
    TKvWListLevels Levels;
  };

  void LoadNumbering(std::string Bytes);
  void LoadStyles(std::string Bytes);
  const TResolved& Resolve(std::u16string_view NumId);
  const TAbstract* AbstractOf(const TNum& Num) const;

  std::map<std::u16string, TAbstract, std::less<>> FAbstracts;
  std::map<std::u16string, TNum, std::less<>> FNums;
  std::map<std::u16string, TStyle, std::less<>> FStyles;
  std::u16string FDefaultStyle;
  std::map<std::u16string, TResolved, std::less<>> FResolved;
  // What a paragraph style alone says of a list (its chain followed), by style id.
  struct TStyleList {
    std::optional<std::u16string> NumId;
    std::optional<int32_t> Level;
    std::u16string ListStyle;
  };
  std::map<std::u16string, TStyleList, std::less<>> FStyleLists;
  // The style asked for last: paragraphs mostly repeat their neighbour's style.
  std::u16string FLastStyleId;
  const TStyleList* FLastStyleList = nullptr;
  const TStyleList& StyleList(std::u16string_view StyleId);
  TKvWNumbering FNumbering;
  int32_t FLastLevel = 0;
};

}  // namespace msword
