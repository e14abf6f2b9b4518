#include "msword/crypto/EncryptedSummary.h"

#include <algorithm>

#include "msword/base/LittleEndian.h"
#include "msword/crypto/Rc4.h"

namespace msword {

namespace {

constexpr size_t DESCRIPTOR_FIXED_SIZE = 16;  // offset, size, block, name size, flags, reserved
constexpr uint8_t fStream = 0x01;
constexpr size_t REKEY_SIZE = 512;

const uint8_t* Bytes(std::string_view Data) { return reinterpret_cast<const uint8_t*>(Data.data()); }

// Data decrypted from its first byte under the key of Block alone.
std::string DecryptKeyedOnce(std::string_view Data, const TKvWBlockKey& Key, uint32_t Block) {
  std::string plain(Data);
  TKvWRc4 rc4(Key(Block));
  rc4.Apply(plain);
  return plain;
}

// Data decrypted with a new key every 512 bytes, from Block on, as the document's
// own streams are.
std::string DecryptRekeyed(std::string_view Data, const TKvWBlockKey& Key, uint32_t Block) {
  std::string plain(Data);
  for (size_t at = 0; at < plain.size(); at += REKEY_SIZE, ++Block) {
    TKvWRc4 rc4(Key(Block));
    rc4.Apply(reinterpret_cast<uint8_t*>(plain.data()) + at, std::min(REKEY_SIZE, plain.size() - at));
  }
  return plain;
}

// How well Data reads as a property set: the number of its first section's
// properties whose values lie inside it with a type a summary stream uses.
size_t PropertySetScore(std::string_view Data) {
  if (Data.size() < 48 || GetU16(Bytes(Data)) != 0xFFFE) return 0;
  const uint64_t section = GetU32(Bytes(Data) + 44);
  if (section > Data.size() || Data.size() - section < 8) return 0;
  const uint64_t count = GetU32(Bytes(Data) + section + 4);
  size_t score = 1;
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t entry = section + 8 + i * 8;
    if (entry > Data.size() || Data.size() - entry < 8) break;
    const uint64_t value = section + GetU32(Bytes(Data) + entry + 4);
    if (value > Data.size() || Data.size() - value < 8) continue;
    const uint32_t type = GetU32(Bytes(Data) + value) & 0xFFFF;
    if (type == 2 || type == 3 || type == 11 || type == 64 || type == 0x100C || type == 0x101E || type == 71)
      ++score;
    else if (type == 30 && GetU32(Bytes(Data) + value + 4) <= Data.size() - value - 8)
      ++score;
  }
  return score;
}

// How many bytes of Data past Start are zero, ASCII text or line ends: most of a
// property set's, about three in eight of a wrongly decrypted one's.
size_t PlainByteCount(std::string_view Data, size_t Start) {
  size_t count = 0;
  for (size_t i = Start; i < Data.size(); ++i) {
    const uint8_t b = uint8_t(Data[i]);
    count += b == 0 || b == '\t' || b == '\n' || b == '\r' || (b >= 0x20 && b < 0x7F);
  }
  return count;
}

// Whether the re-keyed reading of a stored stream is the better one: it reads as
// more of a property set, or as much and with more plain bytes where the two differ.
bool RekeyedReadsBetter(std::string_view Rekeyed, std::string_view KeyedOnce) {
  const size_t a = PropertySetScore(Rekeyed), b = PropertySetScore(KeyedOnce);
  if (a != b) return a > b;
  return PlainByteCount(Rekeyed, REKEY_SIZE) > PlainByteCount(KeyedOnce, REKEY_SIZE);
}

}  // namespace

std::vector<TKvWSummaryStream> DecryptSummaryStreams(std::string_view Stream, const TKvWBlockKey& Key) {
  std::vector<TKvWSummaryStream> streams;
  if (Stream.size() < 8) return streams;
  const uint64_t tableOffset = GetU32(Bytes(Stream));
  const uint64_t tableSize = GetU32(Bytes(Stream) + 4);
  if (tableOffset < 8 || tableOffset > Stream.size() || tableSize > Stream.size() - tableOffset || tableSize < 4)
    return streams;
  // The table is one RC4 stream under the key of block 0; so are the first 512
  // bytes when it is re-keyed, and a table is seldom longer.
  const std::string table = DecryptKeyedOnce(Stream.substr(tableOffset, tableSize), Key, 0);
  const uint32_t count = GetU32(Bytes(table));
  size_t at = 4;
  // Stored streams do not overlap: what is decrypted in all stays within the
  // stream's size, however many entries name the same bytes.
  uint64_t budget = Stream.size();
  for (uint32_t i = 0; i < count; ++i) {
    if (table.size() - at < DESCRIPTOR_FIXED_SIZE) break;
    const uint8_t* d = Bytes(table) + at;
    const uint64_t offset = GetU32(d), size = GetU32(d + 4);
    const uint16_t block = GetU16(d + 8);
    const size_t nameSize = d[10];
    const uint8_t flags = d[11];
    // The name is followed by a terminating zero character.
    const size_t nameBytes = (nameSize + 1) * 2;
    if (table.size() - at - DESCRIPTOR_FIXED_SIZE < nameBytes) break;
    std::u16string name(nameSize, u'\0');
    for (size_t c = 0; c < nameSize; ++c) name[c] = char16_t(GetU16(d + DESCRIPTOR_FIXED_SIZE + 2 * c));
    at += DESCRIPTOR_FIXED_SIZE + nameBytes;
    if (!(flags & fStream) || offset > Stream.size() || size > Stream.size() - offset) continue;
    if (size > budget) break;
    budget -= size;
    const std::string_view data = Stream.substr(offset, size);
    if (data.empty()) {
      streams.push_back({std::move(name), {}});
      continue;
    }
    // Writers differ in whether a stored stream is re-keyed every 512 bytes; the
    // two readings agree up to there, and beyond it the one that reads better as a
    // property set is kept.
    std::string plain = DecryptKeyedOnce(data, Key, block);
    if (data.size() > REKEY_SIZE) {
      std::string rekeyed = DecryptRekeyed(data, Key, block);
      if (RekeyedReadsBetter(rekeyed, plain)) plain = std::move(rekeyed);
    }
    streams.push_back({std::move(name), std::move(plain)});
  }
  return streams;
}

}  // namespace msword
