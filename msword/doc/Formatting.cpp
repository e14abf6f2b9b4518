#include "msword/doc/Formatting.h"

#include "msword/base/LittleEndian.h"
#include "msword/base/Streams.h"
#include "msword/doc/FIB.h"
#include "msword/doc/Sprm.h"

namespace msword {

namespace {

// A toggle's operand: 0 and 1 set the value, 0x80 takes the style's, 0x81 its opposite.
bool Toggle(uint8_t Operand, bool StyleValue) {
  switch (Operand) {
    case 0: return false;
    case 1: return true;
    case 0x80: return StyleValue;
    case 0x81: return !StyleValue;
    default: return Operand & 1;
  }
}

// The list-table fields lie past the 738 bytes of the header record.
constexpr uint32_t kFcPlfLst = 738, kLcbPlfLst = 742, kFcPlfLfo = 746, kLcbPlfLfo = 750;

}  // namespace

void TFormatting::Read(TStream& Main, TStream& Table, const TFIB& Fib, bool Word97) {
  FWord97 = Word97;
  Chpx.Read(Table, Main, Fib.fcPlcfbteChpx, Fib.lcbPlcfbteChpx, false, Word97);
  Papx.Read(Table, Main, Fib.fcPlcfbtePapx, Fib.lcbPlcfbtePapx, true, Word97);
  Styles.Read(Table, Fib.fcStshf, Fib.lcbStshf, Word97);
  Fonts.Read(Table, Fib.fcSttbfffn, Fib.lcbSttbfffn, Word97);
  Dop.Read(Table, Fib.fcDop, Fib.lcbDop, Word97);
  Lists = TListTables{};
  if (Word97 && Fib.cfclcb > 74) {
    uint8_t raw[16];
    const int64_t size = Main.Size();
    if (size >= kLcbPlfLfo + 4) {
      Main.Seek(kFcPlfLst, soBeginning);
      if (Main.Read(raw, 16) == 16)
        Lists.Read(Table, GetU32(raw), GetU32(raw + kLcbPlfLst - kFcPlfLst), GetU32(raw + kFcPlfLfo - kFcPlfLst),
                   GetU32(raw + kLcbPlfLfo - kFcPlfLst), Fonts);
    }
  }
  FStyleChar.assign(Styles.Count(), TCharProps{});
  FStylePara.assign(Styles.Count(), TParaProps{});
  FStyleDone.assign(Styles.Count(), 0);
  FDefaultChar = TCharProps{};
  FDefaultChar.Ftc = FDefaultChar.FtcOther = Styles.DefaultFtc();
  FLastRun = nullptr;
  FLastPara = nullptr;
}

void TFormatting::ApplyCharStyle(uint16_t Istd, TCharProps& Props, size_t Depth) {
  if (Depth >= TStyleSheet::MaxDepth) return;
  for (uint16_t istd : Styles.Chain(Istd)) {
    const TStyle* style = Styles.Style(istd);
    if (style && style->Kind == 2) {
      const TCharProps base = Props;
      ApplyChp(style->Chpx, base, Props, Depth + 1);
    }
  }
}

void TFormatting::ApplyChp(std::string_view Grpprl, const TCharProps& Base, TCharProps& Props, size_t Depth) {
  TSprmReader reader(reinterpret_cast<const uint8_t*>(Grpprl.data()), Grpprl.size(), FWord97);
  TSprm sprm;
  while (reader.Next(sprm)) {
    const uint8_t* op = sprm.Operand;
    if (FWord97) {
      switch (sprm.Opcode) {
        case sprm97::CFRMarkDel: if (sprm.Size >= 1) Props.Deleted = Toggle(op[0], Base.Deleted); break;
        case sprm97::CFRMarkIns: if (sprm.Size >= 1) Props.Inserted = Toggle(op[0], Base.Inserted); break;
        case sprm97::CFVanish: if (sprm.Size >= 1) Props.Vanish = Toggle(op[0], Base.Vanish); break;
        case sprm97::CFSpec: if (sprm.Size >= 1) Props.Special = op[0] != 0; break;
        case sprm97::CPicLocation: if (sprm.Size >= 4) Props.PicLocation = GetI32(op); break;
        case sprm97::CRgFtc0:
        case sprm97::CFtcDefault: if (sprm.Size >= 2) Props.Ftc = GetU16(op); break;
        case sprm97::CRgFtc2: if (sprm.Size >= 2) Props.FtcOther = GetU16(op); break;
        case sprm97::CSymbol:
          if (sprm.Size >= 4) {
            Props.HasSymbol = true;
            Props.SymbolFtc = GetU16(op);
            Props.SymbolChar = char16_t(GetU16(op + 2));
          }
          break;
        case sprm97::CIstd: if (sprm.Size >= 2) ApplyCharStyle(GetU16(op), Props, Depth); break;
        default: break;
      }
    } else {
      switch (sprm.Opcode) {
        case sprm95::CFStrikeRM: if (sprm.Size >= 1) Props.Deleted = Toggle(op[0], Base.Deleted); break;
        case sprm95::CFRMark: if (sprm.Size >= 1) Props.Inserted = Toggle(op[0], Base.Inserted); break;
        case sprm95::CFVanish: if (sprm.Size >= 1) Props.Vanish = Toggle(op[0], Base.Vanish); break;
        case sprm95::CFSpec: if (sprm.Size >= 1) Props.Special = op[0] != 0; break;
        case sprm95::CPicLocation: if (sprm.Size >= 4) Props.PicLocation = GetI32(op); break;
        case sprm95::CFtc: if (sprm.Size >= 2) Props.Ftc = Props.FtcOther = GetU16(op); break;
        case sprm95::CSymbol:
          if (sprm.Size >= 3) {
            Props.HasSymbol = true;
            Props.SymbolFtc = GetU16(op);
            Props.SymbolChar = char16_t(sprm.Size >= 4 ? GetU16(op + 2) : op[2]);
          }
          break;
        case sprm95::CIstd: if (sprm.Size >= 2) ApplyCharStyle(GetU16(op), Props, Depth); break;
        default: break;
      }
    }
  }
}

void TFormatting::ApplyPap(std::string_view Grpprl, TParaProps& Props) {
  TSprmReader reader(reinterpret_cast<const uint8_t*>(Grpprl.data()), Grpprl.size(), FWord97);
  TSprm sprm;
  while (reader.Next(sprm)) {
    const uint8_t* op = sprm.Operand;
    if (FWord97) {
      if (sprm.Opcode == sprm97::PIlfo && sprm.Size >= 2) Props.Ilfo = GetU16(op);
      else if (sprm.Opcode == sprm97::PIlvl && sprm.Size >= 1) Props.Ilvl = op[0];
    } else {
      if (sprm.Opcode == sprm95::PNLvlAnm && sprm.Size >= 1) Props.NLvlAnm = op[0];
      else if (sprm.Opcode == sprm95::PAnld) Props.Anld = std::string_view(reinterpret_cast<const char*>(op), sprm.Size);
    }
  }
}

const TCharProps& TFormatting::StyleChar(uint16_t Istd) {
  if (Istd >= FStyleChar.size()) return FDefaultChar;
  if (!(FStyleDone[Istd] & 1)) {
    FStyleDone[Istd] |= 1;
    TCharProps props = FDefaultChar;
    for (uint16_t istd : Styles.Chain(Istd)) {
      const TStyle* style = Styles.Style(istd);
      if (!style || style->Kind != 1) continue;
      const TCharProps base = props;
      ApplyChp(style->Chpx, base, props, 0);
    }
    FStyleChar[Istd] = props;
  }
  return FStyleChar[Istd];
}

const TParaProps& TFormatting::StylePara(uint16_t Istd) {
  static const TParaProps none;
  if (Istd >= FStylePara.size()) return none;
  if (!(FStyleDone[Istd] & 2)) {
    FStyleDone[Istd] |= 2;
    TParaProps props;
    for (uint16_t istd : Styles.Chain(Istd)) {
      const TStyle* style = Styles.Style(istd);
      if (style) ApplyPap(style->Papx, props);
    }
    props.Istd = Istd;
    FStylePara[Istd] = props;
  }
  return FStylePara[Istd];
}

TCharProps TFormatting::CharProps(const TPropertyRun* Run, uint16_t ParaIstd) {
  // Runs that share their modifiers (and the paragraph style) share their properties.
  if (Run && FLastRun && ParaIstd == FLastIstd &&
      (Run == FLastRun || (Run->Offset == FLastRun->Offset && Run->Size == FLastRun->Size)))
    return FLastProps;
  const TCharProps& base = StyleChar(ParaIstd);
  TCharProps props = base;
  if (Run && Run->Size > 0) ApplyChp(Chpx.Grpprl(*Run), base, props, 0);
  FLastRun = Run;
  FLastIstd = ParaIstd;
  FLastProps = props;
  return props;
}

TParaProps TFormatting::ParaProps(uint32_t Fc) {
  const TPropertyRun* run = Papx.Find(Fc);
  if (!run) return StylePara(0);
  // Paragraphs that share their modifiers and style share their properties.
  if (FLastPara && run->Offset == FLastPara->Offset && run->Size == FLastPara->Size && run->Istd == FLastPara->Istd)
    return FLastParaProps;
  TParaProps props = StylePara(run->Istd);
  props.Istd = run->Istd;
  if (run->Size > 0) ApplyPap(Papx.Grpprl(*run), props);
  FLastPara = run;
  FLastParaProps = props;
  return props;
}

}  // namespace msword
