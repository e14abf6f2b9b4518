// Drives the decryption layer from arbitrary bytes: the first two bytes say how
// many of the rest describe the encryption; the remainder is an encrypted package
// or Word stream. The description is decoded; with a spin count cut to a few
// rounds the password's key is derived and checked, and the package or stream is
// decrypted with that key (or, when the password is refused, with a key made from
// the input) through the integrity check. The payload is also read as the stream
// in which RC4 through CryptoAPI keeps the property sets.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "msword/base/Exceptions.h"
#include "msword/crypto/DocumentKey.h"
#include "msword/crypto/EncryptedPackage.h"
#include "msword/crypto/EncryptedSummary.h"
#include "msword/crypto/EncryptionInfo.h"
#include "msword/crypto/XorObfuscation.h"

using namespace msword;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 2) return 0;
  const std::string_view all(reinterpret_cast<const char*>(Data) + 2, Size - 2);
  const size_t split = std::min<size_t>(size_t(Data[0] | Data[1] << 8), all.size());
  const std::string_view description = all.substr(0, split), payload = all.substr(split);
  const std::u16string password = u"pw";

  // The XOR scheme takes its key word from the FIB: the first four payload bytes.
  if (payload.size() >= 4) {
    const uint32_t stored = uint32_t(uint8_t(payload[0])) | uint32_t(uint8_t(payload[1])) << 8 |
                            uint32_t(uint8_t(payload[2])) << 16 | uint32_t(uint8_t(payload[3])) << 24;
    if (auto obfuscation = TKvWXorObfuscation::ForStoredKey(password, stored)) {
      std::string bytes(payload);
      obfuscation->Apply(bytes, 68);
    }
  }

  // The payload read as the stream of encrypted property sets, under a cheap key
  // made from the block number.
  const auto blockKey = [](uint32_t Block) { return std::string(16, char(Block * 31 + 7)); };
  for (const TKvWSummaryStream& stored : DecryptSummaryStreams(payload, blockKey))
    if (stored.Bytes.size() > payload.size()) __builtin_trap();

  TKvWEncryptionInfo info;
  try {
    info = DecodeEncryptionInfo(description, u"fuzz");
  } catch (const Exception&) {
    return 0;
  }
  try {
    if (info.Kind == ekRc4 || info.Kind == ekRc4CryptoApi) {
      const TKvWDocumentKey key(info, password, u"fuzz");
      std::string stream(payload.substr(0, 1 << 16));
      key.DecryptStream(stream);
    } else if (info.Kind == ekAgile) {
      info.SpinCount = std::min<uint32_t>(info.SpinCount, 3);
      std::string key;
      try {
        key = PackageKey(info, password, u"fuzz");
      } catch (const Exception&) {
        key.assign(info.KeyData.KeyBits / 8, 'k');
      }
      DecryptPackageData(info, key, payload, u"fuzz");
    } else {
      // Standard's derivation has a fixed 50,000 rounds: only the data path runs.
      DecryptPackageData(info, std::string(info.KeySize / 8, 'k'), payload, u"fuzz");
    }
  } catch (const Exception&) {
  }
  return 0;
}
