// Test helper: walks every storage of a compound file with an explicit stack and
// reads every stream, listing what it met.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "msword/storage/CompoundFile.h"

namespace kvtest {

struct WalkedElement {
  std::u16string Path;  // "Macros/VBA/dir"
  uint8_t Type = 0;
  uint64_t Size = 0;   // as enumerated
  std::string Data;    // a stream's bytes as read to the end, or to its damage
  std::string Damage;  // the message a damaged stream raised
};

// A storage's elements in enumeration order, followed by those of its nested
// storages. Each stream is read to its end, or to where its damage is reported.
std::vector<WalkedElement> WalkCompoundFile(const msword::storage::TCompoundFile& File);

}  // namespace kvtest
