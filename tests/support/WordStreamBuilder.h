// Builds the main document stream and the table stream of a small Word 97 document
// for test fixtures: a full 738-byte header, text pieces from offset 1024 on, and a
// piece table at offset 0 of the table stream.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/ByteWriter.h"

namespace kvtest {

class WordStreamBuilder {
 public:
  static constexpr uint32_t TextStart = 1024;

  explicit WordStreamBuilder(uint16_t nFib = 193) {
    FHeader.PadTo(738);
    FHeader.PutU16At(0, 0xA5EC);
    FHeader.PutU16At(2, nFib);
    FHeader.PutU16At(6, 0x0409);
    Set8(11, 0x02);  // the piece table is in a table stream
  }

  // Header fields by offset in the full layout.
  WordStreamBuilder& Set8(size_t offset, uint8_t v) {
    FHeader.PutU16At(offset, uint16_t((GetHeader16(offset) & 0xFF00) | v));
    return *this;
  }
  WordStreamBuilder& Set16(size_t offset, uint16_t v) { FHeader.PutU16At(offset, v); return *this; }
  WordStreamBuilder& Set32(size_t offset, uint32_t v) { FHeader.PutU32At(offset, v); return *this; }

  // The story counts from ccpText (offset 76) on: text, footnotes, headers, macros,
  // annotations, endnotes, text boxes, header text boxes.
  WordStreamBuilder& Counts(std::vector<uint32_t> counts) {
    for (size_t i = 0; i < counts.size(); ++i) Set32(76 + 4 * i, counts[i]);
    FCountsSet = true;
    return *this;
  }

  // A piece of UTF-16 text, stored after the text already added.
  WordStreamBuilder& Utf16Piece(std::u16string_view text) {
    AddPiece(FileOffset(), uint32_t(text.size()));
    FText.Utf16(text);
    return *this;
  }
  // A piece of 8-bit text (one byte per character).
  WordStreamBuilder& AnsiPiece(std::string_view bytes) {
    AddPiece(0x40000000u | (FileOffset() * 2), uint32_t(bytes.size()));
    FText.Raw(bytes);
    return *this;
  }
  // A property-modifier entry in front of the descriptor table.
  WordStreamBuilder& Grpprl(std::string_view bytes) {
    FGrpprls.U8(1).U16(uint16_t(bytes.size())).Raw(bytes);
    return *this;
  }

  std::string Table() const {
    ByteWriter clx;
    clx.Raw(FGrpprls.Bytes()).U8(2).U32(uint32_t(4 + 12 * FFcs.size()));
    uint32_t cp = 0;
    clx.U32(cp);
    for (uint32_t n : FCounts) clx.U32(cp += n);
    for (uint32_t fc : FFcs) clx.U8(0).U8(0).U32(fc).U16(0);
    return clx.Bytes();
  }

  std::string Main() const {
    ByteWriter header = FHeader;
    const uint32_t textEnd = TextStart + uint32_t(FText.Size());
    if (header.Bytes().substr(24, 8) == std::string(8, '\0')) {
      header.PutU32At(24, TextStart);  // fcMin
      header.PutU32At(28, textEnd);    // fcMac
    }
    if (!FCountsSet) {
      uint32_t total = 0;
      for (uint32_t n : FCounts) total += n;
      header.PutU32At(76, total);  // ccpText: everything is main text
    }
    if (header.Bytes().substr(418, 8) == std::string(8, '\0')) {
      header.PutU32At(418, 0);                       // fcClx
      header.PutU32At(422, uint32_t(Table().size()));  // lcbClx
    }
    ByteWriter main = header;
    main.PadTo(TextStart).Raw(FText.Bytes());
    return main.Bytes();
  }

 private:
  uint16_t GetHeader16(size_t offset) const {
    const std::string& b = FHeader.Bytes();
    return uint16_t(uint8_t(b[offset]) | uint8_t(b[offset + 1]) << 8);
  }
  uint32_t FileOffset() const { return TextStart + uint32_t(FText.Size()); }
  void AddPiece(uint32_t fc, uint32_t count) {
    FFcs.push_back(fc);
    FCounts.push_back(count);
  }

  ByteWriter FHeader;
  ByteWriter FText;
  ByteWriter FGrpprls;
  std::vector<uint32_t> FFcs;
  std::vector<uint32_t> FCounts;
  bool FCountsSet = false;
};

}  // namespace kvtest
