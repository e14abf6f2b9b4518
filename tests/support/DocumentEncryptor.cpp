#include "support/DocumentEncryptor.h"

#include <openssl/evp.h>

#include <stdexcept>

#include "support/ByteWriter.h"
#include "support/CompoundFileBuilder.h"

namespace kvtest {

namespace {

std::string Le32(uint32_t v) { return ByteWriter().U32(v).Bytes(); }

std::string Rc4(std::string_view Key, std::string Data) {
  uint8_t s[256];
  for (int i = 0; i < 256; ++i) s[i] = uint8_t(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + uint8_t(Key[size_t(i) % Key.size()])) & 255;
    std::swap(s[i], s[j]);
  }
  for (size_t n = 0, i = 0, j = 0; n < Data.size(); ++n) {
    i = (i + 1) & 255;
    j = (j + s[i]) & 255;
    std::swap(s[i], s[j]);
    Data[n] = char(uint8_t(Data[n]) ^ s[(s[i] + s[j]) & 255]);
  }
  return Data;
}

// AES without padding; Iv empty for ECB. Data is zero-padded to whole blocks.
std::string AesEncrypt(std::string_view Key, std::string_view Iv, std::string Data) {
  Data.resize((Data.size() + 15) / 16 * 16, '\0');
  const EVP_CIPHER* cipher = nullptr;
  if (Key.size() == 16) cipher = Iv.empty() ? EVP_aes_128_ecb() : EVP_aes_128_cbc();
  if (Key.size() == 24) cipher = Iv.empty() ? EVP_aes_192_ecb() : EVP_aes_192_cbc();
  if (Key.size() == 32) cipher = Iv.empty() ? EVP_aes_256_ecb() : EVP_aes_256_cbc();
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(ctx, cipher, nullptr, reinterpret_cast<const unsigned char*>(Key.data()),
                     Iv.empty() ? nullptr : reinterpret_cast<const unsigned char*>(Iv.data()));
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  std::string out(Data.size(), '\0');
  int written = 0;
  EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &written,
                    reinterpret_cast<const unsigned char*>(Data.data()), int(Data.size()));
  EVP_CIPHER_CTX_free(ctx);
  return out;
}

std::string Base64(std::string_view Data) {
  std::string out(4 * ((Data.size() + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                reinterpret_cast<const unsigned char*>(Data.data()), int(Data.size()));
  out.resize(size_t(n));
  return out;
}

std::string HmacOf(const char* HashName, std::string_view Key, std::string_view Data) {
  unsigned char out[EVP_MAX_MD_SIZE];
  size_t length = 0;
  EVP_Q_mac(nullptr, "HMAC", nullptr, HashName, nullptr, Key.data(), Key.size(),
            reinterpret_cast<const unsigned char*>(Data.data()), Data.size(), out, sizeof(out), &length);
  return std::string(reinterpret_cast<char*>(out), length);
}

std::string Fit(std::string Value, size_t Size) {
  Value.resize(Size, '\x36');
  return Value;
}

// The RC4 key of one 512-byte block.
std::string DocBlockKey(std::u16string_view Password, uint32_t KeyBits, std::string_view Salt, uint32_t Block) {
  if (KeyBits == 0) {
    const std::string h0 = TestDigest("MD5", TestUtf16Le(Password)).substr(0, 5);
    std::string buffer;
    for (int i = 0; i < 16; ++i) buffer += h0 + std::string(Salt);
    return TestDigest("MD5", TestDigest("MD5", buffer).substr(0, 5), Le32(Block));
  }
  std::string key = TestDigest("SHA1", TestDigest("SHA1", Salt, TestUtf16Le(Password)), Le32(Block));
  key.resize(KeyBits / 8);
  if (KeyBits == 40) key.resize(16, '\0');
  return key;
}

}  // namespace

std::string TestDigest(const char* Name, std::string_view A, std::string_view B) {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  EVP_DigestInit_ex(ctx, EVP_get_digestbyname(Name), nullptr);
  EVP_DigestUpdate(ctx, A.data(), A.size());
  EVP_DigestUpdate(ctx, B.data(), B.size());
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(ctx, out, &length);
  EVP_MD_CTX_free(ctx);
  return std::string(reinterpret_cast<char*>(out), length);
}

std::string TestUtf16Le(std::u16string_view Text) { return ByteWriter().Utf16(Text).Bytes(); }

std::string DocRc4Header(std::u16string_view Password, uint32_t KeyBits, std::string_view Salt) {
  const std::string verifier = "0123456789abcdef";
  std::string encrypted = Rc4(DocBlockKey(Password, KeyBits, Salt, 0),
                              verifier + TestDigest(KeyBits == 0 ? "MD5" : "SHA1", verifier));
  if (KeyBits == 0)
    return ByteWriter().U16(1).U16(1).Raw(Salt).Raw(encrypted).Bytes();
  const std::string csp = TestUtf16Le(u"Microsoft Enhanced Cryptographic Provider v1.0") + std::string(2, '\0');
  ByteWriter header;
  header.U32(0x04).U32(0).U32(0x6801).U32(0x8004).U32(KeyBits).U32(1).U32(0).U32(0).Raw(csp);
  return ByteWriter()
      .U16(2).U16(2).U32(0x04).U32(uint32_t(header.Size())).Raw(header.Bytes())
      .U32(16).Raw(Salt).Raw(encrypted.substr(0, 16)).U32(20).Raw(encrypted.substr(16))
      .Bytes();
}

void DocRc4Encrypt(std::string& Stream, size_t Plain, std::u16string_view Password, uint32_t KeyBits,
                   std::string_view Salt) {
  const std::string original = Stream.substr(0, Plain);
  for (size_t offset = 0; offset < Stream.size(); offset += 512) {
    const std::string block = Stream.substr(offset, 512);
    Stream.replace(offset, block.size(),
                   Rc4(DocBlockKey(Password, KeyBits, Salt, uint32_t(offset / 512)), block));
  }
  Stream.replace(0, original.size(), original);
}

std::string DocEncryptedSummary(const std::vector<std::pair<std::u16string, std::string>>& Streams,
                                std::u16string_view Password, uint32_t KeyBits, std::string_view Salt,
                                bool Rekeyed) {
  ByteWriter data, table;
  table.U32(uint32_t(Streams.size()));
  uint32_t block = 1;
  for (const auto& [name, bytes] : Streams) {
    std::string encrypted;
    const size_t step = Rekeyed ? 512 : bytes.size() + 1;
    for (size_t at = 0; at < bytes.size(); at += step)
      encrypted += Rc4(DocBlockKey(Password, KeyBits, Salt, block + uint32_t(at / step)), bytes.substr(at, step));
    table.U32(uint32_t(8 + data.Size())).U32(uint32_t(bytes.size())).U16(uint16_t(block)).U8(uint8_t(name.size()))
        .U8(1).U32(0).Raw(TestUtf16Le(name)).U16(0);
    data.Raw(encrypted);
    block += uint32_t(Rekeyed ? (bytes.size() + 511) / 512 : 1);
  }
  const std::string encryptedTable = Rc4(DocBlockKey(Password, KeyBits, Salt, 0), table.Bytes());
  return ByteWriter().U32(uint32_t(8 + data.Size())).U32(uint32_t(encryptedTable.size()))
      .Raw(data.Bytes()).Raw(encryptedTable).Bytes();
}

EncryptedPackageStreams StandardEncrypt(const std::string& Package, std::u16string_view Password) {
  const std::string salt = "standard-salt-16";
  std::string h = TestDigest("SHA1", salt, TestUtf16Le(Password));
  for (uint32_t i = 0; i < 50000; ++i) h = TestDigest("SHA1", Le32(i), h);
  const std::string last = TestDigest("SHA1", h, Le32(0));
  std::string x1(64, '\x36'), x2(64, '\x5C');
  for (size_t i = 0; i < last.size(); ++i) {
    x1[i] = char(x1[i] ^ last[i]);
    x2[i] = char(x2[i] ^ last[i]);
  }
  const std::string key = (TestDigest("SHA1", x1) + TestDigest("SHA1", x2)).substr(0, 16);
  const std::string verifier = "verifier-16-byte";
  const std::string csp =
      TestUtf16Le(u"Microsoft Enhanced RSA and AES Cryptographic Provider") + std::string(2, '\0');
  ByteWriter header;
  header.U32(0x24).U32(0).U32(0x660E).U32(0x8004).U32(128).U32(0x18).U32(0).U32(0).Raw(csp);
  EncryptedPackageStreams streams;
  streams.Info = ByteWriter()
                     .U16(4).U16(2).U32(0x24).U32(uint32_t(header.Size())).Raw(header.Bytes())
                     .U32(16).Raw(salt).Raw(AesEncrypt(key, {}, verifier)).U32(20)
                     .Raw(AesEncrypt(key, {}, TestDigest("SHA1", verifier)))
                     .Bytes();
  streams.Package = ByteWriter().U64(Package.size()).Raw(AesEncrypt(key, {}, Package)).Bytes();
  return streams;
}

EncryptedPackageStreams AgileEncrypt(const std::string& Package, std::u16string_view Password, const char* HashName,
                                     const char* XmlHashName, uint32_t SpinCount, uint32_t KeyBits) {
  const std::string keySalt = "key-data-salt-16", passwordSalt = "password-salt-16";
  const std::string secret = std::string("0123456789ABCDEFGHIJKLMNOPQRSTUV").substr(0, KeyBits / 8);
  const size_t hashSize = TestDigest(HashName, "").size();
  std::string h = TestDigest(HashName, passwordSalt, TestUtf16Le(Password));
  for (uint32_t i = 0; i < SpinCount; ++i) h = TestDigest(HashName, Le32(i), h);
  const auto keyFor = [&](const char* block) {
    return Fit(TestDigest(HashName, h, std::string_view(block, 8)), KeyBits / 8);
  };
  const std::string verifierInput = "verifier-input16";
  const std::string encryptedInput = AesEncrypt(keyFor("\xFE\xA7\xD2\x76\x3B\x4B\x9E\x79"), passwordSalt, verifierInput);
  const std::string encryptedValue = AesEncrypt(keyFor("\xD7\xAA\x0F\x6D\x30\x61\x34\x4E"), passwordSalt,
                                                TestDigest(HashName, verifierInput));
  const std::string encryptedKey = AesEncrypt(keyFor("\x14\x6E\x0B\xE7\xAB\xAC\xD0\xD6"), passwordSalt, secret);

  ByteWriter package;
  package.U64(Package.size());
  for (size_t offset = 0, index = 0; offset < Package.size(); offset += 4096, ++index) {
    const std::string iv = TestDigest(HashName, keySalt, Le32(uint32_t(index))).substr(0, 16);
    package.Raw(AesEncrypt(secret, iv, Package.substr(offset, 4096)));
  }
  const std::string hmacKey = std::string(hashSize, 'K');
  const std::string hmacValue = HmacOf(HashName, hmacKey, package.Bytes());
  const std::string encryptedHmacKey =
      AesEncrypt(secret, TestDigest(HashName, keySalt, "\x5F\xB2\xAD\x01\x0C\xB9\xE1\xF6").substr(0, 16), hmacKey);
  const std::string encryptedHmacValue = AesEncrypt(
      secret, TestDigest(HashName, keySalt, std::string_view("\xA0\x67\x7F\x02\xB2\x2C\x84\x33", 8)).substr(0, 16),
      hmacValue);

  const std::string common = " blockSize=\"16\" keyBits=\"" + std::to_string(KeyBits) + "\" hashSize=\"" +
                             std::to_string(hashSize) +
                             "\" cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"" +
                             XmlHashName + "\"";
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
      "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
      "<keyData saltSize=\"16\"" + common + " saltValue=\"" + Base64(keySalt) + "\"/>"
      "<dataIntegrity encryptedHmacKey=\"" + Base64(encryptedHmacKey) + "\" encryptedHmacValue=\"" +
      Base64(encryptedHmacValue) + "\"/>"
      "<keyEncryptors><keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
      "<p:encryptedKey spinCount=\"" + std::to_string(SpinCount) + "\" saltSize=\"16\"" + common +
      " saltValue=\"" + Base64(passwordSalt) + "\" encryptedVerifierHashInput=\"" + Base64(encryptedInput) +
      "\" encryptedVerifierHashValue=\"" + Base64(encryptedValue) + "\" encryptedKeyValue=\"" +
      Base64(encryptedKey) + "\"/></keyEncryptor></keyEncryptors></encryption>";
  EncryptedPackageStreams streams;
  streams.Info = ByteWriter().U16(4).U16(4).U32(0x40).Raw(xml).Bytes();
  streams.Package = package.Bytes();
  return streams;
}

std::string EncryptedDocx(const EncryptedPackageStreams& Streams) {
  return CompoundFileBuilder()
      .AddStream(u"EncryptionInfo", Streams.Info)
      .AddStream(u"EncryptedPackage", Streams.Package)
      .Bytes();
}

}  // namespace kvtest
