// Text with Word's structural marks, as the readers of RTF and HTML collect it
// before it is framed: the paragraph, line, cell and row marks and the bounds of
// tracked changes stand in the text as control characters, so that one pass gives
// the output of any format the way the .doc reader writes its marks.
#pragma once

#include <string>
#include <string_view>

#include "msword/base/BaseDocument.h"

namespace msword {

// The marks. The readers drop the document's own control characters, so these
// never stand for text.
inline constexpr char16_t mkRowEnd = 0x06;     // ends a table row, after its last cell
inline constexpr char16_t mkCellEnd = 0x07;    // ends a table cell
inline constexpr char16_t mkTab = 0x09;
inline constexpr char16_t mkLineBreak = 0x0B;
inline constexpr char16_t mkParagraph = 0x0D;
inline constexpr char16_t mkInsertStart = 0x1C;  // an inserted run begins
inline constexpr char16_t mkDeleteStart = 0x1D;  // a deleted run begins
inline constexpr char16_t mkRevisionEnd = 0x1E;  // the run of the last start ends

// True for a character that is one of the marks above (the characters the readers
// keep out of the document's text).
inline bool IsMarkCharacter(char16_t c) { return c < 0x20; }

// Appends Marked to Dest in Format: paragraphs end as "\r\n" ("\r\n\par " in RTF,
// "<p></p>\r\n" in HTML), line breaks as "\r\n" ("\r\n\par ", "<br>\r\n"), cells
// are separated by a blank and rows end like the .doc reader's rows; an inserted
// run is preceded by "+" and a deleted one by "-" ("<u>...</u>" and "<s>...</s>" in
// HTML); text is escaped where the format needs it.
void AppendMarkedText(std::u16string& Dest, std::u16string_view Marked, TMSTextFormating Format);

}  // namespace msword
