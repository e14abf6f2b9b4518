#include "msword/zip/ZipArchive.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "msword/base/CodePages.h"
#include "msword/zip/Crc32.h"
#include "msword/base/LittleEndian.h"
#include "msword/MSWordCnst.h"
#include "msword/base/Streams.h"
#include "msword/base/WideStrings.h"

namespace msword {

void DecodeCommonFileHeader(const uint8_t* p, TCommonFileHeader& H) {
  H.VersionNeededToExtract = GetU16(p + 0);
  H.GeneralPurposeBitFlag = GetU16(p + 2);
  H.CompressionMethod = GetU16(p + 4);
  H.LastModFileTimeDate = GetU32(p + 6);
  H.Crc32 = GetU32(p + 10);
  H.CompressedSize = GetU32(p + 14);
  H.UncompressedSize = GetU32(p + 18);
  H.FilenameLength = GetU16(p + 22);
  H.ExtraFieldLength = GetU16(p + 24);
}

void DecodeEndOfCentralDir(const uint8_t* p, TEndOfCentralDir& R) {
  R.EndOfCentralDirSignature = GetU32(p + 0);
  R.NumberOfThisDisk = GetU16(p + 4);
  R.NumberOfTheDiskWithTheStart = GetU16(p + 6);
  R.TotalNumberOfEntriesOnThisDisk = GetU16(p + 8);
  R.TotalNumberOfEntries = GetU16(p + 10);
  R.SizeOfTheCentralDirectory = GetU32(p + 12);
  R.OffsetOfStartOfCentralDirectory = GetU32(p + 16);
  R.ZipfileCommentLength = GetU16(p + 20);
}

TZipBytes::TZipBytes(std::string Bytes) : FOffset(0), FLength(Bytes.size()) {
  FBuffer = std::make_shared<const std::string>(std::move(Bytes));
}

// --- TZipByteStream ---

void TZipByteStream::ReadFixed(uint8_t* Buffer, size_t Count) {
  const size_t size = FBytes->size();
  const size_t got = FPosition < size ? std::min(Count, size - FPosition) : 0;
  if (got) std::memcpy(Buffer, FBytes->data() + FPosition, got);
  std::memset(Buffer + got, 0, Count - got);
  FPosition = got ? FPosition + got : std::max(FPosition, size);
}

uint32_t TZipByteStream::ReadU32() {
  uint8_t raw[4];
  ReadFixed(raw, 4);
  return GetU32(raw);
}

TZipBytes TZipByteStream::ReadBytes(size_t Count) {
  const size_t size = FBytes->size();
  const size_t start = std::min(FPosition, size);
  const size_t got = std::min(Count, size - start);
  FPosition = start + got;
  return TZipBytes(FBytes, start, got);
}

// --- TLocalFile ---

void TLocalFile::LoadCentralDirectoryFromStream(TZipByteStream& AStream) {
  uint8_t raw[42];  // everything of the fixed part after the signature
  AStream.ReadFixed(raw, sizeof raw);
  FCentralVersionMadeBy = GetU16(raw + 0);
  DecodeCommonFileHeader(raw + 2, FCentralCommonFileHeader);
  FCentralFileCommentLength = GetU16(raw + 28);
  FCentralDiskNumberStart = GetU16(raw + 30);
  FCentralInternalFileAttributes = GetU16(raw + 32);
  FCentralExternalFileAttributes = GetU32(raw + 34);
  FCentralRelativeOffsetOfLocalHeader = GetU32(raw + 38);
  FCentralFileName = AStream.ReadBytes(FCentralCommonFileHeader.FilenameLength);
  FCentralExtraField = AStream.ReadBytes(FCentralCommonFileHeader.ExtraFieldLength);
  FCentralFileComment = AStream.ReadBytes(FCentralFileCommentLength);
}

void TLocalFile::LoadFileFromStream(TZipByteStream& AStream) {
  uint8_t raw[CommonFileHeaderSize];
  AStream.ReadFixed(raw, sizeof raw);
  DecodeCommonFileHeader(raw, FCommonFileHeader);
  FFileName = AStream.ReadBytes(FCommonFileHeader.FilenameLength);
  FExtraField = AStream.ReadBytes(FCommonFileHeader.ExtraFieldLength);
  uint32_t dataSize = FCommonFileHeader.CompressedSize;
  if (dataSize == 0) dataSize = FCentralCommonFileHeader.CompressedSize;  // data descriptor
  FCompressedData = AStream.ReadBytes(dataSize);
  FHeaderRead = true;
  if (FCollection) FCollection->Changed();
}

void TLocalFile::SetFileName(std::string Value) {
  FFileName = TZipBytes(std::move(Value));
  if (FCollection) FCollection->Changed();
}

void TLocalFile::Assign(const TPersistent* Source) {
  const auto* source = dynamic_cast<const TLocalFile*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  if (FCollection) FCollection->BeginUpdate();
  FLocalFileHeaderSignature = source->FLocalFileHeaderSignature;
  FCommonFileHeader = source->FCommonFileHeader;
  FFileName = source->FFileName;
  FExtraField = source->FExtraField;
  FCompressedData = source->FCompressedData;
  FCentralFileHeaderSignature = source->FCentralFileHeaderSignature;
  FCentralVersionMadeBy = source->FCentralVersionMadeBy;
  FCentralCommonFileHeader = source->FCentralCommonFileHeader;
  FCentralFileCommentLength = source->FCentralFileCommentLength;
  FCentralDiskNumberStart = source->FCentralDiskNumberStart;
  FCentralInternalFileAttributes = source->FCentralInternalFileAttributes;
  FCentralExternalFileAttributes = source->FCentralExternalFileAttributes;
  FCentralRelativeOffsetOfLocalHeader = source->FCentralRelativeOffsetOfLocalHeader;
  FCentralFileName = source->FCentralFileName;
  FCentralExtraField = source->FCentralExtraField;
  FCentralFileComment = source->FCentralFileComment;
  if (FCollection) {
    FCollection->Changed();
    FCollection->EndUpdate();
  }
}

// --- TLocalFiles ---

TLocalFile* TLocalFiles::Add() {
  Changed();
  FItems.push_back(std::make_unique<TLocalFile>(this));
  return FItems.back().get();
}

TLocalFile* TLocalFiles::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw Exception(std::u16string(strZipIndexOutOfRange));
  return FItems[size_t(Index)].get();
}

// --- TZipArchive ---

namespace {

// Reads up to Count bytes (Count may exceed what one Read call takes).
std::string ReadUpTo(TStream& S, int64_t Count) {
  std::string bytes;
  bytes.resize(size_t(Count));
  int64_t got = 0;
  while (got < Count) {
    const int32_t chunk = int32_t(std::min<int64_t>(Count - got, 1 << 30));
    const int32_t n = S.Read(bytes.data() + got, chunk);
    if (n <= 0) break;
    got += n;
  }
  bytes.resize(size_t(got));
  return bytes;
}

// Where the end record starts in Tail, or npos. The record is looked for backwards
// over the largest possible archive comment; a candidate whose comment length
// reaches exactly to the end wins, else the last candidate (trailing bytes that the
// comment length does not count are tolerated).
size_t FindEndOfCentralDir(std::string_view Tail) {
  if (Tail.size() < EndOfCentralDirSize) return std::string_view::npos;
  size_t fallback = std::string_view::npos;
  for (size_t i = Tail.size() - EndOfCentralDirSize + 1; i-- > 0;) {
    const auto* p = reinterpret_cast<const uint8_t*>(Tail.data() + i);
    if (GetU32(p) != END_OF_CENTRAL_DIR_SIGNATURE) continue;
    if (i + EndOfCentralDirSize + GetU16(p + 20) == Tail.size()) return i;
    if (fallback == std::string_view::npos) fallback = i;
  }
  return fallback;
}

[[noreturn]] void RaiseCRCError(std::string_view Name) {
  throw EZipFileCRCError(Format(strZipCRCError, AnsiToWide(Name)));
}
[[noreturn]] void RaiseTooLarge(std::string_view Name) {
  throw Exception(Format(strZipEntryTooLarge, AnsiToWide(Name)));
}

// Deflate cannot expand its input by much more than this, so a recorded size above
// it cannot come true; such an output buffer grows as bytes arrive instead.
constexpr uint64_t kMaxDeflateRatio = 1032;

// Inflates the raw deflate data Data into at most Limit bytes. Sets Overflow when
// Limit bytes came out and the data still had more to give.
std::string Inflate(std::string_view Data, uint64_t Limit, bool& Overflow) {
  Overflow = false;
  std::string out;
  const uint64_t plausible = uint64_t(Data.size()) * kMaxDeflateRatio + 65536;
  out.resize(size_t(std::min(Limit, plausible)));
  z_stream zs{};
  if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) throw EOutOfMemory();
  struct TEnd {
    z_stream& Z;
    ~TEnd() { inflateEnd(&Z); }
  } end{zs};
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Data.data()));
  zs.avail_in = uInt(Data.size());  // a recorded size: below 4 GiB
  uint64_t produced = 0;
  for (;;) {
    if (produced == out.size()) {
      if (produced >= Limit) {
        // Ask for one more byte: does the data go beyond the limit?
        char probe;
        zs.next_out = reinterpret_cast<Bytef*>(&probe);
        zs.avail_out = 1;
        const int ret = inflate(&zs, Z_SYNC_FLUSH);
        Overflow = zs.avail_out == 0 && (ret == Z_OK || ret == Z_STREAM_END);
        break;
      }
      out.resize(size_t(std::min<uint64_t>(Limit, std::max<uint64_t>(out.size() * 2, 65536))));
    }
    const uint64_t room = std::min<uint64_t>(out.size() - produced, 1u << 30);
    zs.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
    zs.avail_out = uInt(room);
    const int ret = inflate(&zs, Z_SYNC_FLUSH);
    produced += room - zs.avail_out;
    if (ret == Z_STREAM_END) break;
    if (ret == Z_BUF_ERROR) break;  // the data ends before the stream does
    if (ret != Z_OK) {
      const char* msg = zs.msg ? zs.msg : zError(ret);
      throw Exception(Utf8ToWide(msg));
    }
  }
  out.resize(size_t(produced));
  return out;
}

// Maps the pages of a large buffer about to be written in one call, which costs less
// than taking them one fault at a time; a system that cannot leaves them to the faults.
void PrefaultForWriting(char* Buffer, size_t Size) {
#if defined(__linux__)
  constexpr int kPopulateWrite = 23;  // MADV_POPULATE_WRITE, Linux 5.14
  const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  const uintptr_t from = (reinterpret_cast<uintptr_t>(Buffer) + page - 1) & ~(page - 1);
  const uintptr_t to = (reinterpret_cast<uintptr_t>(Buffer) + Size) & ~(page - 1);
  if (Size >= (size_t(1) << 20) && to > from) madvise(reinterpret_cast<void*>(from), to - from, kPopulateWrite);
#else
  (void)Buffer;
  (void)Size;
#endif
}

// The whole entry inflated at once into exactly Size bytes. True only when the data
// is a complete deflate stream of exactly Size bytes whose CRC matches one of the
// recorded ones; anything else (damaged data, another size, a wrong CRC) leaves the
// step-by-step inflation to decide, and to word the error, as it always has.
bool InflateWhole(std::string_view Data, uint32_t Size, uint32_t LocalCrc, uint32_t CentralCrc,
                  std::string& Out) {
  struct TFree {
    void operator()(libdeflate_decompressor* D) const { libdeflate_free_decompressor(D); }
  };
  const std::unique_ptr<libdeflate_decompressor, TFree> decompressor(libdeflate_alloc_decompressor());
  if (!decompressor) throw EOutOfMemory();
  Out.reserve(Size);
  PrefaultForWriting(Out.data(), Size);
  Out.resize(Size);
  size_t produced = 0;
  const libdeflate_result result =
      libdeflate_deflate_decompress(decompressor.get(), Data.data(), Data.size(), Out.data(), Size, &produced);
  if (result == LIBDEFLATE_SUCCESS && produced == Size) {
    const uint32_t crc = ZipCRC32(Out);
    if (crc == LocalCrc || crc == CentralCrc) return true;
  }
  Out = std::string();  // the buffer goes before the other path makes its own
  return false;
}

}  // namespace

TZipArchive::TZipArchive(TComponent* AOwner)
    : TComponent(AOwner), FFiles(std::make_unique<TLocalFiles>(this)) {}

TZipArchive::~TZipArchive() = default;

void TZipArchive::LoadFromStream(TStream* ZipFileStream) {
  FFiles->Clear();
  FEndOfCentralDirectory = TEndOfCentralDir();
  if (!ZipFileStream) return;
  TStream& S = *ZipFileStream;
  const int64_t oldPos = S.Position();
  const int64_t available = S.Size() - oldPos;
  if (available < int64_t(EndOfCentralDirSize)) return;

  // The end record: within the last 22 + 65,535 bytes.
  const int64_t tailSize = std::min<int64_t>(available, EndOfCentralDirSize + 0xFFFF);
  S.SetPosition(oldPos + available - tailSize);
  const std::string tail = ReadUpTo(S, tailSize);
  S.SetPosition(oldPos);
  const size_t at = FindEndOfCentralDir(tail);
  if (at == std::string::npos) return;
  DecodeEndOfCentralDir(reinterpret_cast<const uint8_t*>(tail.data() + at), FEndOfCentralDirectory);
  if (FEndOfCentralDirectory.TotalNumberOfEntries == 0) return;

  // The archive proper, up to the end record, read once; entries are views into it.
  const int64_t archiveSize = available - tailSize + int64_t(at) + int64_t(EndOfCentralDirSize);
  auto bytes = std::make_shared<const std::string>(ReadUpTo(S, archiveSize));
  TZipByteStream directory(bytes, FEndOfCentralDirectory.OffsetOfStartOfCentralDirectory);
  for (uint32_t n = FEndOfCentralDirectory.TotalNumberOfEntries; n > 0; --n) {
    // Past the end no further signature can match.
    if (directory.Position() >= directory.Size()) break;
    if (directory.ReadU32() != CENTRAL_FILE_HEADER_SIGNATURE) continue;  // no resynchronisation
    TLocalFile* file = FFiles->Add();
    file->FCentralFileHeaderSignature = CENTRAL_FILE_HEADER_SIGNATURE;
    file->LoadCentralDirectoryFromStream(directory);
    if (!file->FHeaderRead) {
      TZipByteStream local(bytes, file->FCentralRelativeOffsetOfLocalHeader);
      if (local.ReadU32() == LOCAL_FILE_HEADER_SIGNATURE) file->LoadFileFromStream(local);
    }
  }
}

void TZipArchive::LoadFromFile(const std::u16string& FileName) {
  TFileStream stream(FileName, fmOpenRead);
  LoadFromStream(&stream);
}

void TZipArchive::GetFileNames(TWideStrings* lstFiles) const {
  if (!lstFiles) return;
  for (int i = 0; i < FFiles->Count(); ++i) lstFiles->Add(AnsiToWide(FFiles->Items(i)->FileName()));
}

namespace {

std::u16string FoldedName(std::u16string Name) {
  for (char16_t& c : Name)
    if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
  return Name;
}

}  // namespace

int TZipArchive::GetIndexByFileName(std::u16string_view AFileName) const {
  if (FIndexChanges != FFiles->Changes()) {
    FIndex.clear();
    FIndex.reserve(size_t(FFiles->Count()));
    for (int i = 0; i < FFiles->Count(); ++i) FIndex.emplace(FoldedName(AnsiToWide(FFiles->Items(i)->FileName())), i);
    FIndexChanges = FFiles->Changes();
  }
  const auto it = FIndex.find(FoldedName(std::u16string(AFileName)));
  return it == FIndex.end() ? -1 : it->second;
}

std::string TZipArchive::GetUncompressed(int i) const {
  if (i < 0 || i >= FFiles->Count()) throw Exception(std::u16string(strZipIndexOutOfRange));
  const TLocalFile& file = *FFiles->Items(i);
  const TCommonFileHeader& local = file.FCommonFileHeader;
  const TCommonFileHeader& central = file.FCentralCommonFileHeader;
  const uint32_t size = local.UncompressedSize ? local.UncompressedSize : central.UncompressedSize;
  const uint16_t method = file.FHeaderRead ? local.CompressionMethod : central.CompressionMethod;
  const std::string_view data = file.CompressedData();
  if (FBudget) {
    FBudget->ChargeParts(1);
    FBudget->ChargeInflated(std::min<uint64_t>(size, FMaxEntrySize));
  }

  // Stored entries come back as recorded, without a CRC check; data that ends before
  // the recorded size is damaged. Methods this reader does not know are taken as
  // stored when both sizes agree.
  if (method == 0 || (method != 8 && size == local.CompressedSize)) {
    if (size > FMaxEntrySize) RaiseTooLarge(file.FileName());
    if (data.size() < size) RaiseCRCError(file.FileName());
    return std::string(data.substr(0, size));
  }

  std::string result;
  // Sound entries, nearly all of them, inflate in one call into a buffer of their
  // recorded size (within the bounds the step-by-step path would allocate anyway).
  const uint64_t plausible = uint64_t(data.size()) * kMaxDeflateRatio + 65536;
  if (size > 0 && size <= FMaxEntrySize && size <= plausible &&
      InflateWhole(data, size, local.Crc32, central.Crc32, result))
    return result;
  if (size > 0) {
    bool overflow = false;
    result = Inflate(data, std::min<uint64_t>(size, FMaxEntrySize), overflow);
    if (overflow) RaiseTooLarge(file.FileName());
    if (result.size() < size) RaiseCRCError(file.FileName());
  }
  const uint32_t crc = ZipCRC32(result);
  if (crc != local.Crc32 && crc != central.Crc32) RaiseCRCError(file.FileName());
  return result;
}

std::u16string TZipArchive::DecompressFileName(const std::u16string& AFileName) const {
  int index = GetIndexByFileName(AFileName);
  if (index < 0) {
    std::u16string backslashed = AFileName;
    std::replace(backslashed.begin(), backslashed.end(), u'/', u'\\');
    index = GetIndexByFileName(backslashed);
  }
  if (index < 0) return {};
  return AnsiToWide(GetUncompressed(index));
}

}  // namespace msword
