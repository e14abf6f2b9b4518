#include "msword/base/Base64.h"
#include "msword/crypto/EncryptionInfo.h"

#include "msword/base/CodePages.h"
#include "msword/base/LittleEndian.h"
#include "msword/crypto/CryptoErrors.h"

namespace msword {

namespace {

const uint8_t* Bytes(std::string_view S) { return reinterpret_cast<const uint8_t*>(S.data()); }

// The attribute text of the first start tag at or after From whose local name (the
// part after any prefix) is Name; Next is set past it. False when there is none.
bool FindElement(std::string_view Xml, std::string_view Name, size_t From, std::string_view& Attributes,
                 size_t& Next) {
  for (size_t p = Xml.find('<', From); p != std::string_view::npos; p = Xml.find('<', p + 1)) {
    size_t q = p + 1;
    while (q < Xml.size() && Xml[q] != ' ' && Xml[q] != '\t' && Xml[q] != '\r' && Xml[q] != '\n' &&
           Xml[q] != '/' && Xml[q] != '>')
      ++q;
    std::string_view tag = Xml.substr(p + 1, q - p - 1);
    const size_t colon = tag.find(':');
    if (colon != std::string_view::npos) tag.remove_prefix(colon + 1);
    if (tag != Name) continue;
    const size_t end = Xml.find('>', q);
    if (end == std::string_view::npos) return false;
    Attributes = Xml.substr(q, end - q);
    Next = end;
    return true;
  }
  return false;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The value of the attribute Name (without prefix) in a start tag's attribute text.
bool Attribute(std::string_view Attributes, std::string_view Name, std::string_view& Value) {
  size_t p = 0;
  while (p < Attributes.size()) {
    while (p < Attributes.size() && (IsSpace(Attributes[p]) || Attributes[p] == '/')) ++p;
    const size_t nameStart = p;
    while (p < Attributes.size() && Attributes[p] != '=' && !IsSpace(Attributes[p])) ++p;
    const std::string_view name = Attributes.substr(nameStart, p - nameStart);
    while (p < Attributes.size() && IsSpace(Attributes[p])) ++p;
    if (p >= Attributes.size() || Attributes[p] != '=') return false;
    ++p;
    while (p < Attributes.size() && IsSpace(Attributes[p])) ++p;
    if (p >= Attributes.size() || (Attributes[p] != '"' && Attributes[p] != '\'')) return false;
    const char quote = Attributes[p++];
    const size_t close = Attributes.find(quote, p);
    if (close == std::string_view::npos) return false;
    if (name == Name) {
      Value = Attributes.substr(p, close - p);
      return true;
    }
    p = close + 1;
  }
  return false;
}

// Reads a file's description; every failure is the file's damage.
class TAgileReader {
 public:
  TAgileReader(std::string_view Xml, std::u16string_view AFileName) : FXml(Xml), FFileName(AFileName) {}

  [[noreturn]] void Damaged() const { throw EKvWFileDamaged(FFileName); }

  std::string_view Text(std::string_view Attributes, std::string_view Name) const {
    std::string_view value;
    if (!Attribute(Attributes, Name, value)) Damaged();
    return value;
  }
  uint32_t Number(std::string_view Attributes, std::string_view Name) const {
    const std::string_view text = Text(Attributes, Name);
    if (text.empty() || text.size() > 10) Damaged();
    uint64_t value = 0;
    for (char c : text) {
      if (c < '0' || c > '9') Damaged();
      value = value * 10 + uint64_t(c - '0');
    }
    if (value > UINT32_MAX) Damaged();
    return uint32_t(value);
  }
  std::string Binary(std::string_view Attributes, std::string_view Name) const {
    std::string value;
    if (!DecodeBase64Strict(Text(Attributes, Name), value)) Damaged();
    return value;
  }
  TKvWHashAlgorithm HashAlgorithm(std::string_view Attributes) const {
    const std::string_view name = Text(Attributes, "hashAlgorithm");
    if (SameTextAscii(name, "SHA1") || SameTextAscii(name, "SHA-1")) return haSHA1;
    if (SameTextAscii(name, "SHA256") || SameTextAscii(name, "SHA-256")) return haSHA256;
    if (SameTextAscii(name, "SHA384") || SameTextAscii(name, "SHA-384")) return haSHA384;
    if (SameTextAscii(name, "SHA512") || SameTextAscii(name, "SHA-512")) return haSHA512;
    Damaged();
  }
  // The fields keyData and the password's encryptedKey share. Only AES is read; its
  // block is 16 bytes and its keys 128, 192 or 256 bits.
  TKvWAgileParams Params(std::string_view Attributes) const {
    TKvWAgileParams params;
    const uint32_t saltSize = Number(Attributes, "saltSize");
    params.SaltValue = Binary(Attributes, "saltValue");
    if (saltSize < 1 || saltSize > 65536 || params.SaltValue.size() != saltSize) Damaged();
    params.BlockSize = Number(Attributes, "blockSize");
    params.KeyBits = Number(Attributes, "keyBits");
    params.HashSize = Number(Attributes, "hashSize");
    params.HashAlgorithm = HashAlgorithm(Attributes);
    if (Text(Attributes, "cipherAlgorithm") != "AES" || params.BlockSize != 16) Damaged();
    if (params.KeyBits != 128 && params.KeyBits != 192 && params.KeyBits != 256) Damaged();
    if (params.HashSize != HashSize(params.HashAlgorithm)) Damaged();
    if (Text(Attributes, "cipherChaining") != "ChainingModeCBC") Damaged();
    return params;
  }
  // A value encrypted in whole blocks that must hold at least Least bytes.
  std::string Encrypted(std::string_view Attributes, std::string_view Name, size_t Least, uint32_t BlockSize) const {
    std::string value = Binary(Attributes, Name);
    if (value.size() < Least || value.size() % BlockSize != 0) Damaged();
    return value;
  }

  void Read(TKvWEncryptionInfo& Info) const {
    std::string_view attributes;
    size_t next = 0;
    if (!FindElement(FXml, "keyData", 0, attributes, next)) Damaged();
    Info.KeyData = Params(attributes);
    // The password's key encryptor is the encryptedKey with a spin count; a
    // certificate's has none.
    bool found = false;
    for (size_t from = 0; !found && FindElement(FXml, "encryptedKey", from, attributes, next); from = next) {
      std::string_view spin;
      if (!Attribute(attributes, "spinCount", spin)) continue;
      found = true;
    }
    if (!found) Damaged();
    Info.KeyEncryptor = Params(attributes);
    Info.SpinCount = Number(attributes, "spinCount");
    if (Info.SpinCount > MaxSpinCount) Damaged();
    const TKvWAgileParams& key = Info.KeyEncryptor;
    Info.EncryptedVerifierHashInput =
        Encrypted(attributes, "encryptedVerifierHashInput", key.SaltValue.size(), key.BlockSize);
    Info.EncryptedVerifierHashValue = Encrypted(attributes, "encryptedVerifierHashValue", key.HashSize, key.BlockSize);
    Info.EncryptedKeyValue = Encrypted(attributes, "encryptedKeyValue", Info.KeyData.KeyBits / 8, key.BlockSize);
    if (FindElement(FXml, "dataIntegrity", 0, attributes, next)) {
      Info.EncryptedHmacKey = Encrypted(attributes, "encryptedHmacKey", Info.KeyData.HashSize, Info.KeyData.BlockSize);
      Info.EncryptedHmacValue =
          Encrypted(attributes, "encryptedHmacValue", Info.KeyData.HashSize, Info.KeyData.BlockSize);
    }
  }

 private:
  std::string_view FXml;
  std::u16string_view FFileName;
};

}  // namespace

TKvWEncryptionInfo DecodeEncryptionInfo(std::string_view Data, std::u16string_view AFileName) {
  const auto damaged = [&] { throw EKvWFileDamaged(AFileName); };
  TKvWEncryptionInfo info;
  if (Data.size() < 8) damaged();
  const uint8_t* p = Bytes(Data);
  info.vMajor = GetU16(p);      // vMajor
  info.vMinor = GetU16(p + 2);  // vMinor

  if (info.vMajor == 1 && info.vMinor == 1) {
    // Binary RC4: a 16-byte salt, the encrypted verifier and its encrypted MD5.
    if (Data.size() < 4 + 48) damaged();
    info.Kind = ekRc4;
    info.KeySize = 128;
    info.Salt = std::string(Data.substr(4, 16));
    info.EncryptedVerifier = std::string(Data.substr(20, 16));
    info.EncryptedVerifierHash = std::string(Data.substr(36, 16));
    info.VerifierHashSize = 16;
    return info;
  }

  if (info.vMajor == 4 && info.vMinor == 4) {
    info.Kind = ekAgile;
    TAgileReader(Data.substr(8), AFileName).Read(info);
    return info;
  }

  // CryptoAPI RC4 and Standard AES: Flags, HeaderSize, the EncryptionHeader and the
  // EncryptionVerifier.
  if (info.vMinor != 2 || info.vMajor < 2 || info.vMajor > 4) damaged();
  if (Data.size() < 12) damaged();
  const uint32_t headerSize = GetU32(p + 8);  // EncryptionHeaderSize
  if (headerSize < 32 || headerSize > Data.size() - 12) damaged();
  const uint8_t* header = p + 12;
  info.Flags = GetU32(header);          // Flags
  info.AlgID = GetU32(header + 8);      // AlgID
  info.AlgIDHash = GetU32(header + 12); // AlgIDHash
  info.KeySize = GetU32(header + 16);   // KeySize, bits
  if ((info.Flags & fExternal) || (info.AlgIDHash != 0 && info.AlgIDHash != CALG_SHA1)) damaged();
  const bool aes = info.AlgID == CALG_AES_128 || info.AlgID == CALG_AES_192 || info.AlgID == CALG_AES_256 ||
                   (info.AlgID == 0 && (info.Flags & fAES));
  const bool rc4 = info.AlgID == CALG_RC4 || (info.AlgID == 0 && !(info.Flags & fAES));
  if (aes) {
    info.Kind = ekStandard;
    if (info.vMajor < 3 || (info.KeySize != 128 && info.KeySize != 192 && info.KeySize != 256)) damaged();
  } else if (rc4) {
    info.Kind = ekRc4CryptoApi;
    if (info.KeySize == 0) info.KeySize = 40;
    if (info.KeySize < 40 || info.KeySize > 128 || info.KeySize % 8 != 0) damaged();
  } else {
    damaged();
  }

  // The verifier: SaltSize, Salt, EncryptedVerifier, VerifierHashSize and the
  // encrypted hash (an RC4 stream keeps its 20 bytes, AES pads them to 32).
  const size_t verifier = 12 + size_t(headerSize);
  const size_t hashBytes = aes ? 32 : 20;
  if (Data.size() - verifier < 4 + 16 + 16 + 4 + hashBytes) damaged();
  const uint32_t saltSize = GetU32(p + verifier);  // SaltSize
  info.VerifierHashSize = GetU32(p + verifier + 36);  // VerifierHashSize
  if (saltSize != 16 || info.VerifierHashSize != 20) damaged();
  info.Salt = std::string(Data.substr(verifier + 4, 16));
  info.EncryptedVerifier = std::string(Data.substr(verifier + 20, 16));
  info.EncryptedVerifierHash = std::string(Data.substr(verifier + 40, hashBytes));
  return info;
}

}  // namespace msword
