#include "msword/doc/PieceTable.h"

#include <gtest/gtest.h>

#include "msword/base/Exceptions.h"
#include "msword/doc/FIB.h"
#include "msword/base/Streams.h"
#include "support/ByteWriter.h"

using namespace msword;
using kvtest::ByteWriter;

namespace {

TFIB FibWithText(uint32_t fcMin, uint32_t fcMac, uint32_t lcbClx = 1) {
  TFIB fib;
  fib.fcMin = fcMin;
  fib.fcMac = fcMac;
  fib.lcbClx = lcbClx;
  return fib;
}

// A descriptor table of n pieces whose size field says L.
ByteWriter Plcfpcd(uint32_t n, uint32_t L) {
  ByteWriter w;
  w.U8(2).U32(L);
  for (uint32_t i = 0; i <= n; ++i) w.U32(i * 10);
  for (uint32_t i = 0; i < n; ++i) w.U8(0).U8(0).U32(0x1000 + i).U16(0);
  return w;
}

void ExpectFallback(const TCLX& clx, uint32_t length) {
  EXPECT_TRUE(clx.Fallback);
  ASSERT_EQ(clx.noPCD, 1u);
  ASSERT_EQ(clx.Pos.size(), 2u);
  EXPECT_EQ(clx.Pos[0], 0u);
  EXPECT_EQ(clx.Pos[1], length);
  ASSERT_EQ(clx.pcd.size(), 1u);
  EXPECT_EQ(clx.pcd[0].fc, 0x400u);
}

}  // namespace

TEST(PieceTable, NoTableGivesOneSixteenBitPieceOverTheWholeText) {
  TCLX clx;
  DecodeCLX(nullptr, FibWithText(0x400, 0x440), clx);
  ExpectFallback(clx, 0x40);
  uint32_t start = 0, end = 0;
  EXPECT_EQ(GetPieceBoundsFC(clx, start, end, 0), 0);
  EXPECT_EQ(start, 0x400u);

  TMemoryStream table(Plcfpcd(1, 16).Bytes());
  DecodeCLX(&table, FibWithText(0x400, 0x440, /*lcbClx=*/0), clx);
  ExpectFallback(clx, 0x40);
}

TEST(PieceTable, ModifierEntriesComeBeforeTheDescriptors) {
  ByteWriter w;
  w.Fill(5, 0xEE);  // the table need not start the stream
  w.U8(1).U16(4).Raw("abcd").U8(1).U16(7).Raw("1234567");
  w.Raw(Plcfpcd(3, 40).Bytes());
  TMemoryStream table(w.Bytes());
  TFIB fib = FibWithText(0x400, 0x440);
  fib.fcClx = 5;
  TCLX clx;
  DecodeCLX(&table, fib, clx);
  EXPECT_FALSE(clx.Fallback);
  EXPECT_EQ(clx.grpprlCount, 2);
  ASSERT_EQ(clx.cbGrpprl.size(), 2u);
  EXPECT_EQ(clx.cbGrpprl[0].Count, 4);
  EXPECT_EQ(clx.cbGrpprl[0].grpprl, "abcd");
  EXPECT_EQ(clx.cbGrpprl[1].Count, 7);
  EXPECT_EQ(clx.noPCD, 3u);
  EXPECT_EQ(clx.Pos, (std::vector<uint32_t>{0, 10, 20, 30}));
  EXPECT_EQ(clx.pcd[2].fc, 0x1002u);
}

TEST(PieceTable, SizeFieldDecidesBetweenTableAndFallback) {
  struct Case { uint32_t n; uint32_t L; uint32_t pieces; };
  // More than 500 pieces are read as well: a table is used whenever it lies inside
  // the table stream. Sizes that leave no room for one piece give the fallback.
  const Case cases[] = {{500, 6004, 500}, {501, 6016, 501}, {3, 40, 3}, {3, 45, 3},
                        {1, 3, 1}, {1, 10, 1}, {1, 15, 1}, {1, 0, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.L);
    TMemoryStream table(Plcfpcd(c.n, c.L).Bytes());
    TCLX clx;
    DecodeCLX(&table, FibWithText(0x400, 0x440), clx);
    EXPECT_EQ(clx.noPCD, c.pieces);
    EXPECT_EQ(clx.Pos.size(), c.pieces + 1);
    EXPECT_EQ(clx.Fallback, c.L < 16);
  }
}

TEST(PieceTable, UnknownFirstEntryGivesTheFallback) {
  TMemoryStream table(ByteWriter().U8(0).Raw(Plcfpcd(2, 28).Bytes()).Bytes());
  TCLX clx;
  DecodeCLX(&table, FibWithText(0x400, 0x440), clx);
  ExpectFallback(clx, 0x40);
}

TEST(PieceTable, SizesBeyondTheTableStreamRaiseBeforeAllocating) {
  // 400 pieces announced, the stream ends after two positions.
  TMemoryStream truncated(ByteWriter().U8(2).U32(4804).U32(0).U32(10).Bytes());
  TCLX clx;
  EXPECT_THROW(DecodeCLX(&truncated, FibWithText(0x400, 0x440), clx), EReadError);
  EXPECT_TRUE(clx.Pos.empty());

  // A modifier entry announces more bytes than remain.
  TMemoryStream shortEntry(ByteWriter().U8(1).U16(0xFFFF).Raw("abc").Bytes());
  EXPECT_THROW(DecodeCLX(&shortEntry, FibWithText(0x400, 0x440), clx), EReadError);
  EXPECT_TRUE(clx.cbGrpprl.empty());

  // The table's start lies beyond the stream.
  TMemoryStream table(Plcfpcd(1, 16).Bytes());
  TFIB fib = FibWithText(0x400, 0x440);
  fib.fcClx = 0x7FFFFFFF;
  EXPECT_THROW(DecodeCLX(&table, fib, clx), EReadError);
}

TEST(PieceTable, LargeModifierEntryKeepsExactlyItsBytes) {
  const std::string grpprl(40000, 'x');
  TMemoryStream table(ByteWriter().U8(1).U16(40000).Raw(grpprl).Raw(Plcfpcd(1, 16).Bytes()).Bytes());
  TCLX clx;
  DecodeCLX(&table, FibWithText(0x400, 0x440), clx);
  ASSERT_EQ(clx.cbGrpprl.size(), 1u);
  EXPECT_EQ(clx.cbGrpprl[0].Count, 40000);
  EXPECT_EQ(clx.cbGrpprl[0].grpprl, grpprl);
  EXPECT_EQ(clx.noPCD, 1u);
}

TEST(PieceTable, LcbClxIsOnlyAPresenceTest) {
  TMemoryStream table(Plcfpcd(2, 28).Bytes());
  TCLX clx;
  DecodeCLX(&table, FibWithText(0x400, 0x440, 0x7FFFFFFF), clx);
  EXPECT_EQ(clx.noPCD, 2u);
}

TEST(PieceTable, NormalisedPositionAndWidth) {
  struct Case { uint32_t fc; uint32_t flagIn; uint32_t start; uint32_t flagOut; };
  const Case cases[] = {{0x40000800, 1, 0x400, 1}, {0x800, 1, 0x800, 0},
                        {0x40000800, 0, 0x400, 0}, {0x800, 7, 0x800, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fc);
    uint32_t flag = c.flagIn;
    EXPECT_EQ(GetNormFC(c.fc, flag), c.start);
    EXPECT_EQ(flag, c.flagOut);
  }
}

TEST(PieceTable, PieceBoundsAddTheCharacterCountWhateverTheWidth) {
  TCLX clx;
  clx.Pos = {0, 10, 25};
  clx.pcd.resize(2);
  clx.pcd[0].fc = 0x2000;
  clx.pcd[1].fc = 0x40001000;
  clx.noPCD = 2;
  uint32_t start = 0, end = 0;
  EXPECT_EQ(GetPieceBoundsFC(clx, start, end, 1), 1);
  EXPECT_EQ(start, 0x800u);
  EXPECT_EQ(end, 0x80Fu);
  EXPECT_EQ(GetPieceBoundsFC(clx, start, end, 0), 0);
  EXPECT_EQ(start, 0x2000u);
  EXPECT_EQ(end, 0x200Au);
  start = end = 99;
  EXPECT_EQ(GetPieceBoundsFC(clx, start, end, 2), -1);
  EXPECT_EQ(start, 99u);
  EXPECT_EQ(GetPieceBoundsFC(clx, start, end, 0xFFFFFFFF), -1);
}
