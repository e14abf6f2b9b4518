#include "msword/crypto/Rc4.h"

#include <openssl/evp.h>
#include <openssl/provider.h>

#include <algorithm>

#include "msword/base/Exceptions.h"

namespace msword {

// Defined only by a statically linked program (kvword's StaticLink.cpp): a shared
// module such as the legacy provider, linked against the shared libcrypto and
// libc, must not be loaded into it.
bool LinkedStatically() __attribute__((weak));

namespace {

// RC4 fetched once per process from a library context that has the legacy
// provider; null when it cannot be had.
class TLegacyRc4 {
 public:
  TLegacyRc4() {
    if (&LinkedStatically && LinkedStatically()) return;
    FContext = OSSL_LIB_CTX_new();
    if (!FContext) return;
    FLegacy = OSSL_PROVIDER_load(FContext, "legacy");
    FDefault = OSSL_PROVIDER_load(FContext, "default");
    if (FLegacy && FDefault) FCipher = EVP_CIPHER_fetch(FContext, "RC4", nullptr);
  }
  ~TLegacyRc4() {
    EVP_CIPHER_free(FCipher);
    if (FDefault) OSSL_PROVIDER_unload(FDefault);
    if (FLegacy) OSSL_PROVIDER_unload(FLegacy);
    OSSL_LIB_CTX_free(FContext);
  }
  EVP_CIPHER* Cipher() const { return FCipher; }

 private:
  OSSL_LIB_CTX* FContext = nullptr;
  OSSL_PROVIDER* FLegacy = nullptr;
  OSSL_PROVIDER* FDefault = nullptr;
  EVP_CIPHER* FCipher = nullptr;
};

const TLegacyRc4& LegacyRc4() {
  static const TLegacyRc4 legacy;
  return legacy;
}

}  // namespace

struct TKvWRc4::TEvp {
  EVP_CIPHER_CTX* Context = nullptr;
  ~TEvp() { EVP_CIPHER_CTX_free(Context); }
};

bool Rc4FromOpenSSL() { return LegacyRc4().Cipher() != nullptr; }

TKvWRc4::TKvWRc4(std::string_view Key) {
  if (EVP_CIPHER* cipher = LegacyRc4().Cipher()) {
    auto evp = std::make_unique<TEvp>();
    evp->Context = EVP_CIPHER_CTX_new();
    if (evp->Context && EVP_DecryptInit_ex(evp->Context, cipher, nullptr, nullptr, nullptr) == 1 &&
        EVP_CIPHER_CTX_set_key_length(evp->Context, int(Key.size())) == 1 &&
        EVP_DecryptInit_ex(evp->Context, nullptr, nullptr, reinterpret_cast<const unsigned char*>(Key.data()),
                           nullptr) == 1) {
      FEvp = std::move(evp);
      return;
    }
  }
  // The key schedule of RC4.
  for (int i = 0; i < 256; ++i) FState[size_t(i)] = uint8_t(i);
  if (Key.empty()) return;
  uint8_t j = 0;
  for (size_t i = 0; i < 256; ++i) {
    j = uint8_t(j + FState[i] + uint8_t(Key[i % Key.size()]));
    std::swap(FState[i], FState[j]);
  }
}

TKvWRc4::~TKvWRc4() = default;

void TKvWRc4::Apply(uint8_t* Data, size_t Count) {
  if (FEvp) {
    while (Count > 0) {
      const int chunk = int(std::min<size_t>(Count, 1 << 30));
      int written = 0;
      if (EVP_DecryptUpdate(FEvp->Context, Data, &written, Data, chunk) != 1) throw EOutOfMemory();
      Data += chunk;
      Count -= size_t(chunk);
    }
    return;
  }
  for (size_t n = 0; n < Count; ++n) {
    FI = uint8_t(FI + 1);
    FJ = uint8_t(FJ + FState[FI]);
    std::swap(FState[FI], FState[FJ]);
    Data[n] ^= FState[uint8_t(FState[FI] + FState[FJ])];
  }
}

void TKvWRc4::Skip(size_t Count) {
  uint8_t scratch[512] = {};
  while (Count > 0) {
    const size_t chunk = std::min(Count, sizeof(scratch));
    Apply(scratch, chunk);
    Count -= chunk;
  }
}

}  // namespace msword
