// The VBA project items both Word readers collect: one item per reference entry
// and module of a project, filled by the VBA layer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "msword/base/Classes.h"

namespace msword {

class TVBAProjectItem : public TObject {
 public:
  std::u16string Entry;       // a reference entry's text ("*\G...", "*\H...", ...)
  std::u16string ModuleName;  // the module's name, also the name of its stream
  std::u16string ModuleID;    // the module's second name string
  uint32_t Offset = 0;        // position of the compressed source in the module's stream
  std::string Body;           // the decompressed source
};

// An ordered list that owns its items.
class TVBAProjectItems : public TObject {
 public:
  int Count() const { return int(FItems.size()); }
  TVBAProjectItem* Items(int Index) const { return FItems.at(size_t(Index)).get(); }
  TVBAProjectItem* Add() {
    FItems.push_back(std::make_unique<TVBAProjectItem>());
    return FItems.back().get();
  }
  // Frees the items from the last to the first.
  void Clear() {
    while (!FItems.empty()) FItems.pop_back();
  }

 private:
  std::vector<std::unique_ptr<TVBAProjectItem>> FItems;
};

}  // namespace msword
