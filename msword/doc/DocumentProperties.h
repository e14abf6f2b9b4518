// The document properties of a Word file (DOP) the shown text needs: how footnotes
// and endnotes are numbered.
#pragma once

#include <cstdint>

#include "msword/base/Numbering.h"

namespace msword {

class TStream;

struct TDocumentProperties {
  int32_t FootnoteStart = 1;
  TKvWNumberFormat FootnoteFormat = nfDecimal;
  int32_t EndnoteStart = 1;
  TKvWNumberFormat EndnoteFormat = nfLowerRoman;

  // Reads the properties at [Fc, Fc + Lcb) of Table; what the stream or the record
  // does not hold keeps its default.
  void Read(TStream& Table, uint32_t Fc, uint32_t Lcb);
};

}  // namespace msword
