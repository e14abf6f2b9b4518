#include "msword/crypto/EncryptedPackage.h"

#include <algorithm>

#include "msword/base/LittleEndian.h"
#include "msword/crypto/Aes.h"
#include "msword/crypto/CryptoErrors.h"
#include "msword/crypto/Digest.h"
#include "msword/crypto/DocumentKey.h"

namespace msword {

namespace {

// The block keys the Agile scheme hashes with the password's or the data's hash.
constexpr char VERIFIER_INPUT_BLOCK[] = "\xFE\xA7\xD2\x76\x3B\x4B\x9E\x79";
constexpr char VERIFIER_VALUE_BLOCK[] = "\xD7\xAA\x0F\x6D\x30\x61\x34\x4E";
constexpr char KEY_VALUE_BLOCK[] = "\x14\x6E\x0B\xE7\xAB\xAC\xD0\xD6";
constexpr char HMAC_KEY_BLOCK[] = "\x5F\xB2\xAD\x01\x0C\xB9\xE1\xF6";
constexpr char HMAC_VALUE_BLOCK[] = "\xA0\x67\x7F\x02\xB2\x2C\x84\x33";

constexpr size_t AGILE_SEGMENT = 4096;

std::string_view Block(const char (&Key)[9]) { return std::string_view(Key, 8); }

std::string LittleEndian32(uint32_t Value) {
  return std::string{char(Value), char(Value >> 8), char(Value >> 16), char(Value >> 24)};
}

// A hash cut to Size bytes, or padded to it with 0x36.
std::string Fit(std::string Value, size_t Size) {
  Value.resize(Size, '\x36');
  return Value;
}

std::string StandardKey(const TKvWEncryptionInfo& Info, std::u16string_view Password) {
  std::string password = PasswordBytes(Password);
  const TWipeOnExit wipePassword(password);
  std::string h = IterateHash(haSHA1, Hash(haSHA1, Info.Salt, password), 50000);
  std::string last = Hash(haSHA1, h, LittleEndian32(0));
  std::string x1(64, '\x36'), x2(64, '\x5C');
  const TWipeOnExit wipeHash(h), wipeLast(last), wipeX1(x1), wipeX2(x2);
  for (size_t i = 0; i < last.size(); ++i) {
    x1[i] = char(x1[i] ^ last[i]);
    x2[i] = char(x2[i] ^ last[i]);
  }
  return (Hash(haSHA1, x1) + Hash(haSHA1, x2)).substr(0, Info.KeySize / 8);
}

std::string AgileDecrypt(std::string_view Key, std::string_view Iv, std::string_view Data,
                         std::u16string_view AFileName) {
  std::string out;
  if (!AesDecrypt(Key, Iv, Data, out)) throw EKvWFileDamaged(AFileName);
  return out;
}

std::string AgileKey(const TKvWEncryptionInfo& Info, std::u16string_view Password, std::u16string_view AFileName,
                     uint32_t SpinCountLimit) {
  if (Info.SpinCount > SpinCountLimit) throw EKvWSpinCountTooHigh(AFileName);
  const TKvWAgileParams& encryptor = Info.KeyEncryptor;
  const TKvWHashAlgorithm hash = encryptor.HashAlgorithm;
  std::string password = PasswordBytes(Password);
  const TWipeOnExit wipePassword(password);
  std::string h = IterateHash(hash, Hash(hash, encryptor.SaltValue, password), Info.SpinCount);
  const TWipeOnExit wipeHash(h);
  const auto keyFor = [&](const char (&BlockKey)[9]) {
    return Fit(Hash(hash, h, Block(BlockKey)), encryptor.KeyBits / 8);
  };
  const std::string iv = Fit(encryptor.SaltValue, encryptor.BlockSize);
  const std::string input =
      AgileDecrypt(keyFor(VERIFIER_INPUT_BLOCK), iv, Info.EncryptedVerifierHashInput, AFileName);
  const std::string value =
      AgileDecrypt(keyFor(VERIFIER_VALUE_BLOCK), iv, Info.EncryptedVerifierHashValue, AFileName);
  const std::string expected = Hash(hash, input.substr(0, encryptor.SaltValue.size()));
  if (value.compare(0, encryptor.HashSize, expected, 0, encryptor.HashSize) != 0)
    throw EKvWWrongPassword(AFileName);
  std::string keyKey = keyFor(KEY_VALUE_BLOCK), key = AgileDecrypt(keyKey, iv, Info.EncryptedKeyValue, AFileName);
  const TWipeOnExit wipeKeyKey(keyKey), wipeKey(key);
  return key.substr(0, Info.KeyData.KeyBits / 8);
}

// Checks the HMAC of the whole EncryptedPackage stream that an Agile package
// carries; a mismatch means the package was altered or damaged.
void CheckIntegrity(const TKvWEncryptionInfo& Info, const std::string& Key, std::string_view Package,
                    std::u16string_view AFileName) {
  if (Info.EncryptedHmacKey.empty()) return;
  const TKvWAgileParams& data = Info.KeyData;
  const std::string keyIv = Fit(Hash(data.HashAlgorithm, data.SaltValue, Block(HMAC_KEY_BLOCK)), data.BlockSize);
  const std::string valueIv =
      Fit(Hash(data.HashAlgorithm, data.SaltValue, Block(HMAC_VALUE_BLOCK)), data.BlockSize);
  const std::string hmacKey = AgileDecrypt(Key, keyIv, Info.EncryptedHmacKey, AFileName).substr(0, data.HashSize);
  const std::string hmacValue =
      AgileDecrypt(Key, valueIv, Info.EncryptedHmacValue, AFileName).substr(0, data.HashSize);
  if (Hmac(data.HashAlgorithm, hmacKey, Package) != hmacValue) throw EKvWFileDamaged(AFileName);
}

// The package's size from the stream's first eight bytes, checked against what
// the stream holds in whole cipher blocks (some writers leave a few bytes more).
uint64_t PackageSize(std::string_view EncryptedPackage, std::u16string_view AFileName) {
  if (EncryptedPackage.size() < 8) throw EKvWFileDamaged(AFileName);
  const uint64_t size = GetU64(reinterpret_cast<const uint8_t*>(EncryptedPackage.data()));  // StreamSize
  const size_t usable = (EncryptedPackage.size() - 8) / 16 * 16;
  if (size > usable || size > MaxDecryptedPackageSize) throw EKvWFileDamaged(AFileName);
  return size;
}

}  // namespace

std::string PackageKey(const TKvWEncryptionInfo& Info, std::u16string_view Password, std::u16string_view AFileName,
                       uint32_t SpinCountLimit) {
  if (Info.Kind == ekAgile) return AgileKey(Info, Password, AFileName, SpinCountLimit);
  if (Info.Kind != ekStandard) throw EKvWFileDamaged(AFileName);
  std::string key = StandardKey(Info, Password);
  TWipeOnExit wipeKey(key);
  std::string verifier, verifierHash;
  if (!AesDecrypt(key, {}, Info.EncryptedVerifier, verifier) ||
      !AesDecrypt(key, {}, Info.EncryptedVerifierHash, verifierHash))
    throw EKvWFileDamaged(AFileName);
  if (verifierHash.compare(0, 20, Hash(haSHA1, verifier)) != 0) throw EKvWWrongPassword(AFileName);
  return std::string(key);
}

std::string DecryptPackageData(const TKvWEncryptionInfo& Info, const std::string& Key,
                               std::string_view EncryptedPackage, std::u16string_view AFileName) {
  const uint64_t size = PackageSize(EncryptedPackage, AFileName);
  const std::string_view data = EncryptedPackage.substr(8);
  if (Info.Kind == ekAgile) CheckIntegrity(Info, Key, EncryptedPackage, AFileName);
  // Decrypt only the blocks that hold the package.
  const size_t needed = size_t((size + 15) / 16 * 16);
  std::string out;
  if (Info.Kind == ekStandard) {
    if (!AesDecrypt(Key, {}, data.substr(0, needed), out)) throw EKvWFileDamaged(AFileName);
  } else {
    out.reserve(needed);
    std::string segment;
    for (size_t offset = 0, index = 0; offset < needed; offset += AGILE_SEGMENT, ++index) {
      const std::string iv = Fit(
          Hash(Info.KeyData.HashAlgorithm, Info.KeyData.SaltValue, LittleEndian32(uint32_t(index))),
          Info.KeyData.BlockSize);
      const std::string_view piece = data.substr(offset, std::min(AGILE_SEGMENT, needed - offset));
      if (!AesDecrypt(Key, iv, piece, segment)) throw EKvWFileDamaged(AFileName);
      out += segment;
    }
  }
  out.resize(size_t(size));
  return out;
}

std::string DecryptPackage(std::string_view EncryptionInfo, std::string_view EncryptedPackage,
                           std::u16string_view Password, std::u16string_view AFileName, uint32_t SpinCountLimit) {
  const TKvWEncryptionInfo info = DecodeEncryptionInfo(EncryptionInfo, AFileName);
  if (info.Kind != ekStandard && info.Kind != ekAgile) throw EKvWFileDamaged(AFileName);
  // A size the stream cannot hold is refused before the key's hashing rounds.
  PackageSize(EncryptedPackage, AFileName);
  std::string key = PackageKey(info, Password, AFileName, SpinCountLimit);
  const TWipeOnExit wipeKey(key);
  return DecryptPackageData(info, key, EncryptedPackage, AFileName);
}

}  // namespace msword
