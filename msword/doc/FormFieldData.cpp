#include "msword/doc/FormFieldData.h"

#include <algorithm>

#include "msword/base/LittleEndian.h"
#include "msword/base/Streams.h"

namespace msword {

namespace {

constexpr uint32_t kHeaderSize = 0x44;   // the record's header before the field data
constexpr uint32_t kMaxRecord = 1 << 20;  // far beyond any field's names, texts and entries
constexpr uint8_t kNoResult = 25;

// Reads little-endian values and counted UTF-16 strings from [P, End), failing
// (and staying failed) at the first that does not fit.
class TFieldReader {
 public:
  TFieldReader(const uint8_t* P, const uint8_t* End) : FP(P), FEnd(End) {}
  bool Ok() const { return FOk; }
  uint16_t U16() {
    if (!Need(2)) return 0;
    const uint16_t v = GetU16(FP);
    FP += 2;
    return v;
  }
  uint32_t U32() {
    if (!Need(4)) return 0;
    const uint32_t v = GetU32(FP);
    FP += 4;
    return v;
  }
  // A count of characters, the characters, and a terminating zero when Terminated.
  std::u16string String(bool Terminated) {
    const size_t count = U16();
    std::u16string s;
    if (!Need(2 * count + (Terminated ? 2 : 0))) return s;
    s.resize(count);
    for (size_t i = 0; i < count; ++i) s[i] = char16_t(GetU16(FP + 2 * i));
    FP += 2 * count + (Terminated ? 2 : 0);
    return s;
  }

 private:
  bool Need(size_t Bytes) {
    if (FOk && size_t(FEnd - FP) >= Bytes) return true;
    FOk = false;
    return false;
  }
  const uint8_t* FP;
  const uint8_t* FEnd;
  bool FOk = true;
};

}  // namespace

bool ReadFormFieldData(TStream& Data, int64_t Offset, TFormFieldData& Field) {
  Field = TFormFieldData{};
  const int64_t size = Data.Size();
  if (Offset < 0 || size < 0 || Offset > size || size - Offset < 6) return false;
  uint8_t head[6];
  Data.Seek(Offset, soBeginning);
  if (Data.Read(head, 6) != 6) return false;
  const uint32_t lcb = GetU32(head), cbHeader = GetU16(head + 4);
  if (cbHeader != kHeaderSize || lcb <= cbHeader || lcb > kMaxRecord || lcb > uint64_t(size - Offset)) return false;
  std::string record(lcb - cbHeader, '\0');
  Data.Seek(Offset + cbHeader, soBeginning);
  if (Data.Read(record.data(), int32_t(record.size())) != int32_t(record.size())) return false;
  const auto* p = reinterpret_cast<const uint8_t*>(record.data());
  TFieldReader r(p, p + record.size());
  if (r.U32() != 0xFFFFFFFF) return false;
  const uint16_t bits = r.U16();
  const uint8_t type = bits & 3;
  if (type > fftDropDown) return false;
  Field.Type = TFormFieldType(type);
  Field.Result = uint8_t((bits >> 2) & 0x1F);
  r.U16();  // the longest text allowed
  r.U16();  // the check box's size
  r.String(true);  // the name
  if (Field.Type == fftText) r.String(true);  // the default text
  else Field.Default = r.U16();
  for (int i = 0; i < 5; ++i) r.String(true);  // format, help, status text, entry and exit macros
  if (!r.Ok()) return false;
  if (Field.Type == fftDropDown) {
    // A string table: 0xFFFF (UTF-16 strings), the count, the extra bytes per string.
    if (r.U16() != 0xFFFF) return false;
    const size_t count = r.U16();
    const size_t extra = r.U16();
    if (!r.Ok() || extra != 0) return false;
    for (size_t i = 0; i < count && r.Ok(); ++i) Field.Entries.push_back(r.String(false));
    if (!r.Ok()) return false;
  }
  return true;
}

std::u16string FormFieldValue(const TFormFieldData& Field) {
  const uint16_t chosen = Field.Result == kNoResult ? Field.Default : Field.Result;
  switch (Field.Type) {
    case fftCheckBox: return chosen == 1 ? u"\u2612" : u"\u2610";
    case fftDropDown: return chosen < Field.Entries.size() ? Field.Entries[chosen] : std::u16string();
    default: return {};
  }
}

}  // namespace msword
