// The character and paragraph property runs of a Word file: the bin table in the
// table stream names the 512-byte pages (FKPs) of the main stream that hold the
// runs; each run is a range of file positions with the property modifiers that
// apply to it (and, for paragraphs, the style).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace msword {

class TStream;

struct TPropertyRun {
  uint32_t FcFirst = 0;
  uint32_t FcLim = 0;
  uint32_t Offset = 0;  // of the modifiers in TPropertyRuns::Pool
  uint16_t Size = 0;    // bytes of modifiers; 0: none
  uint16_t Istd = 0;    // the paragraph style (paragraph runs)
};

class TPropertyRuns {
 public:
  // Reads the bin table at [Fc, Fc + Lcb) of Table and the pages it names from Main.
  // Entries and pages that lie outside their streams or contradict themselves are
  // passed over. Word97 selects the page and bin-table layouts of Word 97 and later
  // (4-byte page numbers, 13-byte paragraph entries) over those of Word 6 and 95.
  void Read(TStream& Table, TStream& Main, uint32_t Fc, uint32_t Lcb, bool Paragraphs, bool Word97);

  // The run that holds the file position Fc, or null.
  const TPropertyRun* Find(uint32_t Fc) const;
  // The index of the first run that ends after Fc (Runs.size() when none).
  size_t FirstEndingAfter(uint32_t Fc) const;
  std::string_view Grpprl(const TPropertyRun& Run) const {
    return std::string_view(Pool).substr(Run.Offset, Run.Size);
  }

  std::vector<TPropertyRun> Runs;  // in file-position order
  std::string Pool;                // the runs' modifiers, run after run

 private:
  void AddPage(const uint8_t* Page, bool Paragraphs, bool Word97);
  mutable size_t FHint = 0;  // the run the last look-up gave
  uint32_t FLastOffset = 0;  // the modifiers last added to Pool
  uint32_t FLastSize = 0;
};

}  // namespace msword
