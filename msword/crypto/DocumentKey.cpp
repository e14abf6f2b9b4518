#include "msword/crypto/DocumentKey.h"

#include <openssl/crypto.h>

#include <algorithm>

#include "msword/crypto/CryptoErrors.h"
#include "msword/crypto/Digest.h"
#include "msword/crypto/Rc4.h"

namespace msword {

namespace {

std::string LittleEndian32(uint32_t Value) {
  return std::string{char(Value), char(Value >> 8), char(Value >> 16), char(Value >> 24)};
}

}  // namespace

std::string PasswordBytes(std::u16string_view Password) {
  std::string bytes;
  bytes.reserve(Password.size() * 2);
  for (char16_t c : Password) {
    bytes += char(c & 0xFF);
    bytes += char(c >> 8);
  }
  return bytes;
}

void Wipe(std::string& S) {
  if (!S.empty()) OPENSSL_cleanse(S.data(), S.size());
}

TKvWDocumentKey::TKvWDocumentKey(const TKvWEncryptionInfo& Info, std::u16string_view Password,
                                 std::u16string_view AFileName)
    : FKind(Info.Kind), FKeySize(Info.KeySize) {
  if (FKind == ekRc4) {
    // The first five bytes of the password's MD5, sixteen times beside the salt,
    // hashed again and cut to five bytes.
    std::string password = PasswordBytes(Password), h0 = Hash(haMD5, password), buffer;
    const TWipeOnExit wipePassword(password), wipeHash(h0), wipeBuffer(buffer);
    h0.resize(5);
    for (int i = 0; i < 16; ++i) buffer += h0 + Info.Salt;
    FBase = Hash(haMD5, buffer).substr(0, 5);
  } else if (FKind == ekRc4CryptoApi) {
    std::string password = PasswordBytes(Password);
    const TWipeOnExit wipePassword(password);
    FBase = Hash(haSHA1, Info.Salt, password);
  } else {
    throw EKvWFileDamaged(AFileName);
  }
  // The verifier and its hash are one RC4 stream under the key of block 0.
  TKvWRc4 rc4(BlockKey(0));
  std::string verifier = Info.EncryptedVerifier;
  std::string verifierHash = Info.EncryptedVerifierHash;
  rc4.Apply(verifier);
  rc4.Apply(verifierHash);
  const std::string expected = Hash(FKind == ekRc4 ? haMD5 : haSHA1, verifier);
  if (verifierHash.size() < Info.VerifierHashSize || Info.VerifierHashSize > expected.size() ||
      verifierHash.compare(0, Info.VerifierHashSize, expected, 0, Info.VerifierHashSize) != 0)
    throw EKvWWrongPassword(AFileName);
}

TKvWDocumentKey::~TKvWDocumentKey() { Wipe(FBase); }

std::string TKvWDocumentKey::BlockKey(uint32_t Block) const {
  if (FKind == ekRc4) return Hash(haMD5, FBase, LittleEndian32(Block));
  std::string key = Hash(haSHA1, FBase, LittleEndian32(Block)).substr(0, FKeySize / 8);
  // A 40-bit CryptoAPI key is used as a 128-bit key whose last 88 bits are zero.
  if (FKeySize == 40) key.resize(16, '\0');
  return key;
}

void TKvWDocumentKey::DecryptStream(std::string& Data) const {
  uint8_t* bytes = reinterpret_cast<uint8_t*>(Data.data());
  for (size_t offset = 0, block = 0; offset < Data.size(); offset += BlockSize, ++block) {
    TKvWRc4 rc4(BlockKey(uint32_t(block)));
    rc4.Apply(bytes + offset, std::min<size_t>(BlockSize, Data.size() - offset));
  }
}

}  // namespace msword
