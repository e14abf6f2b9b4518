// Reads the input as an RTF document from memory. The last byte picks the output
// format, hidden text, the view, the way tracked changes are read, a length limit
// and whether the document is described to the Markdown writer, so that every
// path of the parser, of the framing and of the description is reached.
#include <cstddef>
#include <cstdint>

#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/rtf/RtfDocument.h"
#include "msword/writers/MarkdownWriter.h"

using namespace msword;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const uint8_t options = Size ? Data[Size - 1] : 0;
  TMSRtfDocument doc(nullptr);
  doc.SetTextFormating(TMSTextFormating(options % 3));
  TKvWParseItems items{wpiText, wpiSummaryInformation};
  if (options & 0x04) items.Include(wpiHiddenText);
  doc.SetParseItems(items);
  if (options & 0x08) doc.SetView(vwShown);
  doc.SetRevisions(TKvWRevisions((options >> 4) & 3));
  if (options & 0x40) doc.SetMaxTextLength(64);
  TKvWMarkdownWriter markdown;
  if (options & 0x80) doc.SetDocumentSink(&markdown);
  TCustomMemoryStream stream(Data, Size);
  try {
    doc.LoadFromStream(&stream);
  } catch (const Exception&) {
  }
  markdown.Finish();
  // Whatever was added reads back.
  doc.Text()->GetText();
  doc.FootNoteText()->GetText();
  doc.TextBoxText()->GetText();
  return 0;
}
