// The compound-file header: the first 512 bytes of every compound file, with the
// sector sizes, the locations of the FAT, mini FAT and directory, and the first
// 109 entries of the DIFAT.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace msword::storage {

inline constexpr std::array<uint8_t, 8> CFB_SIGNATURE = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
// Special sector numbers of the FAT.
inline constexpr uint32_t MAXREGSECT = 0xFFFFFFFA;
inline constexpr uint32_t DIFSECT = 0xFFFFFFFC;
inline constexpr uint32_t FATSECT = 0xFFFFFFFD;
inline constexpr uint32_t ENDOFCHAIN = 0xFFFFFFFE;
inline constexpr uint32_t FREESECT = 0xFFFFFFFF;

inline constexpr size_t HEADER_SIZE = 512;
inline constexpr size_t HEADER_DIFAT_COUNT = 109;
inline constexpr uint32_t MINI_STREAM_CUTOFF = 4096;

struct TCompoundFileHeader {
  // offset 0, 8 bytes: the signature; 8, 16 bytes: a class id (unused)
  uint16_t MinorVersion = 0;                         // 24
  uint16_t MajorVersion = 0;                         // 26: 3 (512-byte sectors) or 4 (4096-byte sectors)
  uint16_t ByteOrder = 0;                            // 28: 0xFFFE
  uint16_t SectorShift = 0;                          // 30: 9 or 12
  uint16_t MiniSectorShift = 0;                      // 32: 6
  uint32_t NumDirectorySectors = 0;                  // 40: 0 in version 3
  uint32_t NumFatSectors = 0;                        // 44
  uint32_t FirstDirectorySector = 0;                 // 48
  uint32_t TransactionSignature = 0;                 // 52
  uint32_t MiniStreamCutoff = 0;                     // 56: 4096
  uint32_t FirstMiniFatSector = 0;                   // 60
  uint32_t NumMiniFatSectors = 0;                    // 64
  uint32_t FirstDifatSector = 0;                     // 68
  uint32_t NumDifatSectors = 0;                      // 72
  std::array<uint32_t, HEADER_DIFAT_COUNT> Difat{};  // 76, 109 x 4 bytes
};

// True when the 8 bytes at p are the compound-file signature.
bool HasCompoundFileSignature(const uint8_t* p, size_t Length);

// Decodes the 512 bytes at p. Raises EStorageError when the signature is absent and
// EStorageCorrupt when the version and sector sizes are not one of the two
// layouts of the format (checked before any size is derived from them).
void DecodeHeader(const uint8_t* p, TCompoundFileHeader& Header);

}  // namespace msword::storage
