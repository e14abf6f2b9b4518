// Decoding the description of a document's encryption, and refusing one that
// cannot be right before any key is derived.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "msword/base/Base64.h"
#include "msword/crypto/CryptoErrors.h"
#include "msword/crypto/EncryptionInfo.h"
#include "support/ByteWriter.h"
#include "support/DocumentEncryptor.h"

using namespace msword;
using kvtest::ByteWriter;

namespace {

// A CryptoAPI-style description (version Major.2) with the given header fields.
std::string HeaderInfo(uint16_t Major, uint32_t Flags, uint32_t AlgID, uint32_t KeySize, uint32_t SaltSize = 16,
                       uint32_t VerifierHashSize = 20, size_t HashBytes = 32) {
  ByteWriter header;
  header.U32(Flags).U32(0).U32(AlgID).U32(0x8004).U32(KeySize).U32(1).U32(0).U32(0).Utf16(u"CSP").U16(0);
  return ByteWriter()
      .U16(Major).U16(2).U32(Flags).U32(uint32_t(header.Size())).Raw(header.Bytes())
      .U32(SaltSize).Fill(16, 's').Fill(16, 'v').U32(VerifierHashSize).Fill(HashBytes, 'h')
      .Bytes();
}

std::string Agile(const std::string& Xml) { return ByteWriter().U16(4).U16(4).U32(0x40).Raw(Xml).Bytes(); }

std::string Replace(std::string Text, const std::string& From, const std::string& To) {
  const size_t at = Text.find(From);
  if (at != std::string::npos) Text.replace(at, From.size(), To);
  return Text;
}

// A valid Agile description, as the test encryptor writes it.
std::string AgileXml() {
  return kvtest::AgileEncrypt("package", u"pw", "SHA512", "SHA512", 10).Info.substr(8);
}

}  // namespace

TEST(EncryptionInfo, DecodesEachKind) {
  const TKvWEncryptionInfo rc4 = DecodeEncryptionInfo(kvtest::DocRc4Header(u"pw", 0, "salt-salt-salt-s"), u"f");
  EXPECT_EQ(rc4.Kind, ekRc4);
  EXPECT_EQ(rc4.Salt, "salt-salt-salt-s");

  const TKvWEncryptionInfo cryptoApi = DecodeEncryptionInfo(HeaderInfo(2, 0x04, 0x6801, 0, 16, 20, 20), u"f");
  EXPECT_EQ(cryptoApi.Kind, ekRc4CryptoApi);
  EXPECT_EQ(cryptoApi.KeySize, 40u);  // 0 means 40 bits

  const TKvWEncryptionInfo standard = DecodeEncryptionInfo(HeaderInfo(4, 0x24, 0x6610, 256), u"f");
  EXPECT_EQ(standard.Kind, ekStandard);
  EXPECT_EQ(standard.KeySize, 256u);
  EXPECT_EQ(standard.EncryptedVerifierHash, std::string(32, 'h'));

  const TKvWEncryptionInfo agile = DecodeEncryptionInfo(Agile(AgileXml()), u"f");
  EXPECT_EQ(agile.Kind, ekAgile);
  EXPECT_EQ(agile.SpinCount, 10u);
  EXPECT_EQ(agile.KeyData.HashAlgorithm, haSHA512);
  EXPECT_EQ(agile.KeyData.SaltValue, "key-data-salt-16");
  EXPECT_EQ(agile.KeyEncryptor.SaltValue, "password-salt-16");
  EXPECT_EQ(agile.EncryptedKeyValue.size(), 32u);
  EXPECT_EQ(agile.EncryptedHmacKey.size(), 64u);
}

TEST(EncryptionInfo, RefusesWhatCannotBeRight) {
  const std::string xml = AgileXml();
  struct Case { const char* what; std::string bytes; };
  const Case cases[] = {
      {"four bytes", "\x04\x00\x04\x00"},
      {"unknown version 5.5", ByteWriter().U16(5).U16(5).Fill(60).Bytes()},
      {"extensible encryption", ByteWriter().U16(4).U16(3).Fill(200).Bytes()},
      {"binary RC4 cut short", kvtest::DocRc4Header(u"pw", 0, "salt-salt-salt-s").substr(0, 40)},
      {"version 4.2 ending before its header size", ByteWriter().U16(4).U16(2).U32(0x24).U8(0).Bytes()},
      {"header larger than the stream", ByteWriter().U16(3).U16(2).U32(0x24).U32(5000).Fill(100).Bytes()},
      {"header too small", ByteWriter().U16(3).U16(2).U32(0x24).U32(8).Fill(100).Bytes()},
      {"RC4 key of 136 bits", HeaderInfo(2, 0x04, 0x6801, 136, 16, 20, 20)},
      {"RC4 key of 44 bits", HeaderInfo(2, 0x04, 0x6801, 44, 16, 20, 20)},
      {"AES key of 160 bits", HeaderInfo(4, 0x24, 0x660E, 160)},
      {"AES in version 2", HeaderInfo(2, 0x24, 0x660E, 128)},
      {"unknown algorithm", HeaderInfo(4, 0x24, 0x6603, 128)},
      {"external key", HeaderInfo(4, 0x34, 0x660E, 128)},
      {"salt of 20 bytes", HeaderInfo(4, 0x24, 0x660E, 128, 20)},
      {"verifier hash of 16 bytes", HeaderInfo(4, 0x24, 0x660E, 128, 16, 16)},
      {"verifier hash cut short", HeaderInfo(4, 0x24, 0x660E, 128, 16, 20, 20)},
      {"Agile spin count over ten million", Agile(Replace(xml, "spinCount=\"10\"", "spinCount=\"10000001\""))},
      {"Agile spin count past 32 bits", Agile(Replace(xml, "spinCount=\"10\"", "spinCount=\"99999999999\""))},
      {"Agile key of 64 bits", Agile(Replace(xml, "keyBits=\"256\"", "keyBits=\"64\""))},
      {"Agile salt size that does not fit", Agile(Replace(xml, "saltSize=\"16\"", "saltSize=\"15\""))},
      {"Agile hash size of another hash", Agile(Replace(xml, "hashSize=\"64\"", "hashSize=\"20\""))},
      {"Agile block size of 8", Agile(Replace(xml, "blockSize=\"16\"", "blockSize=\"8\""))},
      {"Agile cipher DES", Agile(Replace(xml, "cipherAlgorithm=\"AES\"", "cipherAlgorithm=\"DES\""))},
      {"Agile unknown hash", Agile(Replace(xml, "hashAlgorithm=\"SHA512\"", "hashAlgorithm=\"MD2\""))},
      {"Agile salt not base64", Agile(Replace(xml, "saltValue=\"", "saltValue=\"*"))},
      {"Agile without keyData", Agile(Replace(xml, "<keyData", "<keyDatum"))},
      {"Agile without a password key", Agile(Replace(xml, "spinCount=", "spinCounter="))},
      {"Agile key value cut to one block", Agile(Replace(xml, "encryptedKeyValue=\"", "encryptedKeyValue=\"AAAAAAAAAAAAAAAAAAAAAA== x=\""))},
      {"Agile attribute without quotes", Agile(Replace(xml, "spinCount=\"10\"", "spinCount=10"))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_THAT([&] { DecodeEncryptionInfo(c.bytes, u"secret.docx"); },
                testing::ThrowsMessage<EKvWFileDamaged>(testing::StrEq("File secret.docx is damaged")));
  }
}

TEST(EncryptionInfo, Base64SkipsWhiteSpaceAndRefusesOtherCharacters) {
  std::string out;
  EXPECT_TRUE(DecodeBase64Strict("SGVs\r\nbG8=", out));
  EXPECT_EQ(out, "Hello");
  EXPECT_TRUE(DecodeBase64Strict("SGk", out));
  EXPECT_EQ(out, "Hi");
  EXPECT_FALSE(DecodeBase64Strict("SGk*", out));
  EXPECT_FALSE(DecodeBase64Strict("SG=k", out));
  EXPECT_FALSE(DecodeBase64Strict("S", out));
}
