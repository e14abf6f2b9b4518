// The ciphers under the protected-document schemes: RC4 (through OpenSSL's legacy
// provider or the local one) and the XOR obfuscation of Word 95 and Word 97.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "msword/crypto/Rc4.h"
#include "msword/crypto/XorObfuscation.h"

using namespace msword;

namespace {

std::string Hex(const std::string& Bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (char c : Bytes) {
    out += digits[uint8_t(c) >> 4];
    out += digits[uint8_t(c) & 15];
  }
  return out;
}

}  // namespace

TEST(Rc4, MatchesPublishedKeyStreams) {
  struct Case { const char* key; std::string plain; const char* cipher; };
  const Case cases[] = {{"Key", "Plaintext", "BBF316E8D940AF0AD3"},
                        {"Wiki", "pedia", "1021BF0420"},
                        {"Secret", "Attack at dawn", "45A01F645FC35B383552544B9BF5"},
                        // A 40-bit key, bytes 0 to 15 of its key stream.
                        {"\x01\x02\x03\x04\x05", std::string(16, '\0'), "B2396305F03DC027CCC3524A0A1118A8"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    TKvWRc4 rc4(c.key);
    std::string data = c.plain;
    rc4.Apply(data);
    EXPECT_EQ(Hex(data), c.cipher);
  }
}

TEST(Rc4, SkipAdvancesTheKeyStreamLikeApply) {
  TKvWRc4 whole("Secret"), skipped("Secret");
  std::string all = "Attack at dawn";
  whole.Apply(all);
  skipped.Skip(7);
  std::string tail = "at dawn";
  skipped.Apply(tail);
  EXPECT_EQ(Hex(tail), Hex(all.substr(7)));
}

// "password1" against the key word of a Word 95 file protected with it: the XOR
// key 0x0EC7 in the high word, the verifier 0xE1AE in the low word.
TEST(XorObfuscation, KeyAndVerifierOfAStoredPassword) {
  EXPECT_EQ(XorKey("password1"), 0x0EC7);
  EXPECT_EQ(XorVerifier("password1"), 0xE1AE);
  EXPECT_TRUE(TKvWXorObfuscation::ForStoredKey(u"password1", 0x0EC7E1AE).has_value());
  EXPECT_FALSE(TKvWXorObfuscation::ForStoredKey(u"password2", 0x0EC7E1AE).has_value());
  EXPECT_FALSE(TKvWXorObfuscation::ForStoredKey(u"", 0x0EC7E1AE).has_value());
}

TEST(XorObfuscation, PasswordBytesTakeTheLowByteElseTheHighOneAndStopAt15) {
  EXPECT_EQ(XorPasswordBytes(u"ab\u0100\u20AC"), std::string("ab\x01\xAC"));
  EXPECT_EQ(XorPasswordBytes(u"0123456789abcdefgh"), "0123456789abcde");
}

// Zero bytes and bytes equal to the array's byte at their place are stored as they
// are; the plain prefix is left alone.
TEST(XorObfuscation, LeavesZerosAndBytesThatWouldBecomeZero) {
  const TKvWXorObfuscation obfuscation("password1", XorKey("password1"));
  const auto& a = obfuscation.Array();
  std::string data(20, 'x');
  data[4] = '\0';
  data[5] = char(a[5]);
  const std::string original = data;
  obfuscation.Apply(data, 2);
  EXPECT_EQ(data.substr(0, 2), "xx");
  EXPECT_EQ(data[2], char('x' ^ a[2]));
  EXPECT_EQ(data[4], '\0');
  EXPECT_EQ(data[5], char(a[5]));
  EXPECT_EQ(data[19], char('x' ^ a[3]));
  obfuscation.Apply(data, 2);
  EXPECT_EQ(data, original);
}
