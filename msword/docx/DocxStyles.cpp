#include "msword/docx/DocxStyles.h"

#include "msword/docx/PartScan.h"
#include "msword/model/DocumentSink.h"
#include "msword/xml/XMLItem.h"

namespace msword {

namespace {

// How far a chain of styles (w:basedOn) is followed: real documents need a
// handful; loops stop here.
constexpr int MaxChain = 32;

bool IsOff(std::u16string_view Value) { return Value == u"0" || Value == u"false" || Value == u"off"; }

bool SameAscii(std::u16string_view A, std::u16string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i) {
    char16_t a = A[i], b = B[i];
    if (a >= u'A' && a <= u'Z') a = char16_t(a + 32);
    if (b >= u'A' && b <= u'Z') b = char16_t(b + 32);
    if (a != b) return false;
  }
  return true;
}

}  // namespace

void TKvWDocxStyles::Clear() {
  FStyles.clear();
  FDefaultParagraphStyle.clear();
  FParagraphs.clear();
  FRuns.clear();
}

void TKvWDocxStyles::Load(std::string StylesXml) {
  Clear();
  TStyle* style = nullptr;
  ScanXmlPart(std::move(StylesXml), [&](const TKvXMLItem* Parent, std::u16string_view Name,
                                        std::u16string_view Attributes) {
    const std::u16string_view parent = TagNameOf(Parent);
    if (Name == u"w:style") {
      style = nullptr;
      const std::u16string_view type = XmlAttribute(Attributes, u"w:type");
      if (!type.empty() && type != u"paragraph" && type != u"character") return;
      const std::u16string_view id = XmlAttribute(Attributes, u"w:styleId");
      const auto [it, added] = FStyles.try_emplace(std::u16string(id));
      if (!added) return;  // the first definition of an id decides
      style = &it->second;
      style->Character = type == u"character";
      const std::u16string_view isDefault = XmlAttribute(Attributes, u"w:default");
      if (!style->Character && (isDefault == u"1" || isDefault == u"true" || isDefault == u"on") &&
          FDefaultParagraphStyle.empty())
        FDefaultParagraphStyle.assign(id);
      return;
    }
    if (!style) return;
    if (parent == u"w:style") {
      if (Name == u"w:name") style->Name.assign(XmlAttribute(Attributes, u"w:val"));
      else if (Name == u"w:basedOn") style->BasedOn.assign(XmlAttribute(Attributes, u"w:val"));
    } else if (parent == u"w:pPr" && Name == u"w:outlineLvl" && TagNameOf(Parent->ParentItem()) == u"w:style") {
      style->OutlineLevel = XmlInteger(XmlAttribute(Attributes, u"w:val"));
    } else if (parent == u"w:rPr" && TagNameOf(Parent->ParentItem()) == u"w:style") {
      bool found = false;
      const bool on = !IsOff(XmlAttribute(Attributes, u"w:val", &found));
      if (Name == u"w:b") style->Run.Bold = on;
      else if (Name == u"w:i") style->Run.Italic = on;
      else if (Name == u"w:strike" || Name == u"w:dstrike") style->Run.Strike = on;
    }
  });
}

const TKvWDocxStyles::TParagraphStyle& TKvWDocxStyles::Paragraph(std::u16string_view StyleId) {
  if (StyleId.empty()) StyleId = FDefaultParagraphStyle;
  if (const auto known = FParagraphs.find(StyleId); known != FParagraphs.end()) return known->second;
  TParagraphStyle& result = FParagraphs[std::u16string(StyleId)];
  std::optional<int32_t> level;
  int32_t nameLevel = 0;
  std::u16string_view id = StyleId;
  for (int i = 0; i < MaxChain && !id.empty(); ++i) {
    const auto s = FStyles.find(id);
    if (s == FStyles.end() || s->second.Character) break;
    const TStyle& style = s->second;
    if (i == 0) result.Name = style.Name;
    if (!level && style.OutlineLevel) level = style.OutlineLevel;
    // Word's built-in names are English whatever the language ("heading 1" is
    // "Überschrift 1" only on screen), so the name is a key like the level.
    if (nameLevel == 0) nameLevel = HeadingLevelOfStyleName(style.Name);
    if (SameAscii(style.Name, u"Title")) result.Title = true;
    id = style.BasedOn;
  }
  if (level) result.OutlineLevel = *level >= 0 && *level <= 8 ? *level + 1 : 0;
  else result.OutlineLevel = nameLevel;
  return result;
}

const TKvWDocxStyles::TRunStyle& TKvWDocxStyles::Run(std::u16string_view StyleId) {
  if (const auto known = FRuns.find(StyleId); known != FRuns.end()) return known->second;
  TRunStyle& result = FRuns[std::u16string(StyleId)];
  std::u16string_view id = StyleId;
  for (int i = 0; i < MaxChain && !id.empty(); ++i) {
    const auto s = FStyles.find(id);
    if (s == FStyles.end()) break;
    const TRunStyle& run = s->second.Run;
    if (!result.Bold) result.Bold = run.Bold;
    if (!result.Italic) result.Italic = run.Italic;
    if (!result.Strike) result.Strike = run.Strike;
    id = s->second.BasedOn;
  }
  return result;
}

}  // namespace msword
