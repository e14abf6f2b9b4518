// The side texts a document component collects besides its main text, with the
// names the tool gives them on the command line, in headings and in JSON.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "msword/base/CustomWordDocument.h"

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

struct TSideTextInfo {
  TSideText Kind;
  std::string_view Option;  // the flag without "--", also the heading "--- NAME ---"
  std::string_view JsonKey;
  std::string_view Description;
  msword::TWideStrings* (msword::TMSCustomWordDocument::*List)() const;
};

// In the order they are printed.
inline constexpr std::array<TSideTextInfo, 7> SideTexts{{
    {stFootnotes, "footnotes", "footnotes", "footnotes",
     &msword::TMSCustomWordDocument::FootNoteText},
    {stEndnotes, "endnotes", "endnotes", "endnotes", &msword::TMSCustomWordDocument::EndNoteText},
    {stHeaders, "headers", "headers", "headers", &msword::TMSCustomWordDocument::HeaderText},
    {stFooters, "footers", "footers", "footers", &msword::TMSCustomWordDocument::FooterText},
    {stAnnotations, "annotations", "annotations", "annotations (comments)",
     &msword::TMSCustomWordDocument::AnnotationText},
    {stTextBoxes, "textboxes", "textBoxes", "text-box text",
     &msword::TMSCustomWordDocument::TextBoxText},
    {stMacroText, "macro-text", "macroText", "macro text and VBA source",
     &msword::TMSCustomWordDocument::MacroText},
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
