#include "msword/crypto/Aes.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>

#include "msword/base/Exceptions.h"

namespace msword {

namespace {

const EVP_CIPHER* AesCipher(size_t KeySize, bool Cbc) {
  switch (KeySize) {
    case 16: return Cbc ? EVP_aes_128_cbc() : EVP_aes_128_ecb();
    case 24: return Cbc ? EVP_aes_192_cbc() : EVP_aes_192_ecb();
    case 32: return Cbc ? EVP_aes_256_cbc() : EVP_aes_256_ecb();
  }
  return nullptr;
}

struct TCipherContextFree {
  void operator()(EVP_CIPHER_CTX* Context) const { EVP_CIPHER_CTX_free(Context); }
};

}  // namespace

bool AesDecrypt(std::string_view Key, std::string_view Iv, std::string_view Data, std::string& Out) {
  const EVP_CIPHER* cipher = AesCipher(Key.size(), !Iv.empty());
  if (!cipher || (!Iv.empty() && Iv.size() != 16) || Data.size() % 16 != 0) return false;
  std::unique_ptr<EVP_CIPHER_CTX, TCipherContextFree> context(EVP_CIPHER_CTX_new());
  if (!context) throw EOutOfMemory();
  if (EVP_DecryptInit_ex(context.get(), cipher, nullptr, reinterpret_cast<const unsigned char*>(Key.data()),
                         Iv.empty() ? nullptr : reinterpret_cast<const unsigned char*>(Iv.data())) != 1)
    throw EOutOfMemory();
  EVP_CIPHER_CTX_set_padding(context.get(), 0);
  Out.resize(Data.size());
  const unsigned char* in = reinterpret_cast<const unsigned char*>(Data.data());
  unsigned char* out = reinterpret_cast<unsigned char*>(Out.data());
  // EVP counts in int: long data goes in pieces of whole blocks.
  for (size_t done = 0; done < Data.size();) {
    const int chunk = int(std::min<size_t>(Data.size() - done, size_t(1) << 30));
    int written = 0;
    if (EVP_DecryptUpdate(context.get(), out + done, &written, in + done, chunk) != 1) throw EOutOfMemory();
    done += size_t(chunk);
  }
  return true;
}

}  // namespace msword
