// Encrypts test fixtures the way Word protects documents: Word 97 streams with RC4
// (binary or through CryptoAPI), .docx packages with Standard or Agile encryption.
// Written straight on OpenSSL, apart from the library's own decryption, so a test
// that decrypts these checks the library against a second reading of the formats.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvtest {

std::string TestDigest(const char* Name, std::string_view A, std::string_view B = {});
std::string TestUtf16Le(std::u16string_view Text);

// The header a Word 97 document keeps at the start of its table stream: binary RC4
// when KeyBits is 0, RC4 through CryptoAPI with a key of KeyBits bits otherwise.
std::string DocRc4Header(std::u16string_view Password, uint32_t KeyBits, std::string_view Salt);
// Encrypts Stream from its first byte in 512-byte blocks, then puts its first Plain
// bytes back as they were.
void DocRc4Encrypt(std::string& Stream, size_t Plain, std::u16string_view Password, uint32_t KeyBits,
                   std::string_view Salt);

// The stream "encryption" in which RC4 through CryptoAPI keeps a document's property
// sets: each of Streams (name, bytes) under the key of its own block number (1, 2,
// ...; with Rekeyed, a new key every 512 bytes from there), then their descriptor
// table under the key of block 0.
std::string DocEncryptedSummary(const std::vector<std::pair<std::u16string, std::string>>& Streams,
                                std::u16string_view Password, uint32_t KeyBits, std::string_view Salt,
                                bool Rekeyed = false);

// The EncryptionInfo and EncryptedPackage streams of Package.
struct EncryptedPackageStreams {
  std::string Info;
  std::string Package;
};
// Standard encryption: AES-128 in ECB, the key from 50000 SHA-1 rounds.
EncryptedPackageStreams StandardEncrypt(const std::string& Package, std::u16string_view Password);
// Agile encryption: AES-CBC in 4096-byte segments with the data-integrity HMAC.
// HashName is an OpenSSL digest name ("SHA1", "SHA512"); the XML names it as
// XmlHashName.
EncryptedPackageStreams AgileEncrypt(const std::string& Package, std::u16string_view Password,
                                     const char* HashName = "SHA512", const char* XmlHashName = "SHA512",
                                     uint32_t SpinCount = 1000, uint32_t KeyBits = 256);

// The compound file of an encrypted .docx.
std::string EncryptedDocx(const EncryptedPackageStreams& Streams);

}  // namespace kvtest
