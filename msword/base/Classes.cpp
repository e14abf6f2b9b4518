#include "msword/base/Classes.h"

#include <algorithm>
#include <string>

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"

namespace msword {

void TPersistent::Assign(const TPersistent* Source) {
  const std::string source = Source ? std::string(Source->ClassName()) : std::string("nil");
  throw EConvertError(Utf8ToWide("Cannot assign a " + source + " to a " + ClassName() + "."));
}

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {
  if (FOwner) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
  while (!FComponents.empty()) {  // owned components go first, last created first
    TComponent* last = FComponents.back();
    FComponents.pop_back();
    last->FOwner = nullptr;  // so it does not look for us again
    delete last;
  }
  if (FOwner) std::erase(FOwner->FComponents, this);
}

}  // namespace msword
