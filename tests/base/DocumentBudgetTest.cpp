#include "msword/base/DocumentBudget.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "msword/base/BaseDocument.h"
#include "msword/base/CodePages.h"

using namespace msword;
using testing::HasSubstr;

namespace {

// The message of the budget failure Action raises, and the limit it names.
std::pair<std::string, int> Failure(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const EDocumentOverBudget& e) {
    return {WideToUtf8(e.Message()), int(e.Limit())};
  }
  return {"(no exception)", -1};
}

}  // namespace

TEST(DocumentBudget, EachLimitHoldsUpToItsValueAndNamesItselfPastIt) {
  struct TCase {
    TBudgetLimit Limit;
    std::function<void(TDocumentBudget&, uint64_t)> Charge;
    const char* Named;
  };
  const TCase cases[] = {
      {blInflatedBytes, [](TDocumentBudget& b, uint64_t n) { b.ChargeInflated(n); }, "limit of 100 bytes inflated"},
      {blLoadedParts, [](TDocumentBudget& b, uint64_t n) { b.ChargeParts(n); }, "100 parts and chunks loaded"},
      {blOutputChars, [](TDocumentBudget& b, uint64_t n) { b.ChargeOutput(n); }, "100 characters of text"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Named);
    TDocumentBudget budget;
    budget.SetLimits({100, 100, 100});
    c.Charge(budget, 60);
    c.Charge(budget, 40);  // exactly the limit
    EXPECT_FALSE(budget.Exceeded());
    const auto [message, limit] = Failure([&] { c.Charge(budget, 1); });
    EXPECT_THAT(message, HasSubstr("Document is damaged"));
    EXPECT_THAT(message, HasSubstr(c.Named));
    EXPECT_EQ(limit, int(c.Limit));
    // The failure stays until the next document: a reader that passed over it is
    // told again.
    EXPECT_EQ(Failure([&] { budget.Check(); }).second, int(c.Limit));
    budget.Reset();
    EXPECT_NO_THROW(budget.Check());
    EXPECT_NO_THROW(c.Charge(budget, 100));
  }
  // A charge that would wrap around is past every limit.
  TDocumentBudget budget;
  budget.ChargeInflated(10);
  EXPECT_EQ(Failure([&] { budget.ChargeInflated(UINT64_MAX); }).second, int(blInflatedBytes));
}

TEST(DocumentBudget, TheTextADocumentMakesIsChargedAndEachLoadStartsAnew) {
  TMSWBaseDocument doc(nullptr);
  doc.SetLimits({uint64_t(1) << 30, 100000, 10});
  doc.AddText(u"12345678", doc.Text());
  EXPECT_EQ(Failure([&] { doc.AddText(u"abc", doc.Text()); }).second, int(blOutputChars));
  doc.ClearInternalLists();  // what every load does first
  EXPECT_NO_THROW(doc.AddText(u"1234567890", doc.Text()));
  // A reader sharing the budget charges it and does not start it anew.
  TMSWBaseDocument chunk(nullptr);
  chunk.ShareBudget(doc.SharedBudget());
  chunk.ClearInternalLists();
  EXPECT_EQ(Failure([&] { chunk.AddText(u"x", chunk.Text()); }).second, int(blOutputChars));
}
