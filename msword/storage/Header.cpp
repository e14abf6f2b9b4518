#include "msword/storage/Header.h"

#include <algorithm>

#include "msword/base/LittleEndian.h"
#include "msword/storage/StorageError.h"

namespace msword::storage {

bool HasCompoundFileSignature(const uint8_t* p, size_t Length) {
  return Length >= CFB_SIGNATURE.size() && std::equal(CFB_SIGNATURE.begin(), CFB_SIGNATURE.end(), p);
}

void DecodeHeader(const uint8_t* p, TCompoundFileHeader& Header) {
  if (!HasCompoundFileSignature(p, HEADER_SIZE)) throw EStorageError(std::u16string(strStgNotCompoundFile));
  Header.MinorVersion = GetU16(p + 24);
  Header.MajorVersion = GetU16(p + 26);
  Header.ByteOrder = GetU16(p + 28);
  Header.SectorShift = GetU16(p + 30);
  Header.MiniSectorShift = GetU16(p + 32);
  Header.NumDirectorySectors = GetU32(p + 40);
  Header.NumFatSectors = GetU32(p + 44);
  Header.FirstDirectorySector = GetU32(p + 48);
  Header.TransactionSignature = GetU32(p + 52);
  Header.MiniStreamCutoff = GetU32(p + 56);
  Header.FirstMiniFatSector = GetU32(p + 60);
  Header.NumMiniFatSectors = GetU32(p + 64);
  Header.FirstDifatSector = GetU32(p + 68);
  Header.NumDifatSectors = GetU32(p + 72);
  for (size_t i = 0; i < HEADER_DIFAT_COUNT; ++i) Header.Difat[i] = GetU32(p + 76 + 4 * i);

  if (Header.MajorVersion == 3) {
    if (Header.SectorShift != 9) throw EStorageCorrupt(u"a version 3 file must have 512-byte sectors");
  } else if (Header.MajorVersion == 4) {
    if (Header.SectorShift != 12) throw EStorageCorrupt(u"a version 4 file must have 4096-byte sectors");
  } else {
    throw EStorageCorrupt(u"unknown format version");
  }
  if (Header.MiniSectorShift != 6) throw EStorageCorrupt(u"the mini sector size must be 64 bytes");
  // The byte-order mark, the directory-sector count of version 4 and the mini
  // stream cut-off are not looked at: the cut-off is 4096 in every valid file, and
  // streams are looked for where that rule puts them.
}

}  // namespace msword::storage
