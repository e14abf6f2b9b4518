// The small object model the library is built on: a root object, components that
// own other components and carry a name, and persistent objects that can copy
// their values from one another.
#pragma once

#include <string>
#include <vector>

namespace msword {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

// An object whose values can be copied from another one of a compatible class.
class TPersistent : public TObject {
 public:
  // Copies Source's values into this object. The base version raises EConvertError
  // ("Cannot assign a <class> to a <class>."): only descendants know what to copy.
  virtual void Assign(const TPersistent* Source);

 protected:
  virtual const char* ClassName() const { return "TPersistent"; }
};

// A component is freed by its owner (when it has one) together with the owner.
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent* Owner() const { return FOwner; }
  const std::u16string& Name() const { return FName; }
  void SetName(const std::u16string& Value) { FName = Value; }
  int ComponentCount() const { return int(FComponents.size()); }
  TComponent* Components(int Index) const { return FComponents.at(size_t(Index)); }

 protected:
  const char* ClassName() const override { return "TComponent"; }

 private:
  TComponent* FOwner = nullptr;
  std::u16string FName;
  std::vector<TComponent*> FComponents;
};

}  // namespace msword
