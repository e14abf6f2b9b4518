// Builds zip archives for test fixtures: stored and deflated entries, and every
// header field open to corruption (CRCs, sizes, offsets, counts, names), an archive
// comment, bytes before the archive (such as a "BDOC" header) and after it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvtest {

// The raw deflate data of Content (no zlib header), at the given level.
std::string Deflate(std::string_view Content, int Level = 6);
// The standard CRC-32 of Bytes (zlib's, independent of the library under test).
uint32_t Crc32Of(std::string_view Bytes);

class ZipBuilder {
 public:
  ZipBuilder& AddStored(std::string Name, std::string Content);
  ZipBuilder& AddDeflated(std::string Name, std::string Content, int Level = 6);
  // Adds an entry whose data is given as it is to be written (any method).
  ZipBuilder& AddRaw(std::string Name, std::string Data, uint16_t Method, uint32_t Crc,
                     uint32_t UncompressedSize);

  // The modifiers below apply to the last entry added.
  ZipBuilder& WithCrc(uint32_t Crc);  // in both headers
  ZipBuilder& WithLocalCrc(uint32_t Crc);
  ZipBuilder& WithCentralCrc(uint32_t Crc);
  ZipBuilder& WithSizes(uint32_t Compressed, uint32_t Uncompressed);  // in both headers
  ZipBuilder& WithLocalSizes(uint32_t Compressed, uint32_t Uncompressed);
  ZipBuilder& WithCentralSizes(uint32_t Compressed, uint32_t Uncompressed);
  ZipBuilder& WithMethod(uint16_t Method);  // in both headers
  // Local header with zero CRC and sizes, flag bit 3, and a data descriptor after the data.
  ZipBuilder& WithDataDescriptor();
  ZipBuilder& WithLocalName(std::string Name);
  ZipBuilder& WithCentralName(std::string Name);
  ZipBuilder& WithLocalHeaderOffset(uint32_t Offset);  // what the central entry records
  ZipBuilder& WithCorruptLocalSignature();
  ZipBuilder& WithCorruptCentralSignature();
  // Replaces the data written for the entry (the headers keep their values).
  ZipBuilder& WithData(std::string Data);

  // Archive-wide.
  ZipBuilder& Comment(std::string Text);      // archive comment after the end record
  ZipBuilder& Prefix(std::string Bytes);      // bytes before the archive
  ZipBuilder& Trailing(std::string Bytes);    // bytes after the comment, not counted in it
  ZipBuilder& EntryCount(uint16_t Count);     // both counts of the end record
  ZipBuilder& CentralDirectoryOffset(uint32_t Offset);
  ZipBuilder& NoEndRecord();

  // The archive; offsets count from the archive's start, after the prefix.
  std::string Bytes() const;
  size_t EntryCountAdded() const { return FEntries.size(); }

 private:
  struct Entry {
    std::string LocalName, CentralName, Data;
    uint16_t Method = 0, Flags = 0;
    uint32_t LocalCrc = 0, CentralCrc = 0;
    uint32_t LocalCompressed = 0, LocalUncompressed = 0;
    uint32_t CentralCompressed = 0, CentralUncompressed = 0;
    bool Descriptor = false, BadLocalSignature = false, BadCentralSignature = false;
    std::optional<uint32_t> LocalHeaderOffset;
  };
  Entry& Last() { return FEntries.back(); }
  std::vector<Entry> FEntries;
  std::string FComment, FPrefix, FTrailing;
  std::optional<uint16_t> FEntryCount;
  std::optional<uint32_t> FCentralOffset;
  bool FNoEndRecord = false;
};

}  // namespace kvtest
