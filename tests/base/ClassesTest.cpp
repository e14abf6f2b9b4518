#include "msword/base/Classes.h"

#include <gtest/gtest.h>

using namespace msword;

namespace {
class TCounted : public TComponent {
 public:
  TCounted(TComponent* AOwner, int& Alive) : TComponent(AOwner), FAlive(Alive) { ++FAlive; }
  ~TCounted() override { --FAlive; }

 private:
  int& FAlive;
};
}  // namespace

TEST(Component, OwnerFreesWhatItOwnsOnceEvenAfterAnEarlyFree) {
  int alive = 0;
  auto* owner = new TCounted(nullptr, alive);
  auto* first = new TCounted(owner, alive);
  new TCounted(owner, alive);
  new TCounted(first, alive);
  EXPECT_EQ(alive, 4);
  delete first;  // frees its own child and leaves the owner's list
  EXPECT_EQ(alive, 2);
  EXPECT_EQ(owner->ComponentCount(), 1);
  delete owner;
  EXPECT_EQ(alive, 0);
}
