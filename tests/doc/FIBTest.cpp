#include "msword/doc/FIB.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/doc/WordDocument.h"
#include "support/ByteWriter.h"

using namespace msword;
using kvtest::ByteWriter;

TEST(FIB, GenerationFollowsSignatureAndVersion) {
  struct Case { uint16_t wIdent, version; int32_t generation; };
  const Case cases[] = {{0x37FE, 200, 5}, {0xA5EC, 45, 2}, {0xA5EC, 100, 2}, {0xA5EC, 101, 6},
                        {0xA5EC, 102, 8}, {0xA5EC, 103, 0}, {0xA5EC, 104, 7}, {0xA5EC, 105, 8},
                        {0xA5EC, 193, 8}, {0xA5DB, 45, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.wIdent << " v" << std::dec << c.version);
    TMemoryStream stream(ByteWriter().U16(c.wIdent).U16(c.version).PadTo(738).Bytes());
    TFIB fib;
    EXPECT_EQ(DecodeFIB(stream, fib), c.generation);
  }
}

TEST(FIB, FullLayoutReadsEveryFieldAtItsOffset) {
  ByteWriter bytes;
  bytes.U16(0xA5EC).U16(193).PadTo(738);
  struct Case { size_t offset; uint32_t TFIB::*field; };
  const Case cases[] = {{24, &TFIB::fcMin},          {28, &TFIB::fcMac},
                        {64, &TFIB::cbMac},          {76, &TFIB::ccpText},
                        {80, &TFIB::ccpFtn},         {84, &TFIB::ccpHdr},
                        {92, &TFIB::ccpAtn},         {96, &TFIB::ccpEdn},
                        {100, &TFIB::ccpTxbx},       {104, &TFIB::ccpHdrTxbx},
                        {154, &TFIB::fcStshfOrig},   {250, &TFIB::fcPlcfbteChpx},
                        {258, &TFIB::fcPlcfbtePapx}, {314, &TFIB::fcPlcffldMcr},
                        {318, &TFIB::lcbPlcffldMcr}, {418, &TFIB::fcClx},
                        {422, &TFIB::lcbClx},        {734, &TFIB::lcbSttbFnm}};
  for (const Case& c : cases) bytes.PutU32At(c.offset, 0x01000000u + uint32_t(c.offset));
  bytes.PutU16At(6, 0x0419).PutU16At(60, 0x0411).PutU16At(10, 0x4304);
  TMemoryStream stream(bytes.Bytes());
  TFIB fib;
  ASSERT_EQ(DecodeFIB(stream, fib), 8);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    EXPECT_EQ(fib.*c.field, 0x01000000u + uint32_t(c.offset));
  }
  EXPECT_EQ(fib.lID, 0x0419);
  EXPECT_EQ(fib.lidFE, 0x0411);
  EXPECT_EQ(fib.Flag, 0x04);
  EXPECT_EQ(fib.Encryption, 0x43);
  EXPECT_EQ(stream.Position(), 738);
}

TEST(FIB, Word2LayoutReadsItsShorterRuns) {
  ByteWriter bytes;
  bytes.U16(0xA5DB).U16(45).PadTo(398);
  bytes.PutU16At(6, 0x0409).PutU32At(24, 0x180).PutU32At(28, 0x300).PutU32At(52, 100)
      .PutU32At(68, 5)         // ccpAtn
      .PutU32At(72, 77)        // skipped: would be ccpEdn in later layouts
      .PutU32At(88, 0x11)      // fcStshfOrig
      .PutU32At(160, 0x22)     // fcPlcfglsy (the glossary string table pair is not stored)
      .PutU32At(240, 0x33)     // fcPlcffldMcr
      .PutU32At(344, 0x44)     // fcClx
      .PutU32At(348, 0x55)     // lcbClx
      .PutU32At(382, 0x66)     // pnChpFirst
      .PutU32At(394, 0x77);    // cpnBtePap
  bytes.PadTo(800, 0xEE);      // what follows the header is not read
  TMemoryStream stream(bytes.Bytes());
  TFIB fib;
  ASSERT_EQ(DecodeFIB(stream, fib), 2);
  EXPECT_EQ(fib.lID, 0x0409);
  EXPECT_EQ(fib.fcMin, 0x180u);
  EXPECT_EQ(fib.fcMac, 0x300u);
  EXPECT_EQ(fib.ccpText, 100u);
  EXPECT_EQ(fib.ccpAtn, 5u);
  EXPECT_EQ(fib.ccpEdn, 0u);
  EXPECT_EQ(fib.ccpTxbx, 0u);
  EXPECT_EQ(fib.ccpHdrTxbx, 0u);
  EXPECT_EQ(fib.fcStshfOrig, 0x11u);
  EXPECT_EQ(fib.fcSttbfglsy, 0u);
  EXPECT_EQ(fib.fcPlcfglsy, 0x22u);
  EXPECT_EQ(fib.fcPlcffldMcr, 0x33u);
  EXPECT_EQ(fib.fcClx, 0x44u);
  EXPECT_EQ(fib.lcbClx, 0x55u);
  EXPECT_EQ(fib.pnChpFirst, 0x66u);
  EXPECT_EQ(fib.cpnBtePap, 0x77u);
  EXPECT_EQ(fib.csw, 0);
  EXPECT_EQ(fib.fcGrpStAtnOwners, 0u);
  EXPECT_EQ(stream.Position(), 398);
}

TEST(FIB, Word6LayoutReadsTwoRunsAroundThePageNumbers) {
  ByteWriter bytes;
  bytes.U16(0x37FE).U16(200).PadTo(692);
  bytes.PutU16At(60, 0x0411)    // no Far East language in this layout
      .PutU32At(52, 10).PutU32At(80, 8)  // ccpText, ccpHdrTxbx
      .PutU32At(88, 0x11)      // fcStshfOrig
      .PutU32At(388, 0x22)     // lcbSttbfAtnbkmk
      .PutU32At(396, 0x33)     // pnChpFirst
      .PutU32At(412, 0x44)     // fcPlcfdoaMom
      .PutU32At(688, 0x55);    // lcbSttbFnm
  TMemoryStream stream(bytes.Bytes());
  TFIB fib;
  ASSERT_EQ(DecodeFIB(stream, fib), 5);
  EXPECT_EQ(fib.csw, 14);
  EXPECT_EQ(fib.lidFE, 0);
  EXPECT_EQ(fib.ccpText, 10u);
  EXPECT_EQ(fib.ccpHdrTxbx, 8u);
  EXPECT_EQ(fib.fcStshfOrig, 0x11u);
  EXPECT_EQ(fib.lcbSttbfAtnbkmk, 0x22u);
  EXPECT_EQ(fib.pnChpFirst, 0x33u);
  EXPECT_EQ(fib.fcPlcfdoaMom, 0x44u);
  EXPECT_EQ(fib.lcbSttbFnm, 0x55u);
  EXPECT_EQ(stream.Position(), 692);
}

TEST(FIB, ShortStreamRaisesAndKeepsWhatArrived) {
  TFIB fib;
  TMemoryStream three(std::string("\xEC\xA5\xC1", 3));
  EXPECT_THROW(DecodeFIB(three, fib), EReadError);

  TMemoryStream partial(ByteWriter().U16(0xA5EC).U16(193).PadTo(24).U32(0x400).PadTo(600).Bytes());
  int32_t generation = -1;
  EXPECT_THROW(DecodeFIB(partial, fib, &generation), EReadError);
  EXPECT_EQ(generation, 8);
  EXPECT_EQ(fib.fcMin, 0x400u);
}

TEST(FIB, ReadFIBStartsAtOffsetZeroAndSetsTheFlagTests) {
  TMSWordDocument doc(nullptr);
  TMemoryStream stream(ByteWriter().U16(0xA5EC).U16(193).PadTo(10).U8(0x04).U8(0x43).PadTo(738).Bytes());
  stream.Seek(100, soBeginning);
  doc.ReadFIB(&stream);
  EXPECT_EQ(doc.DocVersion(), 8);
  EXPECT_TRUE(doc.IsComplexDocument());
  EXPECT_TRUE(doc.IsPasswordProtected());
  EXPECT_TRUE(doc.IsUseTableStream());
  EXPECT_TRUE(doc.IsFarEastDocument());

  TMemoryStream plain(ByteWriter().U16(0xA5EC).U16(104).PadTo(692).Bytes());
  doc.ReadFIB(&plain);
  EXPECT_EQ(doc.DocVersion(), 7);
  EXPECT_FALSE(doc.IsComplexDocument());
  EXPECT_FALSE(doc.IsPasswordProtected());
  EXPECT_FALSE(doc.IsUseTableStream());
  EXPECT_FALSE(doc.IsFarEastDocument());
}
