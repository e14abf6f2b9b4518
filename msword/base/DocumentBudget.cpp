#include "msword/base/DocumentBudget.h"

#include <string>

#include "msword/base/CodePages.h"

namespace msword {

namespace {

std::u16string OverBudgetText(TBudgetLimit Limit, uint64_t Value) {
  static constexpr const char* kWhat[] = {"bytes inflated", "parts and chunks loaded", "characters of text"};
  return Utf8ToWide("Document is damaged: it goes past the limit of " + std::to_string(Value) + " " +
                    kWhat[Limit] + " for one document");
}

}  // namespace

EDocumentOverBudget::EDocumentOverBudget(TBudgetLimit ALimit, uint64_t AValue)
    : EKvWFileDamaged(TMessage{}, OverBudgetText(ALimit, AValue)), FLimit(ALimit) {}

}  // namespace msword
