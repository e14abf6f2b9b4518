// Loads the input as a ".docx" package from memory, through the package loader
// (LoadFromStream) and through the OLE entry (LoadFromOLEStream: a "BDOC" header,
// a compound file with a "Package" stream, or a plain package). The last byte picks
// the output format, whether hidden text and macros are read, the view and the way
// tracked changes are read, so that every conversion path is reached; imported RTF
// chunks are read by the reader the top layer installs.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/ReaderChoice.h"
#include "msword/docx/WordXDocument.h"

using namespace msword;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const uint8_t options = Size ? Data[Size - 1] : 0;
  for (int entry = 0; entry < 2; ++entry) {
    TMSWordXDocument doc(nullptr);
    doc.SetChunkReaders(NewChunkReader);
    doc.SetTextFormating(TMSTextFormating(options % 3));
    TKvWParseItems items{wpiText, wpiSummaryInformation};
    if (options & 0x10) items.Include(wpiHiddenText);
    doc.SetParseItems(items);
    if (options & 0x20) doc.SetMaxTextLength(64);
    // Both views; tracked changes as stored, accepted, rejected or marked; macros.
    doc.SetView(options & 0x40 ? vwShown : vwStored);
    doc.SetRevisions(TKvWRevisions((options >> 7 & 1) * 2 + (options >> 3 & 1)));
    if (options & 0x04) {
      items.Include(wpiVBA);
      doc.SetParseItems(items);
    }
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
    doc.FootNoteText()->GetText();
    doc.EndNoteText()->GetText();
    doc.AnnotationText()->GetText();
    doc.TextBoxText()->GetText();
    doc.MacroText()->GetText();
  }
  return 0;
}
