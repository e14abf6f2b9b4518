// A compound file opened for reading (the OLE2 structured-storage container of
// ".doc" files): header, FAT, mini FAT, mini stream and directory, read from a file
// kept open or from bytes the object owns. Storages and streams keep it alive by a
// counted reference.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "msword/base/Streams.h"
#include "msword/storage/Directory.h"
#include "msword/storage/Fat.h"
#include "msword/storage/Header.h"
#include "msword/storage/Storage.h"
#include "msword/storage/StorageStream.h"

namespace msword::storage {

// True when the file starts with the compound-file signature; false when it does
// not, or cannot be read.
bool IsCompoundFile(const std::u16string& FileName);
// The same for a file already open.
bool IsCompoundFile(const TFileStream& File);

class TCompoundFile : public std::enable_shared_from_this<TCompoundFile> {
 public:
  static constexpr uint64_t WHOLE_FILE_LIMIT = 256 * 1024;
  // Files up to WHOLE_FILE_LIMIT bytes are read whole at once. A larger one is
  // kept open and its header, FAT, directory and mini FAT read; streams are read
  // from the file when they are read (others may go on reading and writing it: a
  // file cut short meanwhile raises EReadError on a later read). A missing or
  // unreadable file raises EFOpenError or EReadError, a file without the
  // signature EStorageError, a damaged one EStorageCorrupt.
  static std::shared_ptr<TCompoundFile> OpenFile(const std::u16string& FileName);
  // The same with the file already open (FileName names it in messages).
  static std::shared_ptr<TCompoundFile> OpenFile(std::unique_ptr<TFileStream> File,
                                                 const std::u16string& FileName);
  // Takes over a block holding a whole compound file; raises as OpenFile does.
  static std::shared_ptr<TCompoundFile> OpenMemory(std::string Bytes);

  std::unique_ptr<TStorage> Root() const;

  const TCompoundFileHeader& Header() const { return FHeader; }
  const TDirectory& Directory() const { return *FDirectory; }
  uint32_t SectorSize() const { return FSectorSize; }
  // The bytes of every sector after the header: a sound chain visits a sector at
  // most once, so no stream can hold more, whatever size its entry records.
  uint64_t SectorBytes() const { return FSectorCount * FSectorSize; }
  // Copies Count bytes at Offset of the file, which reads as padded with zeros to
  // a whole number of sectors; the caller keeps Offset + Count within that.
  void ReadAt(uint64_t Offset, void* Buffer, size_t Count) const;
  // Where the bytes of stream EntryId lie, as far as its chain is sound.
  TStreamLayout StreamLayout(uint32_t EntryId) const;

 private:
  TCompoundFile(std::string Bytes, std::unique_ptr<TFileStream> File, uint64_t FileSize);
  void ReadFat();
  void ReadDirectory();
  void ReadMiniStream();
  // Raises EStorageCorrupt naming What unless every sector lies in the file.
  void CheckInFile(const std::vector<uint32_t>& Sectors, std::u16string_view What) const;
  // Cuts Sectors before the first one that lies past the end of the file; true
  // when something was cut.
  bool CutAtEndOfFile(std::vector<uint32_t>& Sectors) const;
  std::vector<uint32_t> ReadTable(const std::vector<uint32_t>& Sectors) const;
  uint64_t SectorOffset(uint32_t Sector) const { return (uint64_t(Sector) + 1) << FHeader.SectorShift; }

  // The bytes come from one of the two: a block in memory, or the open file.
  std::string FBytes;
  std::unique_ptr<TFileStream> FFile;
  uint64_t FFileSize = 0;  // bytes in the file (or the block), before padding
  TCompoundFileHeader FHeader;
  uint32_t FSectorSize = 0;
  uint64_t FSectorCount = 0;  // sectors after the header
  TFat FFat;
  std::unique_ptr<TDirectory> FDirectory;
  // The mini FAT and the sectors of the mini stream, both cut where their chains
  // are damaged: the small streams beyond that point cannot be read.
  TFat FMiniFat;
  std::vector<uint32_t> FMiniStreamSectors;
  uint64_t FMiniStreamSize = 0;
};

}  // namespace msword::storage
