// Feeds arbitrary bytes to the ".doc" reader's LoadFromStream, as a whole file in
// memory: a compound file, an old plain Word file or anything else. The last byte
// also chooses the parse items (bit 0: without wpiVBA, bit 1: without
// wpiSummaryInformation), so that a whole document is a seed as it stands; most
// end in a zero byte, and are read with everything on. Every input is read in both
// views; bits 2-3 choose how the shown view resolves tracked changes and bit 4 adds
// hidden text to it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/doc/WordDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  using namespace msword;
  if (Size < 1) return 0;
  const uint8_t options = Data[Size - 1];
  TKvWParseItems items{wpiText};
  if (!(options & 1)) items = TKvWParseItems{wpiText, wpiVBA};
  if (!(options & 2)) items = TKvWParseItems::FromBits(uint8_t(items.Bits() | TKvWParseItems{wpiSummaryInformation}.Bits()));
  for (const TKvWView view : {vwStored, vwShown}) {
    TCustomMemoryStream stream(Data, Size);
    TMSWordDocument doc(nullptr);
    TKvWParseItems viewItems = items;
    if (view == vwShown && (options & 16))
      viewItems = TKvWParseItems::FromBits(uint8_t(items.Bits() | TKvWParseItems{wpiHiddenText}.Bits()));
    doc.SetParseItems(viewItems);
    doc.SetView(view);
    if (view == vwShown) doc.SetRevisions(TKvWRevisions((options >> 2) & 3));
    try {
      doc.LoadFromStream(&stream);
    } catch (const Exception&) {
      // Damaged input is reported with an exception; anything else is a finding.
    }
  }
  return 0;
}
