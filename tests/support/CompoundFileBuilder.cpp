#include "support/CompoundFileBuilder.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <stdexcept>

namespace kvtest {

namespace {
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kFatSect = 0xFFFFFFFD;
constexpr uint32_t kDifSect = 0xFFFFFFFC;
constexpr uint32_t kNoStream = 0xFFFFFFFF;

void Put32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = char(v >> (8 * i));
}

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }
bool TreeLess(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return Upper(a[i]) < Upper(b[i]);
  return false;
}
}  // namespace

size_t CompoundFileImage::FatEntryOffset(uint32_t Sector) const {
  const uint32_t per = SectorSize / 4;
  return SectorOffset(FatSectors.at(Sector / per)) + 4 * (Sector % per);
}

size_t CompoundFileImage::MiniFatEntryOffset(uint32_t MiniSector) const {
  const uint32_t per = SectorSize / 4;
  return SectorOffset(MiniFatSectors.at(MiniSector / per)) + 4 * (MiniSector % per);
}

size_t CompoundFileImage::EntryOffset(std::u16string_view Path) const {
  const uint32_t id = EntryIds.at(std::u16string(Path));
  const uint32_t per = SectorSize / 128;
  return SectorOffset(DirectorySectors.at(id / per)) + 128 * (id % per);
}

uint32_t CompoundFileImage::StartSector(std::u16string_view Path) const {
  const size_t at = EntryOffset(Path) + 116;
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(Bytes[at + i]);
  return v;
}

void CompoundFileImage::PutU16(size_t At, uint16_t Value) {
  Bytes[At] = char(Value);
  Bytes[At + 1] = char(Value >> 8);
}
void CompoundFileImage::PutU32(size_t At, uint32_t Value) { Put32(Bytes, At, Value); }
void CompoundFileImage::PutU64(size_t At, uint64_t Value) {
  Put32(Bytes, At, uint32_t(Value));
  Put32(Bytes, At + 4, uint32_t(Value >> 32));
}

size_t CompoundFileBuilder::FindOrAdd(size_t Parent, std::u16string_view Name, bool Storage) {
  for (size_t child : FNodes[Parent].Children)
    if (FNodes[child].Name == Name) {
      if (FNodes[child].Storage != Storage || !Storage) throw std::logic_error("element added twice");
      return child;
    }
  FNodes.push_back(Node{std::u16string(Name), Storage, {}, {}});
  FNodes[Parent].Children.push_back(FNodes.size() - 1);
  return FNodes.size() - 1;
}

CompoundFileBuilder& CompoundFileBuilder::AddStorage(std::u16string_view Path) {
  size_t node = 0;
  while (!Path.empty()) {
    const size_t slash = Path.find(u'/');
    node = FindOrAdd(node, Path.substr(0, slash), true);
    Path = slash == Path.npos ? std::u16string_view() : Path.substr(slash + 1);
  }
  return *this;
}

CompoundFileBuilder& CompoundFileBuilder::AddStream(std::u16string_view Path, std::string Data) {
  const size_t slash = Path.rfind(u'/');
  size_t parent = 0;
  if (slash != Path.npos) {
    AddStorage(Path.substr(0, slash));
    for (std::u16string_view rest = Path.substr(0, slash); !rest.empty();) {
      const size_t s = rest.find(u'/');
      parent = FindOrAdd(parent, rest.substr(0, s), true);
      rest = s == rest.npos ? std::u16string_view() : rest.substr(s + 1);
    }
  }
  const size_t node = FindOrAdd(parent, slash == Path.npos ? Path : Path.substr(slash + 1), false);
  FNodes[node].Data = std::move(Data);
  return *this;
}

CompoundFileImage CompoundFileBuilder::Build() const {
  CompoundFileImage image;
  const uint32_t ss = FMajorVersion == 4 ? 4096 : 512;
  image.SectorSize = ss;
  const uint32_t perFat = ss / 4;

  // Directory ids, breadth first; paths for the image.
  std::vector<size_t> order{0};
  std::vector<std::u16string> paths(FNodes.size());
  for (size_t i = 0; i < order.size(); ++i)
    for (size_t child : FNodes[order[i]].Children) {
      paths[child] =
          paths[order[i]].empty() ? FNodes[child].Name : paths[order[i]] + u"/" + FNodes[child].Name;
      order.push_back(child);
    }
  std::vector<uint32_t> idOf(FNodes.size());
  for (size_t i = 0; i < order.size(); ++i) {
    idOf[order[i]] = uint32_t(i);
    image.EntryIds[paths[order[i]]] = uint32_t(i);
  }

  std::vector<uint32_t> fat;  // next sector per sector
  std::string sectors;        // the sectors after the header
  auto allocate = [&](const std::string& data) -> uint32_t {
    if (data.empty()) return kEndOfChain;
    const uint32_t first = uint32_t(fat.size());
    const uint32_t n = uint32_t((data.size() + ss - 1) / ss);
    for (uint32_t i = 0; i < n; ++i) fat.push_back(i + 1 < n ? first + i + 1 : kEndOfChain);
    sectors += data;
    sectors.append(size_t(n) * ss - data.size(), '\0');
    return first;
  };

  std::vector<uint32_t> start(FNodes.size(), kEndOfChain);
  std::string miniStream;
  std::vector<uint32_t> miniFat;
  for (size_t n : order) {
    const Node& node = FNodes[n];
    if (node.Storage || node.Data.empty()) continue;
    if (node.Data.size() >= 4096) {
      start[n] = allocate(node.Data);
    } else {
      const uint32_t first = uint32_t(miniFat.size());
      const uint32_t count = uint32_t((node.Data.size() + 63) / 64);
      for (uint32_t i = 0; i < count; ++i) miniFat.push_back(i + 1 < count ? first + i + 1 : kEndOfChain);
      miniStream += node.Data;
      miniStream.append(size_t(count) * 64 - node.Data.size(), '\0');
      start[n] = first;
    }
  }
  const uint32_t miniStreamStart = allocate(miniStream);
  std::string miniFatBytes;
  for (uint32_t v : miniFat) miniFatBytes.append({char(v), char(v >> 8), char(v >> 16), char(v >> 24)});
  const uint32_t miniFatStart = allocate(miniFatBytes);
  const uint32_t miniFatCount = uint32_t((miniFatBytes.size() + ss - 1) / ss);
  for (uint32_t i = 0; i < miniFatCount; ++i) image.MiniFatSectors.push_back(miniFatStart + i);

  // The directory: balanced trees of each storage's elements in name order.
  std::string directory(((order.size() * 128 + ss - 1) / ss) * ss, '\0');
  for (size_t i = order.size(); i < directory.size() / 128; ++i) {
    Put32(directory, i * 128 + 68, kNoStream);
    Put32(directory, i * 128 + 72, kNoStream);
    Put32(directory, i * 128 + 76, kNoStream);
  }
  std::vector<uint32_t> left(FNodes.size(), kNoStream), right(FNodes.size(), kNoStream),
      child(FNodes.size(), kNoStream);
  for (size_t n = 0; n < FNodes.size(); ++n) {
    std::vector<size_t> sorted = FNodes[n].Children;
    std::sort(sorted.begin(), sorted.end(),
              [&](size_t a, size_t b) { return TreeLess(FNodes[a].Name, FNodes[b].Name); });
    std::function<uint32_t(size_t, size_t)> build = [&](size_t lo, size_t hi) -> uint32_t {
      if (lo >= hi) return kNoStream;
      const size_t mid = lo + (hi - lo) / 2;
      const size_t node = sorted[mid];
      left[node] = build(lo, mid);
      right[node] = build(mid + 1, hi);
      return idOf[node];
    };
    child[n] = build(0, sorted.size());
  }
  for (size_t n = 0; n < FNodes.size(); ++n) {
    const size_t at = size_t(idOf[n]) * 128;
    const Node& node = FNodes[n];
    for (size_t i = 0; i < node.Name.size(); ++i) {
      directory[at + 2 * i] = char(node.Name[i]);
      directory[at + 2 * i + 1] = char(node.Name[i] >> 8);
    }
    directory[at + 64] = char((node.Name.size() + 1) * 2);
    directory[at + 66] = char(n == 0 ? 5 : node.Storage ? 1 : 2);
    directory[at + 67] = 1;  // black
    Put32(directory, at + 68, left[n]);
    Put32(directory, at + 72, right[n]);
    Put32(directory, at + 76, child[n]);
    const uint32_t first = n == 0 ? miniStreamStart : start[n];
    const uint64_t size = n == 0 ? miniStream.size() : node.Data.size();
    Put32(directory, at + 116, node.Storage && n != 0 ? 0 : first);
    Put32(directory, at + 120, uint32_t(size));
    Put32(directory, at + 124, uint32_t(size >> 32));
  }
  const uint32_t directoryStart = allocate(directory);
  for (uint32_t i = 0; i < directory.size() / ss; ++i) image.DirectorySectors.push_back(directoryStart + i);

  // FAT and DIFAT sectors follow; their count depends on itself.
  const uint32_t used = uint32_t(fat.size());
  uint32_t fatCount = std::max<uint32_t>(FMinFatSectors, 1), difatCount = 0;
  for (;;) {
    const uint32_t total = used + fatCount + difatCount;
    const uint32_t needFat = std::max<uint32_t>(FMinFatSectors, (total + perFat - 1) / perFat);
    const uint32_t needDifat = needFat > 109 ? (needFat - 109 + perFat - 2) / (perFat - 1) : 0;
    if (needFat == fatCount && needDifat == difatCount) break;
    fatCount = needFat;
    difatCount = needDifat;
  }
  for (uint32_t i = 0; i < fatCount; ++i) image.FatSectors.push_back(used + i);
  for (uint32_t i = 0; i < difatCount; ++i) image.DifatSectors.push_back(used + fatCount + i);
  fat.resize(size_t(fatCount) * perFat, kFree);
  for (uint32_t s : image.FatSectors) fat[s] = kFatSect;
  for (uint32_t s : image.DifatSectors) fat[s] = kDifSect;
  for (uint32_t v : fat) sectors.append({char(v), char(v >> 8), char(v >> 16), char(v >> 24)});
  for (uint32_t i = 0; i < difatCount; ++i) {
    std::string difat(ss, '\xFF');
    for (uint32_t j = 0; j < perFat - 1; ++j) {
      const size_t k = 109 + size_t(i) * (perFat - 1) + j;
      if (k < fatCount) Put32(difat, 4 * j, image.FatSectors[k]);
    }
    Put32(difat, ss - 4, i + 1 < difatCount ? image.DifatSectors[i + 1] : kEndOfChain);
    sectors += difat;
  }

  std::string header(ss, '\0');
  const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  for (int i = 0; i < 8; ++i) header[i] = char(signature[i]);
  header[24] = 0x3E;
  header[26] = char(FMajorVersion);
  header[28] = char(0xFE);
  header[29] = char(0xFF);
  header[30] = char(FMajorVersion == 4 ? 12 : 9);
  header[32] = 6;
  Put32(header, 40, FMajorVersion == 4 ? uint32_t(directory.size() / ss) : 0);
  Put32(header, 44, fatCount);
  Put32(header, 48, directoryStart);
  Put32(header, 56, 4096);
  Put32(header, 60, miniFatCount ? miniFatStart : kEndOfChain);
  Put32(header, 64, miniFatCount);
  Put32(header, 68, difatCount ? image.DifatSectors[0] : kEndOfChain);
  Put32(header, 72, difatCount);
  for (uint32_t i = 0; i < 109; ++i) Put32(header, 76 + 4 * i, i < fatCount ? image.FatSectors[i] : kFree);

  image.Bytes = header + sectors;
  return image;
}

}  // namespace kvtest
