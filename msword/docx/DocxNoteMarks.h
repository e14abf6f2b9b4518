// TKvWDocxNoteMarks: the marks of footnotes and endnotes as a ".docx" document shows
// them. References are numbered in the order the text makes them; the notes later
// show the mark of their own reference.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "msword/base/Numbering.h"

namespace msword {

class TKvWDocxNoteMarks {
 public:
  TKvWDocxNoteMarks() { Clear(); }
  // Forgets every reference and goes back to the default numbering: footnotes
  // 1, 2, 3 and endnotes i, ii, iii.
  void Clear();
  // Reads the note numbering of the settings part (w:footnotePr, w:endnotePr:
  // w:numFmt and w:numStart).
  void LoadSettings(std::string SettingsXml);
  void SetFormat(bool Endnote, TKvWNumberFormat Format, int32_t Start);

  // The mark a reference to the note Id shows, "[n]"; a reference made a second
  // time shows the number of the first. With CustomMark the reference shows
  // nothing itself (the run's text that follows is the mark) and counts nothing.
  std::u16string Reference(bool Endnote, std::u16string_view Id, bool CustomMark);
  // Adds text of a custom mark to the note Id's mark.
  void AppendCustomMark(bool Endnote, std::u16string_view Id, std::u16string_view Text);
  // The mark at the head of the note Id: the one its reference showed; empty when
  // nothing referred to it. Valid until the next change of the marks.
  std::u16string_view OwnMark(bool Endnote, std::u16string_view Id) const;

 private:
  // Note ids are looked up as the text writes them, without making a string.
  struct TIdHash {
    using is_transparent = void;
    size_t operator()(std::u16string_view Id) const { return std::hash<std::u16string_view>{}(Id); }
  };
  struct TKind {
    TKvWNumberFormat Format = nfDecimal;
    int32_t Start = 1;
    int32_t Next = 0;  // references numbered so far
    std::unordered_map<std::u16string, std::u16string, TIdHash, std::equal_to<>> Marks;
  };
  TKind FFootnotes;
  TKind FEndnotes;
};

}  // namespace msword
