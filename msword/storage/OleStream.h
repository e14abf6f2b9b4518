// TKvWOleStream presents a stream of a compound file as an ordinary byte stream,
// so that every reader reads it like a file or memory stream.
#pragma once

#include <memory>

#include "msword/base/Streams.h"
#include "msword/storage/StorageStream.h"

namespace msword {

class TKvWOleStream : public TStream {
 public:
  // Keeps a counted reference to AStream (which keeps its compound file alive).
  explicit TKvWOleStream(std::shared_ptr<storage::TStorageStream> AStream);

  // Fewer bytes at the end of the stream, 0 past it; a read that reaches damage
  // in the stream's chain raises EStorageCorrupt.
  int32_t Read(void* Buffer, int32_t Count) override;
  // Compound-file streams are only read: nothing is written.
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  // The recorded size of the stream, cut to what the file's sectors can hold: the
  // readers size their buffers by it. The end for soEnd is this size too.
  int64_t Size() override { return FStream->BoundedSize(); }

 private:
  std::shared_ptr<storage::TStorageStream> FStream;
};

}  // namespace msword
