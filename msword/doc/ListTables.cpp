#include "msword/doc/ListTables.h"

#include <algorithm>
#include <unordered_map>

#include "msword/base/LittleEndian.h"
#include "msword/base/Streams.h"
#include "msword/doc/ReadAt.h"
#include "msword/doc/FontTable.h"
#include "msword/doc/Sprm.h"

namespace msword {

namespace {

// More than the levels of any real document's lists.
constexpr uint64_t kMaxListBytes = 16u << 20;
constexpr size_t kLstfSize = 28, kLvlfSize = 28, kLfoSize = 16, kLfoLvlSize = 8;

// Decodes the level at P[At, Size); advances At past it. False when it runs past
// the data.
bool DecodeLevel(const uint8_t* P, size_t Size, size_t& At, const TFontTable& Fonts, TKvWListLevel& Level) {
  if (At + kLvlfSize > Size) return false;
  const uint8_t* f = P + At;
  Level.Start = GetI32(f);
  Level.Format = NumberFormatOfNfc(f[4]);
  Level.Legal = (f[5] & 0x04) != 0;
  const bool noRestart = (f[5] & 0x08) != 0;
  const uint8_t follow = f[15];
  Level.Follow = follow == 0 ? u'\t' : follow == 1 ? u' ' : char16_t(0);
  const size_t cbChpx = f[24], cbPapx = f[25];
  Level.Restart = noRestart ? int32_t(f[26]) : -1;
  size_t at = At + kLvlfSize;
  if (cbPapx > Size - at) return false;
  at += cbPapx;
  if (cbChpx > Size - at) return false;
  TSprmReader reader(P + at, cbChpx, true);
  TSprm sprm;
  while (reader.Next(sprm))
    if ((sprm.Opcode == sprm97::CRgFtc0 || sprm.Opcode == sprm97::CFtcDefault) && sprm.Size >= 2)
      if (const TFontEntry* font = Fonts.Font(GetU16(sprm.Operand))) Level.FontName = font->Name;
  at += cbChpx;
  if (at + 2 > Size) return false;
  const size_t cch = GetU16(P + at);
  at += 2;
  if (2 * cch > Size - at) return false;
  Level.Text.clear();
  for (size_t i = 0; i < cch; ++i) Level.Text.push_back(char16_t(GetU16(P + at + 2 * i)));
  at += 2 * cch;
  At = at;
  return true;
}

}  // namespace

TKvWNumberFormat NumberFormatOfNfc(uint8_t Nfc) {
  switch (Nfc) {
    case 1: return nfUpperRoman;
    case 2: return nfLowerRoman;
    case 3: return nfUpperLetter;
    case 4: return nfLowerLetter;
    case 5: return nfOrdinal;
    case 6: return nfCardinalText;
    case 7: return nfOrdinalText;
    case 22: return nfDecimalZero;
    case 23: return nfBullet;
    case 255: return nfNone;
    default: return nfDecimal;
  }
}

void TListTables::Read(TStream& Table, uint32_t FcLst, uint32_t LcbLst, uint32_t FcLfo, uint32_t LcbLfo,
                       const TFontTable& Fonts) {
  Lists.clear();
  Overrides.clear();
  std::string raw;
  // The levels follow the list table without being counted in its size: read on to
  // the end of the stream (within a bound).
  const int64_t tableSize = Table.Size();
  const uint64_t rest = tableSize > int64_t(FcLst) ? uint64_t(tableSize) - FcLst : 0;
  const size_t lstBytes = size_t(std::min<uint64_t>(rest, kMaxListBytes));
  if (LcbLst >= 2 && lstBytes >= LcbLst && ReadAt(Table, FcLst, lstBytes, raw)) {
    const auto* p = reinterpret_cast<const uint8_t*>(raw.data());
    const size_t size = raw.size();
    const size_t count = std::min<size_t>(GetU16(p), (LcbLst - 2) / kLstfSize);
    std::vector<bool> simple(count);
    Lists.resize(count);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* f = p + 2 + i * kLstfSize;
      Lists[i].Lsid = GetU32(f);
      simple[i] = (f[26] & 0x01) != 0;
    }
    // The levels of all lists follow the list entries: one level for a simple list,
    // nine for the others.
    size_t at = 2 + count * kLstfSize;
    bool sound = true;
    for (size_t i = 0; i < count && sound; ++i) {
      const size_t levels = simple[i] ? 1 : ListLevelCount;
      for (size_t l = 0; l < levels && sound; ++l) sound = DecodeLevel(p, size, at, Fonts, Lists[i].Levels[l]);
    }
  }
  if (LcbLfo >= 4 && ReadAt(Table, FcLfo, LcbLfo, raw)) {
    const auto* p = reinterpret_cast<const uint8_t*>(raw.data());
    const size_t size = raw.size();
    const size_t count = std::min<size_t>(GetU32(p), (size - 4) / kLfoSize);
    // The overrides' data follow all their entries; only the first MaxOverrides
    // entries and data are kept.
    const size_t kept = std::min(count, MaxOverrides);
    std::unordered_map<uint32_t, int32_t> listOfLsid;  // the first list of each id
    listOfLsid.reserve(Lists.size());
    for (size_t l = 0; l < Lists.size(); ++l) listOfLsid.emplace(Lists[l].Lsid, int32_t(l));
    Overrides.resize(kept);
    std::vector<uint8_t> levelCounts(kept);
    for (size_t i = 0; i < kept; ++i) {
      const uint8_t* f = p + 4 + i * kLfoSize;
      levelCounts[i] = f[12];
      if (const auto it = listOfLsid.find(GetU32(f)); it != listOfLsid.end()) Overrides[i].List = it->second;
    }
    // Then, per override (also one without level overrides), the position it was
    // made at and its level overrides.
    size_t at = 4 + count * kLfoSize;
    for (size_t i = 0; i < kept; ++i) {
      if (at + 4 > size) break;
      at += 4;
      bool sound = true;
      for (size_t k = 0; k < levelCounts[i] && sound; ++k) {
        if (at + kLfoLvlSize > size) { sound = false; break; }
        const int32_t startAt = GetI32(p + at);
        const uint32_t flags = GetU32(p + at + 4);
        at += kLfoLvlSize;
        const uint32_t ilvl = flags & 0x0F;
        const bool fStartAt = (flags & 0x10) != 0, fFormatting = (flags & 0x20) != 0;
        TListOverride& lfo = Overrides[i];
        // A level given anew changes how the list's numbers look, not where they
        // count: without a start-at value its paragraphs go on counting the list.
        if (fFormatting) {
          TKvWListLevel level;
          sound = DecodeLevel(p, size, at, Fonts, level);
          if (sound && ilvl < ListLevelCount && lfo.List >= 0) {
            if (!lfo.OwnLevels) lfo.OwnLevels = std::make_shared<TKvWListLevels>(Lists[size_t(lfo.List)].Levels);
            (*lfo.OwnLevels)[ilvl] = level;
          }
        }
        if (fStartAt && ilvl < ListLevelCount) {
          lfo.StartAt[ilvl] = startAt;
          lfo.Overrides = true;
        }
      }
      if (!sound) break;
    }
  }
}

}  // namespace msword
