// The RTF parser: turns the bytes of an RTF file into the marked text of each story
// (main text, notes, headers, footers, annotations, text boxes) and the document's
// information group. It keeps an explicit group stack with a bound on its depth,
// so no input can exhaust the machine's stack, and every count the file gives
// (\binN, \ucN, \uN) is checked against what is left of it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "msword/base/CustomWordDocument.h"

namespace msword {

class TKvWordSummaryInformation;
class TKvWDocumentSink;

enum TRtfStory : uint8_t {
  rsMain = 0, rsFootNote, rsEndNote, rsHeader, rsFooter, rsAnnotation, rsTextBox, rsCount };

struct TRtfReadOptions {
  bool HiddenText = false;          // keep text formatted hidden (\v)
  bool ShownView = false;           // list labels and note numbers as Word shows them
  TKvWRevisions Revisions = rvDefault;  // rvDefault keeps inserted and deleted text unmarked
  TKvWordSummaryInformation* Summary = nullptr;  // filled from \info when given
  // Told the main text and its notes as they are read (the shown view): paragraphs
  // with their headings and list labels, emphasis, links, tables and notes. The
  // caller begins and ends the main story around the read.
  TKvWDocumentSink* Sink = nullptr;
};

// The stories of one document as marked text (msword/base/MarkedText.h).
struct TRtfStories {
  std::array<std::u16string, rsCount> Text;
  // How deep the groups went beyond the bound, and whether the file ended before
  // its outermost group closed.
  bool DepthExceeded = false;
  bool Truncated = false;
};

// Groups nested deeper than this are skipped with their content.
inline constexpr size_t RTF_MAX_DEPTH = 512;
// Tables nested deeper than this are described as the cells of the deepest one.
inline constexpr int32_t RTF_MAX_TABLE_DEPTH = 16;

// True when Bytes start with "{\rtf" (after blanks and line ends, and a UTF-8
// byte-order mark).
bool IsRtfStart(std::string_view Bytes);

// Reads the whole of Bytes. Never throws for any input but when memory runs out.
TRtfStories ReadRtfStories(std::string_view Bytes, const TRtfReadOptions& Options);

// The whole RTF document in Bytes as the RTF reader gives it, for a reader that
// meets RTF inside another document: the main text as marked text, and the side
// stories appended (converted to Document's output format) to Document's notes,
// headers, footers, annotations and text boxes; hidden text, view and revisions
// follow Document's settings.
std::u16string ReadRtfInto(TMSCustomWordDocument& Document, std::string_view Bytes);

}  // namespace msword
