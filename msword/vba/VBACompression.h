// The decompression of VBA module sources: the compressed container of a module
// stream (a signature byte, then chunks of up to 4096 decompressed bytes, each a
// 2-byte header and either literal/copy tokens under flag bytes or 4096 raw bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace msword {

// The most a module's decompressed source may grow to; the rest is dropped.
inline constexpr size_t VBA_MAX_MODULE_SOURCE = size_t(64) << 20;

// Decompresses the container at Data (Size bytes, from its signature byte 1; data
// with another first byte is no container and gives nothing). A chunk header
// without its signature bits ends the data; so does input that ends inside a
// chunk, a flag group or a token, keeping what was decoded. A copy token never reaches
// outside the 4096-byte window of decompressed bytes (positions before the start
// read the window's earlier contents, zero at first) and never crosses the end of
// its chunk. Stops at MaxSize bytes.
std::string DecompressContainer(const uint8_t* Data, size_t Size, size_t MaxSize = VBA_MAX_MODULE_SOURCE);

}  // namespace msword
