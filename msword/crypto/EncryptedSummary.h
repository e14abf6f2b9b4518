// The stream in which RC4 through CryptoAPI keeps a protected binary document's
// property sets. It starts with the offset and size of a descriptor table (plain);
// the table, encrypted under the key of block 0, gives each stored stream's place,
// size, name and the block number its key is made from.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace msword {

// The RC4 key of a block number.
using TKvWBlockKey = std::function<std::string(uint32_t Block)>;

struct TKvWSummaryStream {
  std::u16string Name;  // as stored, with its leading control character
  std::string Bytes;    // decrypted
};

// The streams stored in Stream, decrypted, in the table's order. Storages and
// entries that do not fit in Stream are left out; a table that does not fit gives
// nothing. Never reads past Stream, whatever its offsets, sizes and counts say.
std::vector<TKvWSummaryStream> DecryptSummaryStreams(std::string_view Stream, const TKvWBlockKey& Key);

}  // namespace msword
