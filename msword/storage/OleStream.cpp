#include "msword/storage/OleStream.h"

#include <limits>

namespace msword {

TKvWOleStream::TKvWOleStream(std::shared_ptr<storage::TStorageStream> AStream)
    : FStream(std::move(AStream)) {}

int32_t TKvWOleStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  auto* bytes = static_cast<uint8_t*>(Buffer);
  size_t got = FStream->Read(bytes, size_t(Count));
  // A read cut short before the end of the stream stopped at damage in its chain:
  // reading on raises the layer's error, so the damage is reported as such and not
  // as a stream that merely ends early.
  while (got < size_t(Count) && FStream->Position() < FStream->Size()) {
    const size_t more = FStream->Read(bytes + got, size_t(Count) - got);
    if (more == 0) break;
    got += more;
  }
  return int32_t(got);
}

int32_t TKvWOleStream::Write(const void*, int32_t) { return 0; }

int64_t TKvWOleStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  if (Origin != soEnd) return FStream->Seek(Offset, Origin);
  int64_t target;
  if (__builtin_add_overflow(Size(), Offset, &target))
    target = Offset < 0 ? 0 : std::numeric_limits<int64_t>::max();
  return FStream->Seek(target, soBeginning);
}

}  // namespace msword
