// The VBA project records of a ".doc" file's "Macros" storage, read into the
// project items: one item per reference entry and module of the project cache.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "msword/base/VBAProjectItems.h"

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
