// AES decryption through OpenSSL's EVP interface, without padding: ECB for the
// Standard scheme, CBC for the Agile scheme.
#pragma once

#include <string>
#include <string_view>

namespace msword {

// Decrypts Data (a whole number of 16-byte blocks) under Key (16, 24 or 32 bytes);
// an empty Iv means ECB, a 16-byte one CBC. False for any other size.
bool AesDecrypt(std::string_view Key, std::string_view Iv, std::string_view Data, std::string& Out);

}  // namespace msword
