#include "msword/doc/Sprm.h"

#include <array>

#include "msword/base/LittleEndian.h"

namespace msword {

namespace {

// Operand sizes of the Word 6/95 opcodes: 0-4 fixed, kVar a size byte in front,
// kVar2 a 16-bit size in front (the table definitions), kTabs the tab changes,
// kUnknown an opcode Word 6 does not define.
constexpr uint8_t kVar = 0xF0, kVar2 = 0xF1, kTabs = 0xF2, kUnknown = 0xFF;

constexpr std::array<uint8_t, 256> MakeWord6Sizes() {
  std::array<uint8_t, 256> s{};
  for (auto& v : s) v = kUnknown;
  auto set = [&s](int first, int last, uint8_t size) {
    for (int i = first; i <= last; ++i) s[size_t(i)] = size;
  };
  // Paragraph properties.
  set(2, 2, 2);     // istd
  set(3, 3, kVar);  // istd permutation
  set(4, 11, 1);    // level increment, justification, keep flags, page break, border codes
  set(12, 12, kVar);  // auto-numbering (ANLD)
  set(13, 14, 1);
  set(15, 15, kVar);  // tab changes of the paragraph's own
  set(16, 19, 2);
  set(20, 20, 4);   // line spacing
  set(21, 22, 2);
  set(23, 23, kTabs);
  set(24, 25, 1);
  set(26, 28, 2);
  set(29, 29, 1);
  set(30, 36, 2);   // borders (old form)
  set(37, 37, 1);
  set(38, 43, 2);   // borders
  set(44, 44, 1);
  set(45, 49, 2);
  set(50, 51, 1);
  set(52, 52, kVar);  // ruler
  // Character properties.
  set(65, 67, 1);   // revision marks, field vanish
  set(68, 68, kVar);  // picture location
  set(69, 69, 2);
  set(70, 70, 4);
  set(71, 71, 1);
  set(72, 72, 2);
  set(73, 73, 3);
  set(74, 74, kVar);  // symbol
  set(75, 75, 1);
  set(80, 80, 2);   // character style
  set(81, 82, kVar);
  set(83, 83, 0);   // plain
  set(85, 92, 1);   // bold ... vanish
  set(93, 93, 2);   // font
  set(94, 94, 1);
  set(95, 95, 3);
  set(96, 97, 2);
  set(98, 98, 1);
  set(99, 99, 2);
  set(100, 100, 1);
  set(101, 101, 2);
  set(102, 102, 1);
  set(103, 103, kVar);
  set(104, 104, 1);
  set(105, 106, kVar);
  set(107, 107, 2);
  set(108, 108, kVar);
  set(109, 110, 2);
  set(117, 118, 1);
  // Picture properties.
  set(119, 119, 1);
  set(120, 120, kVar);
  set(121, 124, 2);
  // Section properties.
  set(131, 132, 1);
  set(133, 133, kVar);  // outline numbering (OLST)
  set(136, 137, 3);
  set(138, 139, 1);
  set(140, 141, 2);
  set(142, 143, 1);
  set(144, 145, 2);
  set(146, 147, 1);
  set(148, 149, 2);
  set(150, 153, 1);
  set(154, 157, 2);
  set(158, 159, 1);
  set(160, 161, 2);
  set(162, 163, 1);
  set(164, 171, 2);
  // Table properties.
  set(182, 184, 2);
  set(185, 186, 1);
  set(187, 187, 12);
  set(188, 188, kVar2);
  set(189, 189, 2);
  set(190, 190, kVar2);
  set(191, 191, kVar);
  set(192, 192, 4);
  set(193, 193, 5);
  set(194, 194, 4);
  set(195, 195, 2);
  set(196, 196, 4);
  set(197, 198, 2);
  set(199, 199, 5);
  set(200, 200, 4);
  return s;
}
constexpr auto kWord6Sizes = MakeWord6Sizes();

}  // namespace

bool TSprmReader::Next(TSprm& Sprm) {
  const size_t opcodeSize = FWord97 ? 2 : 1;
  if (FPos + opcodeSize > FSize) return false;
  const uint8_t* p = FData + FPos;
  const uint16_t opcode = FWord97 ? GetU16(p) : p[0];
  size_t at = FPos + opcodeSize;  // where the operand (or its size) begins
  const size_t left = FSize - at;
  uint8_t kind;
  if (FWord97) {
    static constexpr uint8_t spraSizes[8] = {1, 1, 2, 4, 2, 2, kVar, 3};
    kind = spraSizes[opcode >> 13];
    if (opcode == sprm97::TDefTable || opcode == sprm97::TDefTable10) kind = kVar2;
    else if (opcode == sprm97::PChgTabs) kind = kTabs;
  } else {
    kind = kWord6Sizes[opcode];
    if (kind == kUnknown) return false;
  }
  size_t size;
  if (kind == kVar) {
    if (left < 1) return false;
    size = FData[at];
    at += 1;
  } else if (kind == kVar2) {
    if (left < 2) return false;
    const uint16_t cb = GetU16(FData + at);
    size = cb > 0 ? cb - 1u : 0u;
    at += 2;
  } else if (kind == kTabs) {
    if (left < 1) return false;
    size = FData[at];
    at += 1;
    if (size == 255) {
      // A size byte of 255: the deleted tabs (4 bytes each) and the added ones (3
      // bytes each) give the length.
      const uint8_t* q = FData + at;
      const size_t rest = FSize - at;
      if (rest < 1) return false;
      const size_t deleted = q[0];
      if (rest < 1 + 4 * deleted + 1) return false;
      const size_t added = q[1 + 4 * deleted];
      size = 1 + 4 * deleted + 1 + 3 * added;
    }
  } else {
    size = kind;
  }
  if (size > FSize - at) return false;
  Sprm.Opcode = opcode;
  Sprm.Operand = FData + at;
  Sprm.Size = uint32_t(size);
  FPos = at + size;
  return true;
}

}  // namespace msword
