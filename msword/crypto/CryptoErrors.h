// The ways opening a protected document fails: the password does not open it
// (EKvWWrongPassword), what describes the encryption cannot be right
// (EKvWFileDamaged), or it asks for more hashing than allowed (EKvWSpinCountTooHigh,
// here). Each names the file, never the password; the first two are among the
// library's exceptions (msword/base/Exceptions.h), which hosts tell apart by type.
#pragma once

#include "msword/base/Exceptions.h"
#include "msword/MSWordCnst.h"

namespace msword {

// An Agile description asks for more rounds of password hashing than the caller's
// limit: the document is refused before any round, as one over its budget is.
class EKvWSpinCountTooHigh : public Exception {
 public:
  explicit EKvWSpinCountTooHigh(std::u16string_view AFileName) : Exception(Format(strSpinCountTooHigh, AFileName)) {}
};

}  // namespace msword
