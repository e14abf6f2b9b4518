#include "msword/zip/ZipWriter.h"

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/MSWordCnst.h"
#include "msword/zip/Crc32.h"

namespace msword {

namespace {

void Put16(std::string& Out, uint32_t V) {
  Out.push_back(char(V & 0xFF));
  Out.push_back(char(V >> 8 & 0xFF));
}

void Put32(std::string& Out, uint32_t V) {
  Put16(Out, V & 0xFFFF);
  Put16(Out, V >> 16);
}

constexpr uint32_t LOCAL_FILE_HEADER_SIGNATURE = 0x04034B50;
constexpr uint32_t CENTRAL_FILE_HEADER_SIGNATURE = 0x02014B50;
constexpr uint32_t END_OF_CENTRAL_DIR_SIGNATURE = 0x06054B50;
constexpr uint32_t UTF8_NAMES = 1u << 11;

}  // namespace

void TZipWriter::Add(std::string_view Name, std::string_view Data) {
  if (Data.size() > 0xFFFF0000u || FBytes.size() + Data.size() + Name.size() + 64 > 0xFFFF0000u ||
      Name.size() > 0xFFFF || FEntries.size() >= 0xFFFF)
    throw Exception(Format(strZipEntryTooLarge, Utf8ToWide(Name)));
  TEntry entry{std::string(Name), ZipCRC32(Data), uint32_t(Data.size()), uint32_t(FBytes.size())};
  Put32(FBytes, LOCAL_FILE_HEADER_SIGNATURE);
  Put16(FBytes, 20);  // version needed
  Put16(FBytes, UTF8_NAMES);
  Put16(FBytes, 0);  // stored
  Put32(FBytes, 0);  // time and date
  Put32(FBytes, entry.Crc);
  Put32(FBytes, entry.Size);
  Put32(FBytes, entry.Size);
  Put16(FBytes, uint32_t(Name.size()));
  Put16(FBytes, 0);
  FBytes.append(Name);
  FBytes.append(Data);
  FEntries.push_back(std::move(entry));
}

std::string TZipWriter::Finish() {
  const uint32_t directory = uint32_t(FBytes.size());
  for (const TEntry& e : FEntries) {
    Put32(FBytes, CENTRAL_FILE_HEADER_SIGNATURE);
    Put16(FBytes, 20);  // made by
    Put16(FBytes, 20);  // needed
    Put16(FBytes, UTF8_NAMES);
    Put16(FBytes, 0);
    Put32(FBytes, 0);
    Put32(FBytes, e.Crc);
    Put32(FBytes, e.Size);
    Put32(FBytes, e.Size);
    Put16(FBytes, uint32_t(e.Name.size()));
    Put16(FBytes, 0);  // extra
    Put16(FBytes, 0);  // comment
    Put16(FBytes, 0);  // disk
    Put16(FBytes, 0);  // internal attributes
    Put32(FBytes, 0);  // external attributes
    Put32(FBytes, e.Offset);
    FBytes.append(e.Name);
  }
  const uint32_t directorySize = uint32_t(FBytes.size()) - directory;
  Put32(FBytes, END_OF_CENTRAL_DIR_SIGNATURE);
  Put16(FBytes, 0);
  Put16(FBytes, 0);
  Put16(FBytes, uint32_t(FEntries.size()));
  Put16(FBytes, uint32_t(FEntries.size()));
  Put32(FBytes, directorySize);
  Put32(FBytes, directory);
  Put16(FBytes, 0);
  FEntries.clear();
  return std::move(FBytes);
}

}  // namespace msword
