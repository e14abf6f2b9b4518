// The side texts a document holds besides its main text, with the names the hosts
// give them: on the command line, in headings, in JSON and in Python.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kvword {

enum TSideText : uint8_t {
  stFootnotes = 0,
  stEndnotes,
  stHeaders,
  stFooters,
  stAnnotations,
  stTextBoxes,
  stMacroText
};
inline constexpr size_t SideTextCount = 7;

struct TSideTextInfo {
  TSideText Kind;
  std::string_view Option;  // the flag without "--", also the heading "--- NAME ---"
  std::string_view JsonKey;
  std::string_view Description;
  std::string_view PythonName;  // the Document attribute
};

// In the order they are printed.
inline constexpr std::array<TSideTextInfo, SideTextCount> SideTexts{{
    {stFootnotes, "footnotes", "footnotes", "footnotes", "footnotes"},
    {stEndnotes, "endnotes", "endnotes", "endnotes", "endnotes"},
    {stHeaders, "headers", "headers", "headers", "headers"},
    {stFooters, "footers", "footers", "footers", "footers"},
    {stAnnotations, "annotations", "annotations", "annotations (comments)", "annotations"},
    {stTextBoxes, "textboxes", "textBoxes", "text-box text", "text_boxes"},
    {stMacroText, "macro-text", "macroText", "macro text and VBA source", "macro_text"},
}};

// A set of side texts; bit n is the side text of ordinal n.
class TSideTextSet {
 public:
  constexpr bool Contains(TSideText Kind) const { return (FBits >> Kind) & 1u; }
  constexpr void Include(TSideText Kind) { FBits = uint8_t(FBits | 1u << Kind); }
  constexpr bool Empty() const { return FBits == 0; }
  friend constexpr bool operator==(const TSideTextSet&, const TSideTextSet&) = default;

 private:
  uint8_t FBits = 0;
};

}  // namespace kvword
