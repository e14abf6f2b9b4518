// The property modifiers (sprms) of a Word file: a walker over a group of them
// (grpprl) that knows each one's operand size, for Word 97 and later (16-bit
// opcodes whose top bits give the size) and for Word 6 and 95 (8-bit opcodes whose
// sizes are fixed per opcode).
#pragma once

#include <cstddef>
#include <cstdint>

namespace msword {

// One property modifier: its opcode and its operand (for a variable-length sprm the
// operand after its size byte or bytes).
struct TSprm {
  uint16_t Opcode = 0;
  const uint8_t* Operand = nullptr;
  uint32_t Size = 0;
};

// Walks the sprms of Data[0, Size). Stops at the end, at a sprm whose operand runs
// past the data, and (Word 6/95) at an opcode whose size is unknown, since nothing
// after it can be found.
class TSprmReader {
 public:
  TSprmReader(const uint8_t* Data, size_t Size, bool Word97) : FData(Data), FSize(Size), FWord97(Word97) {}
  bool Next(TSprm& Sprm);

 private:
  const uint8_t* FData;
  size_t FSize;
  size_t FPos = 0;
  bool FWord97;
};

// Word 97 opcodes used by the formatting layer.
namespace sprm97 {
inline constexpr uint16_t CFRMarkDel = 0x0800;
inline constexpr uint16_t CFRMarkIns = 0x0801;
inline constexpr uint16_t CPicLocation = 0x6A03;
inline constexpr uint16_t CSymbol = 0x6A09;
inline constexpr uint16_t CIstd = 0x4A30;
inline constexpr uint16_t CFVanish = 0x083C;
inline constexpr uint16_t CFBold = 0x0835;
inline constexpr uint16_t CFItalic = 0x0836;
inline constexpr uint16_t CFStrike = 0x0837;
inline constexpr uint16_t CFtcDefault = 0x4A3D;
inline constexpr uint16_t CRgFtc0 = 0x4A4F;
inline constexpr uint16_t CRgFtc1 = 0x4A50;
inline constexpr uint16_t CRgFtc2 = 0x4A51;
inline constexpr uint16_t CFSpec = 0x0855;
inline constexpr uint16_t CFData = 0x0806;
inline constexpr uint16_t PIstd = 0x4600;
inline constexpr uint16_t PIlvl = 0x260A;
inline constexpr uint16_t PIlfo = 0x460B;
inline constexpr uint16_t PChgTabs = 0xC615;
inline constexpr uint16_t PFInTable = 0x2416;
inline constexpr uint16_t PFTtp = 0x2417;
inline constexpr uint16_t POutLvl = 0x2640;
inline constexpr uint16_t PFInnerTableCell = 0x244B;
inline constexpr uint16_t PFInnerTtp = 0x244C;
inline constexpr uint16_t PItap = 0x6649;
inline constexpr uint16_t TDefTable10 = 0xD606;
inline constexpr uint16_t TDefTable = 0xD608;
}  // namespace sprm97

// Word 6 and 95 opcodes used by the formatting layer.
namespace sprm95 {
inline constexpr uint16_t PIstd = 2;
inline constexpr uint16_t PAnld = 12;
inline constexpr uint16_t PNLvlAnm = 13;
inline constexpr uint16_t PChgTabs = 23;
inline constexpr uint16_t PFInTable = 24;
inline constexpr uint16_t PFTtp = 25;
inline constexpr uint16_t CFStrikeRM = 65;  // deleted text
inline constexpr uint16_t CFRMark = 66;     // inserted text
inline constexpr uint16_t CPicLocation = 68;
inline constexpr uint16_t CSymbol = 74;
inline constexpr uint16_t CIstd = 80;
inline constexpr uint16_t CFBold = 85;
inline constexpr uint16_t CFItalic = 86;
inline constexpr uint16_t CFStrike = 87;
inline constexpr uint16_t CFVanish = 92;
inline constexpr uint16_t CFtc = 93;
inline constexpr uint16_t CFSpec = 117;
inline constexpr uint16_t SGprfIhdt = 153;  // which headers and footers a section has
inline constexpr uint16_t TDefTable10 = 188;
inline constexpr uint16_t TDefTable = 190;
}  // namespace sprm95

}  // namespace msword
