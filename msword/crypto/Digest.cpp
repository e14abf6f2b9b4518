#include "msword/crypto/Digest.h"

#include <openssl/evp.h>

#include <memory>

#include "msword/base/Exceptions.h"

namespace msword {

namespace {

const EVP_MD* DigestOf(TKvWHashAlgorithm Algorithm) {
  switch (Algorithm) {
    case haMD5: return EVP_md5();
    case haSHA1: return EVP_sha1();
    case haSHA256: return EVP_sha256();
    case haSHA384: return EVP_sha384();
    case haSHA512: return EVP_sha512();
  }
  return EVP_sha1();
}

const char* DigestName(TKvWHashAlgorithm Algorithm) {
  switch (Algorithm) {
    case haMD5: return "MD5";
    case haSHA1: return "SHA1";
    case haSHA256: return "SHA256";
    case haSHA384: return "SHA384";
    case haSHA512: return "SHA512";
  }
  return "SHA1";
}

struct TDigestContextFree {
  void operator()(EVP_MD_CTX* Context) const { EVP_MD_CTX_free(Context); }
};
using TDigestContext = std::unique_ptr<EVP_MD_CTX, TDigestContextFree>;

TDigestContext NewContext() {
  TDigestContext context(EVP_MD_CTX_new());
  if (!context) throw EOutOfMemory();
  return context;
}

void Digest(EVP_MD_CTX* Context, const EVP_MD* Md, std::string_view A, std::string_view B, uint8_t* Out) {
  unsigned int length = 0;
  if (EVP_DigestInit_ex(Context, Md, nullptr) != 1 || EVP_DigestUpdate(Context, A.data(), A.size()) != 1 ||
      EVP_DigestUpdate(Context, B.data(), B.size()) != 1 || EVP_DigestFinal_ex(Context, Out, &length) != 1)
    throw EOutOfMemory();
}

}  // namespace

size_t HashSize(TKvWHashAlgorithm Algorithm) { return size_t(EVP_MD_get_size(DigestOf(Algorithm))); }

std::string Hash(TKvWHashAlgorithm Algorithm, std::string_view A, std::string_view B) {
  const EVP_MD* md = DigestOf(Algorithm);
  std::string result(size_t(EVP_MD_get_size(md)), '\0');
  const TDigestContext context = NewContext();
  Digest(context.get(), md, A, B, reinterpret_cast<uint8_t*>(result.data()));
  return result;
}

std::string Hmac(TKvWHashAlgorithm Algorithm, std::string_view Key, std::string_view Data) {
  std::string result(EVP_MAX_MD_SIZE, '\0');
  size_t length = 0;
  // An empty key still needs a valid pointer.
  static const unsigned char empty = 0;
  if (!EVP_Q_mac(nullptr, "HMAC", nullptr, DigestName(Algorithm), nullptr,
                 Key.empty() ? &empty : reinterpret_cast<const unsigned char*>(Key.data()), Key.size(),
                 reinterpret_cast<const unsigned char*>(Data.data()), Data.size(),
                 reinterpret_cast<unsigned char*>(result.data()), result.size(), &length))
    throw EOutOfMemory();
  result.resize(length);
  return result;
}

std::string IterateHash(TKvWHashAlgorithm Algorithm, std::string Start, uint32_t Count) {
  const EVP_MD* md = DigestOf(Algorithm);
  const TDigestContext context = NewContext();
  std::string h = std::move(Start);
  h.resize(size_t(EVP_MD_get_size(md)));
  for (uint32_t i = 0; i < Count; ++i) {
    const char iterator[4] = {char(i), char(i >> 8), char(i >> 16), char(i >> 24)};
    Digest(context.get(), md, std::string_view(iterator, 4), h, reinterpret_cast<uint8_t*>(h.data()));
  }
  return h;
}

}  // namespace msword
