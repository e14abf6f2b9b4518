// Message digests and HMAC through OpenSSL's EVP interface: the hashes the
// protected-document schemes use (MD5 for binary RC4, SHA-1 and the SHA-2 family
// for CryptoAPI, Standard and Agile encryption).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace msword {

enum TKvWHashAlgorithm : uint8_t { haMD5 = 0, haSHA1, haSHA256, haSHA384, haSHA512 };

// The size in bytes of one digest of the algorithm.
size_t HashSize(TKvWHashAlgorithm Algorithm);

// The digest of A followed by B.
std::string Hash(TKvWHashAlgorithm Algorithm, std::string_view A, std::string_view B = {});

// HMAC of Data under Key.
std::string Hmac(TKvWHashAlgorithm Algorithm, std::string_view Key, std::string_view Data);

// Hashes the iterations of a password key derivation: H(n) = hash(LE32(n) + H(n-1)),
// Count times, starting from Start. One digest context serves every round.
std::string IterateHash(TKvWHashAlgorithm Algorithm, std::string Start, uint32_t Count);

}  // namespace msword
