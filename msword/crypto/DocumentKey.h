// The RC4 keys of a binary Word document: binary RC4 (MD5) and RC4 through
// CryptoAPI (SHA-1, 40 to 128 bits). Both re-key the cipher for every block of a
// stream; Word's blocks are 512 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "msword/crypto/EncryptionInfo.h"

namespace msword {

// A password as the key derivations hash it: its UTF-16LE bytes.
std::string PasswordBytes(std::u16string_view Password);

// Clears the bytes of S (a password, a hash of it, a key) where the optimiser
// cannot leave it out.
void Wipe(std::string& S);
// Wipes a string when the scope ends, however it ends.
class TWipeOnExit {
 public:
  explicit TWipeOnExit(std::string& S) : FString(S) {}
  ~TWipeOnExit() { Wipe(FString); }
  TWipeOnExit(const TWipeOnExit&) = delete;
  TWipeOnExit& operator=(const TWipeOnExit&) = delete;

 private:
  std::string& FString;
};

class TKvWDocumentKey {
 public:
  static constexpr uint32_t BlockSize = 512;

  // Derives the key of Info (ekRc4 or ekRc4CryptoApi) and checks it against the
  // verifier; a password that does not verify raises EKvWWrongPassword.
  TKvWDocumentKey(const TKvWEncryptionInfo& Info, std::u16string_view Password, std::u16string_view AFileName);
  ~TKvWDocumentKey();
  TKvWDocumentKey(const TKvWDocumentKey&) = delete;
  TKvWDocumentKey& operator=(const TKvWDocumentKey&) = delete;

  // The RC4 key of one block.
  std::string BlockKey(uint32_t Block) const;
  // Decrypts Data, a stream encrypted from its first byte in blocks of BlockSize.
  void DecryptStream(std::string& Data) const;

 private:
  TKvWEncryptionKind FKind;
  uint32_t FKeySize;  // bits
  std::string FBase;  // what each block's key is hashed from
};

}  // namespace msword
