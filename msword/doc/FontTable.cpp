#include "msword/doc/FontTable.h"

#include <algorithm>

#include "msword/base/LittleEndian.h"
#include "msword/base/Streams.h"

namespace msword {

void TFontTable::Read(TStream& Table, uint32_t Fc, uint32_t Lcb, bool Word97) {
  Fonts.clear();
  const int64_t streamSize = Table.Size();
  if (Lcb < 4 || streamSize < 0 || Fc > uint64_t(streamSize) || Lcb > uint64_t(streamSize) - Fc) return;
  std::string raw(Lcb, '\0');
  Table.Seek(Fc, soBeginning);
  if (Table.Read(raw.data(), int32_t(Lcb)) != int32_t(Lcb)) return;
  const auto* p = reinterpret_cast<const uint8_t*>(raw.data());
  size_t size = raw.size();
  size_t at;
  size_t count;
  if (Word97) {
    count = GetU16(p);
    at = 4;  // the count and the size of extra data (none)
  } else {
    size = std::min<size_t>(size, GetU16(p));  // the table's own size
    count = size;
    at = 2;
  }
  const size_t headSize = Word97 ? 39 : 5;  // flags, weight, character set, ... before the name
  while (Fonts.size() < count && at < size) {
    const size_t cb = size_t(p[at]) + 1;  // the entry with its size byte
    if (cb > size - at) break;
    const uint8_t* f = p + at + 1;
    const size_t len = cb - 1;
    TFontEntry font;
    if (len >= 4) font.Charset = f[3];
    if (len > headSize) {
      if (Word97) {
        for (size_t i = headSize; i + 1 < len; i += 2) {
          const char16_t c = char16_t(GetU16(f + i));
          if (c == 0) break;
          font.Name.push_back(c);
        }
      } else {
        for (size_t i = headSize; i < len && f[i] != 0; ++i) font.Name.push_back(char16_t(f[i]));
      }
    }
    Fonts.push_back(std::move(font));
    at += cb;
  }
}

}  // namespace msword
