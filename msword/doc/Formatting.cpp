#include "msword/doc/Formatting.h"

#include <algorithm>

#include "msword/base/DocumentBudget.h"
#include "msword/base/Exceptions.h"
#include "msword/base/LittleEndian.h"
#include "msword/base/Streams.h"
#include "msword/doc/FIB.h"
#include "msword/doc/Sprm.h"

namespace msword {

namespace {

// A toggle's operand: 0 and 1 set the value, 0x80 takes the style's, 0x81 its opposite.
TCharEffect::TToggle Invert(TCharEffect::TToggle T) {
  switch (T) {
    case TCharEffect::tgKeep: return TCharEffect::tgInvert;
    case TCharEffect::tgOff: return TCharEffect::tgOn;
    case TCharEffect::tgOn: return TCharEffect::tgOff;
    default: return TCharEffect::tgKeep;
  }
}

TCharEffect::TToggle Toggle(uint8_t Operand, TCharEffect::TToggle StyleValue) {
  switch (Operand) {
    case 0: return TCharEffect::tgOff;
    case 1: return TCharEffect::tgOn;
    case 0x80: return StyleValue;
    case 0x81: return Invert(StyleValue);
    default: return Operand & 1 ? TCharEffect::tgOn : TCharEffect::tgOff;
  }
}

TCharEffect::TToggle Then(TCharEffect::TToggle First, TCharEffect::TToggle Second) {
  switch (Second) {
    case TCharEffect::tgKeep: return First;
    case TCharEffect::tgInvert: return Invert(First);
    default: return Second;
  }
}

bool Apply(TCharEffect::TToggle T, bool Value) {
  switch (T) {
    case TCharEffect::tgOff: return false;
    case TCharEffect::tgOn: return true;
    case TCharEffect::tgInvert: return !Value;
    default: return Value;
  }
}

// The list-table fields lie past the 738 bytes of the header record.
constexpr uint32_t kFcPlfLst = 738, kLcbPlfLst = 742, kFcPlfLfo = 746, kLcbPlfLfo = 750;

}  // namespace

TCharEffect TCharEffect::After(const TCharEffect& Before) const {
  TCharEffect e = *this;
  e.Vanish = Then(Before.Vanish, Vanish);
  e.Deleted = Then(Before.Deleted, Deleted);
  e.Inserted = Then(Before.Inserted, Inserted);
  e.Special = Then(Before.Special, Special);
  e.Bold = Then(Before.Bold, Bold);
  e.Italic = Then(Before.Italic, Italic);
  e.Strike = Then(Before.Strike, Strike);
  if (!SetFtc) e.SetFtc = Before.SetFtc, e.Ftc = Before.Ftc;
  if (!SetFtcOther) e.SetFtcOther = Before.SetFtcOther, e.FtcOther = Before.FtcOther;
  if (!SetSymbol) e.SetSymbol = Before.SetSymbol, e.SymbolFtc = Before.SymbolFtc, e.SymbolChar = Before.SymbolChar;
  if (!SetPicLocation) e.SetPicLocation = Before.SetPicLocation, e.PicLocation = Before.PicLocation;
  return e;
}

void TCharEffect::ApplyTo(TCharProps& Props) const {
  Props.Vanish = Apply(Vanish, Props.Vanish);
  Props.Deleted = Apply(Deleted, Props.Deleted);
  Props.Inserted = Apply(Inserted, Props.Inserted);
  Props.Special = Apply(Special, Props.Special);
  Props.Bold = Apply(Bold, Props.Bold);
  Props.Italic = Apply(Italic, Props.Italic);
  Props.Strike = Apply(Strike, Props.Strike);
  if (SetFtc) Props.Ftc = Ftc;
  if (SetFtcOther) Props.FtcOther = FtcOther;
  if (SetSymbol) {
    Props.HasSymbol = true;
    Props.SymbolFtc = SymbolFtc;
    Props.SymbolChar = SymbolChar;
  }
  if (SetPicLocation) Props.PicLocation = PicLocation;
}

void TFormatting::Read(TStream& Main, TStream& Table, const TFIB& Fib, bool Word97) {
  FWord97 = Word97;
  // Each table is read on its own: one that lies where its stream cannot be read (a
  // sector chain that loops or leaves the file) reads as absent and costs only the
  // formatting it gives, never the text.
  auto guarded = [](auto&& Part, auto&& Clear) {
    try {
      Part();
    } catch (const EDocumentOverBudget&) {
      throw;
    } catch (const Exception&) {
      Clear();
    }
  };
  guarded([&] { Chpx.Read(Table, Main, Fib.fcPlcfbteChpx, Fib.lcbPlcfbteChpx, false, Word97); },
          [&] { Chpx = TPropertyRuns{}; });
  guarded([&] { Papx.Read(Table, Main, Fib.fcPlcfbtePapx, Fib.lcbPlcfbtePapx, true, Word97); },
          [&] { Papx = TPropertyRuns{}; });
  guarded([&] { Styles.Read(Table, Fib.fcStshf, Fib.lcbStshf, Word97); }, [&] { Styles = TStyleSheet{}; });
  guarded([&] { Fonts.Read(Table, Fib.fcSttbfffn, Fib.lcbSttbfffn, Word97); }, [&] { Fonts = TFontTable{}; });
  guarded([&] { Dop.Read(Table, Fib.fcDop, Fib.lcbDop, Word97); }, [&] { Dop = TDocumentProperties{}; });
  Lists = TListTables{};
  if (Word97 && Fib.cfclcb > 74) {
    uint8_t raw[16];
    const int64_t size = Main.Size();
    if (size >= kLcbPlfLfo + 4) {
      Main.Seek(kFcPlfLst, soBeginning);
      if (Main.Read(raw, 16) == 16)
        guarded(
            [&] {
              Lists.Read(Table, GetU32(raw), GetU32(raw + kLcbPlfLst - kFcPlfLst), GetU32(raw + kFcPlfLfo - kFcPlfLst),
                         GetU32(raw + kLcbPlfLfo - kFcPlfLst), Fonts);
            },
            [&] { Lists = TListTables{}; });
    }
  }
  FStyleChar.assign(Styles.Count(), TCharProps{});
  FStylePara.assign(Styles.Count(), TParaProps{});
  FStyleEffect.assign(Styles.Count(), TCharEffect{});
  FStyleDone.assign(Styles.Count(), 0);
  FDefaultChar = TCharProps{};
  FDefaultChar.Ftc = FDefaultChar.FtcOther = Styles.DefaultFtc();
  FLastRun = nullptr;
  FLastPara = nullptr;
}

TCharEffect TFormatting::CharStyleEffect(uint16_t Istd, size_t Depth) {
  if (Istd >= FStyleDone.size() || Depth >= TStyleSheet::MaxDepth) return {};
  uint8_t& done = FStyleDone[Istd];
  if (done & 4) return FStyleEffect[Istd];
  if (done & 8) return {};  // the style applies itself, directly or through others
  done |= 8;
  TCharEffect effect;
  for (uint16_t istd : Styles.Chain(Istd)) {
    const TStyle* style = Styles.Style(istd);
    if (style && style->Kind == 2) ApplyChp(style->Chpx, effect, Depth + 1);
  }
  FStyleDone[Istd] = uint8_t((FStyleDone[Istd] & ~8) | 4);
  FStyleEffect[Istd] = effect;
  return effect;
}

void TFormatting::ApplyChp(std::string_view Grpprl, TCharEffect& Effect, size_t Depth) {
  TSprmReader reader(reinterpret_cast<const uint8_t*>(Grpprl.data()), Grpprl.size(), FWord97);
  TSprm sprm;
  const TCharEffect base = Effect;
  auto symbol = [&Effect](uint16_t Ftc, char16_t Char) {
    Effect.SetSymbol = true;
    Effect.SymbolFtc = Ftc;
    Effect.SymbolChar = Char;
  };
  auto special = [&Effect](uint8_t Operand) {
    Effect.Special = Operand != 0 ? TCharEffect::tgOn : TCharEffect::tgOff;
  };
  auto picture = [&Effect](const uint8_t* Operand) {
    Effect.SetPicLocation = true;
    Effect.PicLocation = GetI32(Operand);
  };
  while (reader.Next(sprm)) {
    const uint8_t* op = sprm.Operand;
    if (FWord97) {
      switch (sprm.Opcode) {
        case sprm97::CFRMarkDel: if (sprm.Size >= 1) Effect.Deleted = Toggle(op[0], base.Deleted); break;
        case sprm97::CFRMarkIns: if (sprm.Size >= 1) Effect.Inserted = Toggle(op[0], base.Inserted); break;
        case sprm97::CFVanish: if (sprm.Size >= 1) Effect.Vanish = Toggle(op[0], base.Vanish); break;
        case sprm97::CFBold: if (sprm.Size >= 1) Effect.Bold = Toggle(op[0], base.Bold); break;
        case sprm97::CFItalic: if (sprm.Size >= 1) Effect.Italic = Toggle(op[0], base.Italic); break;
        case sprm97::CFStrike: if (sprm.Size >= 1) Effect.Strike = Toggle(op[0], base.Strike); break;
        case sprm97::CFSpec: if (sprm.Size >= 1) special(op[0]); break;
        case sprm97::CPicLocation: if (sprm.Size >= 4) picture(op); break;
        case sprm97::CRgFtc0:
        case sprm97::CFtcDefault:
          if (sprm.Size >= 2) Effect.SetFtc = true, Effect.Ftc = GetU16(op);
          break;
        case sprm97::CRgFtc2:
          if (sprm.Size >= 2) Effect.SetFtcOther = true, Effect.FtcOther = GetU16(op);
          break;
        case sprm97::CSymbol: if (sprm.Size >= 4) symbol(GetU16(op), char16_t(GetU16(op + 2))); break;
        case sprm97::CIstd: if (sprm.Size >= 2) Effect = CharStyleEffect(GetU16(op), Depth).After(Effect); break;
        default: break;
      }
    } else {
      switch (sprm.Opcode) {
        case sprm95::CFStrikeRM: if (sprm.Size >= 1) Effect.Deleted = Toggle(op[0], base.Deleted); break;
        case sprm95::CFRMark: if (sprm.Size >= 1) Effect.Inserted = Toggle(op[0], base.Inserted); break;
        case sprm95::CFVanish: if (sprm.Size >= 1) Effect.Vanish = Toggle(op[0], base.Vanish); break;
        case sprm95::CFBold: if (sprm.Size >= 1) Effect.Bold = Toggle(op[0], base.Bold); break;
        case sprm95::CFItalic: if (sprm.Size >= 1) Effect.Italic = Toggle(op[0], base.Italic); break;
        case sprm95::CFStrike: if (sprm.Size >= 1) Effect.Strike = Toggle(op[0], base.Strike); break;
        case sprm95::CFSpec: if (sprm.Size >= 1) special(op[0]); break;
        case sprm95::CPicLocation: if (sprm.Size >= 4) picture(op); break;
        case sprm95::CFtc:
          if (sprm.Size >= 2) {
            Effect.SetFtc = Effect.SetFtcOther = true;
            Effect.Ftc = Effect.FtcOther = GetU16(op);
          }
          break;
        case sprm95::CSymbol:
          if (sprm.Size >= 3) symbol(GetU16(op), char16_t(sprm.Size >= 4 ? GetU16(op + 2) : op[2]));
          break;
        case sprm95::CIstd: if (sprm.Size >= 2) Effect = CharStyleEffect(GetU16(op), Depth).After(Effect); break;
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
      switch (sprm.Opcode) {
        case sprm97::PIlfo: if (sprm.Size >= 2) Props.Ilfo = GetU16(op); break;
        case sprm97::PIlvl: if (sprm.Size >= 1) Props.Ilvl = op[0]; break;
        case sprm97::PFInTable: if (sprm.Size >= 1) Props.InTable = op[0] != 0; break;
        case sprm97::PFTtp: if (sprm.Size >= 1) Props.Ttp = op[0] != 0; break;
        case sprm97::PFInnerTableCell: if (sprm.Size >= 1) Props.InnerTableCell = op[0] != 0; break;
        case sprm97::PFInnerTtp: if (sprm.Size >= 1) Props.InnerTtp = op[0] != 0; break;
        case sprm97::PItap: if (sprm.Size >= 4) Props.Itap = uint16_t(std::min<uint32_t>(GetU32(op), 0xFFFF)); break;
        case sprm97::POutLvl: if (sprm.Size >= 1) Props.OutLvl = op[0]; break;
        default: break;
      }
    } else {
      switch (sprm.Opcode) {
        case sprm95::PNLvlAnm: if (sprm.Size >= 1) Props.NLvlAnm = op[0]; break;
        case sprm95::PAnld: Props.Anld = std::string_view(reinterpret_cast<const char*>(op), sprm.Size); break;
        case sprm95::PFInTable: if (sprm.Size >= 1) Props.InTable = op[0] != 0; break;
        case sprm95::PFTtp: if (sprm.Size >= 1) Props.Ttp = op[0] != 0; break;
        default: break;
      }
    }
  }
}

const TCharProps& TFormatting::StyleChar(uint16_t Istd) {
  if (Istd >= FStyleChar.size()) return FDefaultChar;
  if (!(FStyleDone[Istd] & 1)) {
    FStyleDone[Istd] |= 1;
    TCharEffect effect;
    for (uint16_t istd : Styles.Chain(Istd)) {
      const TStyle* style = Styles.Style(istd);
      if (style && style->Kind == 1) ApplyChp(style->Chpx, effect, 0);
    }
    TCharProps props = FDefaultChar;
    effect.ApplyTo(props);
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
  if (Run && Run->Size > 0) {
    TCharEffect effect;
    ApplyChp(Chpx.Grpprl(*Run), effect, 0);
    effect.ApplyTo(props);
  }
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
