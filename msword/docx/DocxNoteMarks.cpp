#include "msword/docx/DocxNoteMarks.h"

#include <algorithm>

#include "msword/docx/DocxNumbering.h"
#include "msword/docx/PartScan.h"
#include "msword/xml/XMLItem.h"

namespace msword {

namespace {

// Custom marks are a symbol or two; a longer run of text is not kept whole.
constexpr size_t MaxCustomMark = 64;

}  // namespace

void TKvWDocxNoteMarks::Clear() {
  FFootnotes = TKind();
  FEndnotes = TKind();
  FEndnotes.Format = nfLowerRoman;
}

void TKvWDocxNoteMarks::SetFormat(bool Endnote, TKvWNumberFormat Format, int32_t Start) {
  TKind& kind = Endnote ? FEndnotes : FFootnotes;
  kind.Format = Format;
  kind.Start = Start;
}

void TKvWDocxNoteMarks::LoadSettings(std::string SettingsXml) {
  ScanXmlPart(std::move(SettingsXml), [this](const TKvXMLItem* Parent, std::u16string_view Name,
                                             std::u16string_view Attributes) {
    const std::u16string_view parent = TagNameOf(Parent);
    const bool endnote = parent == u"w:endnotePr";
    if (!endnote && parent != u"w:footnotePr") return;
    // Only the document-wide properties, not those of a note kept in the settings.
    if (TagNameOf(Parent->ParentItem()) != u"w:settings") return;
    TKind& kind = endnote ? FEndnotes : FFootnotes;
    if (Name == u"w:numFmt") {
      const std::u16string_view format = XmlAttribute(Attributes, u"w:val");
      if (!format.empty()) kind.Format = TKvWDocxNumbering::NumberFormatFromXml(format);
    } else if (Name == u"w:numStart") {
      if (const auto v = XmlInteger(XmlAttribute(Attributes, u"w:val"))) kind.Start = *v;
    }
  });
}

std::u16string TKvWDocxNoteMarks::Reference(bool Endnote, std::u16string_view Id, bool CustomMark) {
  TKind& kind = Endnote ? FEndnotes : FFootnotes;
  const auto it = kind.Marks.find(Id);
  if (it != kind.Marks.end()) return CustomMark ? std::u16string() : it->second;
  if (CustomMark) {
    kind.Marks.emplace(std::u16string(Id), std::u16string());
    return {};
  }
  const int64_t value = int64_t(kind.Start) + kind.Next;
  if (kind.Next < INT32_MAX) ++kind.Next;
  const TKvWNumberFormat format = kind.Format == nfBullet || kind.Format == nfNone ? nfDecimal : kind.Format;
  std::u16string mark = u"[" + FormatListNumber(int32_t(std::min<int64_t>(value, INT32_MAX)), format) + u"]";
  kind.Marks.emplace(std::u16string(Id), mark);
  return mark;
}

void TKvWDocxNoteMarks::AppendCustomMark(bool Endnote, std::u16string_view Id, std::u16string_view Text) {
  TKind& kind = Endnote ? FEndnotes : FFootnotes;
  const auto it = kind.Marks.find(Id);
  if (it == kind.Marks.end() || it->second.size() >= MaxCustomMark) return;
  it->second.append(Text.substr(0, MaxCustomMark - it->second.size()));
}

std::u16string_view TKvWDocxNoteMarks::OwnMark(bool Endnote, std::u16string_view Id) const {
  const TKind& kind = Endnote ? FEndnotes : FFootnotes;
  const auto it = kind.Marks.find(Id);
  return it == kind.Marks.end() ? std::u16string_view() : std::u16string_view(it->second);
}

}  // namespace msword
