#include "msword/crypto/XorObfuscation.h"

#include <algorithm>
#include <iterator>

namespace msword {

namespace {

constexpr uint8_t PAD_ARRAY[15] = {0xBB, 0xFF, 0xFF, 0xBA, 0xFF, 0xFF, 0xB9, 0x80,
                                   0x00, 0xBE, 0x0F, 0x00, 0xBF, 0x0F, 0x00};

// The key's starting value by password length (1 to 15).
constexpr uint16_t INITIAL_CODE[15] = {0xE1F0, 0x1D0F, 0xCC9C, 0x84C0, 0x110C, 0x0E10, 0xF1CE, 0x313E,
                                       0x1872, 0xE139, 0xD40F, 0x84F9, 0x280C, 0xA96A, 0x4EC3};

// Seven values per password position (the last position's first); each set bit of
// a character, from bit 6 down, mixes one of them into the key.
constexpr uint16_t XOR_MATRIX[105] = {
    0xAEFC, 0x4DD9, 0x9BB2, 0x2745, 0x4E8A, 0x9D14, 0x2A09, 0x7B61, 0xF6C2, 0xFDA5, 0xEB6B, 0xC6F7, 0x9DCF, 0x2BBF,
    0x4563, 0x8AC6, 0x05AD, 0x0B5A, 0x16B4, 0x2D68, 0x5AD0, 0x0375, 0x06EA, 0x0DD4, 0x1BA8, 0x3750, 0x6EA0, 0xDD40,
    0xD849, 0xA0B3, 0x5147, 0xA28E, 0x553D, 0xAA7A, 0x44D5, 0x6F45, 0xDE8A, 0xAD35, 0x4A4B, 0x9496, 0x390D, 0x721A,
    0xEB23, 0xC667, 0x9CEF, 0x29FF, 0x53FE, 0xA7FC, 0x5FD9, 0x47D3, 0x8FA6, 0x0F6D, 0x1EDA, 0x3DB4, 0x7B68, 0xF6D0,
    0xB861, 0x60E3, 0xC1C6, 0x93AD, 0x377B, 0x6EF6, 0xDDEC, 0x45A0, 0x8B40, 0x06A1, 0x0D42, 0x1A84, 0x3508, 0x6A10,
    0xAA51, 0x4483, 0x8906, 0x022D, 0x045A, 0x08B4, 0x1168, 0x76B4, 0xED68, 0xCAF1, 0x85C3, 0x1BA7, 0x374E, 0x6E9C,
    0x3730, 0x6E60, 0xDCC0, 0xA9A1, 0x4363, 0x86C6, 0x1DAD, 0x3331, 0x6662, 0xCCC4, 0x89A9, 0x0373, 0x06E6, 0x0DCC,
    0x1021, 0x2042, 0x4084, 0x8108, 0x1231, 0x2462, 0x48C4};

uint8_t RotateRight1(uint8_t Value) { return uint8_t(Value >> 1 | Value << 7); }

}  // namespace

std::string XorPasswordBytes(std::u16string_view Password) {
  std::string bytes;
  for (char16_t c : Password.substr(0, 15)) bytes += char((c & 0xFF) != 0 ? c & 0xFF : c >> 8);
  return bytes;
}

uint16_t XorKey(std::string_view Password) {
  if (Password.empty() || Password.size() > 15) return 0;
  uint16_t key = INITIAL_CODE[Password.size() - 1];
  size_t element = std::size(XOR_MATRIX);
  for (size_t i = Password.size(); i-- > 0;) {
    uint8_t c = uint8_t(Password[i]);
    for (int bit = 0; bit < 7; ++bit) {
      --element;
      if (c & 0x40) key ^= XOR_MATRIX[element];
      c = uint8_t(c << 1);
    }
  }
  return key;
}

uint16_t XorVerifier(std::string_view Password) {
  // The length byte and then the characters, taken from the last to the first.
  uint16_t verifier = 0;
  for (size_t i = Password.size() + 1; i-- > 0;) {
    const uint8_t c = i == 0 ? uint8_t(Password.size()) : uint8_t(Password[i - 1]);
    verifier = uint16_t((((verifier & 0x4000) ? 1 : 0) | ((verifier << 1) & 0x7FFF)) ^ c);
  }
  return uint16_t(verifier ^ 0xCE4B);
}

TKvWXorObfuscation::TKvWXorObfuscation(std::string_view Password, uint16_t Key) {
  const size_t length = std::min<size_t>(Password.size(), 15);
  for (size_t i = 0; i < 16; ++i) {
    const uint8_t c = i < length ? uint8_t(Password[i]) : PAD_ARRAY[i - length];
    FArray[i] = RotateRight1(uint8_t(c ^ (i % 2 == 0 ? Key & 0xFF : Key >> 8)));
  }
}

std::optional<TKvWXorObfuscation> TKvWXorObfuscation::ForStoredKey(std::u16string_view Password, uint32_t Stored) {
  const std::string bytes = XorPasswordBytes(Password);
  if (bytes.empty()) return std::nullopt;
  const uint16_t key = XorKey(bytes);
  if (key != uint16_t(Stored >> 16) || XorVerifier(bytes) != uint16_t(Stored)) return std::nullopt;
  return TKvWXorObfuscation(bytes, key);
}

void TKvWXorObfuscation::Apply(std::string& Data, size_t Plain) const {
  for (size_t i = Plain; i < Data.size(); ++i) {
    const uint8_t b = uint8_t(Data[i]), a = FArray[i % 16];
    if (b != 0 && b != a) Data[i] = char(b ^ a);
  }
}

}  // namespace msword
