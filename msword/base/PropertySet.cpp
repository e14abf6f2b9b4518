#include "msword/base/PropertySet.h"

#include <string>
#include <unordered_map>

#include "msword/base/CodePages.h"
#include "msword/base/LittleEndian.h"
#include "msword/base/Streams.h"

namespace msword {

namespace {

// A bounds-checked cursor over the stream: every read first checks that it fits.
class TPropertyReader {
 public:
  explicit TPropertyReader(TStream& S) : FStream(S), FSize(S.Size()) {}

  bool Fits(int64_t Position, uint64_t Count) const {
    return Position >= 0 && uint64_t(Position) <= uint64_t(FSize) &&
           Count <= uint64_t(FSize) - uint64_t(Position);
  }
  bool U32At(int64_t Position, uint32_t& Value) {
    uint8_t b[4];
    if (!BytesAt(Position, b, 4)) return false;
    Value = GetU32(b);
    return true;
  }
  bool BytesAt(int64_t Position, void* Out, uint32_t Count) {
    if (!Fits(Position, Count)) return false;
    FStream.Seek(Position, soBeginning);
    FStream.ReadBuffer(Out, Count);
    return true;
  }
  int64_t Size() const { return FSize; }

 private:
  TStream& FStream;
  int64_t FSize;
};

std::u16string DecodeText(const std::string& Bytes, uint16_t CodePage) {
  if (CodePage == 1200) {
    std::u16string text = Utf16LEToWide(Bytes);
    const size_t zero = text.find(u'\0');
    if (zero != std::u16string::npos) text.resize(zero);
    return text;
  }
  std::string_view bytes(Bytes);
  const size_t zero = bytes.find('\0');
  if (zero != std::string_view::npos) bytes = bytes.substr(0, zero);
  if (CodePage == 65001) return Utf8ToWide(bytes);
  if (CodePage != 0 && IsSupportedCodePage(CodePage)) return StringToWideStringEx(bytes, CodePage);
  return AnsiToWide(bytes);
}

}  // namespace

bool ReadPropertySet(TStream& Stream, TKvWordSummaryInformation& Summary, bool IsDocSummary) {
  TPropertyReader reader(Stream);
  if (reader.Size() == 0) return true;
  uint32_t sectionOffset = 0, count = 0;
  if (!reader.U32At(44, sectionOffset)) return false;
  const int64_t section = int64_t(sectionOffset);
  if (!reader.U32At(section + 4, count)) return false;
  const int64_t list = section + 8;

  // The code page (property 1, a 16-bit integer) may stand anywhere in the list;
  // look for it first so that texts before it decode right. The walk ends where
  // the list leaves the stream, whatever the count claims.
  uint16_t codePage = 0;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t id = 0, offset = 0, type = 0;
    const int64_t entry = list + int64_t(i) * 8;
    if (!reader.U32At(entry, id) || !reader.U32At(entry + 4, offset)) break;
    if (id != 1) continue;
    uint8_t value[2];
    if (reader.U32At(section + offset, type) && (type & 0xFFFF) == VT_I2 &&
        reader.BytesAt(section + offset + 4, value, 2))
      codePage = GetU16(value);
    break;
  }

  // Reads entry I: 1 with its id and value (its text only when Decode), 0 for a type
  // that is passed over, -1 where the list leaves the stream.
  auto readEntry = [&](uint32_t I, bool Decode, uint32_t& Id, TPropertyValue& Value) -> int {
    const int64_t entry = list + int64_t(I) * 8;
    uint32_t offset = 0, type = 0;
    if (!reader.U32At(entry, Id) || !reader.U32At(entry + 4, offset)) return -1;
    const int64_t at = section + int64_t(offset);
    if (!reader.U32At(at, type)) return -1;
    Value.Type = type;
    if (type == VT_I4) {
      uint32_t v = 0;
      if (!reader.U32At(at + 4, v)) return -1;
      Value.Integer = int32_t(v);
    } else if (type == VT_LPSTR) {
      uint32_t length = 0;
      if (!reader.U32At(at + 4, length)) return -1;
      if (!reader.Fits(at + 8, length)) return -1;
      if (Decode) {
        std::string bytes(length, '\0');
        if (length > 0 && !reader.BytesAt(at + 8, bytes.data(), length)) return -1;
        Value.Text = DecodeText(bytes, codePage);
      }
    } else if (type == VT_FILETIME) {
      uint32_t low = 0, high = 0;
      if (!reader.U32At(at + 4, low) || !reader.U32At(at + 8, high)) return -1;
      Value.FileTime.dwLowDateTime = low;
      Value.FileTime.dwHighDateTime = high;
    } else {
      return 0;  // other types are skipped
    }
    return 1;
  };
  // The properties are taken in order up to the first entry that leaves the stream,
  // a later one of the same id and type replacing an earlier one. Only the last of
  // each is decoded: many entries may name one long text.
  std::unordered_map<uint64_t, uint32_t> last;  // (id, type) -> the entry that stands
  uint32_t end = 0;
  for (; end < count; ++end) {
    uint32_t id = 0;
    TPropertyValue value;
    const int read = readEntry(end, false, id, value);
    if (read < 0) break;
    if (read > 0) last[uint64_t(id) << 32 | value.Type] = end;
  }
  for (uint32_t i = 0; i < end; ++i) {
    uint32_t id = 0;
    TPropertyValue value;
    if (readEntry(i, false, id, value) <= 0 || last[uint64_t(id) << 32 | value.Type] != i) continue;
    readEntry(i, true, id, value);
    Summary.ParseProperty(id, value, IsDocSummary);
  }
  if (end < count) return false;
  return true;
}

}  // namespace msword
