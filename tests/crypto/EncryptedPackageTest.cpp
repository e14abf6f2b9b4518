// Decrypting the package of an encrypted .docx: Standard and Agile encryption, the
// password check, the data-integrity check and the bounds on the package's size.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "msword/crypto/CryptoErrors.h"
#include "msword/crypto/EncryptedPackage.h"
#include "support/ByteWriter.h"
#include "support/DocumentEncryptor.h"

using namespace msword;
using kvtest::EncryptedPackageStreams;

namespace {

// Longer than one Agile segment, and not a whole number of cipher blocks.
std::string PackageBytes() {
  std::string bytes;
  for (int i = 0; bytes.size() < 9000; ++i) bytes += "PK line " + std::to_string(i) + "\n";
  return bytes;
}

}  // namespace

TEST(EncryptedPackage, DecryptsStandardAndAgilePackages) {
  const std::string package = PackageBytes();
  struct Case { const char* what; EncryptedPackageStreams streams; };
  const Case cases[] = {
      {"Standard AES-128", kvtest::StandardEncrypt(package, u"Kv-Secret")},
      {"Agile SHA-512 AES-256", kvtest::AgileEncrypt(package, u"Kv-Secret")},
      {"Agile SHA-1 AES-128", kvtest::AgileEncrypt(package, u"Kv-Secret", "SHA1", "SHA-1", 50, 128)},
      // A SHA-1 hash is shorter than a 256-bit key: the key is padded with 0x36.
      {"Agile SHA-1 AES-256", kvtest::AgileEncrypt(package, u"Kv-Secret", "SHA1", "SHA1", 50, 256)},
      {"Agile SHA-256 AES-192", kvtest::AgileEncrypt(package, u"Kv-Secret", "SHA256", "SHA256", 50, 192)},
      {"Agile SHA-384", kvtest::AgileEncrypt(package, u"Kv-Secret", "SHA384", "SHA384", 50, 256)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DecryptPackage(c.streams.Info, c.streams.Package, u"Kv-Secret", u"f.docx"), package);
    EXPECT_THAT([&] { DecryptPackage(c.streams.Info, c.streams.Package, u"kv-secret", u"f.docx"); },
                testing::ThrowsMessage<EKvWWrongPassword>(testing::StrEq("The password does not open file f.docx")));
  }
}

// One byte changed in the encrypted data: the HMAC over the stream no longer holds.
TEST(EncryptedPackage, AgileIntegrityMismatchIsDamageNotText) {
  EncryptedPackageStreams streams = kvtest::AgileEncrypt(PackageBytes(), u"pw", "SHA1", "SHA1", 10, 128);
  streams.Package[5000] = char(streams.Package[5000] ^ 1);
  EXPECT_THAT([&] { DecryptPackage(streams.Info, streams.Package, u"pw", u"f.docx"); },
              testing::ThrowsMessage<EKvWFileDamaged>(testing::StrEq("File f.docx is damaged")));
}

TEST(EncryptedPackage, SizeLargerThanTheStreamIsDamage) {
  const std::string package = PackageBytes();
  for (const EncryptedPackageStreams& original :
       {kvtest::StandardEncrypt(package, u"pw"), kvtest::AgileEncrypt(package, u"pw", "SHA1", "SHA1", 10, 128)}) {
    struct Case { const char* what; std::string bytes; };
    const Case cases[] = {
        {"size one past the data", kvtest::ByteWriter()
                                       .U64(original.Package.size() - 8 + 1)
                                       .Raw(original.Package.substr(8))
                                       .Bytes()},
        {"size of 2^63", kvtest::ByteWriter().U64(uint64_t(1) << 63).Raw(original.Package.substr(8)).Bytes()},
        {"stream of 7 bytes", original.Package.substr(0, 7)},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      EXPECT_THAT([&] { DecryptPackage(original.Info, c.bytes, u"pw", u"f.docx"); },
                  testing::ThrowsMessage<EKvWFileDamaged>(testing::StrEq("File f.docx is damaged")));
    }
  }
}

// The size is refused before the key derivation's rounds: ten million of them
// with the wrong password would otherwise come first.
TEST(EncryptedPackage, SizeIsCheckedBeforeTheKeyIsDerived) {
  std::string info = kvtest::AgileEncrypt("x", u"pw", "SHA1", "SHA1", 10, 128).Info;
  info.replace(info.find("spinCount=\"10\""), 14, "spinCount=\"10000000\"");
  const std::string package = kvtest::ByteWriter().U64(1000).Fill(16).Bytes();
  EXPECT_THAT([&] { DecryptPackage(info, package, u"other", u"f.docx"); },
              testing::ThrowsMessage<EKvWFileDamaged>(testing::StrEq("File f.docx is damaged")));
}

// A spin count above the caller's limit (a million unless raised) refuses the
// document before any hashing round; the limit raised, the same file opens.
TEST(EncryptedPackage, SpinCountAboveTheLimitIsRefused) {
  const EncryptedPackageStreams streams = kvtest::AgileEncrypt("PK sealed", u"pw", "SHA1", "SHA1", 10, 128);
  std::string millionAndOne = streams.Info;
  millionAndOne.replace(millionAndOne.find("spinCount=\"10\""), 14, "spinCount=\"1000001\"");
  const std::string refused = "File f.docx asks for more rounds of password hashing than the limit allows";
  EXPECT_THAT([&] { DecryptPackage(millionAndOne, streams.Package, u"pw", u"f.docx"); },
              testing::ThrowsMessage<EKvWSpinCountTooHigh>(testing::StrEq(refused)));
  EXPECT_THAT([&] { DecryptPackage(streams.Info, streams.Package, u"pw", u"f.docx", 9); },
              testing::ThrowsMessage<EKvWSpinCountTooHigh>(testing::StrEq(refused)));
  EXPECT_EQ(DecryptPackage(streams.Info, streams.Package, u"pw", u"f.docx", 10), "PK sealed");
}

TEST(EncryptedPackage, BinaryDocumentSchemesAreNoPackageEncryption) {
  EXPECT_THAT([&] { DecryptPackage(kvtest::DocRc4Header(u"pw", 0, "salt-salt-salt-s"), std::string(24, 'x'), u"pw", u"f"); },
              testing::ThrowsMessage<EKvWFileDamaged>(testing::StrEq("File f is damaged")));
}
