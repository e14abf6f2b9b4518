#include "msword/base/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/base/LittleEndian.h"
#include "msword/base/Platform.h"

namespace msword {

int64_t TStream::Size() {
  const int64_t pos = Seek(0, soCurrent);
  const int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
  auto* out = static_cast<uint8_t*>(Buffer);
  while (Count > 0) {
    const int32_t chunk = int32_t(std::min<int64_t>(Count, std::numeric_limits<int32_t>::max()));
    const int32_t got = Read(out, chunk);
    if (got <= 0) throw EReadError();
    out += got;
    Count -= got;
  }
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
  const auto* in = static_cast<const uint8_t*>(Buffer);
  while (Count > 0) {
    const int32_t chunk = int32_t(std::min<int64_t>(Count, std::numeric_limits<int32_t>::max()));
    const int32_t put = Write(in, chunk);
    if (put <= 0) throw EWriteError();
    in += put;
    Count -= put;
  }
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count) {
  if (Count == 0) {
    Source.Seek(0, soBeginning);
    Count = Source.Size();
  }
  const int64_t total = Count;
  std::vector<uint8_t> buffer(size_t(std::min<int64_t>(Count, 1 << 16)));
  while (Count > 0) {
    const int32_t chunk = int32_t(std::min<int64_t>(Count, int64_t(buffer.size())));
    Source.ReadBuffer(buffer.data(), chunk);
    WriteBuffer(buffer.data(), chunk);
    Count -= chunk;
  }
  return total;
}

// ---------------------------------------------------------------------------

void TCustomMemoryStream::SetPointer(const void* Memory, size_t Size) {
  FMemory = static_cast<const uint8_t*>(Memory);
  FSize = Size;
}

int32_t TCustomMemoryStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0 || FPosition >= FSize) return 0;
  const size_t n = std::min(size_t(Count), FSize - FPosition);
  std::memcpy(Buffer, FMemory + FPosition, n);
  FPosition += n;
  return int32_t(n);
}

int32_t TCustomMemoryStream::Write(const void*, int32_t) { return 0; }

int64_t TCustomMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t base = 0;
  if (Origin == soCurrent) base = int64_t(FPosition);
  else if (Origin == soEnd) base = int64_t(FSize);
  int64_t target;
  if (__builtin_add_overflow(base, Offset, &target)) target = Offset < 0 ? 0 : std::numeric_limits<int64_t>::max();
  if (target < 0) target = 0;
  FPosition = size_t(target);
  return target;
}

std::string_view TCustomMemoryStream::Remaining() const {
  if (FPosition >= FSize) return {};
  return {reinterpret_cast<const char*>(FMemory) + FPosition, FSize - FPosition};
}

// ---------------------------------------------------------------------------

TMemoryStream::TMemoryStream(std::string Bytes) : FBytes(std::move(Bytes)) { Sync(); }

TMemoryStream::TMemoryStream(const std::vector<uint8_t>& Bytes)
    : FBytes(Bytes.begin(), Bytes.end()) {
  Sync();
}

void TMemoryStream::Sync() { SetPointer(FBytes.data(), FBytes.size()); }

int32_t TMemoryStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  const size_t end = FPosition + size_t(Count);
  if (end > FBytes.size()) FBytes.resize(end);
  std::memcpy(FBytes.data() + FPosition, Buffer, size_t(Count));
  FPosition = end;
  Sync();
  return Count;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  FBytes.resize(size_t(std::max<int64_t>(NewSize, 0)));
  Sync();
  if (FPosition > FSize) FPosition = FSize;
}

void TMemoryStream::Clear() {
  FBytes.clear();
  FBytes.shrink_to_fit();
  FPosition = 0;
  Sync();
}

void TMemoryStream::LoadFromStream(TStream& Source) {
  Source.Seek(0, soBeginning);
  const int64_t size = Source.Size();
  std::string bytes(size_t(std::max<int64_t>(size, 0)), '\0');
  Source.ReadBuffer(bytes.data(), int64_t(bytes.size()));
  FBytes = std::move(bytes);
  FPosition = 0;
  Sync();
}

void TMemoryStream::LoadFromFile(const std::u16string& FileName) {
  TFileStream file(FileName, fmOpenRead);
  LoadFromStream(file);
}

std::string TMemoryStream::TakeBytes() {
  std::string bytes = std::move(FBytes);
  FBytes.clear();
  FPosition = 0;
  Sync();
  return bytes;
}

// ---------------------------------------------------------------------------

namespace {
constexpr size_t kFileBufferSize = 1 << 16;
}

TFileStream::TFileStream(const std::u16string& FileName, TFileMode Mode) {
  const std::string path = WideToPath(FileName);
  if (Mode == fmCreate) {
    FHandle = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (FHandle < 0)
      throw EFCreateError(Format(u"Cannot create file \"%s\". ", FileName) +
                          Utf8ToWide(std::strerror(errno)));
    FWritable = true;
  } else {
    FHandle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (FHandle < 0)
      throw EFOpenError(Format(u"Cannot open file \"%s\". ", FileName) +
                        Utf8ToWide(std::strerror(errno)));
    struct stat st {};
    if (::fstat(FHandle, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(FHandle);
      FHandle = -1;
      throw EFOpenError(Format(u"Cannot open file \"%s\". Not a regular file", FileName));
    }
    FSize = int64_t(st.st_size);
  }
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

int32_t TFileStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0 || FWritable) return 0;
  auto* out = static_cast<uint8_t*>(Buffer);
  int32_t done = 0;
  while (done < Count) {
    // Serve from the buffer when the position lies inside it.
    if (FPosition >= FBufferStart && FPosition < FBufferStart + int64_t(FBufferLength)) {
      const size_t offset = size_t(FPosition - FBufferStart);
      const size_t n = std::min(size_t(Count - done), FBufferLength - offset);
      std::memcpy(out + done, FBuffer.get() + offset, n);
      done += int32_t(n);
      FPosition += int64_t(n);
      continue;
    }
    const size_t want = size_t(Count - done);
    if (want >= kFileBufferSize) {  // large reads bypass the buffer
      const ssize_t got = ::pread(FHandle, out + done, want, FPosition);
      if (got <= 0) break;
      done += int32_t(got);
      FPosition += got;
      continue;
    }
    if (!FBuffer) FBuffer = std::make_unique_for_overwrite<uint8_t[]>(kFileBufferSize);
    const ssize_t got = ::pread(FHandle, FBuffer.get(), kFileBufferSize, FPosition);
    if (got <= 0) {
      FBufferLength = 0;
      break;
    }
    FBufferStart = FPosition;
    FBufferLength = size_t(got);
  }
  return done;
}

size_t TFileStream::ReadAt(int64_t Offset, void* Buffer, size_t Count) const {
  auto* out = static_cast<uint8_t*>(Buffer);
  size_t done = 0;
  while (done < Count) {
    const ssize_t got = ::pread(FHandle, out + done, Count - done, Offset + int64_t(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += size_t(got);
  }
  return done;
}

int32_t TFileStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0 || !FWritable) return 0;
  const ssize_t put = ::pwrite(FHandle, Buffer, size_t(Count), FPosition);
  if (put <= 0) return 0;
  FPosition += put;
  return int32_t(put);
}

int64_t TFileStream::Size() {
  if (!FWritable && FSize >= 0) return FSize;
  struct stat st {};
  if (::fstat(FHandle, &st) != 0) return 0;
  return int64_t(st.st_size);
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t base = 0;
  if (Origin == soCurrent) base = FPosition;
  else if (Origin == soEnd) base = Size();
  int64_t target;
  if (__builtin_add_overflow(base, Offset, &target)) target = Offset < 0 ? 0 : std::numeric_limits<int64_t>::max();
  FPosition = std::max<int64_t>(target, 0);
  return FPosition;
}

// ---------------------------------------------------------------------------

uint8_t ReadU8(TStream& S) {
  uint8_t b;
  S.ReadBuffer(&b, 1);
  return b;
}
uint16_t ReadU16(TStream& S) {
  uint8_t b[2];
  S.ReadBuffer(b, 2);
  return GetU16(b);
}
uint32_t ReadU32(TStream& S) {
  uint8_t b[4];
  S.ReadBuffer(b, 4);
  return GetU32(b);
}
uint64_t ReadU64(TStream& S) {
  uint8_t b[8];
  S.ReadBuffer(b, 8);
  return GetU64(b);
}

std::string ReadRestOfStream(TStream& Stream) {
  const int64_t start = Stream.Position();
  const int64_t size = std::max<int64_t>(0, Stream.Size() - start);
  std::string bytes(size_t(size), '\0');
  for (int64_t done = 0; done < size;) {
    const int32_t chunk = int32_t(std::min<int64_t>(size - done, 1 << 30));
    Stream.ReadBuffer(bytes.data() + done, chunk);
    done += chunk;
  }
  return bytes;
}

}  // namespace msword
