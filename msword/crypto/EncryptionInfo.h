// The description of a protected document's encryption: the EncryptionInfo stream
// of an encrypted package, or the header at the start of a Word 97 table stream.
// Four kinds are read: binary RC4 (version 1.1), RC4 through CryptoAPI (x.2 with
// RC4), Standard AES (x.2 with AES) and Agile (4.4, an XML description).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "msword/crypto/Digest.h"

namespace msword {

enum TKvWEncryptionKind : uint8_t { ekRc4 = 0, ekRc4CryptoApi, ekStandard, ekAgile };

// EncryptionHeader.Flags
inline constexpr uint32_t fCryptoAPI = 0x04;
inline constexpr uint32_t fDocProps = 0x08;
inline constexpr uint32_t fExternal = 0x10;
inline constexpr uint32_t fAES = 0x20;

inline constexpr uint32_t CALG_RC4 = 0x6801;
inline constexpr uint32_t CALG_AES_128 = 0x660E;
inline constexpr uint32_t CALG_AES_192 = 0x660F;
inline constexpr uint32_t CALG_AES_256 = 0x6610;
inline constexpr uint32_t CALG_SHA1 = 0x8004;

// The most hashing rounds a key derivation may ask for: more is taken for a
// damaged (or hostile) file, not for a stronger one. Below it, the reader's own
// limit (DefaultMaxSpinCount unless raised) refuses the document instead.
inline constexpr uint32_t MaxSpinCount = 10'000'000;

// The key-encryptor part of an Agile description (the password's) and its keyData;
// both share these fields.
struct TKvWAgileParams {
  std::string SaltValue;
  uint32_t BlockSize = 0;
  uint32_t KeyBits = 0;
  uint32_t HashSize = 0;
  TKvWHashAlgorithm HashAlgorithm = haSHA1;
  bool Cbc = true;  // cipherChaining: ChainingModeCBC (true) or ChainingModeCFB
};

struct TKvWEncryptionInfo {
  uint16_t vMajor = 0;
  uint16_t vMinor = 0;
  TKvWEncryptionKind Kind = ekRc4;

  // Binary RC4, CryptoAPI and Standard: the EncryptionHeader and EncryptionVerifier.
  uint32_t Flags = 0;
  uint32_t AlgID = 0;
  uint32_t AlgIDHash = 0;
  uint32_t KeySize = 0;  // bits; 40 for a CryptoAPI header that gives 0
  std::string Salt;
  std::string EncryptedVerifier;
  std::string EncryptedVerifierHash;
  uint32_t VerifierHashSize = 0;

  // Agile.
  TKvWAgileParams KeyData;
  TKvWAgileParams KeyEncryptor;
  uint32_t SpinCount = 0;
  std::string EncryptedVerifierHashInput;
  std::string EncryptedVerifierHashValue;
  std::string EncryptedKeyValue;
  std::string EncryptedHmacKey;    // empty: the package carries no integrity check
  std::string EncryptedHmacValue;
};

// Decodes Bytes; anything that does not fit the format, or asks for sizes or work
// outside it, raises "File %s is damaged" naming AFileName.
TKvWEncryptionInfo DecodeEncryptionInfo(std::string_view Bytes, std::u16string_view AFileName);

}  // namespace msword
