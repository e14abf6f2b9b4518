// TZipArchive: the reader of the zip container of ".docx" packages. It lists the
// entries of the central directory, finds them by name and returns their content,
// inflated and checked against its CRC-32. No writing, encryption, multi-disk
// archives or 64-bit extensions.
//
// The archive's bytes are read once; every entry's names and data are views into
// them, so no field of the archive sizes an allocation. Offsets in the archive count
// from where it starts in the stream (a package may sit behind a 12-byte "BDOC"
// header).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "msword/base/Classes.h"
#include "msword/base/DocumentBudget.h"
#include "msword/base/Exceptions.h"

namespace msword {

class TStream;
class TWideStrings;
class TZipArchive;
class TLocalFiles;

inline constexpr uint32_t LOCAL_FILE_HEADER_SIGNATURE = 0x04034B50;    // "PK", 3, 4
inline constexpr uint32_t CENTRAL_FILE_HEADER_SIGNATURE = 0x02014B50;  // "PK", 1, 2
inline constexpr uint32_t END_OF_CENTRAL_DIR_SIGNATURE = 0x06054B50;   // "PK", 5, 6

// The 26 bytes that a local header and a central directory entry share.
struct TCommonFileHeader {
  uint16_t VersionNeededToExtract = 0;  // 0
  uint16_t GeneralPurposeBitFlag = 0;   // 2
  uint16_t CompressionMethod = 0;       // 4: 0 stored, 8 deflated
  uint32_t LastModFileTimeDate = 0;     // 6: DOS time in the low word, DOS date in the high word
  uint32_t Crc32 = 0;                   // 10
  uint32_t CompressedSize = 0;          // 14
  uint32_t UncompressedSize = 0;        // 18
  uint16_t FilenameLength = 0;          // 22
  uint16_t ExtraFieldLength = 0;        // 24
};
inline constexpr size_t CommonFileHeaderSize = 26;
void DecodeCommonFileHeader(const uint8_t* p, TCommonFileHeader& H);

// The 22-byte end-of-central-directory record.
struct TEndOfCentralDir {
  uint32_t EndOfCentralDirSignature = 0;         // 0
  uint16_t NumberOfThisDisk = 0;                 // 4
  uint16_t NumberOfTheDiskWithTheStart = 0;      // 6
  uint16_t TotalNumberOfEntriesOnThisDisk = 0;   // 8
  uint16_t TotalNumberOfEntries = 0;             // 10
  uint32_t SizeOfTheCentralDirectory = 0;        // 12
  uint32_t OffsetOfStartOfCentralDirectory = 0;  // 16: from the start of the archive
  uint16_t ZipfileCommentLength = 0;             // 20
};
inline constexpr size_t EndOfCentralDirSize = 22;
void DecodeEndOfCentralDir(const uint8_t* p, TEndOfCentralDir& R);

// The content of an entry matches neither of its recorded CRCs (or came out short).
class EZipFileCRCError : public Exception {
 public:
  using Exception::Exception;
};

// A run of bytes of an archive: a view into the bytes it read, which it keeps alive.
// Values set by a caller own their bytes.
class TZipBytes {
 public:
  TZipBytes() = default;
  explicit TZipBytes(std::string Bytes);
  TZipBytes(std::shared_ptr<const std::string> Buffer, size_t Offset, size_t Length)
      : FBuffer(std::move(Buffer)), FOffset(Offset), FLength(Length) {}
  std::string_view View() const {
    return FBuffer ? std::string_view(*FBuffer).substr(FOffset, FLength) : std::string_view();
  }
  size_t Size() const { return FLength; }

 private:
  std::shared_ptr<const std::string> FBuffer;
  size_t FOffset = 0;
  size_t FLength = 0;
};

// A cursor over an archive's bytes. Reads past the end deliver fewer bytes, as a
// stream's plain read does; what did not arrive reads as zero.
class TZipByteStream {
 public:
  explicit TZipByteStream(std::shared_ptr<const std::string> Bytes, size_t Position = 0)
      : FBytes(std::move(Bytes)), FPosition(Position) {}
  size_t Size() const { return FBytes->size(); }
  size_t Position() const { return FPosition; }
  void SetPosition(size_t Value) { FPosition = Value; }
  // Count bytes from the position into Buffer (zero-filled where the bytes end).
  void ReadFixed(uint8_t* Buffer, size_t Count);
  uint32_t ReadU32();
  // A view of up to Count bytes from the position; the position moves past them.
  TZipBytes ReadBytes(size_t Count);

 private:
  std::shared_ptr<const std::string> FBytes;
  size_t FPosition;
};

// One entry of an archive: its local header and data, and its central directory entry.
class TLocalFile : public TPersistent {
 public:
  explicit TLocalFile(TLocalFiles* ACollection) : FCollection(ACollection) {}

  // Reads one central directory entry; its signature has been consumed.
  void LoadCentralDirectoryFromStream(TZipByteStream& AStream);
  // Reads one local header and the data after it; the signature has been consumed.
  // The data is the local CompressedSize bytes, or the central one's when the local
  // header records 0 (sizes kept in a data descriptor), cut where the archive ends.
  void LoadFileFromStream(TZipByteStream& AStream);
  // Copies every field but HeaderRead from another entry; anything else is refused.
  void Assign(const TPersistent* Source) override;

  uint32_t LocalFileHeaderSignature() const { return FLocalFileHeaderSignature; }
  void SetLocalFileHeaderSignature(uint32_t Value) { FLocalFileHeaderSignature = Value; }
  const TCommonFileHeader& CommonFileHeader() const { return FCommonFileHeader; }
  void SetCommonFileHeader(const TCommonFileHeader& Value) { FCommonFileHeader = Value; }
  // The name from the local header: the one look-ups use (empty when the local
  // header could not be read).
  std::string_view FileName() const { return FFileName.View(); }
  void SetFileName(std::string Value);
  std::string_view ExtraField() const { return FExtraField.View(); }
  void SetExtraField(std::string Value) { FExtraField = TZipBytes(std::move(Value)); }
  std::string_view CompressedData() const { return FCompressedData.View(); }
  void SetCompressedData(std::string Value) { FCompressedData = TZipBytes(std::move(Value)); }
  uint32_t CentralFileHeaderSignature() const { return FCentralFileHeaderSignature; }
  void SetCentralFileHeaderSignature(uint32_t Value) { FCentralFileHeaderSignature = Value; }
  uint16_t CentralVersionMadeBy() const { return FCentralVersionMadeBy; }
  void SetCentralVersionMadeBy(uint16_t Value) { FCentralVersionMadeBy = Value; }
  const TCommonFileHeader& CentralCommonFileHeader() const { return FCentralCommonFileHeader; }
  void SetCentralCommonFileHeader(const TCommonFileHeader& Value) { FCentralCommonFileHeader = Value; }
  uint16_t CentralFileCommentLength() const { return FCentralFileCommentLength; }
  void SetCentralFileCommentLength(uint16_t Value) { FCentralFileCommentLength = Value; }
  uint16_t CentralDiskNumberStart() const { return FCentralDiskNumberStart; }
  void SetCentralDiskNumberStart(uint16_t Value) { FCentralDiskNumberStart = Value; }
  uint16_t CentralInternalFileAttributes() const { return FCentralInternalFileAttributes; }
  void SetCentralInternalFileAttributes(uint16_t Value) { FCentralInternalFileAttributes = Value; }
  uint32_t CentralExternalFileAttributes() const { return FCentralExternalFileAttributes; }
  void SetCentralExternalFileAttributes(uint32_t Value) { FCentralExternalFileAttributes = Value; }
  uint32_t CentralRelativeOffsetOfLocalHeader() const { return FCentralRelativeOffsetOfLocalHeader; }
  void SetCentralRelativeOffsetOfLocalHeader(uint32_t Value) { FCentralRelativeOffsetOfLocalHeader = Value; }
  std::string_view CentralFileName() const { return FCentralFileName.View(); }
  void SetCentralFileName(std::string Value) { FCentralFileName = TZipBytes(std::move(Value)); }
  std::string_view CentralExtraField() const { return FCentralExtraField.View(); }
  void SetCentralExtraField(std::string Value) { FCentralExtraField = TZipBytes(std::move(Value)); }
  std::string_view CentralFileComment() const { return FCentralFileComment.View(); }
  void SetCentralFileComment(std::string Value) { FCentralFileComment = TZipBytes(std::move(Value)); }
  bool HeaderRead() const { return FHeaderRead; }

 protected:
  const char* ClassName() const override { return "TLocalFile"; }
  bool FHeaderRead = false;

 private:
  friend class TZipArchive;
  TLocalFiles* FCollection;
  uint32_t FLocalFileHeaderSignature = 0;
  TCommonFileHeader FCommonFileHeader;
  TZipBytes FFileName;
  TZipBytes FExtraField;
  TZipBytes FCompressedData;
  uint32_t FCentralFileHeaderSignature = 0;
  uint16_t FCentralVersionMadeBy = 0;
  TCommonFileHeader FCentralCommonFileHeader;
  uint16_t FCentralFileCommentLength = 0;
  uint16_t FCentralDiskNumberStart = 0;
  uint16_t FCentralInternalFileAttributes = 0;
  uint32_t FCentralExternalFileAttributes = 0;
  uint32_t FCentralRelativeOffsetOfLocalHeader = 0;
  TZipBytes FCentralFileName;
  TZipBytes FCentralExtraField;
  TZipBytes FCentralFileComment;
};

// The ordered, owning list of an archive's entries.
class TLocalFiles : public TPersistent {
 public:
  explicit TLocalFiles(TZipArchive* ACntrl) : FControl(ACntrl) {}

  TZipArchive* OwnerControl() const { return FControl; }
  TZipArchive* Owner() const { return FControl; }
  int Count() const { return int(FItems.size()); }
  // Appends a new empty entry and returns it.
  TLocalFile* Add();
  void Clear() {
    Changed();
    FItems.clear();
  }
  // The entry at Index; outside the list raises "Index out of range.".
  TLocalFile* Items(int Index) const;
  // Copies Value's fields into the entry at Index.
  void SetItems(int Index, const TLocalFile* Value) { Items(Index)->Assign(Value); }
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate() { --FUpdateCount; }
  // Counts the changes of the list and of its entries' names: an index by name
  // built at one count is stale at another.
  uint64_t Changes() const { return FChanges; }
  void Changed() { ++FChanges; }

 protected:
  const char* ClassName() const override { return "TLocalFiles"; }

 private:
  TZipArchive* FControl;
  std::vector<std::unique_ptr<TLocalFile>> FItems;
  int FUpdateCount = 0;
  uint64_t FChanges = 0;
};

class TZipArchive : public TComponent {
 public:
  explicit TZipArchive(TComponent* AOwner);
  ~TZipArchive() override;

  // Builds the entry list from the archive that starts at the stream's position.
  // A stream that holds no end-of-central-directory record gives no entries and no
  // error; so do damaged directory entries (they are passed over or give entries
  // without name and data).
  void LoadFromStream(TStream* ZipFileStream);
  // Opens the file for reading (others may read it too) and loads it.
  void LoadFromFile(const std::u16string& FileName);

  int GetCount() const { return FFiles->Count(); }
  int Count() const { return GetCount(); }
  // Appends every entry's name, in entry order; Files is not cleared first.
  void GetFileNames(TWideStrings* lstFiles) const;
  // Position of the first entry whose name matches, ignoring the case of ASCII
  // letters only; -1 when none does. Names are looked up in an index built on the
  // first look-up (a package may have tens of thousands of entries and parts that
  // name as many).
  int GetIndexByFileName(std::u16string_view AFileName) const;
  // The content of entry i, checked against its CRC. Stored entries (method 0) come
  // back as recorded; deflated ones are inflated up to the recorded size. Raises
  // "Index out of range.", "CRC Error in "<name>"." (EZipFileCRCError; also for
  // content shorter than recorded), zlib's message for data that does not inflate,
  // and "Zip entry "<name>" is too large." past MaxEntrySize.
  std::string GetUncompressed(int i) const;
  std::string Uncompressed(int i) const { return GetUncompressed(i); }
  // The named entry's content as text (a character per byte, ANSI code page), looked
  // up as given and then with "/" turned into "\"; empty when there is no such entry.
  std::u16string DecompressFileName(const std::u16string& AFileName) const;

  TLocalFiles* Files() const { return FFiles.get(); }
  const TEndOfCentralDir& EndOfCentralDirectory() const { return FEndOfCentralDirectory; }
  // The largest content one entry may have (default 512 MiB): a guard against zip bombs.
  uint64_t MaxEntrySize() const { return FMaxEntrySize; }
  void SetMaxEntrySize(uint64_t Value) { FMaxEntrySize = Value; }
  // The document budget GetUncompressed charges, before the work, a part and the
  // bytes it unpacks (null: none).
  TDocumentBudget* Budget() const { return FBudget; }
  void SetBudget(TDocumentBudget* Value) { FBudget = Value; }

 protected:
  const char* ClassName() const override { return "TZipArchive"; }

 private:
  std::unique_ptr<TLocalFiles> FFiles;
  TEndOfCentralDir FEndOfCentralDirectory;
  // The entries by name (ASCII letters folded to lower case): the first of each
  // name, as of the list's change count FIndexChanges.
  mutable std::unordered_map<std::u16string, int> FIndex;
  mutable uint64_t FIndexChanges = ~uint64_t(0);
  uint64_t FMaxEntrySize = uint64_t(512) << 20;
  TDocumentBudget* FBudget = nullptr;
};

}  // namespace msword
