// A stream of a compound file, opened read-only: its sector chain is resolved once,
// on the first read, into runs of contiguous file bytes, each read with one copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "msword/base/Streams.h"

namespace msword::storage {

class TCompoundFile;

// Bytes [Position, Position + Length) of a stream lie at FileOffset in the file.
struct TStreamRun {
  uint64_t Position = 0;
  uint64_t FileOffset = 0;
  uint64_t Length = 0;
};

// Where a stream's bytes lie. A damaged chain leaves the bytes before the damage
// readable: Damage says why the rest of the stream cannot be read.
struct TStreamLayout {
  std::vector<TStreamRun> Runs;  // cover [0, Readable) from position 0
  uint64_t Readable = 0;
  std::u16string Damage;  // empty when Readable is the whole size
};

class TStorageStream {
 public:
  // Keeps the compound file alive for as long as the stream exists.
  TStorageStream(std::shared_ptr<const TCompoundFile> File, uint32_t EntryId);

  const std::u16string& Name() const;
  // Reads up to Count bytes at the position: fewer at the end, 0 past it. Where
  // the chain is damaged (it loops, leaves the file or ends before the size) the
  // bytes before the damage are read and a read that starts beyond it raises
  // EStorageCorrupt: nothing is made up and nothing read twice.
  size_t Read(void* Buffer, size_t Count);
  // Moves the position from the beginning, the current position or the end and
  // answers it. A position past the end is allowed; one before the start becomes
  // 0. Another origin raises EStorageError.
  int64_t Seek(int64_t Offset, TSeekOrigin Origin);
  int64_t Position() const { return FPosition; }
  int64_t Size() const { return FSize; }
  // The size, but never more than the file's sectors can hold: the most bytes a
  // read can give, so what a reader may size a buffer by. An entry may record a
  // size of gigabytes for a stream of a few sectors.
  int64_t BoundedSize() const;

 private:
  void Resolve();

  std::shared_ptr<const TCompoundFile> FFile;
  uint32_t FEntryId;
  int64_t FSize = 0;
  int64_t FPosition = 0;
  bool FResolved = false;
  TStreamLayout FLayout;
  size_t FRunHint = 0;  // the run of the last read, where a sequential read goes on
};

}  // namespace msword::storage
