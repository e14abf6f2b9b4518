// The RC4 stream cipher of the binary Word schemes. OpenSSL 3 keeps RC4 in its
// legacy provider; it is loaded into a library context of its own, so the host's
// default context stays as it was. Where that provider is missing (or the program is
// linked statically and cannot load it), a small RC4 of our own runs instead (RC4 is only used to read old files, never to protect data).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace msword {

class TKvWRc4 {
 public:
  // Key: 1 to 256 bytes.
  explicit TKvWRc4(std::string_view Key);
  ~TKvWRc4();
  TKvWRc4(const TKvWRc4&) = delete;
  TKvWRc4& operator=(const TKvWRc4&) = delete;

  // XORs the next Count bytes of the key stream into Data.
  void Apply(uint8_t* Data, size_t Count);
  void Apply(std::string& Data) { Apply(reinterpret_cast<uint8_t*>(Data.data()), Data.size()); }
  // Advances the key stream by Count bytes.
  void Skip(size_t Count);

 private:
  struct TEvp;
  std::unique_ptr<TEvp> FEvp;  // null: the local cipher below runs
  std::array<uint8_t, 256> FState{};
  uint8_t FI = 0, FJ = 0;
};

// True when RC4 runs through OpenSSL's legacy provider, false when the local
// cipher does.
bool Rc4FromOpenSSL();

}  // namespace msword
