// The VBA project records of a ".doc" file's "Macros" storage: one item per
// reference entry and module of the project cache.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "msword/Classes.h"

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

namespace msword {

class TStream;

// Reads the project cache of a "_VBA_PROJECT" stream from its start: one new item
// per reference entry, then the module records written into the items from the
// first one on (new items where the list runs out). Each string is read at its own
// 16-bit length; the module records end at the first read that comes back short.
void ReadVBAProjectCache(TStream& Stream, TVBAProjectItems& Items);

// A module as the project's "dir" stream records it: the name of its stream and
// where the compressed source begins in that stream.
struct TVBADirModule {
  std::u16string StreamName;
  uint32_t Offset = 0;
};

// The modules of a decompressed "dir" stream, in record order. The records are
// walked as far as they lie whole in Dir.
std::vector<TVBADirModule> ReadVBADirModules(const std::string& Dir);

}  // namespace msword
