#pragma once
// Reading a range of a .doc stream that a file's offsets and sizes name.
#include <cstdint>
#include <string>

#include "msword/base/Streams.h"

namespace msword {

// Reads Count bytes at Offset into Out; false, reading nothing, when the stream does not
// hold them all.
inline bool ReadAt(TStream& S, uint64_t Offset, size_t Count, std::string& Out) {
  const int64_t size = S.Size();
  if (size < 0 || Offset > uint64_t(size) || Count > uint64_t(size) - Offset) return false;
  Out.resize(Count);
  S.Seek(int64_t(Offset), soBeginning);
  return S.Read(Out.data(), int32_t(Count)) == int32_t(Count);
}

}  // namespace msword
