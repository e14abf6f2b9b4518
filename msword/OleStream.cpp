#include "msword/OleStream.h"

namespace msword {

TKvWOleStream::TKvWOleStream(std::shared_ptr<storage::TStorageStream> AStream)
    : FStream(std::move(AStream)) {}

int32_t TKvWOleStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  return int32_t(FStream->Read(Buffer, size_t(Count)));
}

int32_t TKvWOleStream::Write(const void*, int32_t) { return 0; }

int64_t TKvWOleStream::Seek(int64_t Offset, TSeekOrigin Origin) { return FStream->Seek(Offset, Origin); }

}  // namespace msword
