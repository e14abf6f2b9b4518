// The two ways opening a protected document fails: the password does not open it,
// or what describes the encryption cannot be right. Both name the file, never the
// password.
#pragma once

#include <string_view>

#include "msword/base/Exceptions.h"
#include "msword/MSWordCnst.h"

namespace msword {

class EKvWWrongPassword : public Exception {
 public:
  explicit EKvWWrongPassword(std::u16string_view AFileName) : Exception(Format(strWrongPassword, AFileName)) {}
};

class EKvWSpinCountTooHigh : public Exception {
 public:
  explicit EKvWSpinCountTooHigh(std::u16string_view AFileName) : Exception(Format(strSpinCountTooHigh, AFileName)) {}
};

class EKvWFileDamaged : public Exception {
 public:
  explicit EKvWFileDamaged(std::u16string_view AFileName) : Exception(Format(strFileIsDamaged, AFileName)) {}
};

}  // namespace msword
