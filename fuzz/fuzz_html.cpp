// Reads the input as a web page or a MIME archive from memory. The last byte picks
// the output format, hidden text, the view, the way tracked changes are read and a
// length limit, so that every path of the parsers and of the framing is reached.
#include <cstddef>
#include <cstdint>

#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/html/HtmlDocument.h"

using namespace msword;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const uint8_t options = Size ? Data[Size - 1] : 0;
  TMSHtmlDocument doc(nullptr);
  doc.SetTextFormating(TMSTextFormating(options % 3));
  TKvWParseItems items{wpiText, wpiSummaryInformation};
  if (options & 0x04) items.Include(wpiHiddenText);
  doc.SetParseItems(items);
  if (options & 0x08) doc.SetView(vwShown);
  doc.SetRevisions(TKvWRevisions((options >> 4) & 3));
  if (options & 0x40) doc.SetMaxTextLength(64);
  TCustomMemoryStream stream(Data, Size);
  try {
    doc.LoadFromStream(&stream);
  } catch (const Exception&) {
  }
  doc.Text()->GetText();
  doc.FootNoteText()->GetText();
  doc.HeaderText()->GetText();
  return 0;
}
