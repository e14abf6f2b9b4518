// Feeds arbitrary bytes to the binary Word text reader as a main document stream
// and a table stream. Input: one option byte (bits 0-1 output format, bit 2 no
// table stream, bit 3 conversion off, bit 4 a handler replacing field results, bit 5
// a 64-character length limit, bit 6 the shown view, bit 7 with tracked changes
// marked and hidden text kept), the main stream's length (4 bytes, little-endian),
// the main stream, and the table stream (the rest), which also serves as the data
// stream.
#include <cstddef>
#include <cstdint>
#include <string>

#include "msword/base/Exceptions.h"
#include "msword/base/LittleEndian.h"
#include "msword/base/Streams.h"
#include "msword/doc/WordDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  using namespace msword;
  if (Size < 5) return 0;
  const uint8_t options = Data[0];
  size_t mainSize = GetU32(Data + 1);
  Data += 5;
  Size -= 5;
  if (mainSize > Size) mainSize = Size;
  TCustomMemoryStream main(Data, mainSize);
  TCustomMemoryStream table(Data + mainSize, Size - mainSize);
  TCustomMemoryStream data(Data + mainSize, Size - mainSize);
  TMSWordDocument doc(nullptr);
  doc.SetTextFormating(TMSTextFormating(options & 3));
  doc.SetConvertSysCharacters((options & 8) == 0);
  if (options & 16)
    doc.SetOnConvertSysChar([](TObject*, TKvWordSysChar c, std::u16string v, std::u16string& r) {
      if (c >= scTime) r = v + u"|" + r;
    });
  if (options & 32) doc.SetMaxTextLength(64);
  if (options & 64) doc.SetView(vwShown);
  if (options & 128) {
    doc.SetRevisions(rvMark);
    doc.SetParseItems({wpiText, wpiHiddenText});
  }
  try {
    doc.ReadDocStreams(&main, (options & 4) ? nullptr : &table, &data);
  } catch (const Exception&) {
    // Damaged input is reported with an exception; anything else is a finding.
  }
  return 0;
}
