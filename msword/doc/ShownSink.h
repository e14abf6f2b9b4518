// What the shown view of a Word document describes to a document sink, kept well
// nested: a paragraph opens with its first text (or at its mark when it has none),
// tables open, nest and close as the paragraphs' table levels say, a cell ends at
// a cell mark and a row at a row's end mark. Whatever the file says, every table,
// row, cell and paragraph the sink sees is closed in the order it was opened, and
// tables nest no deeper than MaxTableDepth.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "msword/model/DocumentSink.h"

namespace msword {

class TDocShownSink {
 public:
  static constexpr uint32_t MaxTableDepth = 16;

  explicit TDocShownSink(TKvWDocumentSink& Sink) : FSink(Sink) {}

  void BeginStory(TKvWStoryKind Kind);
  void EndStory();
  void BeginNote(TKvWNoteKind Kind, std::u16string_view Id);
  void EndNote();

  // A line of the shown view starts: a paragraph described by Info (whose views
  // must stay valid until its end), at table level Level (0: outside tables); a
  // row's end mark (RowEnd) is no paragraph and gives no text.
  void BeginLine(const TKvWParagraphInfo& Info, uint32_t Level, bool RowEnd);
  // The line's list label as the shown view gives it (its trailing blanks and
  // tabs are not part of it) and the list level it stands at.
  void SetLabel(std::u16string_view Label, int32_t ListLevel);
  // Text of the line: line, page and column breaks become breaks; paragraph and
  // cell marks and other control characters are no text.
  void Text(std::u16string_view Value, const TKvWRunInfo& Run);
  void NoteReference(TKvWNoteKind Kind, std::u16string_view Id, std::u16string_view Mark);
  // The line ends at its mark; CellEnd: the mark also ends its cell.
  void EndLine(bool CellEnd);

 private:
  void OpenParagraph();
  void CloseParagraph();
  // Opens or closes tables until Level are open; with OpenCell, makes sure a row
  // and a cell of the innermost are open.
  void Structure(uint32_t Level, bool OpenCell);
  void OpenCell();
  void CloseTable();
  void CloseAll();

  TKvWDocumentSink& FSink;
  TKvWParagraphInfo FInfo;
  std::u16string FLabel;
  uint32_t FLevel = 0;
  bool FRowEnd = false;
  bool FPending = false;  // a line has begun whose paragraph is not yet open
  bool FOpen = false;     // a paragraph is open
  uint32_t FDepth = 0;    // tables open
  std::array<bool, MaxTableDepth + 1> FRow{}, FCell{};  // per open table: a row, a cell open
};

}  // namespace msword
