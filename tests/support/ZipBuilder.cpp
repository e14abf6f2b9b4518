#include "support/ZipBuilder.h"

#include <zlib.h>

#include <stdexcept>

#include "support/ByteWriter.h"

namespace kvtest {

std::string Deflate(std::string_view Content, int Level) {
  z_stream zs{};
  if (deflateInit2(&zs, Level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&zs, uLong(Content.size())), '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Content.data()));
  zs.avail_in = uInt(Content.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = uInt(out.size());
  const int ret = deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  if (ret != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

uint32_t Crc32Of(std::string_view Bytes) {
  return uint32_t(crc32(0L, reinterpret_cast<const Bytef*>(Bytes.data()), uInt(Bytes.size())));
}

ZipBuilder& ZipBuilder::AddRaw(std::string Name, std::string Data, uint16_t Method, uint32_t Crc,
                               uint32_t UncompressedSize) {
  Entry e;
  e.LocalName = e.CentralName = std::move(Name);
  e.Method = Method;
  e.LocalCrc = e.CentralCrc = Crc;
  e.LocalCompressed = e.CentralCompressed = uint32_t(Data.size());
  e.LocalUncompressed = e.CentralUncompressed = UncompressedSize;
  e.Data = std::move(Data);
  FEntries.push_back(std::move(e));
  return *this;
}

ZipBuilder& ZipBuilder::AddStored(std::string Name, std::string Content) {
  const uint32_t crc = Crc32Of(Content), size = uint32_t(Content.size());
  return AddRaw(std::move(Name), std::move(Content), 0, crc, size);
}

ZipBuilder& ZipBuilder::AddDeflated(std::string Name, std::string Content, int Level) {
  return AddRaw(std::move(Name), Deflate(Content, Level), 8, Crc32Of(Content), uint32_t(Content.size()));
}

ZipBuilder& ZipBuilder::WithCrc(uint32_t Crc) { return WithLocalCrc(Crc).WithCentralCrc(Crc); }
ZipBuilder& ZipBuilder::WithLocalCrc(uint32_t Crc) { Last().LocalCrc = Crc; return *this; }
ZipBuilder& ZipBuilder::WithCentralCrc(uint32_t Crc) { Last().CentralCrc = Crc; return *this; }
ZipBuilder& ZipBuilder::WithSizes(uint32_t Compressed, uint32_t Uncompressed) {
  return WithLocalSizes(Compressed, Uncompressed).WithCentralSizes(Compressed, Uncompressed);
}
ZipBuilder& ZipBuilder::WithLocalSizes(uint32_t Compressed, uint32_t Uncompressed) {
  Last().LocalCompressed = Compressed;
  Last().LocalUncompressed = Uncompressed;
  return *this;
}
ZipBuilder& ZipBuilder::WithCentralSizes(uint32_t Compressed, uint32_t Uncompressed) {
  Last().CentralCompressed = Compressed;
  Last().CentralUncompressed = Uncompressed;
  return *this;
}
ZipBuilder& ZipBuilder::WithMethod(uint16_t Method) { Last().Method = Method; return *this; }
ZipBuilder& ZipBuilder::WithDataDescriptor() {
  Entry& e = Last();
  e.Descriptor = true;
  e.Flags |= 8;
  e.LocalCrc = e.LocalCompressed = e.LocalUncompressed = 0;
  return *this;
}
ZipBuilder& ZipBuilder::WithLocalName(std::string Name) { Last().LocalName = std::move(Name); return *this; }
ZipBuilder& ZipBuilder::WithCentralName(std::string Name) { Last().CentralName = std::move(Name); return *this; }
ZipBuilder& ZipBuilder::WithLocalHeaderOffset(uint32_t Offset) { Last().LocalHeaderOffset = Offset; return *this; }
ZipBuilder& ZipBuilder::WithCorruptLocalSignature() { Last().BadLocalSignature = true; return *this; }
ZipBuilder& ZipBuilder::WithCorruptCentralSignature() { Last().BadCentralSignature = true; return *this; }
ZipBuilder& ZipBuilder::WithData(std::string Data) { Last().Data = std::move(Data); return *this; }
ZipBuilder& ZipBuilder::Comment(std::string Text) { FComment = std::move(Text); return *this; }
ZipBuilder& ZipBuilder::Prefix(std::string Bytes) { FPrefix = std::move(Bytes); return *this; }
ZipBuilder& ZipBuilder::Trailing(std::string Bytes) { FTrailing = std::move(Bytes); return *this; }
ZipBuilder& ZipBuilder::EntryCount(uint16_t Count) { FEntryCount = Count; return *this; }
ZipBuilder& ZipBuilder::CentralDirectoryOffset(uint32_t Offset) { FCentralOffset = Offset; return *this; }
ZipBuilder& ZipBuilder::NoEndRecord() { FNoEndRecord = true; return *this; }

std::string ZipBuilder::Bytes() const {
  ByteWriter w;
  std::vector<uint32_t> offsets;
  for (const Entry& e : FEntries) {
    offsets.push_back(uint32_t(w.Size()));
    w.U32(e.BadLocalSignature ? 0x04034B51 : 0x04034B50)
        .U16(20).U16(e.Flags).U16(e.Method).U32(0x55A10000)  // 2022-12-01 00:00
        .U32(e.LocalCrc).U32(e.LocalCompressed).U32(e.LocalUncompressed)
        .U16(uint16_t(e.LocalName.size())).U16(0)
        .Raw(e.LocalName).Raw(e.Data);
    if (e.Descriptor) w.U32(0x08074B50).U32(e.CentralCrc).U32(e.CentralCompressed).U32(e.CentralUncompressed);
  }
  const uint32_t centralStart = uint32_t(w.Size());
  for (size_t i = 0; i < FEntries.size(); ++i) {
    const Entry& e = FEntries[i];
    w.U32(e.BadCentralSignature ? 0x02014B51 : 0x02014B50)
        .U16(20).U16(20).U16(e.Flags).U16(e.Method).U32(0x55A10000)
        .U32(e.CentralCrc).U32(e.CentralCompressed).U32(e.CentralUncompressed)
        .U16(uint16_t(e.CentralName.size())).U16(0).U16(0).U16(0).U16(0).U32(0)
        .U32(e.LocalHeaderOffset.value_or(offsets[i]))
        .Raw(e.CentralName);
  }
  const uint32_t centralSize = uint32_t(w.Size()) - centralStart;
  if (!FNoEndRecord) {
    const uint16_t count = FEntryCount.value_or(uint16_t(FEntries.size()));
    w.U32(0x06054B50).U16(0).U16(0).U16(count).U16(count).U32(centralSize)
        .U32(FCentralOffset.value_or(centralStart)).U16(uint16_t(FComment.size())).Raw(FComment);
  }
  return FPrefix + w.Bytes() + FTrailing;
}

}  // namespace kvtest
