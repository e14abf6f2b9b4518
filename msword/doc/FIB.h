// The File Information Block: the header at the start of every main document stream
// of a binary Word file, read from its three on-disk layouts into one record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace msword {

class TStream;

// The first 738 bytes of the full on-disk header, field by field. Offsets are those of
// the full layout; the older layouts are read into the same fields (see DecodeFIB).
struct TFIB {
  uint16_t wIdent = 0;                // 0   signature word
  uint16_t Version = 0;               // 2   nFib: the format version
  uint16_t ProductVersion = 0;        // 4
  uint16_t lID = 0;                   // 6   language of the document
  uint16_t pnNext = 0;                // 8
  uint8_t Flag = 0;                   // 10  bit 2: complex (fast-saved)
  uint8_t Encryption = 0;             // 11  bit 0: encrypted, bit 1: table stream, bit 6: Far East
  uint16_t nFIBBack = 0;              // 12
  uint32_t IKey = 0;                  // 14
  uint8_t Platform = 0;               // 18
  uint8_t fMac = 0;                   // 19
  uint16_t chse = 0;                  // 20
  uint16_t chsTables = 0;             // 22
  uint32_t fcMin = 0;                 // 24  first byte of text in the main stream
  uint32_t fcMac = 0;                 // 28  just past the last byte of text
  uint16_t csw = 0;                   // 32
  uint16_t wMagicCreated = 0;         // 34
  uint16_t wMagicRevised = 0;         // 36
  uint16_t wMagicCreatedPrivate = 0;  // 38
  uint16_t wMagicRevisedPrivate = 0;  // 40
  uint16_t pnFbpChpFirst_W6 = 0;      // 42
  uint16_t pnChpFirst_W6 = 0;         // 44
  uint16_t cpnBteChp_W6 = 0;          // 46
  uint16_t pnFbpPapFirst_W6 = 0;      // 48
  uint16_t pnPapFirst_W6 = 0;         // 50
  uint16_t cpnBtePap_W6 = 0;          // 52
  uint16_t pnFbpLvcFirst_W6 = 0;      // 54
  uint16_t pnLvcFirst_W6 = 0;         // 56
  uint16_t cpnBteLvc_W6 = 0;          // 58
  uint16_t lidFE = 0;                 // 60  Far East language
  uint16_t clw = 0;                   // 62
  uint32_t cbMac = 0;                 // 64
  uint32_t lProductCreated = 0;       // 68
  uint32_t lProductRevised = 0;       // 72
  uint32_t ccpText = 0;               // 76  characters of the main story
  uint32_t ccpFtn = 0;                // 80  footnote story
  uint32_t ccpHdr = 0;                // 84  header story
  uint32_t ccpMcr = 0;                // 88  macro story
  uint32_t ccpAtn = 0;                // 92  annotation story
  uint32_t ccpEdn = 0;                // 96  endnote story
  uint32_t ccpTxbx = 0;               // 100 text-box story
  uint32_t ccpHdrTxbx = 0;            // 104 header text-box story
  uint32_t pnFbpChpFirst = 0;         // 108
  uint32_t pnChpFirst = 0;            // 112
  uint32_t cpnBteChp = 0;             // 116
  uint32_t pnFbpPapFirst = 0;         // 120
  uint32_t pnPapFirst = 0;            // 124
  uint32_t cpnBtePap = 0;             // 128
  uint32_t pnFbpLvcFirst = 0;         // 132
  uint32_t pnLvcFirst = 0;            // 136
  uint32_t cpnBteLvc = 0;             // 140
  uint32_t fcIslandFirst = 0;         // 144
  uint32_t fcIslandLim = 0;           // 148
  uint16_t cfclcb = 0;                // 152
  // From 154 on: 146 offset/length pairs of 4 bytes each, in file order (FcLcbFields).
  uint32_t fcStshfOrig = 0, lcbStshfOrig = 0, fcStshf = 0, lcbStshf = 0;
  uint32_t fcPlcffndRef = 0, lcbPlcffndRef = 0, fcPlcffndTxt = 0, lcbPlcffndTxt = 0;
  uint32_t fcPlcfandRef = 0, lcbPlcfandRef = 0, fcPlcfandTxt = 0, lcbPlcfandTxt = 0;
  uint32_t fcPlcfsed = 0, lcbPlcfsed = 0, fcPlcfpad = 0, lcbPlcfpad = 0;
  uint32_t fcPlcfphe = 0, lcbPlcfphe = 0, fcSttbfglsy = 0, lcbSttbfglsy = 0;
  uint32_t fcPlcfglsy = 0, lcbPlcfglsy = 0, fcPlcfhdd = 0, lcbPlcfhdd = 0;
  uint32_t fcPlcfbteChpx = 0, lcbPlcfbteChpx = 0, fcPlcfbtePapx = 0, lcbPlcfbtePapx = 0;
  uint32_t fcPlcfsea = 0, lcbPlcfsea = 0, fcSttbfffn = 0, lcbSttbfffn = 0;
  uint32_t fcPlcffldMom = 0, lcbPlcffldMom = 0, fcPlcffldHdr = 0, lcbPlcffldHdr = 0;
  uint32_t fcPlcffldFtn = 0, lcbPlcffldFtn = 0, fcPlcffldAtn = 0, lcbPlcffldAtn = 0;
  uint32_t fcPlcffldMcr = 0, lcbPlcffldMcr = 0, fcSttbfbkmk = 0, lcbSttbfbkmk = 0;
  uint32_t fcPlcfbkf = 0, lcbPlcfbkf = 0, fcPlcfbkl = 0, lcbPlcfbkl = 0;
  uint32_t fcCmds = 0, lcbCmds = 0, fcPlcmcr = 0, lcbPlcmcr = 0;
  uint32_t fcSttbfmcr = 0, lcbSttbfmcr = 0, fcPrDrvr = 0, lcbPrDvr = 0;
  uint32_t fcPrEnvPort = 0, lcbPrEnvPort = 0, fcPrEnvLand = 0, lcbPrEnvLand = 0;
  uint32_t fcWss = 0, lcbWss = 0, fcDop = 0, lcbDop = 0;
  uint32_t fcSttbfAssoc = 0, lcbSttbfAssoc = 0, fcClx = 0, lcbClx = 0;
  uint32_t fcPlcfpgdFtn = 0, lcbPlcfpgdFtn = 0, fcAutosaveSource = 0, lcbAutosaveSource = 0;
  uint32_t fcGrpStAtnOwners = 0, lcbGrpStAtnOwners = 0, fcSttbfAtnbkmk = 0, lcbSttbfAtnbkmk = 0;
  uint32_t fcPlcfdoaMom = 0, lcbPlcfdoaMom = 0, fcPlcfdoaHdr = 0, lcbPlcfdoaHdr = 0;
  uint32_t fcUnused1 = 0, lcbUnused1 = 0, fcUnused2 = 0, lcbUnused2 = 0;
  uint32_t fcPlcfAtnbkf = 0, lcbPlcfAtnbkf = 0, fcPlcfAtnbkl = 0, lcbPlcfAtnbkl = 0;
  uint32_t fcPms = 0, lcbPms = 0, fcFormFldSttbf = 0, lcbFormFldSttbf = 0;
  uint32_t fcPlcfendRef = 0, lcbPlcfendRef = 0, fcPlcfendTxt = 0, lcbPlcfendTxt = 0;
  uint32_t fcPlcffldEdn = 0, lcbPlcffldEdn = 0, fcPlcfpgdEdn = 0, lfbcPlcfpgdEdn = 0;
  uint32_t fcUnused3 = 0, lcbUnused3 = 0, fcSttbfRMark = 0, lcbSttbfRMark = 0;
  uint32_t fcSttbfCaption = 0, lcbSttbfCaption = 0, fcAutoCaption = 0, lcbAutoCaption = 0;
  uint32_t fcPlcfwkb = 0, lcbPlcfwkb = 0, fcUnused4 = 0, lcbUnused4 = 0;
  uint32_t fcPlcftxbxTxt = 0, lcbPlcftxbxTxt = 0, fcPlcffldTxbx = 0, lcbPlcffldTxbx = 0;
  uint32_t fcPlcfHdrtxbxTxt = 0, lcbPlcfHdrtxbxTxt = 0, fcPlcffldHdrTxbx = 0, lcbPlcffldHdrTxbx = 0;
  uint32_t fcStwUser = 0, lcbStwUser = 0, fcSttbttmbd = 0, lcbSttbttmbd = 0;
  uint32_t fcPlcunused = 0, lcbPlcunused = 0;
  uint32_t fcpgdMother_fcPgd = 0, fcpgdMother_lcbPgd = 0, fcpgdMother_fcBkd = 0, fcpgdMother_lcbBkd = 0;
  uint32_t fcpgdFtn_fcPgd = 0, rgfcpgdFtn_lcbPgd = 0, rgfcpgdFtn_fcBkd = 0, rgfcpgdFtn_lcbBkd = 0;
  uint32_t fcpgdFtn_fcPgd2 = 0, rgfcpgdFtn_lcbPgd2 = 0, rgfcpgdFtn_fcBkd2 = 0, rgfcpgdFtn_lcbBkd2 = 0;
  uint32_t fcSttbfIntlFld = 0, lcbSttbfIntlFld = 0, fcRouteSlip = 0, lcbRouteSlip = 0;
  uint32_t fcSttbSavedBy = 0, lcbSttbSavedBy = 0, fcSttbFnm = 0, lcbSttbFnm = 0;
};

inline constexpr size_t FIBSize = 738;          // the full layout, and the record
inline constexpr size_t FIBMiddleSize = 692;    // Word 6 and 95
inline constexpr size_t FIBShortSize = 398;     // Word 2
inline constexpr size_t FIBFcLcbOffset = 154;   // where the offset/length pairs begin

// The offset/length pairs from byte 154 on, in file order. The shorter header layouts
// read runs of them ("fields i to j"), so they are listed once.
inline constexpr uint32_t TFIB::*FcLcbFields[] = {
    &TFIB::fcStshfOrig, &TFIB::lcbStshfOrig, &TFIB::fcStshf, &TFIB::lcbStshf,
    &TFIB::fcPlcffndRef, &TFIB::lcbPlcffndRef, &TFIB::fcPlcffndTxt, &TFIB::lcbPlcffndTxt,
    &TFIB::fcPlcfandRef, &TFIB::lcbPlcfandRef, &TFIB::fcPlcfandTxt, &TFIB::lcbPlcfandTxt,
    &TFIB::fcPlcfsed, &TFIB::lcbPlcfsed, &TFIB::fcPlcfpad, &TFIB::lcbPlcfpad,
    &TFIB::fcPlcfphe, &TFIB::lcbPlcfphe, &TFIB::fcSttbfglsy, &TFIB::lcbSttbfglsy,
    &TFIB::fcPlcfglsy, &TFIB::lcbPlcfglsy, &TFIB::fcPlcfhdd, &TFIB::lcbPlcfhdd,
    &TFIB::fcPlcfbteChpx, &TFIB::lcbPlcfbteChpx, &TFIB::fcPlcfbtePapx, &TFIB::lcbPlcfbtePapx,
    &TFIB::fcPlcfsea, &TFIB::lcbPlcfsea, &TFIB::fcSttbfffn, &TFIB::lcbSttbfffn,
    &TFIB::fcPlcffldMom, &TFIB::lcbPlcffldMom, &TFIB::fcPlcffldHdr, &TFIB::lcbPlcffldHdr,
    &TFIB::fcPlcffldFtn, &TFIB::lcbPlcffldFtn, &TFIB::fcPlcffldAtn, &TFIB::lcbPlcffldAtn,
    &TFIB::fcPlcffldMcr, &TFIB::lcbPlcffldMcr, &TFIB::fcSttbfbkmk, &TFIB::lcbSttbfbkmk,
    &TFIB::fcPlcfbkf, &TFIB::lcbPlcfbkf, &TFIB::fcPlcfbkl, &TFIB::lcbPlcfbkl,
    &TFIB::fcCmds, &TFIB::lcbCmds, &TFIB::fcPlcmcr, &TFIB::lcbPlcmcr,
    &TFIB::fcSttbfmcr, &TFIB::lcbSttbfmcr, &TFIB::fcPrDrvr, &TFIB::lcbPrDvr,
    &TFIB::fcPrEnvPort, &TFIB::lcbPrEnvPort, &TFIB::fcPrEnvLand, &TFIB::lcbPrEnvLand,
    &TFIB::fcWss, &TFIB::lcbWss, &TFIB::fcDop, &TFIB::lcbDop,
    &TFIB::fcSttbfAssoc, &TFIB::lcbSttbfAssoc, &TFIB::fcClx, &TFIB::lcbClx,
    &TFIB::fcPlcfpgdFtn, &TFIB::lcbPlcfpgdFtn, &TFIB::fcAutosaveSource, &TFIB::lcbAutosaveSource,
    &TFIB::fcGrpStAtnOwners, &TFIB::lcbGrpStAtnOwners, &TFIB::fcSttbfAtnbkmk, &TFIB::lcbSttbfAtnbkmk,
    &TFIB::fcPlcfdoaMom, &TFIB::lcbPlcfdoaMom, &TFIB::fcPlcfdoaHdr, &TFIB::lcbPlcfdoaHdr,
    &TFIB::fcUnused1, &TFIB::lcbUnused1, &TFIB::fcUnused2, &TFIB::lcbUnused2,
    &TFIB::fcPlcfAtnbkf, &TFIB::lcbPlcfAtnbkf, &TFIB::fcPlcfAtnbkl, &TFIB::lcbPlcfAtnbkl,
    &TFIB::fcPms, &TFIB::lcbPms, &TFIB::fcFormFldSttbf, &TFIB::lcbFormFldSttbf,
    &TFIB::fcPlcfendRef, &TFIB::lcbPlcfendRef, &TFIB::fcPlcfendTxt, &TFIB::lcbPlcfendTxt,
    &TFIB::fcPlcffldEdn, &TFIB::lcbPlcffldEdn, &TFIB::fcPlcfpgdEdn, &TFIB::lfbcPlcfpgdEdn,
    &TFIB::fcUnused3, &TFIB::lcbUnused3, &TFIB::fcSttbfRMark, &TFIB::lcbSttbfRMark,
    &TFIB::fcSttbfCaption, &TFIB::lcbSttbfCaption, &TFIB::fcAutoCaption, &TFIB::lcbAutoCaption,
    &TFIB::fcPlcfwkb, &TFIB::lcbPlcfwkb, &TFIB::fcUnused4, &TFIB::lcbUnused4,
    &TFIB::fcPlcftxbxTxt, &TFIB::lcbPlcftxbxTxt, &TFIB::fcPlcffldTxbx, &TFIB::lcbPlcffldTxbx,
    &TFIB::fcPlcfHdrtxbxTxt, &TFIB::lcbPlcfHdrtxbxTxt, &TFIB::fcPlcffldHdrTxbx, &TFIB::lcbPlcffldHdrTxbx,
    &TFIB::fcStwUser, &TFIB::lcbStwUser, &TFIB::fcSttbttmbd, &TFIB::lcbSttbttmbd,
    &TFIB::fcPlcunused, &TFIB::lcbPlcunused,
    &TFIB::fcpgdMother_fcPgd, &TFIB::fcpgdMother_lcbPgd, &TFIB::fcpgdMother_fcBkd, &TFIB::fcpgdMother_lcbBkd,
    &TFIB::fcpgdFtn_fcPgd, &TFIB::rgfcpgdFtn_lcbPgd, &TFIB::rgfcpgdFtn_fcBkd, &TFIB::rgfcpgdFtn_lcbBkd,
    &TFIB::fcpgdFtn_fcPgd2, &TFIB::rgfcpgdFtn_lcbPgd2, &TFIB::rgfcpgdFtn_fcBkd2, &TFIB::rgfcpgdFtn_lcbBkd2,
    &TFIB::fcSttbfIntlFld, &TFIB::lcbSttbfIntlFld, &TFIB::fcRouteSlip, &TFIB::lcbRouteSlip,
    &TFIB::fcSttbSavedBy, &TFIB::lcbSttbSavedBy, &TFIB::fcSttbFnm, &TFIB::lcbSttbFnm};
static_assert(std::size(FcLcbFields) == 146);
static_assert(FIBFcLcbOffset + 4 * std::size(FcLcbFields) == FIBSize);

// The format generation that the signature word and the version number select:
// 5 (Word 6 beta signature 0x37FE), 2 (Word 2), 6 (Word 6), 7 (Word 95), 0 or 8.
int32_t FIBGeneration(uint16_t wIdent, uint16_t Version);

// Decodes the full layout from 738 bytes.
void DecodeFullFIB(const uint8_t* Raw, TFIB& Fib);

// Reads the header from offset 0 of S in the layout of its generation and returns the
// generation. Fib is zeroed first; fields the layout does not hold stay 0. A stream
// shorter than the layout raises EReadError, leaving in Fib what arrived. S is left
// just after the layout. Generation, when given, receives the generation as soon as
// it is known, before the layout is read.
int32_t DecodeFIB(TStream& S, TFIB& Fib, int32_t* Generation = nullptr);

// The four flag tests.
inline bool FIBIsComplex(const TFIB& Fib) { return (Fib.Flag & 0x04) != 0; }
inline bool FIBIsEncrypted(const TFIB& Fib) { return (Fib.Encryption & 0x01) != 0; }
inline bool FIBUsesTableStream(const TFIB& Fib) { return (Fib.Encryption & 0x02) != 0; }
inline bool FIBIsFarEast(const TFIB& Fib) { return (Fib.Encryption & 0x40) != 0; }

}  // namespace msword
