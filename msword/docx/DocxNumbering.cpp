#include "msword/docx/DocxNumbering.h"

#include "msword/docx/PartScan.h"
#include "msword/xml/XMLItem.h"

namespace msword {

namespace {

// How far a chain of styles (w:basedOn) or of numbering-style links is followed:
// real documents need a handful; loops stop here.
constexpr int MaxChain = 32;

bool IsOff(std::u16string_view Value) { return Value == u"0" || Value == u"false" || Value == u"off"; }

std::optional<int32_t> Val(std::u16string_view Attributes) { return XmlInteger(XmlAttribute(Attributes, u"w:val")); }

// A level number 0-8 from an attribute, or nullopt.
std::optional<uint32_t> LevelIndex(std::u16string_view Attributes) {
  const std::optional<int32_t> v = XmlInteger(XmlAttribute(Attributes, u"w:ilvl"));
  if (!v || *v < 0 || uint32_t(*v) >= ListLevelCount) return std::nullopt;
  return uint32_t(*v);
}

// Fills a level from one of its child elements.
void ReadLevelProperty(TKvWListLevel& Level, std::u16string_view Name, std::u16string_view Attributes,
                       std::u16string_view GrandParent) {
  if (Name == u"w:start") {
    if (const auto v = Val(Attributes)) Level.Start = *v;
  } else if (Name == u"w:numFmt") {
    Level.Format = TKvWDocxNumbering::NumberFormatFromXml(XmlAttribute(Attributes, u"w:val"));
    if (XmlAttribute(Attributes, u"w:val") == u"custom")
      Level.Format = TKvWDocxNumbering::CustomNumberFormat(XmlAttribute(Attributes, u"w:format")).value_or(nfDecimal);
  } else if (Name == u"w:lvlText") {
    Level.Text = TKvWDocxNumbering::LevelTextFromXml(XmlAttribute(Attributes, u"w:val"));
  } else if (Name == u"w:lvlRestart") {
    if (const auto v = Val(Attributes)) Level.Restart = *v <= 0 ? 0 : *v;
  } else if (Name == u"w:isLgl") {
    Level.Legal = !IsOff(XmlAttribute(Attributes, u"w:val"));
  } else if (Name == u"w:suff") {
    const std::u16string_view v = XmlAttribute(Attributes, u"w:val");
    Level.Follow = v == u"space" ? u' ' : v == u"nothing" ? char16_t(0) : u'\t';
  } else if (Name == u"w:rFonts" && GrandParent == u"w:lvl") {
    std::u16string_view font = XmlAttribute(Attributes, u"w:ascii");
    if (font.empty()) font = XmlAttribute(Attributes, u"w:hAnsi");
    if (font.empty()) font = XmlAttribute(Attributes, u"w:cs");
    Level.FontName.assign(font.substr(0, 64));
  }
}

}  // namespace

std::u16string TKvWDocxNumbering::LevelTextFromXml(std::u16string_view Text) {
  std::u16string out;
  for (size_t i = 0; i < Text.size() && out.size() < MaxLevelText; ++i) {
    if (Text[i] == u'%' && i + 1 < Text.size() && Text[i + 1] >= u'1' && Text[i + 1] <= u'9') {
      out.push_back(char16_t(Text[i + 1] - u'1'));
      ++i;
    } else if (Text[i] < ListLevelCount) {
      // A control character would read as a placeholder.
      continue;
    } else {
      out.push_back(Text[i]);
    }
  }
  return out;
}

TKvWNumberFormat TKvWDocxNumbering::NumberFormatFromXml(std::u16string_view Name) {
  static constexpr struct {
    std::u16string_view Name;
    TKvWNumberFormat Format;
  } formats[] = {
      {u"decimal", nfDecimal},         {u"decimalZero", nfDecimalZero}, {u"upperRoman", nfUpperRoman},
      {u"lowerRoman", nfLowerRoman},   {u"upperLetter", nfUpperLetter}, {u"lowerLetter", nfLowerLetter},
      {u"ordinal", nfOrdinal},         {u"cardinalText", nfCardinalText}, {u"ordinalText", nfOrdinalText},
      {u"bullet", nfBullet},           {u"none", nfNone},
  };
  for (const auto& f : formats)
    if (f.Name == Name) return f.Format;
  return nfDecimal;
}

std::optional<TKvWNumberFormat> TKvWDocxNumbering::CustomNumberFormat(std::u16string_view Format) {
  const std::u16string_view first = Format.substr(0, Format.find(u','));
  if (first == u"\u03B1") return nfLowerGreek;
  if (first == u"\u0391") return nfUpperGreek;
  if (first.size() >= 2 && first.size() <= 5 && first.back() == u'1' &&
      first.find_first_not_of(u'0') == first.size() - 1) {
    static constexpr TKvWNumberFormat padded[] = {nfDecimalZero, nfDecimalZero3, nfDecimalZero4, nfDecimalZero5};
    return padded[first.size() - 2];
  }
  if (first == u"1") return nfDecimal;
  return std::nullopt;
}

void TKvWDocxNumbering::Clear() {
  FAbstracts.clear();
  FNums.clear();
  FStyles.clear();
  FDefaultStyle.clear();
  FResolved.clear();
  FStyleLists.clear();
  FLastStyleId.clear();
  FLastStyleList = nullptr;
  FNumbering.Clear();
}

void TKvWDocxNumbering::Load(std::string NumberingXml, std::string StylesXml) {
  Clear();
  LoadNumbering(std::move(NumberingXml));
  if (!FNums.empty()) LoadStyles(std::move(StylesXml));
}

void TKvWDocxNumbering::LoadNumbering(std::string Bytes) {
  TAbstract* abstract = nullptr;
  TNum* num = nullptr;
  TKvWListLevel* level = nullptr;
  std::optional<uint32_t> overrideLevel;
  const TKvWListLevel* levelFormatChosen = nullptr;  // the level whose choice gave its format
  ScanXmlPart(std::move(Bytes), [&](const TKvXMLItem* Parent, std::u16string_view Name, std::u16string_view Attributes) {
    const std::u16string_view parent = TagNameOf(Parent);
    if (Name == u"w:abstractNum") {
      const auto [it, added] = FAbstracts.try_emplace(std::u16string(XmlAttribute(Attributes, u"w:abstractNumId")));
      if (added) {
        it->second.Index = uint32_t(FAbstracts.size() - 1);
        for (TKvWListLevel& l : it->second.Levels) {
          l.Start = 0;
          l.Follow = 0;
        }
      }
      abstract = added ? &it->second : nullptr;
      level = nullptr;
    } else if (Name == u"w:num") {
      const auto [it, added] = FNums.try_emplace(std::u16string(XmlAttribute(Attributes, u"w:numId")));
      if (added) it->second.Index = uint32_t(FNums.size() - 1);
      num = added ? &it->second : nullptr;
      level = nullptr;
    } else if (Name == u"w:lvl") {
      level = nullptr;
      if (parent == u"w:abstractNum" && abstract) {
        if (const auto i = LevelIndex(Attributes); i && !abstract->Defined[*i]) {
          abstract->Defined[*i] = true;
          level = &abstract->Levels[*i];
          *level = TKvWListLevel();
          level->Start = 0;
        }
      } else if (parent == u"w:lvlOverride" && num && overrideLevel) {
        level = &num->LevelOverride[*overrideLevel].emplace();
        level->Start = 0;
      }
    } else if (Name == u"w:lvlOverride") {
      overrideLevel = parent == u"w:num" ? LevelIndex(Attributes) : std::nullopt;
    } else if (Name == u"w:startOverride") {
      if (parent == u"w:lvlOverride" && num && overrideLevel)
        if (const auto v = Val(Attributes)) num->StartOverride[*overrideLevel] = *v;
    } else if (Name == u"w:abstractNumId") {
      if (parent == u"w:num" && num) num->Abstract.assign(XmlAttribute(Attributes, u"w:val"));
    } else if (Name == u"w:numStyleLink" || Name == u"w:styleLink") {
      if (parent == u"w:abstractNum" && abstract)
        (Name == u"w:styleLink" ? abstract->StyleLink : abstract->NumStyleLink)
            .assign(XmlAttribute(Attributes, u"w:val"));
    } else if (level && Name == u"w:numFmt" && (parent == u"mc:Choice" || parent == u"mc:Fallback") &&
               TagNameOf(Parent->ParentItem()) == u"mc:AlternateContent" &&
               TagNameOf(Parent->ParentItem()->ParentItem()) == u"w:lvl") {
      // Word 2010 writes its custom formats as the choice of alternate content and
      // a format older readers know as the fallback: the choice when the engine has
      // it, the fallback otherwise.
      const bool choice = parent == u"mc:Choice";
      const std::u16string_view value = XmlAttribute(Attributes, u"w:val");
      std::optional<TKvWNumberFormat> format;
      if (value == u"custom") format = CustomNumberFormat(XmlAttribute(Attributes, u"w:format"));
      else format = NumberFormatFromXml(value);
      if (choice && format) {
        level->Format = *format;
        levelFormatChosen = level;
      } else if (!choice && levelFormatChosen != level) {
        level->Format = format.value_or(nfDecimal);
      }
    } else if (level && (parent == u"w:lvl" || parent == u"w:rPr")) {
      const std::u16string_view grandParent = TagNameOf(Parent ? Parent->ParentItem() : nullptr);
      if (Name == u"w:pStyle" && parent == u"w:lvl" && abstract && level >= &abstract->Levels[0] &&
          level <= &abstract->Levels[ListLevelCount - 1])
        abstract->LevelStyle[size_t(level - &abstract->Levels[0])].assign(XmlAttribute(Attributes, u"w:val"));
      else if (parent == u"w:lvl" || grandParent == u"w:lvl")
        ReadLevelProperty(*level, Name, Attributes, grandParent);
    }
  });
}

void TKvWDocxNumbering::LoadStyles(std::string Bytes) {
  TStyle* style = nullptr;
  ScanXmlPart(std::move(Bytes), [&](const TKvXMLItem* Parent, std::u16string_view Name, std::u16string_view Attributes) {
    const std::u16string_view parent = TagNameOf(Parent);
    if (Name == u"w:style") {
      style = nullptr;
      const std::u16string_view type = XmlAttribute(Attributes, u"w:type");
      if (!type.empty() && type != u"paragraph" && type != u"numbering") return;
      const std::u16string_view id = XmlAttribute(Attributes, u"w:styleId");
      const auto [it, added] = FStyles.try_emplace(std::u16string(id));
      if (!added) return;
      style = &it->second;
      const std::u16string_view isDefault = XmlAttribute(Attributes, u"w:default");
      if ((isDefault == u"1" || isDefault == u"true" || isDefault == u"on") && type == u"paragraph" &&
          FDefaultStyle.empty())
        FDefaultStyle.assign(id);
    } else if (!style) {
      return;
    } else if (Name == u"w:basedOn" && parent == u"w:style") {
      style->BasedOn.assign(XmlAttribute(Attributes, u"w:val"));
    } else if ((Name == u"w:numId" || Name == u"w:ilvl") && parent == u"w:numPr" &&
               TagNameOf(Parent->ParentItem()) == u"w:pPr" &&
               TagNameOf(Parent->ParentItem()->ParentItem()) == u"w:style") {
      if (Name == u"w:numId")
        style->NumId.emplace(XmlAttribute(Attributes, u"w:val"));
      else if (const auto v = Val(Attributes))
        style->Level = *v;
    }
  });
}

const TKvWDocxNumbering::TAbstract* TKvWDocxNumbering::AbstractOf(const TNum& Num) const {
  const TNum* num = &Num;
  for (int hop = 0; hop < MaxChain; ++hop) {
    const auto a = FAbstracts.find(num->Abstract);
    if (a == FAbstracts.end()) return nullptr;
    if (a->second.NumStyleLink.empty()) return &a->second;
    // The levels are those of a numbering style: its list, through the style.
    const auto s = FStyles.find(a->second.NumStyleLink);
    if (s == FStyles.end() || !s->second.NumId) return &a->second;
    const auto n = FNums.find(*s->second.NumId);
    if (n == FNums.end()) return &a->second;
    num = &n->second;
  }
  return nullptr;
}

const TKvWDocxNumbering::TResolved& TKvWDocxNumbering::Resolve(std::u16string_view NumId) {
  const auto cached = FResolved.find(NumId);
  if (cached != FResolved.end()) return cached->second;
  TResolved& r = FResolved[std::u16string(NumId)];
  const auto n = FNums.find(NumId);
  if (n == FNums.end()) return r;
  const TNum& num = n->second;
  const TAbstract* abstract = AbstractOf(num);
  if (!abstract) return r;
  r.Valid = true;
  r.Abstract = abstract;
  r.Levels = abstract->Levels;
  bool ownInstance = false;
  for (uint32_t i = 0; i < ListLevelCount; ++i) {
    if (num.LevelOverride[i]) r.Levels[i] = *num.LevelOverride[i];
    if (num.StartOverride[i]) {
      r.Levels[i].Start = *num.StartOverride[i];
      ownInstance = true;
    }
  }
  // Lists on one definition go on counting together, also those that only show
  // some levels another way (a w:lvl override); a list that starts its levels
  // again (w:startOverride) is an instance of its own.
  r.Instance = ownInstance ? 0x80000000u | num.Index : abstract->Index;
  return r;
}

const TKvWDocxNumbering::TStyleList& TKvWDocxNumbering::StyleList(std::u16string_view StyleId) {
  if (FLastStyleList && StyleId == FLastStyleId) return *FLastStyleList;
  FLastStyleId.assign(StyleId);
  const auto known = FStyleLists.find(StyleId);
  if (known != FStyleLists.end()) return *(FLastStyleList = &known->second);
  TStyleList& list = FStyleLists[std::u16string(StyleId)];
  FLastStyleList = &list;
  std::u16string_view styleId = StyleId;
  for (int hop = 0; hop < MaxChain && !styleId.empty() && (!list.NumId || !list.Level); ++hop) {
    const auto s = FStyles.find(styleId);
    if (s == FStyles.end()) break;
    if (!list.NumId && s->second.NumId) {
      list.NumId = s->second.NumId;
      list.ListStyle = s->first;
    }
    if (!list.Level && s->second.Level) list.Level = s->second.Level;
    if (s->second.BasedOn == styleId) break;
    styleId = s->second.BasedOn;
  }
  return list;
}

std::u16string TKvWDocxNumbering::NextLabel(std::u16string_view NumId, int32_t Level, std::u16string_view StyleId) {
  if (FNums.empty()) return {};
  std::optional<std::u16string_view> numId;
  if (!NumId.empty()) numId = NumId;
  std::optional<int32_t> level;
  if (Level >= 0) level = Level;
  // The paragraph style and the styles it is based on fill in what the paragraph
  // does not say.
  std::u16string_view listStyle;
  if (!numId || !level) {
    const TStyleList& fromStyle = StyleList(StyleId.empty() ? std::u16string_view(FDefaultStyle) : StyleId);
    if (!numId && fromStyle.NumId) {
      numId = *fromStyle.NumId;
      listStyle = fromStyle.ListStyle;
    }
    if (!level) level = fromStyle.Level;
  }
  if (!numId || numId->empty() || *numId == u"0") return {};
  const TResolved& r = Resolve(*numId);
  if (!r.Valid) return {};
  if (!level && !listStyle.empty()) {
    // A level tied to the style the list came from.
    for (uint32_t i = 0; i < ListLevelCount && !level; ++i)
      if (r.Abstract->LevelStyle[i] == listStyle) level = int32_t(i);
  }
  const int32_t l = level.value_or(0);
  if (l < 0 || uint32_t(l) >= ListLevelCount) return {};
  FLastLevel = l;
  return FNumbering.NextLabel(r.Instance, r.Levels, uint32_t(l));
}

}  // namespace msword
