// Loads the input as a ".docx" package from memory, through the package loader
// (LoadFromStream) and through the OLE entry (LoadFromOLEStream: a "BDOC" header,
// a compound file with a "Package" stream, or a plain package). The last byte picks
// the output format and whether hidden text is read, so that every conversion path
// is reached.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/docx/WordXDocument.h"

using namespace msword;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const uint8_t options = Size ? Data[Size - 1] : 0;
  for (int entry = 0; entry < 2; ++entry) {
    TMSWordXDocument doc(nullptr);
    doc.SetTextFormating(TMSTextFormating(options % 3));
    TKvWParseItems items{wpiText, wpiSummaryInformation};
    if (options & 0x10) items.Include(wpiHiddenText);
    doc.SetParseItems(items);
    if (options & 0x20) doc.SetMaxTextLength(64);
    TCustomMemoryStream stream(Data, Size);
    try {
      if (entry == 0)
        doc.LoadFromStream(&stream);
      else
        doc.LoadFromOLEStream(&stream);
    } catch (const Exception&) {
    }
    // Whatever was added reads back.
    doc.Text()->GetText();
    doc.HeaderText()->GetText();
    doc.FooterText()->GetText();
  }
  return 0;
}
