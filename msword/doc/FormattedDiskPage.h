// Character and paragraph property pages of a Word file. The text reader keeps one
// of each beside the page number it last looked at, but reads and fills neither.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace msword {

struct TCHPX_FKP {
  std::vector<uint32_t> rgfc;        // run boundaries
  std::vector<uint8_t> rgb;          // offsets of the runs' properties
  std::vector<std::string> grpchpx;  // the runs' character properties
  uint8_t cRun = 0;
};

struct TPAPX_FKP {
  std::vector<uint32_t> rgfc;        // run boundaries
  std::vector<uint8_t> rgbx;         // offsets of the runs' properties
  std::vector<std::string> grppapx;  // the runs' paragraph properties
  uint8_t crun = 0;
};

}  // namespace msword
