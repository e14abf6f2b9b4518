// Reads the input as the bytes of a property-set stream, once as a
// "SummaryInformation" set and once as a "DocumentSummaryInformation" set, each
// into a fresh summary. The reader checks every offset, count and length against
// the stream and reports a value past the end by returning false: an exception
// from it is a finding too.
#include <cstddef>
#include <cstdint>
#include <string>

#include "msword/base/PropertySet.h"
#include "msword/base/Streams.h"
#include "msword/base/SummaryInformation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  using namespace msword;
  for (const bool isDocSummary : {false, true}) {
    TCustomMemoryStream stream(Data, Size);
    TKvWordSummaryInformation summary;
    ReadPropertySet(stream, summary, isDocSummary);
    // No text comes out longer than the bytes it was decoded from.
    for (const std::u16string* text : {&summary.Title(), &summary.Author(), &summary.Company(),
                                       &summary.Comments(), &summary.AppName(), &summary.Manager()})
      if (text->size() > Size) __builtin_trap();
  }
  return 0;
}
