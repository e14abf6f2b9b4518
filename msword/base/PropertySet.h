// The reader of the binary property sets "SummaryInformation" and
// "DocumentSummaryInformation" of a compound file.
#pragma once

#include "msword/base/SummaryInformation.h"

namespace msword {

class TStream;

// Reads the first section of the property set in Stream (from its start) into
// Summary. Returns false when a value runs past the end of the stream: reading
// stops there, what was stored before stays, and the caller ends its visit of the
// compound file. 8-bit texts are decoded in the code page the set records
// (property 1), else in the ANSI code page. Never reads past the stream and sizes
// nothing from a count or length before checking it against the stream's size.
bool ReadPropertySet(TStream& Stream, TKvWordSummaryInformation& Summary, bool IsDocSummary);

}  // namespace msword
