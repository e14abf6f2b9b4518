// Walking groups of property modifiers of both generations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msword/doc/Sprm.h"
#include "support/ByteWriter.h"

using namespace msword;
using kvtest::ByteWriter;

namespace {

struct TWalked {
  uint16_t Opcode;
  std::string Operand;
  bool operator==(const TWalked&) const = default;
};

std::vector<TWalked> Walk(const std::string& Bytes, bool Word97) {
  std::vector<TWalked> out;
  TSprmReader reader(reinterpret_cast<const uint8_t*>(Bytes.data()), Bytes.size(), Word97);
  TSprm sprm;
  while (reader.Next(sprm)) out.push_back({sprm.Opcode, std::string(reinterpret_cast<const char*>(sprm.Operand), sprm.Size)});
  return out;
}

}  // namespace

TEST(Sprm, OperandSizesOfBothGenerations) {
  struct TCase {
    const char* Name;
    bool Word97;
    std::string Bytes;
    std::vector<TWalked> Expected;
  };
  const std::vector<TCase> cases = {
      {"1-bit, 2, 4 and 3 bytes", true, ByteWriter().U16(0x083C).U8(1).U16(0x4A4F).U16(7).U16(0x6A03).U32(9)
                                            .U16(0xE800 | 1).U8(1).U8(2).U8(3).Bytes(),
       {{0x083C, "\x01"}, {0x4A4F, std::string("\x07\x00", 2)}, {0x6A03, std::string("\x09\x00\x00\x00", 4)},
        {0xE801, "\x01\x02\x03"}}},
      {"variable with a size byte", true, ByteWriter().U16(0xC60D).U8(2).U8(5).U8(6).U16(0x2403).U8(1).Bytes(),
       {{0xC60D, "\x05\x06"}, {0x2403, "\x01"}}},
      {"table definition with a 16-bit size", true, ByteWriter().U16(0xD608).U16(3).U8(8).U8(9).U16(0x2403).U8(2).Bytes(),
       {{0xD608, "\x08\x09"}, {0x2403, "\x02"}}},
      {"tab changes of size 255", true,
       ByteWriter().U16(0xC615).U8(255).U8(1).U32(0x04030201).U8(1).U8(7).U8(8).U8(9).U16(0x2403).U8(3).Bytes(),
       {{0xC615, std::string("\x01\x01\x02\x03\x04\x01\x07\x08\x09", 9)}, {0x2403, "\x03"}}},
      {"operand past the end stops the walk", true, ByteWriter().U16(0x083C).U8(1).U16(0x6A03).U16(1).Bytes(),
       {{0x083C, "\x01"}}},
      {"Word 6: fixed and variable sizes", false, ByteWriter().U8(92).U8(1).U8(93).U16(3).U8(68).U8(1).U8(4).Bytes(),
       {{92, "\x01"}, {93, std::string("\x03\x00", 2)}, {68, "\x04"}}},
      {"Word 6: an unknown opcode stops the walk", false, ByteWriter().U8(92).U8(1).U8(60).U8(1).U8(92).U8(0).Bytes(),
       {{92, "\x01"}}},
  };
  for (const TCase& c : cases) EXPECT_EQ(Walk(c.Bytes, c.Word97), c.Expected) << c.Name;
}
