// The list numbering both readers share: number formats, the counters of list
// instances with their restarts, and the label text of a numbered paragraph.
//
// A reader decodes its own list tables (the .doc list and override tables, the
// .docx numbering part) into TKvWListLevel records and asks TKvWNumbering for the
// label of each list paragraph in document order.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace msword {

// How a level shows its number. Formats a reader does not know are read as
// nfDecimal.
enum TKvWNumberFormat : uint8_t {
  nfDecimal = 0,     // 1, 2, 3
  nfDecimalZero,     // 01, 02, ... 10
  nfUpperRoman,      // I, II, III
  nfLowerRoman,      // i, ii, iii
  nfUpperLetter,     // A, B, ... Z, AA, BB
  nfLowerLetter,     // a, b, ... z, aa, bb
  nfOrdinal,         // 1st, 2nd, 3rd
  nfCardinalText,    // One, Two
  nfOrdinalText,     // First, Second
  nfBullet,          // no number: the level text is the bullet
  nfNone,            // no number: the placeholder shows nothing
  nfDecimalZero3,    // 001, 002, ... 999, 1000: Word 2010's custom formats
  nfDecimalZero4,    // 0001, 0002, ...
  nfDecimalZero5,    // 00001, 00002, ...
  nfLowerGreek,      // α, β, γ, ... ω, αα, ββ
  nfUpperGreek,      // Α, Β, Γ, ... Ω, ΑΑ, ΒΒ
};

inline constexpr uint32_t ListLevelCount = 9;

// One level of a list as a reader decodes it.
struct TKvWListLevel {
  int32_t Start = 1;
  TKvWNumberFormat Format = nfDecimal;
  // The level's number text. A character 0-8 stands for the number of that level
  // (the .doc form; a .docx reader turns "%1" into character 0).
  std::u16string Text;
  // What follows the label: u'\t' (the default), u' ', or 0 for nothing.
  char16_t Follow = u'\t';
  // When the level starts again: -1 after a paragraph at any shallower level (the
  // default); 0 never; n (1-9) after a paragraph at a level shallower than n.
  int32_t Restart = -1;
  // Legal numbering: every level's number shown as decimal.
  bool Legal = false;
  // The font the label is drawn in, for bullets taken from a symbol font
  // ("Symbol", "Wingdings", ...); empty when the level names none.
  std::u16string FontName;
};

using TKvWListLevels = std::array<TKvWListLevel, ListLevelCount>;

// A number in one of the formats: FormatListNumber(4, nfLowerRoman) is "iv".
// Values below 1 show as decimal where a format has no form for them; very large
// values are shown in decimal rather than as runaway text.
std::u16string FormatListNumber(int32_t Value, TKvWNumberFormat Format);

// The counters of every list instance of one document.
class TKvWNumbering {
 public:
  // Counts a paragraph at Level (0-8) of the list instance Instance, whose levels
  // are Levels, and returns its label followed by the level's follow character
  // ("1.\t", "a)\t", "\u2022\t"). The first paragraph of a level starts at its
  // Start; deeper levels start again as their Restart says. A Level outside 0-8
  // gives an empty label and counts nothing. Symbol-font bullets come out as the
  // Unicode character they show.
  std::u16string NextLabel(uint32_t Instance, const TKvWListLevels& Levels, uint32_t Level);

  // Sets the counter Level of Instance so that its next paragraph shows Value
  // (a start-at override that takes effect at a given point).
  void StartAt(uint32_t Instance, uint32_t Level, int32_t Value);

  // Forgets every counter (a new document).
  void Clear() { FCounters.clear(); }

 private:
  struct TCounters {
    std::array<int32_t, ListLevelCount> Value{};
    std::array<bool, ListLevelCount> Started{};
    // Value is the number the level's next paragraph shows (set by StartAt), not
    // the number its last paragraph showed.
    std::array<bool, ListLevelCount> Pending{};
  };
  std::unordered_map<uint32_t, TCounters> FCounters;
};

}  // namespace msword
