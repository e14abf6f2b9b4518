// XOR obfuscation: how Word 95 protects a document, and Word 97 and later when
// asked for the old protection (the FIB's fObfuscated). A 16-byte array made from
// the password is laid over the stream from its first byte; bytes that are zero, or
// that the array would turn into zero, are stored as they are.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace msword {

// The password as the XOR scheme takes it: one byte per character, at most 15.
// Lowered: the low byte of each character, or its high byte when the low one is 0.
std::string XorPasswordBytes(std::u16string_view Password);

// The 16-bit key and the 16-bit verifier made from a password of 1 to 15 bytes.
uint16_t XorKey(std::string_view Password);
uint16_t XorVerifier(std::string_view Password);

class TKvWXorObfuscation {
 public:
  // The array of Password (1 to 15 bytes) under Key.
  TKvWXorObfuscation(std::string_view Password, uint16_t Key);

  // The array for Password when the FIB's key word Stored (the key in its high
  // word, the verifier in its low word) accepts it; none otherwise.
  static std::optional<TKvWXorObfuscation> ForStoredKey(std::u16string_view Password, uint32_t Stored);

  // Restores Data, a stream laid over from its first byte, leaving its first Plain
  // bytes as stored.
  void Apply(std::string& Data, size_t Plain) const;

  const std::array<uint8_t, 16>& Array() const { return FArray; }

 private:
  std::array<uint8_t, 16> FArray{};
};

}  // namespace msword
