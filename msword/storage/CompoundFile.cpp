#include "msword/storage/CompoundFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "msword/base/LittleEndian.h"
#include "msword/base/Streams.h"
#include "msword/storage/StorageError.h"

namespace msword::storage {

bool IsCompoundFile(const std::u16string& FileName) {
  try {
    const TFileStream file(FileName, fmOpenRead);
    return IsCompoundFile(file);
  } catch (const Exception&) {
    return false;
  }
}

bool IsCompoundFile(const TFileStream& File) {
  try {
    uint8_t signature[8];
    return File.ReadAt(0, signature, 8) == 8 && HasCompoundFileSignature(signature, 8);
  } catch (const Exception&) {
    return false;
  }
}

std::shared_ptr<TCompoundFile> TCompoundFile::OpenFile(const std::u16string& FileName) {
  return OpenFile(std::make_unique<TFileStream>(FileName, fmOpenRead), FileName);
}

std::shared_ptr<TCompoundFile> TCompoundFile::OpenFile(std::unique_ptr<TFileStream> File,
                                                       const std::u16string& FileName) {
  const int64_t size = File->Size();
  if (size >= int64_t(HEADER_SIZE) && uint64_t(size) <= WHOLE_FILE_LIMIT) {
    // A small file is read in one call: its header, tables and streams would
    // otherwise take dozens of reads of a sector or two each.
    std::string bytes(size_t(size), '\0');
    if (File->ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) throw EReadError();
    if (!HasCompoundFileSignature(reinterpret_cast<const uint8_t*>(bytes.data()), 8))
      throw EStorageError(Format(strStgFileNotCompoundFile, FileName));
    return std::shared_ptr<TCompoundFile>(new TCompoundFile(std::move(bytes), nullptr, uint64_t(size)));
  }
  uint8_t signature[8];
  if (File->ReadAt(0, signature, 8) != 8 || !HasCompoundFileSignature(signature, 8) || size < int64_t(HEADER_SIZE))
    throw EStorageError(Format(strStgFileNotCompoundFile, FileName));
  return std::shared_ptr<TCompoundFile>(new TCompoundFile(std::string(), std::move(File), uint64_t(size)));
}

std::shared_ptr<TCompoundFile> TCompoundFile::OpenMemory(std::string Bytes) {
  const uint64_t size = Bytes.size();
  return std::shared_ptr<TCompoundFile>(new TCompoundFile(std::move(Bytes), nullptr, size));
}

TCompoundFile::TCompoundFile(std::string Bytes, std::unique_ptr<TFileStream> File, uint64_t FileSize)
    : FBytes(std::move(Bytes)), FFile(std::move(File)), FFileSize(FileSize) {
  if (FFileSize < HEADER_SIZE) throw EStorageError(std::u16string(strStgNotCompoundFile));
  uint8_t header[HEADER_SIZE];
  ReadAt(0, header, HEADER_SIZE);
  DecodeHeader(header, FHeader);
  FSectorSize = uint32_t(1) << FHeader.SectorShift;
  // A last sector cut short reads as zeros; so does the rest of a version 4
  // header sector.
  FSectorCount = (FFileSize + FSectorSize - 1) / FSectorSize - 1;
  ReadFat();
  ReadDirectory();
  ReadMiniStream();
}

void TCompoundFile::ReadAt(uint64_t Offset, void* Buffer, size_t Count) const {
  auto* out = static_cast<uint8_t*>(Buffer);
  const size_t present = Offset >= FFileSize ? 0 : size_t(std::min<uint64_t>(Count, FFileSize - Offset));
  if (present > 0) {
    if (FFile) {
      // The file was this long when it was opened: less now means someone cut it.
      if (FFile->ReadAt(int64_t(Offset), out, present) != present) throw EReadError();
    } else {
      std::memcpy(out, FBytes.data() + Offset, present);
    }
  }
  if (present < Count) std::memset(out + present, 0, Count - present);
}

void TCompoundFile::CheckInFile(const std::vector<uint32_t>& Sectors, std::u16string_view What) const {
  for (uint32_t s : Sectors)
    if (s >= FSectorCount)
      throw EStorageCorrupt(std::u16string(What).append(u" lies beyond the end of the file"));
}

bool TCompoundFile::CutAtEndOfFile(std::vector<uint32_t>& Sectors) const {
  const auto beyond =
      std::find_if(Sectors.begin(), Sectors.end(), [&](uint32_t s) { return s >= FSectorCount; });
  if (beyond == Sectors.end()) return false;
  Sectors.erase(beyond, Sectors.end());
  return true;
}

std::vector<uint32_t> TCompoundFile::ReadTable(const std::vector<uint32_t>& Sectors) const {
  const uint32_t perSector = FSectorSize / 4;
  std::vector<uint32_t> next(Sectors.size() * perSector);
  std::vector<uint8_t> sector(FSectorSize);
  for (size_t i = 0; i < Sectors.size(); ++i) {
    ReadAt(SectorOffset(Sectors[i]), sector.data(), FSectorSize);
    for (uint32_t j = 0; j < perSector; ++j) next[i * perSector + j] = GetU32(sector.data() + 4 * j);
  }
  return next;
}

void TCompoundFile::ReadFat() {
  const uint32_t fatSectors = FHeader.NumFatSectors;
  // Each FAT sector is a sector of the file: a larger count is damage, found
  // before anything is sized from it.
  if (fatSectors > FSectorCount) throw EStorageCorrupt(u"the FAT claims more sectors than the file holds");
  std::vector<uint32_t> locations(FHeader.Difat.begin(),
                                  FHeader.Difat.begin() + std::min<size_t>(fatSectors, HEADER_DIFAT_COUNT));
  locations.reserve(fatSectors);
  // The rest of the FAT's sector numbers are in the DIFAT chain, each DIFAT sector
  // ending with the number of the next.
  const uint32_t perDifatSector = FSectorSize / 4 - 1;
  std::vector<bool> visited(FSectorCount);
  std::vector<uint8_t> sector(FSectorSize);
  for (uint32_t s = FHeader.FirstDifatSector; locations.size() < fatSectors;) {
    if (s >= FSectorCount) throw EStorageCorrupt(u"the DIFAT chain ends before the FAT is complete");
    if (visited[s]) throw EStorageCorrupt(u"the DIFAT chain loops");
    visited[s] = true;
    ReadAt(SectorOffset(s), sector.data(), FSectorSize);
    const uint8_t* p = sector.data();
    for (uint32_t i = 0; i < perDifatSector && locations.size() < fatSectors; ++i)
      locations.push_back(GetU32(p + 4 * i));
    s = GetU32(p + 4 * perDifatSector);
  }
  CheckInFile(locations, u"a FAT sector");
  FFat = TFat(ReadTable(locations));
}

void TCompoundFile::ReadDirectory() {
  // The directory has no size: it ends with its chain, or where the file ends
  // (some writers leave a last directory sector out). A loop is damage.
  TChain chain = FFat.Chain(FHeader.FirstDirectorySector, std::numeric_limits<uint64_t>::max());
  if (chain.Break == cbLoop) throw EStorageCorrupt(ChainBreakText(cbLoop, u"the directory"));
  CutAtEndOfFile(chain.Sectors);
  const size_t perSector = FSectorSize / DIRECTORY_ENTRY_SIZE;
  const bool version3 = FHeader.MajorVersion == 3;
  std::vector<TDirectoryEntry> entries(chain.Sectors.size() * perSector);
  std::vector<uint8_t> sector(FSectorSize);
  for (size_t i = 0; i < chain.Sectors.size(); ++i) {
    ReadAt(SectorOffset(chain.Sectors[i]), sector.data(), FSectorSize);
    const uint8_t* p = sector.data();
    for (size_t j = 0; j < perSector; ++j)
      DecodeDirectoryEntry(p + j * DIRECTORY_ENTRY_SIZE, version3, entries[i * perSector + j]);
  }
  if (entries.empty() || entries[0].ObjectType != STGTY_ROOT)
    throw EStorageCorrupt(u"the directory has no root entry");
  FDirectory = std::make_unique<TDirectory>(std::move(entries));
}

void TCompoundFile::ReadMiniStream() {
  const TDirectoryEntry& root = FDirectory->Entry(0);
  if (root.StreamSize == 0) return;
  const uint64_t needed = (root.StreamSize + FSectorSize - 1) / FSectorSize;
  FMiniStreamSectors = FFat.Chain(root.StartingSector, needed).Sectors;
  CutAtEndOfFile(FMiniStreamSectors);
  FMiniStreamSize = std::min<uint64_t>(root.StreamSize, uint64_t(FMiniStreamSectors.size()) * FSectorSize);
  if (FHeader.FirstMiniFatSector == ENDOFCHAIN || FHeader.FirstMiniFatSector == FREESECT) return;
  std::vector<uint32_t> sectors =
      FFat.Chain(FHeader.FirstMiniFatSector, std::numeric_limits<uint64_t>::max()).Sectors;
  CutAtEndOfFile(sectors);
  FMiniFat = TFat(ReadTable(sectors));
}

namespace {
// Appends Length bytes at FileOffset to the layout, joining them to the last run
// when they follow it in the file.
void AddRun(TStreamLayout& Layout, uint64_t FileOffset, uint64_t Length) {
  std::vector<TStreamRun>& runs = Layout.Runs;
  if (!runs.empty() && runs.back().FileOffset + runs.back().Length == FileOffset)
    runs.back().Length += Length;
  else
    runs.push_back({Layout.Readable, FileOffset, Length});
  Layout.Readable += Length;
}
}  // namespace

TStreamLayout TCompoundFile::StreamLayout(uint32_t EntryId) const {
  const TDirectoryEntry& entry = FDirectory->Entry(EntryId);
  const uint64_t size = entry.StreamSize;
  TStreamLayout layout;
  if (size == 0) return layout;
  const std::u16string what = u"stream \"" + entry.Name + u"\"";
  const bool mini = size < MINI_STREAM_CUTOFF;
  const uint32_t unit = mini ? uint32_t(1) << FHeader.MiniSectorShift : FSectorSize;
  const uint64_t needed = (size + unit - 1) / unit;
  TChain chain = (mini ? FMiniFat : FFat).Chain(entry.StartingSector, needed);
  for (uint32_t s : chain.Sectors) {
    uint64_t fileOffset;
    if (mini) {
      const uint64_t offset = uint64_t(s) * unit;
      if (offset >= FMiniStreamSize) {
        layout.Damage = what + u" lies beyond the end of the mini stream";
        break;
      }
      fileOffset = SectorOffset(FMiniStreamSectors[offset / FSectorSize]) + offset % FSectorSize;
    } else {
      if (s >= FSectorCount) {
        layout.Damage = what + u" lies beyond the end of the file";
        break;
      }
      fileOffset = SectorOffset(s);
    }
    AddRun(layout, fileOffset, std::min<uint64_t>(unit, size - layout.Readable));
  }
  if (layout.Readable < size && layout.Damage.empty())
    layout.Damage = chain.Break != cbNone ? ChainBreakText(chain.Break, what)
                                          : u"the chain of " + what + u" is shorter than its size";
  return layout;
}

std::unique_ptr<TStorage> TCompoundFile::Root() const {
  return std::make_unique<TStorage>(shared_from_this(), 0);
}

}  // namespace msword::storage
