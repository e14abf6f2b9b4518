// The decoding tables of the Windows code pages read through tables (874, 932,
// 936, 949, 950, 1250-1258 but 1252, and 1361) and of the DOS pages (437, 737,
// 775, 850-869), compiled in: nothing is loaded at
// run time to decode a document. CodePageData.cpp is written by
// scripts/codepage-tables.cpp.
#pragma once

#include <cstdint>

namespace msword {

// The pairs of one lead byte: trail bytes First .. First + Count - 1, their code
// units at Offset in the page's Pairs (U+FFFD where the pair is not defined).
struct TCodePageLeadRow {
  uint8_t Lead;
  uint8_t First;
  uint16_t Count;
  uint32_t Offset;
};

// One page: each byte alone (U+FFFD where it is not a character by itself); for a
// double-byte page its lead bytes, one row each.
struct TCodePageData {
  uint16_t CodePage;
  const char16_t* Single;
  const TCodePageLeadRow* Rows;
  uint16_t RowCount;
  const char16_t* Pairs;
};

// The tables of CodePage; null for a page that has none.
const TCodePageData* FindCodePageData(uint16_t CodePage);

}  // namespace msword
