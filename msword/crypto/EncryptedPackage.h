// The package of an encrypted .docx: a compound file whose "EncryptionInfo" stream
// describes the encryption (Standard AES or Agile) and whose "EncryptedPackage"
// stream holds the zip package's size and its encrypted bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "msword/MSWordCnst.h"
#include "msword/crypto/EncryptionInfo.h"

namespace msword {

// The largest package decrypted into memory, as large as the largest zip entry the
// reader inflates.
inline constexpr uint64_t MaxDecryptedPackageSize = uint64_t(512) << 20;

// The key of the package's data, checked against the password verifier; raises
// EKvWWrongPassword when the password does not verify and EKvWFileDamaged when Info
// is not Standard or Agile, EKvWSpinCountTooHigh when an Agile description asks for
// more hashing rounds than SpinCountLimit (checked before any round).
std::string PackageKey(const TKvWEncryptionInfo& Info, std::u16string_view Password, std::u16string_view AFileName,
                       uint32_t SpinCountLimit = DefaultMaxSpinCount);

// The zip package of an EncryptedPackage stream. An Agile package whose integrity
// check fails, a size larger than the stream holds or than MaxDecryptedPackageSize
// raise EKvWFileDamaged; a password that does not verify raises EKvWWrongPassword;
// more hashing rounds than SpinCountLimit, EKvWSpinCountTooHigh. The password's
// bytes, its hashes and the key are wiped once used.
std::string DecryptPackage(std::string_view EncryptionInfo, std::string_view EncryptedPackage,
                           std::u16string_view Password, std::u16string_view AFileName,
                           uint32_t SpinCountLimit = DefaultMaxSpinCount);

// The same with a decoded description and a known key.
std::string DecryptPackageData(const TKvWEncryptionInfo& Info, const std::string& Key,
                               std::string_view EncryptedPackage, std::u16string_view AFileName);

}  // namespace msword
