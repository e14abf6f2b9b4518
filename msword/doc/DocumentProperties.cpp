#include "msword/doc/DocumentProperties.h"

#include <string>

#include "msword/base/LittleEndian.h"
#include "msword/base/Streams.h"
#include "msword/doc/ListTables.h"

namespace msword {

void TDocumentProperties::Read(TStream& Table, uint32_t Fc, uint32_t Lcb) {
  *this = TDocumentProperties{};
  constexpr uint32_t kNeeded = 56;  // up to the note number formats
  const int64_t size = Table.Size();
  if (Lcb < kNeeded || size < 0 || Fc > uint64_t(size) || kNeeded > uint64_t(size) - Fc) return;
  uint8_t dop[kNeeded];
  Table.Seek(Fc, soBeginning);
  if (Table.Read(dop, int32_t(kNeeded)) != int32_t(kNeeded)) return;
  const uint16_t ftn = GetU16(dop + 2), edn = GetU16(dop + 52), formats = GetU16(dop + 54);
  if ((ftn >> 2) != 0) FootnoteStart = ftn >> 2;
  if ((edn >> 2) != 0) EndnoteStart = edn >> 2;
  FootnoteFormat = NumberFormatOfNfc(uint8_t((formats >> 2) & 0x0F));
  EndnoteFormat = NumberFormatOfNfc(uint8_t((formats >> 6) & 0x0F));
}

}  // namespace msword
