// The document properties of a Word file (DOP) and the section properties the
// shown text needs: how footnotes and endnotes are numbered.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace msword {

class TStream;

// How the notes of one kind are numbered.
struct TNoteNumbering {
  int32_t Start = 1;
  uint16_t Nfc = 0;  // the number format code
  // 0: on through the document; 1: again in each section; 2: again on each page.
  uint8_t Restart = 0;
};

struct TDocumentProperties {
  TNoteNumbering Footnotes;
  TNoteNumbering Endnotes{1, 2, 0};  // lower-case roman unless the document says otherwise

  // Reads the properties at [Fc, Fc + Lcb) of Table; what the stream or the record
  // does not hold keeps its default. Word97 selects the layout of Word 97 and
  // later, whose number formats are 16-bit fields further on.
  void Read(TStream& Table, uint32_t Fc, uint32_t Lcb, bool Word97);
};

// The note numbering of one section: the document's, changed by the section's own
// properties.
struct TSectionNotes {
  uint32_t CpLim = 0;  // where the section ends
  TNoteNumbering Footnotes;
  TNoteNumbering Endnotes;
};

// The sections of a Word 97 or later document from its section table at [Fc, Fc +
// Lcb) of Table, whose property groups lie in Main; an empty list when there is no
// sound table (the document's numbering then holds throughout). Older files keep
// their note numbering in the document properties only.
std::vector<TSectionNotes> ReadSectionNotes(TStream& Main, TStream& Table, uint32_t Fc, uint32_t Lcb,
                                            const TDocumentProperties& Dop);

// Number N in the note number format Nfc: "iv" for 4 in lower-case roman, the
// symbols * † ‡ § (then doubled, tripled, ...) for the symbol format.
std::u16string NoteNumberText(int32_t N, uint16_t Nfc);

}  // namespace msword
