#include "msword/storage/StorageStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "msword/storage/CompoundFile.h"
#include "msword/storage/StorageError.h"

namespace msword::storage {

TStorageStream::TStorageStream(std::shared_ptr<const TCompoundFile> File, uint32_t EntryId)
    : FFile(std::move(File)), FEntryId(EntryId) {
  const uint64_t size = FFile->Directory().Entry(FEntryId).StreamSize;
  FSize = int64_t(std::min<uint64_t>(size, std::numeric_limits<int64_t>::max()));
}

int64_t TStorageStream::BoundedSize() const {
  return int64_t(std::min<uint64_t>(uint64_t(FSize), FFile->SectorBytes()));
}

const std::u16string& TStorageStream::Name() const { return FFile->Directory().Entry(FEntryId).Name; }

void TStorageStream::Resolve() {
  if (FResolved) return;
  FLayout = FFile->StreamLayout(FEntryId);
  FResolved = true;
}

size_t TStorageStream::Read(void* Buffer, size_t Count) {
  if (Count == 0 || FPosition >= FSize) return 0;
  Resolve();
  const std::vector<TStreamRun>& runs = FLayout.Runs;
  if (uint64_t(FPosition) >= FLayout.Readable) throw EStorageCorrupt(FLayout.Damage);
  const size_t total = size_t(std::min<uint64_t>(Count, FLayout.Readable - uint64_t(FPosition)));
  if (FRunHint >= runs.size() || uint64_t(FPosition) < runs[FRunHint].Position ||
      uint64_t(FPosition) >= runs[FRunHint].Position + runs[FRunHint].Length) {
    const auto it = std::upper_bound(runs.begin(), runs.end(), uint64_t(FPosition),
                                     [](uint64_t p, const TStreamRun& r) { return p < r.Position; });
    FRunHint = size_t(it - runs.begin()) - 1;  // the first run starts at 0
  }
  auto* out = static_cast<uint8_t*>(Buffer);
  size_t done = 0;
  while (done < total) {
    const TStreamRun& run = runs[FRunHint];
    const uint64_t into = uint64_t(FPosition) - run.Position;
    const size_t n = size_t(std::min<uint64_t>(run.Length - into, total - done));
    FFile->ReadAt(run.FileOffset + into, out + done, n);
    done += n;
    FPosition += int64_t(n);
    if (into + n == run.Length && FRunHint + 1 < runs.size()) ++FRunHint;
  }
  return done;
}

int64_t TStorageStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t base;
  switch (Origin) {
    case soBeginning:
      base = 0;
      break;
    case soCurrent:
      base = FPosition;
      break;
    case soEnd:
      base = FSize;
      break;
    default:
      throw EStorageError(std::u16string(strStgInvalidSeekOrigin));
  }
  int64_t target;
  if (__builtin_add_overflow(base, Offset, &target))
    target = Offset < 0 ? 0 : std::numeric_limits<int64_t>::max();
  FPosition = std::max<int64_t>(target, 0);
  return FPosition;
}

}  // namespace msword::storage
