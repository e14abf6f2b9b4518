// The list tables of a Word 97 and later file: the lists (PlfLst, each with its
// levels) and the list overrides (PlfLfo) that paragraphs name by number, with
// their start-at and level overrides.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <vector>

#include "msword/base/Numbering.h"

namespace msword {

class TStream;
class TFontTable;

struct TListOverride {
  int32_t List = -1;           // the list it refers to (index into TListTables::Lists), -1 none
  // The list's levels with this override's own levels put in, only when it has
  // some (TListTables::Levels gives the levels either way).
  std::shared_ptr<TKvWListLevels> OwnLevels;
  std::array<int32_t, ListLevelCount> StartAt;  // INT_MIN where no start-at override
  bool Overrides = false;      // some level starts anew here: the override counts on its own
  TListOverride() { StartAt.fill(INT_MIN); }
};

class TListTables {
 public:
  // Reads the lists at [FcLst, FcLst + LcbLst) and the overrides at [FcLfo, FcLfo +
  // LcbLfo) of Table; Fonts names the fonts the levels' bullets are drawn in. Tables
  // that lie outside the stream or end early read as far as they are sound.
  void Read(TStream& Table, uint32_t FcLst, uint32_t LcbLst, uint32_t FcLfo, uint32_t LcbLfo,
            const TFontTable& Fonts);

  // The override a paragraph names by its 1-based number, or null.
  const TListOverride* Override(uint32_t Ilfo) const {
    return Ilfo >= 1 && Ilfo <= Overrides.size() ? &Overrides[Ilfo - 1] : nullptr;
  }

  // The levels of an override that refers to a list.
  const TKvWListLevels& Levels(const TListOverride& Override) const {
    return Override.OwnLevels ? *Override.OwnLevels : Lists[size_t(Override.List)].Levels;
  }

  // Paragraphs name overrides 1 to 2046; the others are not kept.
  static constexpr size_t MaxOverrides = 2046;

  struct TList {
    uint32_t Lsid = 0;
    TKvWListLevels Levels;
  };
  std::vector<TList> Lists;
  std::vector<TListOverride> Overrides;
};

// A Word number format code as the numbering engine's format.
TKvWNumberFormat NumberFormatOfNfc(uint8_t Nfc);

}  // namespace msword
