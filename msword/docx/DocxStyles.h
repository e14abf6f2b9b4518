// TKvWDocxStyles: what the styles part of a ".docx" package says of a paragraph's
// shape and a run's emphasis, for the document model: a paragraph style's name,
// outline level (through the styles it is based on) and whether it is the title;
// a character style's bold, italic and strikethrough.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace msword {

class TKvWDocxStyles {
 public:
  // Reads a styles part (empty: no styles); what was read before is forgotten.
  void Load(std::string StylesXml);
  void Clear();

  struct TParagraphStyle {
    std::u16string Name;
    int32_t OutlineLevel = 0;  // 1-9, 0 for body text
    bool Title = false;
  };
  // The paragraph style StyleId (empty: the default paragraph style) with its
  // chain followed; an unknown id gives a style without name or level.
  const TParagraphStyle& Paragraph(std::u16string_view StyleId);

  struct TRunStyle {
    std::optional<bool> Bold, Italic, Strike;
  };
  // The character style StyleId with its chain followed.
  const TRunStyle& Run(std::u16string_view StyleId);

 private:
  struct TStyle {
    bool Character = false;
    std::u16string Name;
    std::u16string BasedOn;
    std::optional<int32_t> OutlineLevel;  // w:outlineLvl as written (0-8; 9 body text)
    TRunStyle Run;
  };
  std::map<std::u16string, TStyle, std::less<>> FStyles;
  std::u16string FDefaultParagraphStyle;
  std::map<std::u16string, TParagraphStyle, std::less<>> FParagraphs;
  std::map<std::u16string, TRunStyle, std::less<>> FRuns;
};

}  // namespace msword
