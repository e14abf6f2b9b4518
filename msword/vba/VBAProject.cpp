#include "msword/vba/VBAProject.h"

#include <string>
#include <vector>

#include "msword/base/LittleEndian.h"
#include "msword/base/Streams.h"

namespace msword {

namespace {

constexpr size_t VBA_PROJECT_HEADER = 34;
constexpr size_t VBA_PROJECT_GAP = 132;  // from the reference entries to the module count

// Reads Count bytes as UTF-16 (an odd last byte is dropped); fewer at the end of
// the stream. Got answers how many bytes arrived.
std::u16string ReadUtf16(TStream& S, uint16_t Count, int32_t& Got) {
  std::string bytes(Count, '\0');
  Got = S.Read(bytes.data(), Count);
  std::u16string text(size_t(Got) / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = char16_t(GetU16(reinterpret_cast<const uint8_t*>(&bytes[2 * i])));
  return text;
}

bool TryU16(TStream& S, uint16_t& Value) {
  uint8_t b[2];
  if (S.Read(b, 2) != 2) return false;
  Value = GetU16(b);
  return true;
}

void Skip(TStream& S, int64_t Count) { S.Seek(Count, soCurrent); }

}  // namespace

void ReadVBAProjectCache(TStream& Stream, TVBAProjectItems& Items) {
  Stream.Seek(VBA_PROJECT_HEADER, soBeginning);
  // Reference entries. Of the "*\C" and "*\D" entries, every second one is
  // followed by 12 bytes.
  bool firstOfPair = true;
  for (;;) {
    uint8_t b[2];
    const int32_t n = Stream.Read(b, 2);
    if (n <= 0) break;
    const uint16_t length = n == 2 ? GetU16(b) : b[0];
    if (length < 6) {
      Stream.Seek(-n, soCurrent);
      break;
    }
    int32_t got = 0;
    std::u16string entry = ReadUtf16(Stream, length, got);
    if (got <= 0) break;
    const std::u16string kind = entry.substr(0, 3);
    Items.Add()->Entry = std::move(entry);
    if (kind == u"*\\G" || kind == u"*\\H") {
      Skip(Stream, 12);
    } else if (kind == u"*\\C" || kind == u"*\\D") {
      if (!firstOfPair) Skip(Stream, 12);
      firstOfPair = !firstOfPair;
    }
  }
  Skip(Stream, VBA_PROJECT_GAP);
  uint16_t moduleCount = 0;
  if (!TryU16(Stream, moduleCount)) return;
  for (int i = 0; i < moduleCount; ++i) {
    TVBAProjectItem* item = i < Items.Count() ? Items.Items(i) : Items.Add();
    uint16_t length = 0;
    int32_t got = 0;
    if (!TryU16(Stream, length)) return;
    if (length > 0) {
      item->ModuleName = ReadUtf16(Stream, length, got);
      if (got != length) return;
    }
    if (!TryU16(Stream, length)) return;
    if (length > 0) {
      item->ModuleID = ReadUtf16(Stream, length, got);
      if (got != length) return;
    }
    if (!TryU16(Stream, length)) return;
    if (length == 0xFFFF) {
      Skip(Stream, 2);
      if (!TryU16(Stream, length)) return;
      Skip(Stream, length);
    } else {
      Skip(Stream, int64_t(length) + 2);
    }
    Skip(Stream, 8);
    uint8_t k = 0;
    if (Stream.Read(&k, 1) != 1) return;
    Skip(Stream, int64_t(k) * 8 + 6);
    uint8_t offset[4];
    if (Stream.Read(offset, 4) != 4) return;
    item->Offset = GetU32(offset);
    Skip(Stream, 2);
  }
}

std::vector<TVBADirModule> ReadVBADirModules(const std::string& Dir) {
  constexpr uint16_t PROJECTVERSION = 0x0009, MODULENAME = 0x0019, MODULESTREAMNAME = 0x001A,
                     MODULESTREAMNAMEUNICODE = 0x0032, MODULEOFFSET = 0x0031;
  std::vector<TVBADirModule> modules;
  const auto* bytes = reinterpret_cast<const uint8_t*>(Dir.data());
  size_t pos = 0;
  while (pos + 6 <= Dir.size()) {
    const uint16_t id = GetU16(bytes + pos);
    uint64_t size = GetU32(bytes + pos + 2);
    pos += 6;
    if (id == PROJECTVERSION) size = 6;  // its size field says 4, yet 6 bytes follow
    if (size > Dir.size() - pos) break;
    const uint8_t* data = bytes + pos;
    if (id == MODULENAME) {
      modules.emplace_back();
    } else if (!modules.empty() && id == MODULESTREAMNAME) {
      modules.back().StreamName.assign(data, data + size);  // 8-bit, as a fallback
    } else if (!modules.empty() && id == MODULESTREAMNAMEUNICODE && size >= 2) {
      std::u16string name(size_t(size / 2), u'\0');
      for (size_t i = 0; i < name.size(); ++i) name[i] = char16_t(GetU16(data + 2 * i));
      modules.back().StreamName = std::move(name);
    } else if (!modules.empty() && id == MODULEOFFSET && size >= 4) {
      modules.back().Offset = GetU32(data);
    }
    pos += size_t(size);
  }
  return modules;
}

}  // namespace msword
