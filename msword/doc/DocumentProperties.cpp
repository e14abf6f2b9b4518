#include "msword/doc/DocumentProperties.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "msword/base/LittleEndian.h"
#include "msword/base/Numbering.h"
#include "msword/base/Streams.h"
#include "msword/doc/ReadAt.h"
#include "msword/doc/ListTables.h"
#include "msword/doc/Sprm.h"

namespace msword {

namespace {

constexpr uint16_t nfcChicago = 9;
// More symbols than that in one note mark is a runaway count, shown in decimal.
constexpr int32_t kMaxChicagoRepeat = 16;
constexpr size_t kSedSize = 12;
// The section properties' note sprms.
constexpr uint16_t sprmSRncFtn = 0x303C, sprmSRncEdn = 0x303E, sprmSNFtn = 0x503F, sprmSNfcFtnRef = 0x5040,
                   sprmSNEdn = 0x5041, sprmSNfcEdnRef = 0x5042;

}  // namespace

void TDocumentProperties::Read(TStream& Table, uint32_t Fc, uint32_t Lcb, bool Word97) {
  *this = TDocumentProperties{};
  constexpr uint32_t kNeeded = 56;  // up to the note number formats of the oldest layout
  constexpr uint32_t kNfc97 = 0x1EC;  // the 16-bit formats of Word 97 and later
  std::string raw;
  if (Lcb < kNeeded || !ReadAt(Table, Fc, std::min<uint32_t>(Lcb, kNfc97 + 4), raw)) return;
  const auto* dop = reinterpret_cast<const uint8_t*>(raw.data());
  const uint16_t ftn = GetU16(dop + 2), edn = GetU16(dop + 52), formats = GetU16(dop + 54);
  Footnotes.Restart = uint8_t(ftn & 3);
  Endnotes.Restart = uint8_t(edn & 3);
  if ((ftn >> 2) != 0) Footnotes.Start = ftn >> 2;
  if ((edn >> 2) != 0) Endnotes.Start = edn >> 2;
  if (Word97 && raw.size() >= kNfc97 + 4) {
    // Word 97 and later leave the 4-bit fields of the older layout at zero.
    Footnotes.Nfc = GetU16(dop + kNfc97);
    Endnotes.Nfc = GetU16(dop + kNfc97 + 2);
  } else {
    Footnotes.Nfc = uint16_t((formats >> 2) & 0x0F);
    Endnotes.Nfc = uint16_t((formats >> 6) & 0x0F);
  }
}

std::vector<TSectionNotes> ReadSectionNotes(TStream& Main, TStream& Table, uint32_t Fc, uint32_t Lcb,
                                            const TDocumentProperties& Dop) {
  std::vector<TSectionNotes> sections;
  std::string plc;
  if (Lcb < 4 + kSedSize || !ReadAt(Table, Fc, Lcb, plc)) return sections;
  const auto* p = reinterpret_cast<const uint8_t*>(plc.data());
  const size_t n = (Lcb - 4) / (4 + kSedSize);
  sections.resize(n);
  std::string sepx;
  // Sections that name the same properties share what was read of them the first
  // time: a table of many sections naming one large grpprl costs one reading.
  std::unordered_map<uint32_t, size_t> firstOfFc;
  for (size_t i = 0; i < n; ++i) {
    TSectionNotes& section = sections[i];
    section.CpLim = GetU32(p + 4 * (i + 1));
    section.Footnotes = Dop.Footnotes;
    section.Endnotes = Dop.Endnotes;
    const uint32_t fcSepx = GetU32(p + 4 * (n + 1) + i * kSedSize + 2);
    if (const auto [it, first] = firstOfFc.try_emplace(fcSepx, i); !first) {
      section.Footnotes = sections[it->second].Footnotes;
      section.Endnotes = sections[it->second].Endnotes;
      continue;
    }
    if (fcSepx == 0xFFFFFFFF || !ReadAt(Main, fcSepx, 2, sepx)) continue;
    const size_t cb = GetU16(reinterpret_cast<const uint8_t*>(sepx.data()));
    if (cb == 0 || !ReadAt(Main, uint64_t(fcSepx) + 2, cb, sepx)) continue;
    TSprmReader reader(reinterpret_cast<const uint8_t*>(sepx.data()), sepx.size(), true);
    TSprm sprm;
    while (reader.Next(sprm)) {
      if (sprm.Size == 0) continue;
      const uint16_t value = sprm.Size >= 2 ? GetU16(sprm.Operand) : sprm.Operand[0];
      switch (sprm.Opcode) {
        case sprmSRncFtn: section.Footnotes.Restart = uint8_t(value & 3); break;
        case sprmSRncEdn: section.Endnotes.Restart = uint8_t(value & 3); break;
        case sprmSNFtn: if (value != 0) section.Footnotes.Start = value; break;
        case sprmSNEdn: if (value != 0) section.Endnotes.Start = value; break;
        case sprmSNfcFtnRef: section.Footnotes.Nfc = value; break;
        case sprmSNfcEdnRef: section.Endnotes.Nfc = value; break;
        default: break;
      }
    }
  }
  return sections;
}

std::u16string NoteNumberText(int32_t N, uint16_t Nfc) {
  if (Nfc == nfcChicago && N >= 1 && N <= 4 * kMaxChicagoRepeat) {
    static constexpr char16_t symbols[4] = {u'*', u'\u2020', u'\u2021', u'\u00A7'};
    return std::u16string(size_t((N - 1) / 4 + 1), symbols[(N - 1) % 4]);
  }
  // A bullet or no number at all is no format for a note: Word counts in decimal.
  const TKvWNumberFormat format = Nfc > 0xFF ? nfDecimal : NumberFormatOfNfc(uint8_t(Nfc));
  return FormatListNumber(N, format == nfBullet || format == nfNone ? nfDecimal : format);
}

}  // namespace msword
