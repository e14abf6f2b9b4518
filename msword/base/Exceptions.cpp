#include "msword/base/Exceptions.h"

#include <utility>

#include "msword/base/CodePages.h"
#include "msword/MSWordCnst.h"

namespace msword {

Exception::Exception(std::u16string AMessage)
    : FMessage(std::move(AMessage)), FMessageUtf8(WideToUtf8(FMessage)) {}

std::u16string Format(std::u16string_view AFormat, std::u16string_view AArg) {
  std::u16string result;
  result.reserve(AFormat.size() + AArg.size());
  for (size_t i = 0; i < AFormat.size(); ++i) {
    if (AFormat[i] == u'%' && i + 1 < AFormat.size() && AFormat[i + 1] == u's') {
      result.append(AArg);
      ++i;
    } else {
      result.push_back(AFormat[i]);
    }
  }
  return result;
}

}  // namespace msword

namespace msword {

EKvWWrongPassword::EKvWWrongPassword(std::u16string_view AFileName) : Exception(Format(strWrongPassword, AFileName)) {}

EKvWFileDamaged::EKvWFileDamaged(std::u16string_view AFileName) : Exception(Format(strFileIsDamaged, AFileName)) {}

}  // namespace msword
