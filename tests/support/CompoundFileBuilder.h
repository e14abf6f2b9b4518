// A small writer of compound files for tests: version 3 or 4, streams in regular
// sectors or in the mini stream (below 4096 bytes), nested storages. The image it
// builds tells where each structure lies, so a test can damage one named place.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kvtest {

struct CompoundFileImage {
  std::string Bytes;
  uint32_t SectorSize = 512;
  std::vector<uint32_t> FatSectors;  // in FAT order
  std::vector<uint32_t> DifatSectors;
  std::vector<uint32_t> MiniFatSectors;
  std::vector<uint32_t> DirectorySectors;
  std::map<std::u16string, uint32_t> EntryIds;  // by path ("" is the root, "Macros/VBA")

  size_t SectorOffset(uint32_t Sector) const { return size_t(Sector + 1) * SectorSize; }
  // Where the FAT entry (the next sector) of Sector is stored.
  size_t FatEntryOffset(uint32_t Sector) const;
  // Where the mini FAT entry of MiniSector is stored.
  size_t MiniFatEntryOffset(uint32_t MiniSector) const;
  // The 128-byte directory entry of the element at Path. Fields: 64 name length,
  // 66 type, 68 left, 72 right, 76 child, 116 starting sector, 120 size.
  size_t EntryOffset(std::u16string_view Path) const;
  uint32_t StartSector(std::u16string_view Path) const;

  void PutU16(size_t At, uint16_t Value);
  void PutU32(size_t At, uint32_t Value);
  void PutU64(size_t At, uint64_t Value);
};

class CompoundFileBuilder {
 public:
  explicit CompoundFileBuilder(uint16_t MajorVersion = 3) : FMajorVersion(MajorVersion) {}

  // Adds the stream at Path ("Macros/VBA/dir"); storages on the way are created.
  CompoundFileBuilder& AddStream(std::u16string_view Path, std::string Data);
  CompoundFileBuilder& AddStorage(std::u16string_view Path);
  // Gives the FAT at least Count sectors (entries past the file stay free), so a
  // small file can reach the DIFAT sectors beyond the header's 109.
  CompoundFileBuilder& MinFatSectors(uint32_t Count) {
    FMinFatSectors = Count;
    return *this;
  }

  CompoundFileImage Build() const;
  std::string Bytes() const { return Build().Bytes; }

 private:
  struct Node {
    std::u16string Name;
    bool Storage = false;
    std::string Data;
    std::vector<size_t> Children;
  };
  size_t FindOrAdd(size_t Parent, std::u16string_view Name, bool Storage);

  uint16_t FMajorVersion;
  uint32_t FMinFatSectors = 0;
  std::vector<Node> FNodes{Node{u"Root Entry", true, {}, {}}};
};

}  // namespace kvtest
