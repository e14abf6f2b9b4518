#include "msword/doc/FIB.h"

#include <array>

#include "msword/base/Exceptions.h"
#include "msword/base/LittleEndian.h"
#include "msword/base/Streams.h"

namespace msword {

namespace {

void GetFcLcbRun(const uint8_t* raw, TFIB& Fib, size_t first, size_t count) {
  for (size_t i = 0; i < count; ++i) Fib.*FcLcbFields[first + i] = GetU32(raw + 4 * i);
}

// The fields of bytes 0 to 23, which the full and the Word 6/95 layouts share.
void GetLeadingFields(const uint8_t* raw, TFIB& Fib) {
  Fib.wIdent = GetU16(raw + 0);
  Fib.Version = GetU16(raw + 2);
  Fib.ProductVersion = GetU16(raw + 4);
  Fib.lID = GetU16(raw + 6);
  Fib.pnNext = GetU16(raw + 8);
  Fib.Flag = raw[10];
  Fib.Encryption = raw[11];
  Fib.nFIBBack = GetU16(raw + 12);
  Fib.IKey = GetU32(raw + 14);
  Fib.Platform = raw[18];
  Fib.fMac = raw[19];
  Fib.chse = GetU16(raw + 20);
  Fib.chsTables = GetU16(raw + 22);
}

// Word 2: no key, platform or character-set fields, five story counts, and the
// glossary string table's pair left out of the offset/length runs.
void DecodeShortFIB(const uint8_t* raw, TFIB& Fib) {
  Fib.wIdent = GetU16(raw + 0);
  Fib.Version = GetU16(raw + 2);
  Fib.ProductVersion = GetU16(raw + 4);
  Fib.lID = GetU16(raw + 6);
  Fib.pnNext = GetU16(raw + 8);
  Fib.Flag = raw[10];
  Fib.Encryption = raw[11];
  Fib.nFIBBack = GetU16(raw + 12);
  Fib.fcMin = GetU32(raw + 24);
  Fib.fcMac = GetU32(raw + 28);
  Fib.cbMac = GetU32(raw + 32);
  Fib.ccpText = GetU32(raw + 52);
  Fib.ccpFtn = GetU32(raw + 56);
  Fib.ccpHdr = GetU32(raw + 60);
  Fib.ccpMcr = GetU32(raw + 64);
  Fib.ccpAtn = GetU32(raw + 68);
  GetFcLcbRun(raw + 88, Fib, 0, 18);    // fcStshfOrig .. lcbPlcfphe
  GetFcLcbRun(raw + 160, Fib, 20, 20);  // fcPlcfglsy .. lcbPlcffldAtn
  GetFcLcbRun(raw + 240, Fib, 40, 32);  // fcPlcffldMcr .. lcbAutosaveSource
  Fib.pnChpFirst = GetU32(raw + 382);
  Fib.pnPapFirst = GetU32(raw + 386);
  Fib.cpnBteChp = GetU32(raw + 390);
  Fib.cpnBtePap = GetU32(raw + 394);
}

// Word 6 and 95: eight story counts, then the offset/length pairs in two runs around
// the property page numbers. Word 2 and these headers carry no Far East language.
void DecodeMiddleFIB(const uint8_t* raw, TFIB& Fib) {
  GetLeadingFields(raw, Fib);
  Fib.fcMin = GetU32(raw + 24);
  Fib.fcMac = GetU32(raw + 28);
  Fib.cbMac = GetU32(raw + 32);
  Fib.ccpText = GetU32(raw + 52);
  Fib.ccpFtn = GetU32(raw + 56);
  Fib.ccpHdr = GetU32(raw + 60);
  Fib.ccpMcr = GetU32(raw + 64);
  Fib.ccpAtn = GetU32(raw + 68);
  Fib.ccpEdn = GetU32(raw + 72);
  Fib.ccpTxbx = GetU32(raw + 76);
  Fib.ccpHdrTxbx = GetU32(raw + 80);
  GetFcLcbRun(raw + 88, Fib, 0, 76);    // fcStshfOrig .. lcbSttbfAtnbkmk
  Fib.pnChpFirst = GetU32(raw + 396);
  Fib.pnPapFirst = GetU32(raw + 400);
  Fib.cpnBteChp = GetU32(raw + 404);
  Fib.cpnBtePap = GetU32(raw + 408);
  GetFcLcbRun(raw + 412, Fib, 76, 70);  // fcPlcfdoaMom .. lcbSttbFnm
  Fib.csw = 14;
}

}  // namespace

int32_t FIBGeneration(uint16_t wIdent, uint16_t Version) {
  if (wIdent == 0x37FE) return 5;
  if (Version < 101) return 2;
  switch (Version) {
    case 101: return 6;
    case 102: return 8;
    case 103: return 0;
    case 104: return 7;
    default: return 8;
  }
}

void DecodeFullFIB(const uint8_t* Raw, TFIB& Fib) {
  GetLeadingFields(Raw, Fib);
  Fib.fcMin = GetU32(Raw + 24);
  Fib.fcMac = GetU32(Raw + 28);
  Fib.csw = GetU16(Raw + 32);
  Fib.wMagicCreated = GetU16(Raw + 34);
  Fib.wMagicRevised = GetU16(Raw + 36);
  Fib.wMagicCreatedPrivate = GetU16(Raw + 38);
  Fib.wMagicRevisedPrivate = GetU16(Raw + 40);
  Fib.pnFbpChpFirst_W6 = GetU16(Raw + 42);
  Fib.pnChpFirst_W6 = GetU16(Raw + 44);
  Fib.cpnBteChp_W6 = GetU16(Raw + 46);
  Fib.pnFbpPapFirst_W6 = GetU16(Raw + 48);
  Fib.pnPapFirst_W6 = GetU16(Raw + 50);
  Fib.cpnBtePap_W6 = GetU16(Raw + 52);
  Fib.pnFbpLvcFirst_W6 = GetU16(Raw + 54);
  Fib.pnLvcFirst_W6 = GetU16(Raw + 56);
  Fib.cpnBteLvc_W6 = GetU16(Raw + 58);
  Fib.lidFE = GetU16(Raw + 60);
  Fib.clw = GetU16(Raw + 62);
  Fib.cbMac = GetU32(Raw + 64);
  Fib.lProductCreated = GetU32(Raw + 68);
  Fib.lProductRevised = GetU32(Raw + 72);
  Fib.ccpText = GetU32(Raw + 76);
  Fib.ccpFtn = GetU32(Raw + 80);
  Fib.ccpHdr = GetU32(Raw + 84);
  Fib.ccpMcr = GetU32(Raw + 88);
  Fib.ccpAtn = GetU32(Raw + 92);
  Fib.ccpEdn = GetU32(Raw + 96);
  Fib.ccpTxbx = GetU32(Raw + 100);
  Fib.ccpHdrTxbx = GetU32(Raw + 104);
  Fib.pnFbpChpFirst = GetU32(Raw + 108);
  Fib.pnChpFirst = GetU32(Raw + 112);
  Fib.cpnBteChp = GetU32(Raw + 116);
  Fib.pnFbpPapFirst = GetU32(Raw + 120);
  Fib.pnPapFirst = GetU32(Raw + 124);
  Fib.cpnBtePap = GetU32(Raw + 128);
  Fib.pnFbpLvcFirst = GetU32(Raw + 132);
  Fib.pnLvcFirst = GetU32(Raw + 136);
  Fib.cpnBteLvc = GetU32(Raw + 140);
  Fib.fcIslandFirst = GetU32(Raw + 144);
  Fib.fcIslandLim = GetU32(Raw + 148);
  Fib.cfclcb = GetU16(Raw + 152);
  GetFcLcbRun(Raw + FIBFcLcbOffset, Fib, 0, std::size(FcLcbFields));
}

int32_t DecodeFIB(TStream& S, TFIB& Fib, int32_t* Generation) {
  Fib = TFIB{};
  S.Seek(0, soBeginning);
  Fib.wIdent = ReadU16(S);
  Fib.Version = ReadU16(S);
  const int32_t generation = FIBGeneration(Fib.wIdent, Fib.Version);
  if (Generation) *Generation = generation;
  const size_t size = generation == 2 ? FIBShortSize
                      : (generation >= 5 && generation <= 7) ? FIBMiddleSize
                                                               : FIBSize;
  // The layout is one read; a short stream still leaves what arrived in the record.
  std::array<uint8_t, FIBSize> raw{};
  S.Seek(0, soBeginning);
  const int32_t got = S.Read(raw.data(), int32_t(size));
  if (generation == 2)
    DecodeShortFIB(raw.data(), Fib);
  else if (size == FIBMiddleSize)
    DecodeMiddleFIB(raw.data(), Fib);
  else
    DecodeFullFIB(raw.data(), Fib);
  if (got != int32_t(size)) throw EReadError();
  return generation;
}

}  // namespace msword
