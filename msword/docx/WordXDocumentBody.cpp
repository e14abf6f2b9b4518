// The body conversion of TMSWordXDocument: the markup of one part (the main
// document, a header, a footer, the notes) becomes lines of text while the XML
// engine reads it. The start-tag handler decides which elements are entered at all;
// text comes only from the text elements, which are never made into items, and every
// paragraph is freed when it ends, so the engine's tree holds only the open path.
#include <algorithm>
#include <functional>
#include <iterator>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "msword/base/SymbolFonts.h"
#include "msword/docx/DocxNoteMarks.h"
#include "msword/docx/DocxNumbering.h"
#include "msword/docx/DocxStyles.h"
#include "msword/docx/PartScan.h"
#include "msword/docx/WordPrefixes.h"
#include "msword/docx/WordXDocument.h"
#include "msword/xml/XMLEngine.h"
#include "msword/xml/XMLItem.h"

namespace msword {

namespace {

// What the start-tag handler does with an element, by its name.
enum TDocxTag : uint8_t {
  dtOther = 0,     // refused, unless its parent is the XML declaration
  dtParagraph,     // w:p
  dtText,          // w:t, m:t, w:delText
  dtPStyle,        // w:pStyle
  dtVal,           // w:val (the element form of a paragraph style)
  dtRFonts,        // w:rFonts
  dtRun,           // w:r
  dtVanish,        // w:vanish
  dtDel,           // w:del
  dtIns,           // w:ins
  dtTable,         // w:tbl
  dtRow,           // w:tr
  dtCell,          // w:tc
  dtHeaderRef,     // w:headerReference
  dtFooterRef,     // w:footerReference
  dtContainer,     // entered for what it holds
  dtRunProps,      // w:rPr: entered unless hidden text is wanted
  dtSectPr,        // w:sectPr: entered in paragraph properties and directly in the body
  dtNote,          // w:footnote, w:endnote: entered unless a separator
  dtLineBreak,     // w:cr: a line break like w:br
  dtPositionTab,   // w:ptab: a tab like w:tab
  dtNoBreakHyphen, // w:noBreakHyphen: U+2011
  dtSoftHyphen,    // w:softHyphen: U+00AD
  dtMoveTo,        // w:moveTo: a container, dropped when revisions are rejected
  dtTextBox,       // w:txbxContent: a container; the shown view reads it to the text-box list
  dtSymEx,         // w16se:symEx: a character by its code, such as an emoji beyond 16 bits
  dtSdt,           // w:sdt: a content control, a container; the shown view follows check boxes
  dtSdtContent,    // w:sdtContent: the content control's content
  dtHyperlink,     // w:hyperlink: a container of runs whose target a document sink is told
  // Read by the shown view only; refused by name otherwise.
  dtNumPr,         // w:numPr
  dtIlvl,          // w:ilvl
  dtNumId,         // w:numId
  dtNoteReference, // w:footnoteReference, w:endnoteReference
  dtNoteOwnMark,   // w:footnoteRef, w:endnoteRef
  dtComments,      // w:comments, w:comment
  dtFallback,      // mc:Fallback
  dtFramePr,       // w:framePr
  dtSym,           // w:sym
  dtAltChunk,      // w:altChunk
  dtFldChar,       // w:fldChar
  dtInstrText,     // w:instrText
  dtSdtPr,         // w:sdtPr: entered for a check box's properties
  dtFormData,      // w:ffData, w:checkBox, w:ddList, w14:checkbox
  dtFormValue,     // their state: w:checked, w:default, w:result, w:listEntry, w14:checked,
                   // w14:checkedState, w14:uncheckedState
  // Read only for a document sink; refused by name otherwise.
  dtRunEmphasis,   // w:b, w:i, w:strike, w:dstrike
  dtRStyle,        // w:rStyle
  dtOutlineLvl,    // w:outlineLvl
  dtCellProps,     // w:tcPr
  dtCellMerge,     // w:gridSpan, w:vMerge
  dtDocPr,         // wp:docPr: a drawing's name and description
};

// The first tag that only the shown view enters.
constexpr TDocxTag dtFirstShown = dtNumPr;
// The first tag that only a document sink needs; the rest are too.
constexpr TDocxTag dtFirstModel = dtRunEmphasis;

struct TDocxTagName {
  std::string_view Name;
  TDocxTag Tag;
};
constexpr TDocxTagName kDocxTags[] = {
      {"w:p", dtParagraph}, {"w:t", dtText}, {"m:t", dtText}, {"w:delText", dtText},
      {"w:pStyle", dtPStyle}, {"w:val", dtVal}, {"w:rFonts", dtRFonts}, {"w:r", dtRun},
      {"w:vanish", dtVanish}, {"w:del", dtDel}, {"w:moveFrom", dtDel}, {"w:ins", dtIns}, {"w:tbl", dtTable},
      {"w:tr", dtRow}, {"w:tc", dtCell}, {"w:headerReference", dtHeaderRef},
      {"w:footerReference", dtFooterRef}, {"w:rPr", dtRunProps}, {"w:sectPr", dtSectPr},
      {"w:footnote", dtNote}, {"w:endnote", dtNote}, {"w:cr", dtLineBreak},
      {"w:ptab", dtPositionTab}, {"w:noBreakHyphen", dtNoBreakHyphen}, {"w:softHyphen", dtSoftHyphen},
      {"w16se:symEx", dtSymEx},
      // The structure of the parts and of the paragraphs.
      {"w:document", dtContainer}, {"w:body", dtContainer}, {"w:hdr", dtContainer},
      {"w:ftr", dtContainer}, {"w:footnotes", dtContainer}, {"w:endnotes", dtContainer},
      {"w:pPr", dtContainer}, {"w:tabs", dtContainer}, {"w:tab", dtContainer},
      {"w:br", dtContainer}, {"!--", dtContainer},
      // Containers of runs whose text the document shows: links, tags, content
      // controls (tables of contents, cover pages, form fields), simple fields, moves,
      // text direction.
      {"w:hyperlink", dtHyperlink}, {"w:smartTag", dtContainer}, {"w:customXml", dtContainer},
      {"w:sdt", dtSdt}, {"w:sdtContent", dtSdtContent}, {"w:fldSimple", dtContainer},
      {"w:moveTo", dtMoveTo}, {"w:dir", dtContainer}, {"w:bdo", dtContainer},
      // The base text of ruby (the guide above it is left out).
      {"w:ruby", dtContainer}, {"w:rubyBase", dtContainer},
      // Text boxes in drawings and in the older VML shapes; of alternate content
      // only the first choice is read, so a text box drawn both ways is read once.
      {"w:pict", dtContainer}, {"v:shape", dtContainer}, {"v:rect", dtContainer},
      {"v:roundrect", dtContainer}, {"v:oval", dtContainer}, {"v:group", dtContainer},
      {"v:textbox", dtContainer},
      {"mc:AlternateContent", dtContainer}, {"mc:Choice", dtContainer},
      {"w:drawing", dtContainer}, {"wp:anchor", dtContainer}, {"wp:inline", dtContainer},
      {"a:graphic", dtContainer}, {"a:graphicData", dtContainer}, {"wps:wsp", dtContainer},
      {"wps:txbx", dtContainer}, {"w:txbxContent", dtTextBox},
      // The shown view's elements.
      {"w:numPr", dtNumPr}, {"w:ilvl", dtIlvl}, {"w:numId", dtNumId},
      {"w:footnoteReference", dtNoteReference}, {"w:endnoteReference", dtNoteReference},
      {"w:footnoteRef", dtNoteOwnMark}, {"w:endnoteRef", dtNoteOwnMark},
      {"w:comments", dtComments}, {"w:comment", dtComments}, {"mc:Fallback", dtFallback},
      {"w:framePr", dtFramePr}, {"w:sym", dtSym}, {"w:altChunk", dtAltChunk},
      {"w:fldChar", dtFldChar}, {"w:instrText", dtInstrText}, {"w:sdtPr", dtSdtPr},
      {"w:ffData", dtFormData}, {"w:checkBox", dtFormData}, {"w:ddList", dtFormData},
      {"w14:checkbox", dtFormData}, {"w:checked", dtFormValue}, {"w:default", dtFormValue},
      {"w:result", dtFormValue}, {"w:listEntry", dtFormValue}, {"w14:checked", dtFormValue},
      {"w14:checkedState", dtFormValue}, {"w14:uncheckedState", dtFormValue},
      // The document sink's elements.
      {"w:b", dtRunEmphasis}, {"w:i", dtRunEmphasis}, {"w:strike", dtRunEmphasis}, {"w:dstrike", dtRunEmphasis},
      {"w:rStyle", dtRStyle}, {"w:outlineLvl", dtOutlineLvl}, {"w:tcPr", dtCellProps},
      {"w:gridSpan", dtCellMerge}, {"w:vMerge", dtCellMerge}, {"wp:docPr", dtDocPr},
};

// The names above in a small open-addressed table, looked up without building a
// string: a name read as bytes and the same name in UTF-16 find the same entry.
class TDocxTagTable {
 public:
  TDocxTagTable() {
    for (const TDocxTagName& entry : kDocxTags) {
      size_t slot = Hash(entry.Name.data(), entry.Name.size());
      while (FSlots[slot].Name.data()) slot = (slot + 1) & kMask;
      FSlots[slot] = entry;
    }
  }
  template <class CharT>
  TDocxTag Find(const CharT* Name, size_t Length) const {
    for (size_t slot = Hash(Name, Length);; slot = (slot + 1) & kMask) {
      const TDocxTagName& entry = FSlots[slot];
      if (!entry.Name.data()) return dtOther;
      if (entry.Name.size() == Length && std::equal(Name, Name + Length, entry.Name.begin(), [](CharT a, char b) {
            return uint32_t(a) == uint32_t(uint8_t(b));
          }))
        return entry.Tag;
    }
  }

 private:
  static constexpr size_t kMask = 255;
  template <class CharT>
  static size_t Hash(const CharT* Name, size_t Length) {
    uint32_t h = uint32_t(Length) * 0x9E3779B1u;
    for (size_t i = 0; i < Length; ++i) h = (h ^ uint32_t(Name[i])) * 0x01000193u;
    return (h ^ h >> 15) & kMask;
  }
  TDocxTagName FSlots[kMask + 1] = {};
};
static_assert(std::size(kDocxTags) < 128, "the table stays at most half full");

const TDocxTagTable& DocxTags() {
  static const TDocxTagTable table;
  return table;
}

TDocxTag ClassifyTag(std::u16string_view Name) { return DocxTags().Find(Name.data(), Name.size()); }
TDocxTag ClassifyTag(std::string_view Name) { return DocxTags().Find(Name.data(), Name.size()); }

// Whether a text holds an ampersand: eight characters at a time, as text values are
// long and the answer is nearly always no.
bool HasAmpersand(std::u16string_view Text) {
  const char16_t* p = Text.data();
  size_t i = 0;
  const size_t n = Text.size();
#if defined(__SSE2__)
  const __m128i amp = _mm_set1_epi16(short(u'&'));
  for (; i + 8 <= n; i += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(v, amp))) return true;
  }
#endif
  for (; i < n; ++i)
    if (p[i] == u'&') return true;
  return false;
}

// The value of the first Name="..." in a raw attribute text (Name includes the "=" and
// the quote): up to the next quote, or to the end when there is none; empty when the
// attribute is not there.
std::u16string_view RawAttribute(std::u16string_view Attributes, std::u16string_view Name) {
  const size_t at = Attributes.find(Name);
  if (at == std::u16string_view::npos) return {};
  const std::u16string_view rest = Attributes.substr(at + Name.size());
  return rest.substr(0, rest.find(u'"'));
}

bool IsNamed(const TKvXMLItem* Item, std::u16string_view Name) {
  return Item && Item->TagName() == Name;
}

bool IsDeclaration(const TKvXMLItem* Item) { return Item && SameStrings(false, Item->TagName(), u"?xml"); }

// The run properties of a paragraph mark (w:pPr/w:rPr), where w:del and w:ins say
// that a tracked change deleted or inserted the mark.
bool IsParagraphMarkProps(const TKvXMLItem* Item) {
  return IsNamed(Item, u"w:rPr") && IsNamed(Item->ParentItem(), u"w:pPr");
}

// A note that only draws the line between the text and the notes.
bool IsSeparatorNote(std::u16string_view Attributes) {
  const std::u16string_view type = RawAttribute(Attributes, u"w:type=\"");
  return type == u"separator" || type == u"continuationSeparator" || type == u"continuationNotice";
}

// A field's instructions are kept up to this many characters: enough for any
// display text a field shows from its instructions.
constexpr size_t MaxFieldInstructions = 1024;
// Fields nest a few deep; the instructions of deeper ones are not kept.
constexpr size_t MaxFieldDepth = 32;

// What a field without a result shows from its instructions: the display text of
// "MACROBUTTON name text" (the words after the macro's name); empty for others.
std::u16string_view FieldDisplayText(std::u16string_view Instructions) {
  const auto skipBlanks = [&Instructions] {
    while (!Instructions.empty() && (Instructions.front() == u' ' || Instructions.front() == u'\t'))
      Instructions.remove_prefix(1);
  };
  skipBlanks();
  constexpr std::u16string_view Keyword = u"MACROBUTTON";
  if (Instructions.size() <= Keyword.size() || !SameStrings(false, Instructions.substr(0, Keyword.size()), Keyword) ||
      (Instructions[Keyword.size()] != u' ' && Instructions[Keyword.size()] != u'\t'))
    return {};
  Instructions.remove_prefix(Keyword.size());
  skipBlanks();
  while (!Instructions.empty() && Instructions.front() != u' ' && Instructions.front() != u'\t')
    Instructions.remove_prefix(1);  // the macro's name
  skipBlanks();
  while (!Instructions.empty() && (Instructions.back() == u' ' || Instructions.back() == u'\t'))
    Instructions.remove_suffix(1);
  return Instructions;
}

// The target of a field "HYPERLINK "url" \\l "place"": the address, or "#" and the
// place in the document; empty for any other field.
std::u16string HyperlinkFieldTarget(std::u16string_view Instructions) {
  const auto skipBlanks = [&Instructions] {
    while (!Instructions.empty() && (Instructions.front() == u' ' || Instructions.front() == u'\t'))
      Instructions.remove_prefix(1);
  };
  // The next argument: quoted, or up to a blank.
  const auto argument = [&]() -> std::u16string_view {
    skipBlanks();
    if (!Instructions.empty() && Instructions.front() == u'"') {
      Instructions.remove_prefix(1);
      const size_t end = std::min(Instructions.find(u'"'), Instructions.size());
      const std::u16string_view value = Instructions.substr(0, end);
      Instructions.remove_prefix(std::min(end + 1, Instructions.size()));
      return value;
    }
    size_t end = 0;
    while (end < Instructions.size() && Instructions[end] != u' ' && Instructions[end] != u'\t') ++end;
    const std::u16string_view value = Instructions.substr(0, end);
    Instructions.remove_prefix(end);
    return value;
  };
  skipBlanks();
  constexpr std::u16string_view Keyword = u"HYPERLINK";
  if (Instructions.size() <= Keyword.size() || !SameStrings(false, Instructions.substr(0, Keyword.size()), Keyword) ||
      (Instructions[Keyword.size()] != u' ' && Instructions[Keyword.size()] != u'\t'))
    return {};
  Instructions.remove_prefix(Keyword.size());
  std::u16string address, place;
  while (true) {
    skipBlanks();
    if (Instructions.empty()) break;
    const std::u16string_view arg = argument();
    if (arg.size() == 2 && arg[0] == u'\\') {
      if (arg[1] == u'l' || arg[1] == u'L') place.assign(argument());
      else if (arg[1] == u'o' || arg[1] == u't' || arg[1] == u'm') argument();  // a tip or a frame
    } else if (address.empty()) {
      address.assign(arg);
    }
  }
  if (!address.empty()) return place.empty() ? address : address + u"#" + place;
  return place.empty() ? std::u16string() : u"#" + place;
}

// w:vanish, w:b and the like switch on unless their value is one of these.
bool IsOffValue(std::u16string_view Value) {
  return Value == u"0" || Value == u"false" || Value == u"off";
}

// A character code written in hexadecimal ("F053", "1F600"), at most six digits;
// 0 for anything else, for a control character, a surrogate or a code beyond
// U+10FFFF.
uint32_t HexCharCode(std::u16string_view Hex) {
  if (Hex.empty() || Hex.size() > 6) return 0;
  uint32_t code = 0;
  for (char16_t c : Hex) {
    const int d = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'a' && c <= u'f' ? c - u'a' + 10
                  : c >= u'A' && c <= u'F' ? c - u'A' + 10 : -1;
    if (d < 0) return 0;
    code = code * 16 + uint32_t(d);
  }
  if (code < 0x20 || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
  return code;
}

// The most entries of a drop-down form field kept: Word allows 25.
constexpr size_t MaxDropDownEntries = 256;

// A character as UTF-16: beyond the 16 bits, its surrogate pair.
std::u16string CodePointText(uint32_t Code) {
  if (Code < 0x10000) return std::u16string(1, char16_t(Code));
  Code -= 0x10000;
  return {char16_t(0xD800 + (Code >> 10)), char16_t(0xDC00 + (Code & 0x3FF))};
}

}  // namespace

std::u16string GetHTMLFontFromStyle(std::u16string_view S, bool Opening) {
  std::u16string result;
  const std::u16string_view slash = Opening ? u"" : u"/";
  if (S.find(u"Bold") != std::u16string_view::npos) result.append(u"<").append(slash).append(u"b>");
  if (S.find(u"Italic") != std::u16string_view::npos) result.append(u"<").append(slash).append(u"i>");
  if (!result.empty()) {
    if (Opening)
      result.insert(0, u"<font>");
    else
      result.append(u"</font>");
  }
  return result;
}

void TMSWordXDocument::LoadXMLFilePart(TStream* AStream, TWideStrings* AList) {
  if (!AStream) return;
  ConvertPart([AStream](TKvXMLEngine& Engine) { Engine.LoadFromStream(0, AStream); }, AList);
}

void TMSWordXDocument::LoadXMLFilePart(std::string ABytes, TWideStrings* AList) {
  UseWordPrefixes(ABytes);
  ConvertPart([&ABytes](TKvXMLEngine& Engine) { Engine.LoadFromBytes(std::move(ABytes)); }, AList);
}

void TMSWordXDocument::ConvertPart(const std::function<void(TKvXMLEngine&)>& Load, TWideStrings* AList) {
  ++FPartsConverted;
  FcurList = AList;
  if (std::u16string start = GetTextStart(); !start.empty()) AddText(std::move(start), AList);
  // Paragraphs left open by a previous part are not continued here.
  FOuterTextLines.clear();
  FOpenParagraphs = 0;
  FShown = View() == vwShown;
  FSink = FShown && TextFormating() == tfPlainText ? DocumentSink() : nullptr;
  FRevisionMode = EffectiveRevisions();
  FOuterParagraphs.clear();
  FParagraph = TShownParagraph();
  FJoinedText.clear();
  FTextBoxDepth = 0;
  FHasDropCap = false;
  FDropCapText.clear();
  FNoteId.clear();
  FCustomMarkId.clear();
  FFields.clear();
  FFieldDepth = 0;
  FContentControls.clear();
  FContentControlDepth = 0;
  FLinks.clear();
  FLinkDepth = 0;
  FDeletedDepth = FInsertedDepth = 0;
  FSinkCellPending = false;
  if (FSink) {
    const TKvWStoryKind story = AList == FFootNoteText.get()    ? skFootnotes
                                : AList == FEndNoteText.get()    ? skEndnotes
                                : AList == FHeaderText.get()     ? skHeaders
                                : AList == FFooterText.get()     ? skFooters
                                : AList == FAnnotationText.get() ? skComments
                                                                 : skMain;
    FSink->BeginStory(story, {});
  }
  try {
    TKvXMLEngine engine(nullptr);
    engine.SetOnTag([this](TObject* Sender, TKvXMLItem* ParentNode, const std::u16string& ATagName,
                           const std::u16string& ATagValue, const std::u16string& ATagAttributes, bool& Accept) {
      NewRowTag(Sender, ParentNode, ATagName, ATagValue, ATagAttributes, Accept);
    });
    engine.SetOnTagName([this](TObject*, TKvXMLItem* ParentNode, std::string_view ATagName) {
      return RefusedByName(ParentNode, ATagName);
    });
    engine.SetOnAfterTag([this](TObject* Sender, TKvXMLItem*& Node, bool& Cancel) { DeleteRowTag(Sender, Node, Cancel); });
    engine.SetAttributesAutoProcess(false);
    Load(engine);
  } catch (...) {
    FOuterTextLines.clear();
    FOpenParagraphs = 0;
    if (FSink) FSink->EndStory();
    if (std::u16string finish = GetTextFinish(); !finish.empty()) AddText(std::move(finish), AList);
    throw;
  }
  FOuterTextLines.clear();
  FOpenParagraphs = 0;
  // Text that waited for a paragraph after it at the very end of a part stands on
  // its own.
  if (!FJoinedText.empty()) {
    AddText(TextFormating() == tfHTML ? u"<p>" + FJoinedText + u"</p>" : FJoinedText, AList);
    if (FSink) EmitPlainParagraph(FJoinedText);
    FJoinedText.clear();
  }
  // A drop cap at the very end of a part stands on its own.
  if (FHasDropCap) {
    FHasDropCap = false;
    AddText(TextFormating() == tfHTML ? u"<p>" + FDropCapText + u"</p>" : FDropCapText, AList);
    if (FSink) EmitPlainParagraph(FDropCapText);
    FDropCapText.clear();
  }
  if (FSink) FSink->EndStory();
  if (std::u16string finish = GetTextFinish(); !finish.empty()) AddText(std::move(finish), AList);
}

std::u16string TMSWordXDocument::FormattedText(std::u16string_view Value) const {
  std::u16string out;
  const TMSTextFormating format = TextFormating();
  for (char16_t c : Value) {
    if (c == u'\t') {
      out.append(format == tfPlainText ? u"\t" : format == tfRTF ? u"\\tab " : u"&#9;");
    } else if (format == tfRTF && (c == u'\\' || c == u'{' || c == u'}')) {
      out.push_back(u'\\');
      out.push_back(c);
    } else if (format == tfHTML && (c == u'&' || c == u'<' || c == u'>')) {
      out.append(c == u'&' ? u"&amp;" : c == u'<' ? u"&lt;" : u"&gt;");
    } else {
      out.push_back(c);
    }
  }
  return out;
}

bool TMSWordXDocument::FinishShownParagraph() {
  size_t at = std::min(FParagraph.ContentStart, FCurrentTextLine.size());
  FSinkLabel.clear();
  FSinkListLevel = -1;
  FSinkLabelLength = FSinkShift = 0;
  if (FHasDropCap && !FParagraph.DropCap) {
    // The letter of a drop cap begins the paragraph after it.
    FHasDropCap = false;
    FCurrentTextLine.insert(at, FDropCapText);
    FSinkShift = FDropCapText.size();
    FDropCapText.clear();
  }
  if (FNumbering && !FNumbering->Empty()) {
    const std::u16string label = FNumbering->NextLabel(FParagraph.NumId, FParagraph.Level, FParagraph.Style);
    if (!label.empty()) {
      const std::u16string formatted = FormattedText(label);
      FCurrentTextLine.insert(at, formatted);
      if (FSink) {
        FSinkLabel = label;
        FSinkListLevel = FNumbering->LastLevel();
        FSinkLabelLength = formatted.size();
        FSinkShift += formatted.size();
      }
    }
  }
  if (FParagraph.DropCap && !FHasDropCap) {
    FHasDropCap = true;
    FDropCapText = FCurrentTextLine.substr(at);
    if (TextFormating() == tfHTML && FDropCapText.size() >= 4 &&
        FDropCapText.compare(FDropCapText.size() - 4, 4, u"</p>") == 0)
      FDropCapText.resize(FDropCapText.size() - 4);
    return false;
  }
  return true;
}

namespace {

// Control characters other than tab, CR and LF: no text of a document (XML does
// not even allow them), and a terminal would obey them (ESC starts a command).
bool IsStrayControl(char16_t c) { return c < 0x20 && c != u'\t' && c != u'\r' && c != u'\n'; }

bool HasStrayControl(std::u16string_view Value) {
  return std::any_of(Value.begin(), Value.end(), IsStrayControl);
}

void DropStrayControls(std::u16string& Value) {
  Value.erase(std::remove_if(Value.begin(), Value.end(), IsStrayControl), Value.end());
}

}  // namespace

void TMSWordXDocument::AppendDocumentText(std::u16string_view Value) {
  switch (TextFormating()) {
    case tfPlainText:
      FCurrentTextLine.append(Value);
      return;
    case tfRTF:
      for (char16_t c : Value) {
        if (c == u'\\' || c == u'{' || c == u'}') FCurrentTextLine.push_back(u'\\');
        FCurrentTextLine.push_back(c);
      }
      return;
    case tfHTML:
      for (char16_t c : Value) {
        switch (c) {
          case u'&': FCurrentTextLine.append(u"&amp;"); break;
          case u'<': FCurrentTextLine.append(u"&lt;"); break;
          case u'>': FCurrentTextLine.append(u"&gt;"); break;
          default: FCurrentTextLine.push_back(c);
        }
      }
      return;
  }
}

void TMSWordXDocument::AppendRunText(std::u16string_view Value) {
  const size_t start = FCurrentTextLine.size();
  AppendDocumentText(Value);
  if (FSink) RecordRunSpan(start);
}

void TMSWordXDocument::RecordRunSpan(size_t Start) {
  if (FCurrentTextLine.size() == Start) return;
  TSinkSpan span;
  span.Start = Start;
  span.End = FCurrentTextLine.size();
  if (!FRunStyle.empty()) {
    const TKvWDocxStyles::TRunStyle& style = FStyles->Run(FRunStyle);
    span.Bold = style.Bold.value_or(false);
    span.Italic = style.Italic.value_or(false);
    span.Strike = style.Strike.value_or(false);
  }
  span.Bold = FRunBold.value_or(span.Bold);
  span.Italic = FRunItalic.value_or(span.Italic);
  span.Strike = FRunStrike.value_or(span.Strike);
  span.Deleted = FDeletedDepth > 0;
  span.Inserted = FInsertedDepth > 0;
  if (!FLinks.empty()) span.Text = FLinks.back();
  if (!span.Bold && !span.Italic && !span.Strike && !span.Deleted && !span.Inserted && span.Text.empty()) return;
  std::vector<TSinkSpan>& spans = FParagraph.Spans;
  if (!spans.empty()) {
    TSinkSpan& last = spans.back();
    if (last.Kind == TSinkSpan::skRun && last.End == Start && last.Bold == span.Bold && last.Italic == span.Italic &&
        last.Strike == span.Strike && last.Deleted == span.Deleted && last.Inserted == span.Inserted &&
        last.Text == span.Text) {
      last.End = span.End;
      return;
    }
  }
  spans.push_back(std::move(span));
}

void TMSWordXDocument::RecordSpan(TSinkSpan::TKind Kind, size_t Start, std::u16string Text, bool Endnote) {
  TSinkSpan span;
  span.Kind = Kind;
  span.Start = Start;
  span.End = FCurrentTextLine.size();
  span.Text = std::move(Text);
  span.Endnote = Endnote;
  FParagraph.Spans.push_back(std::move(span));
}

void TMSWordXDocument::FlushSinkCell() {
  if (!FSinkCellPending) return;
  FSinkCellPending = false;
  FSink->BeginCell(FSinkCell);
}

void TMSWordXDocument::EmitPlainParagraph(std::u16string_view Text) {
  FlushSinkCell();
  FSink->BeginParagraph({});
  FSink->Text(Text, {});
  FSink->EndParagraph();
}

void TMSWordXDocument::EmitSinkParagraph(std::u16string_view Line, size_t ContentStart, size_t Shift) {
  FlushSinkCell();
  TKvWParagraphInfo info;
  const TKvWDocxStyles::TParagraphStyle& style = FStyles->Paragraph(FParagraph.Style);
  info.Style = style.Name;
  info.OutlineLevel = FParagraph.OutlineLevel < 0 ? style.OutlineLevel
                      : FParagraph.OutlineLevel <= 8 ? FParagraph.OutlineLevel + 1 : 0;
  info.Title = style.Title;
  info.ListLabel = FSinkLabel;
  info.ListLevel = FSinkListLevel;
  FSink->BeginParagraph(info);
  const size_t end = Line.size();
  size_t at = std::min(ContentStart, end);
  const auto plain = [&](size_t To) {
    if (To > at) FSink->Text(Line.substr(at, To - at), {});
    at = std::max(at, To);
  };
  for (const TSinkSpan& span : FParagraph.Spans) {
    const size_t from = std::clamp(span.Start + Shift, at, end);
    const size_t to = std::clamp(span.End + Shift, from, end);
    plain(from);
    const std::u16string_view text = Line.substr(from, to - from);
    switch (span.Kind) {
      case TSinkSpan::skRun: {
        TKvWRunInfo run;
        run.Bold = span.Bold;
        run.Italic = span.Italic;
        run.Strike = span.Strike;
        run.Deleted = span.Deleted;
        run.Inserted = span.Inserted;
        run.Hyperlink = span.Text;
        FSink->Text(text, run);
        break;
      }
      case TSinkSpan::skNote:
        FSink->NoteReference(span.Endnote ? nkEndnote : nkFootnote, span.Text, text);
        break;
      case TSinkSpan::skImage:
        FSink->Image(span.Text);
        break;
      case TSinkSpan::skSkip:
        break;
    }
    at = to;
  }
  plain(end);
  FSink->EndParagraph();
}

bool TMSWordXDocument::RefusedByName(const TKvXMLItem* ParentNode, std::string_view ATagName) const {
  // Only the refusals that NewRowTag makes without looking at anything else and
  // without doing anything: most of a part's elements are run and paragraph
  // properties, refused here before their values and attributes are decoded.
  const TMSTextFormating format = TextFormating();
  const bool paired = format == tfRTF || format == tfHTML;
  const TDocxTag tag = ClassifyTag(ATagName);
  if (tag >= dtFirstShown && !FShown) return !IsDeclaration(ParentNode);
  if (tag >= dtFirstModel && !FSink) return !IsDeclaration(ParentNode);
  switch (tag) {
    case dtOther:
      return !IsDeclaration(ParentNode);
    case dtPStyle:
    case dtRFonts:
      return !paired && !FShown;
    case dtDel:
      return FRevisionMode == rvAccept && !(FShown && IsParagraphMarkProps(ParentNode));
    case dtIns:
      return FRevisionMode == rvReject && !(FShown && IsParagraphMarkProps(ParentNode));
    case dtMoveTo:
      return FRevisionMode == rvReject;
    case dtVal:
      return !IsNamed(ParentNode, u"w:pStyle") && !IsDeclaration(ParentNode);
    case dtRunProps:
      // The run properties of a content control's own are no run's.
      if (IsNamed(ParentNode, u"w:sdtPr")) return true;
      return !FShown && ParseItems().Contains(wpiHiddenText) && !IsDeclaration(ParentNode);
    case dtSectPr:
      return !IsNamed(ParentNode, u"w:pPr") && !IsNamed(ParentNode, u"w:body") && !IsDeclaration(ParentNode);
    default:
      return false;
  }
}

void TMSWordXDocument::NewRowTag(TObject*, TKvXMLItem* ParentNode, const std::u16string& ATagName,
                                 const std::u16string& ATagValue, const std::u16string& ATagAttributes,
                                 bool& Accept) {
  const TMSTextFormating format = TextFormating();
  const bool paired = format == tfRTF || format == tfHTML;
  switch (ClassifyTag(ATagName)) {
    case dtParagraph:
      // A paragraph inside another (a text box's) keeps the outer line for later.
      if (FOpenParagraphs > 0) {
        FOuterTextLines.push_back(std::move(FCurrentTextLine));
        if (FShown) FOuterParagraphs.push_back(std::move(FParagraph));
      }
      ++FOpenParagraphs;
      ++FParagraphCount;
      FCurrentTextLine.assign(format == tfHTML ? u"<p>" : u"");
      if (FShown) {
        FParagraph = TShownParagraph();
        FParagraph.ContentStart = FCurrentTextLine.size();
        if (FOpenParagraphs == 1 && FTextBoxDepth == 0) {
          FCurrentTextLine.append(FJoinedText);
          FJoinedText.clear();
        }
      }
      return;
    case dtText:
      Accept = false;
      if (IsHiddenText && !ParseItems().Contains(wpiHiddenText)) return;
      if (FRevisionMode == rvAccept && ATagName.size() == 9) return;  // w:delText of a deletion kept
      if (FShown && (FRunSymbolFont || !FCustomMarkId.empty())) {
        std::u16string value = ATagValue;
        if (HasAmpersand(value)) ReplaceHTMLChars(value);
        DropStrayControls(value);
        if (FRunSymbolFont) {
          // Private-use characters of a symbol font are the symbols it draws.
          std::u16string mapped;
          for (char16_t c : value) {
            if (c >= 0xF020 && c <= 0xF0FF)
              mapped += SymbolFontText(FRunFont, c);
            else
              mapped.push_back(c);
          }
          value = std::move(mapped);
        }
        if (!FCustomMarkId.empty()) FNoteMarks->AppendCustomMark(FCustomMarkEndnote, FCustomMarkId, value);
        AppendRunText(value);
        return;
      }
      if (!HasAmpersand(ATagValue) && !HasStrayControl(ATagValue)) {
        AppendRunText(ATagValue);
      } else {
        std::u16string value = ATagValue;
        if (HasAmpersand(value)) ReplaceHTMLChars(value);
        DropStrayControls(value);
        AppendRunText(value);
      }
      return;
    case dtPStyle:
      Accept = paired;
      if (FShown && IsNamed(ParentNode, u"w:pPr")) FParagraph.Style.assign(XmlAttribute(ATagAttributes, u"w:val"));
      if (format == tfHTML) {
        const std::u16string_view style = RawAttribute(ATagAttributes, u"w:val=\"");
        if (!style.empty()) FCurrentTextLine.append(GetHTMLFontFromStyle(style, true));
      }
      return;
    case dtVal:
      if (IsNamed(ParentNode, u"w:pStyle")) {
        if (format == tfHTML) FCurrentTextLine.append(GetHTMLFontFromStyle(ATagValue, true));
        return;
      }
      break;
    case dtRFonts:
      Accept = paired;
      if (FShown) {
        std::u16string_view font = XmlAttribute(ATagAttributes, u"w:ascii");
        if (font.empty()) font = XmlAttribute(ATagAttributes, u"w:hAnsi");
        FRunSymbolFont = !font.empty() && IsSymbolFont(font);
        FRunFont.assign(FRunSymbolFont ? font : std::u16string_view());
      }
      return;
    case dtRun:
      IsHiddenText = false;
      if (FShown) {
        FRunSymbolFont = false;
        FCustomMarkId.clear();
      }
      if (FSink) {
        FRunBold.reset();
        FRunItalic.reset();
        FRunStrike.reset();
        FRunStyle.clear();
      }
      return;
    case dtVanish:
      Accept = false;
      IsHiddenText = !IsOffValue(RawAttribute(ATagAttributes, u"w:val=\""));
      return;
    case dtDel:
      if (FRevisionMode == rvAccept) {
        // A deleted paragraph mark joins its paragraph to the next.
        if (FShown && IsParagraphMarkProps(ParentNode)) FParagraph.MarkRemoved = true;
        Accept = false;
      } else if (FRevisionMode != rvReject) {
        const size_t start = FCurrentTextLine.size();
        FCurrentTextLine.append(format == tfHTML ? u"<s>" : u"-");
        if (FSink && FRevisionMode == rvMark) {
          // The sink is told the runs are deleted instead.
          RecordSpan(TSinkSpan::skSkip, start);
          ++FDeletedDepth;
        }
      }
      return;
    case dtIns:
      if (FRevisionMode == rvReject) {
        // A paragraph mark inserted and rejected joins its paragraph to the next.
        if (FShown && IsParagraphMarkProps(ParentNode)) FParagraph.MarkRemoved = true;
        Accept = false;
      } else if (FRevisionMode != rvAccept) {
        const size_t start = FCurrentTextLine.size();
        FCurrentTextLine.append(format == tfHTML ? u"<u>" : u"+");
        if (FSink && FRevisionMode == rvMark) {
          RecordSpan(TSinkSpan::skSkip, start);
          ++FInsertedDepth;
        }
      }
      return;
    case dtMoveTo:
      if (FRevisionMode == rvReject) Accept = false;
      return;
    case dtTextBox:
      if (FShown) ++FTextBoxDepth;
      if (FSink) {
        FlushSinkCell();
        FSink->BeginStory(skTextBoxes, {});
      }
      return;
    case dtSdt:
      if (FShown && ++FContentControlDepth <= MaxFieldDepth) FContentControls.emplace_back().ContentStart = TextPlace();
      return;
    case dtSdtContent:
      if (FShown && FContentControlDepth > 0 && FContentControlDepth <= MaxFieldDepth && IsNamed(ParentNode, u"w:sdt"))
        FContentControls.back().ContentStart = TextPlace();
      return;
    case dtNumPr:
      if (!IsNamed(ParentNode, u"w:pPr")) Accept = false;
      return;
    case dtIlvl:
    case dtNumId:
      Accept = false;
      if (IsNamed(ParentNode, u"w:numPr")) {
        const std::u16string_view value = XmlAttribute(ATagAttributes, u"w:val");
        if (ClassifyTag(ATagName) == dtNumId) {
          FParagraph.NumId.assign(value);
          // Written without a value it still takes the paragraph out of the style's list.
          if (value.empty()) FParagraph.NumId = u"0";
        } else {
          const std::optional<int32_t> level = XmlInteger(value);
          FParagraph.Level = level && *level >= 0 ? *level : 0;
        }
      }
      return;
    case dtNoteReference: {
      Accept = false;
      if (IsHiddenText && !ParseItems().Contains(wpiHiddenText)) return;
      const bool endnote = ATagName[2] == u'e';
      const std::u16string_view id = XmlAttribute(ATagAttributes, u"w:id");
      const std::u16string_view custom = XmlAttribute(ATagAttributes, u"w:customMarkFollows");
      const bool customMark = !custom.empty() && !IsOffValue(custom);
      const size_t start = FCurrentTextLine.size();
      AppendDocumentText(FNoteMarks->Reference(endnote, id, customMark));
      if (FSink) RecordSpan(TSinkSpan::skNote, start, std::u16string(id), endnote);
      if (customMark) {
        FCustomMarkEndnote = endnote;
        FCustomMarkId.assign(id);
      }
      return;
    }
    case dtNoteOwnMark:
      Accept = false;
      if (!FNoteId.empty()) {
        const size_t start = FCurrentTextLine.size();
        AppendDocumentText(FNoteMarks->OwnMark(FInEndnote, FNoteId));
        // A note's own mark is the sink's to write.
        if (FSink) RecordSpan(TSinkSpan::skSkip, start);
      }
      return;
    case dtComments:
      return;
    case dtFallback: {
      // The fallback of alternate content is read only when there is no choice.
      Accept = false;
      if (!IsNamed(ParentNode, u"mc:AlternateContent")) return;
      const TKvXMLItems& siblings = *ParentNode->Items();
      for (int i = 0; i < siblings.Count(); ++i)
        if (siblings[i]->TagName() == u"mc:Choice") return;
      Accept = true;
      return;
    }
    case dtFramePr: {
      Accept = false;
      const std::u16string_view dropCap = XmlAttribute(ATagAttributes, u"w:dropCap");
      if (IsNamed(ParentNode, u"w:pPr")) FParagraph.DropCap = dropCap == u"drop" || dropCap == u"margin";
      return;
    }
    case dtSym: {
      Accept = false;
      if (IsHiddenText && !ParseItems().Contains(wpiHiddenText)) return;
      const std::u16string_view font = XmlAttribute(ATagAttributes, u"w:font");
      const uint32_t code = HexCharCode(XmlAttribute(ATagAttributes, u"w:char"));
      if (code == 0) return;
      AppendRunText(code < 0x10000 ? SymbolFontText(font, char16_t(code)) : CodePointText(code));
      return;
    }
    case dtSymEx: {
      // Word writes a character it keeps in a font of its own (an emoji) as the
      // choice of alternate content, the plain character as the fallback: the
      // choice, read in both views, names it by its code.
      Accept = false;
      if (IsHiddenText && !ParseItems().Contains(wpiHiddenText)) return;
      const uint32_t code = HexCharCode(XmlAttribute(ATagAttributes, u"w16se:char"));
      if (code == 0) return;
      const std::u16string_view font = XmlAttribute(ATagAttributes, u"w16se:font");
      AppendRunText(FShown && code < 0x10000 ? SymbolFontText(font, char16_t(code)) : CodePointText(code));
      return;
    }
    case dtFldChar: {
      Accept = false;
      const std::u16string_view type = XmlAttribute(ATagAttributes, u"w:fldCharType");
      if (type == u"begin") {
        if (++FFieldDepth <= MaxFieldDepth) {
          FFields.emplace_back().ResultStart = TextPlace();
          Accept = true;  // for the form field data it may hold
        }
      } else if (type == u"separate") {
        if (FFieldDepth > 0 && FFieldDepth <= MaxFieldDepth) {
          TShownField& field = FFields.back();
          field.Separated = true;
          field.ResultStart = TextPlace();
          // A HYPERLINK field's result is the link's text.
          if (FSink && FLinks.size() < MaxFieldDepth) {
            std::u16string target = HyperlinkFieldTarget(field.Instructions);
            if (!target.empty()) {
              FLinks.push_back(std::move(target));
              field.Link = true;
            }
          }
        }
      } else if (type == u"end" && FFieldDepth > 0) {
        if (FFieldDepth-- <= MaxFieldDepth) {
          const TShownField field = std::move(FFields.back());
          FFields.pop_back();
          if (field.Link && !FLinks.empty()) FLinks.pop_back();
          if (IsHiddenText && !ParseItems().Contains(wpiHiddenText)) return;
          if (!field.Separated) {
            // A field without a result shows what its instructions say it shows.
            AppendDocumentText(FieldDisplayText(field.Instructions));
          }
          // A check box shows its state and a drop-down its chosen entry, as in a
          // .doc file: their result is empty.
          const TShownFormField& form = field.Form;
          if (form.Kind == TShownFormField::ffNone || TextPlace() != field.ResultStart) return;
          if (form.Kind == TShownFormField::ffCheckBox) {
            AppendDocumentText(form.Checked.value_or(form.Default != 0) ? u"\u2612" : u"\u2610");
          } else {
            const int32_t chosen = form.Result.value_or(form.Default);
            if (chosen >= 0 && size_t(chosen) < form.Entries.size()) AppendDocumentText(form.Entries[size_t(chosen)]);
          }
        }
      }
      return;
    }
    case dtSdtPr:
      Accept = IsNamed(ParentNode, u"w:sdt");
      return;
    case dtFormData: {
      const bool field = FFieldDepth > 0 && FFieldDepth <= MaxFieldDepth;
      if (ATagName == u"w:ffData") {
        Accept = field && IsNamed(ParentNode, u"w:fldChar");
      } else if (ATagName == u"w14:checkbox") {
        Accept = FContentControlDepth > 0 && FContentControlDepth <= MaxFieldDepth && IsNamed(ParentNode, u"w:sdtPr");
        if (Accept) FContentControls.back().CheckBox = true;
      } else {
        Accept = field && IsNamed(ParentNode, u"w:ffData");
        if (Accept)
          FFields.back().Form.Kind = ATagName == u"w:checkBox" ? TShownFormField::ffCheckBox : TShownFormField::ffDropDown;
      }
      return;
    }
    case dtFormValue: {
      Accept = false;
      if (IsNamed(ParentNode, u"w14:checkbox")) {
        if (FContentControlDepth == 0 || FContentControlDepth > MaxFieldDepth) return;
        TShownContentControl& control = FContentControls.back();
        if (ATagName == u"w14:checked") {
          control.Checked = !IsOffValue(XmlAttribute(ATagAttributes, u"w14:val"));
        } else if (ATagName != u"w14:checkedState" && ATagName != u"w14:uncheckedState") {
          return;
        } else if (const uint32_t code = HexCharCode(XmlAttribute(ATagAttributes, u"w14:val")); code != 0) {
          (ATagName == u"w14:checkedState" ? control.CheckedSymbol : control.UncheckedSymbol) =
              code < 0x10000 ? SymbolFontText(XmlAttribute(ATagAttributes, u"w14:font"), char16_t(code))
                             : CodePointText(code);
        }
        return;
      }
      const bool checkBox = IsNamed(ParentNode, u"w:checkBox");
      if ((!checkBox && !IsNamed(ParentNode, u"w:ddList")) || FFieldDepth == 0 || FFieldDepth > MaxFieldDepth) return;
      TShownFormField& form = FFields.back().Form;
      const std::u16string_view value = XmlAttribute(ATagAttributes, u"w:val");
      if (checkBox) {
        if (ATagName == u"w:checked") form.Checked = !IsOffValue(value);
        else if (ATagName == u"w:default") form.Default = IsOffValue(value) ? 0 : 1;
      } else if (ATagName == u"w:listEntry") {
        if (form.Entries.size() < MaxDropDownEntries) {
          std::u16string entry(value.substr(0, MaxFieldInstructions));
          if (HasAmpersand(entry)) ReplaceHTMLChars(entry);
          form.Entries.push_back(std::move(entry));
        }
      } else if (ATagName == u"w:result") {
        form.Result = XmlInteger(value).value_or(-1);
      } else if (ATagName == u"w:default") {
        form.Default = XmlInteger(value).value_or(-1);
      }
      return;
    }
    case dtInstrText:
      Accept = false;
      if (FFieldDepth > 0 && FFieldDepth <= MaxFieldDepth && !FFields.back().Separated) {
        std::u16string& instructions = FFields.back().Instructions;
        std::u16string value = ATagValue;
        if (HasAmpersand(value)) ReplaceHTMLChars(value);
        instructions.append(std::u16string_view(value).substr(0, MaxFieldInstructions - std::min(MaxFieldInstructions, instructions.size())));
      }
      return;
    case dtAltChunk:
      Accept = false;
      InsertAltChunk(std::u16string(XmlAttribute(ATagAttributes, u"r:id")));
      return;
    case dtTable:
      if (format == tfHTML) AddText(u"<table border=\"1\">", FcurList);
      if (FSink) {
        FlushSinkCell();
        FSink->BeginTable();
      }
      return;
    case dtRow:
      if (format == tfHTML) AddText(u"  <tr>", FcurList);
      if (FSink) {
        FlushSinkCell();
        FSink->BeginRow();
      }
      return;
    case dtCell:
      if (format == tfHTML) AddText(u"    <td>", FcurList);
      if (FSink) {
        // Told when its properties have been read.
        FlushSinkCell();
        FSinkCellPending = true;
        FSinkCell = TKvWCellInfo();
      }
      return;
    case dtHyperlink:
      if (FSink && ++FLinkDepth <= MaxFieldDepth) {
        // A link outside the package, else a place in the document.
        std::u16string target;
        const std::u16string_view id = XmlAttribute(ATagAttributes, u"r:id");
        if (!id.empty() && FZip) target = GetTargetByID(*FZip, std::u16string(id));
        if (target.empty()) {
          const std::u16string_view anchor = XmlAttribute(ATagAttributes, u"w:anchor");
          if (!anchor.empty()) target = u"#" + std::u16string(anchor);
        }
        if (HasAmpersand(target)) ReplaceHTMLChars(target);
        // A link without a target leaves its runs in the link around it, if any.
        if (target.empty() && !FLinks.empty()) target = FLinks.back();
        FLinks.push_back(std::move(target));
      }
      return;
    // Without a sink these are elements like any other refused one.
    case dtRunEmphasis: {
      if (!FSink) break;
      Accept = false;
      if (!IsNamed(ParentNode, u"w:rPr") || !IsNamed(ParentNode->ParentItem(), u"w:r")) return;
      const bool on = !IsOffValue(XmlAttribute(ATagAttributes, u"w:val"));
      if (ATagName == u"w:b") FRunBold = on;
      else if (ATagName == u"w:i") FRunItalic = on;
      else FRunStrike = on;
      return;
    }
    case dtRStyle:
      if (!FSink) break;
      Accept = false;
      if (IsNamed(ParentNode, u"w:rPr") && IsNamed(ParentNode->ParentItem(), u"w:r"))
        FRunStyle.assign(XmlAttribute(ATagAttributes, u"w:val"));
      return;
    case dtOutlineLvl:
      if (!FSink) break;
      Accept = false;
      if (IsNamed(ParentNode, u"w:pPr")) {
        const std::optional<int32_t> level = XmlInteger(XmlAttribute(ATagAttributes, u"w:val"));
        FParagraph.OutlineLevel = level && *level >= 0 ? *level : -1;
      }
      return;
    case dtCellProps:
      if (!FSink) break;
      Accept = FSinkCellPending && IsNamed(ParentNode, u"w:tc");
      return;
    case dtCellMerge:
      if (!FSink) break;
      Accept = false;
      if (FSinkCellPending && IsNamed(ParentNode, u"w:tcPr")) {
        const std::u16string_view value = XmlAttribute(ATagAttributes, u"w:val");
        if (ATagName == u"w:gridSpan") FSinkCell.Span = std::max(1, XmlInteger(value).value_or(1));
        else FSinkCell.MergedAbove = value.empty() || value == u"continue";
      }
      return;
    case dtDocPr: {
      if (!FSink) break;
      Accept = false;
      if ((IsHiddenText && !ParseItems().Contains(wpiHiddenText))) return;
      std::u16string description(XmlAttribute(ATagAttributes, u"descr").substr(0, MaxFieldInstructions));
      if (HasAmpersand(description)) ReplaceHTMLChars(description);
      if (!description.empty()) RecordSpan(TSinkSpan::skImage, FCurrentTextLine.size(), std::move(description));
      return;
    }
    case dtHeaderRef:
    case dtFooterRef: {
      const std::u16string_view id = RawAttribute(ATagAttributes, u"r:id=\"");
      if (!id.empty())
        (ClassifyTag(ATagName) == dtHeaderRef ? FHeaderFileNamesToParse : FFooterFileNamesToParse)
            ->Add(std::u16string(id));
      return;
    }
    case dtLineBreak:
      Accept = false;
      FCurrentTextLine.append(format == tfPlainText ? u"\r\n" : format == tfRTF ? u"\r\n\\par " : u"<br/>");
      return;
    case dtPositionTab:
      Accept = false;
      FCurrentTextLine.append(format == tfPlainText ? u"\t" : format == tfRTF ? u"\\tab " : u"&#9;");
      return;
    case dtNoBreakHyphen:
    case dtSoftHyphen:
      Accept = false;
      if (IsHiddenText && !ParseItems().Contains(wpiHiddenText)) return;
      // The shown view leaves an optional hyphen out: Word shows it only where a
      // line breaks at it.
      if (ATagName != u"w:softHyphen") AppendRunText(u"\u2011");
      else if (!FShown) AppendDocumentText(u"\u00AD");
      return;
    case dtContainer:
      return;
    case dtRunProps:
      if (FShown || !ParseItems().Contains(wpiHiddenText)) return;
      break;
    case dtSectPr:
      // Section properties in a paragraph end that section; those directly in the
      // body belong to the last one. Both carry header and footer references.
      if (IsNamed(ParentNode, u"w:pPr") || IsNamed(ParentNode, u"w:body")) return;
      break;
    case dtNote:
      if (!IsSeparatorNote(ATagAttributes)) {
        if (FShown) {
          FInEndnote = ATagName == u"w:endnote";
          FNoteId.assign(XmlAttribute(ATagAttributes, u"w:id"));
          if (FSink) FSink->BeginNote(FInEndnote ? nkEndnote : nkFootnote, FNoteId);
        }
        return;
      }
      break;
    case dtOther:
      break;
  }
  // The outermost element of a part that starts with an XML declaration.
  Accept = IsDeclaration(ParentNode);
}

void TMSWordXDocument::DeleteRowTag(TObject* Sender, TKvXMLItem*& Node, bool&) {
  if (!Node) return;
  const TMSTextFormating format = TextFormating();
  const std::u16string& name = Node->TagName();
  const TDocxTag tag = ClassifyTag(name);
  bool free = false;
  if (tag == dtContainer && name == u"w:tab") {
    if (!IsNamed(Node->ParentItem(), u"w:tabs"))
      FCurrentTextLine.append(format == tfPlainText ? u"\t" : format == tfRTF ? u"\\tab " : u"&#9;");
    free = true;
  } else if (tag == dtContainer && name == u"w:br") {
    FCurrentTextLine.append(format == tfPlainText ? u"\r\n" : format == tfRTF ? u"\r\n\\par " : u"<br/>");
    free = true;
  } else if (tag == dtDel) {
    if (format == tfHTML) FCurrentTextLine.append(u"</s>");
    if (FSink && FRevisionMode == rvMark && FDeletedDepth > 0) --FDeletedDepth;
  } else if (tag == dtIns) {
    if (format == tfHTML) FCurrentTextLine.append(u"</u>");
    if (FSink && FRevisionMode == rvMark && FInsertedDepth > 0) --FInsertedDepth;
  } else if (tag == dtHyperlink) {
    if (FSink && FLinkDepth > 0 && FLinkDepth-- <= MaxFieldDepth && !FLinks.empty()) FLinks.pop_back();
  } else if (tag == dtNote) {
    if (FSink && FShown) FSink->EndNote();
  } else if (tag == dtTable || tag == dtRow || tag == dtCell) {
    if (format == tfHTML)
      AddText(tag == dtTable ? u"</table>" : tag == dtRow ? u"  </tr>" : u"    </td>", FcurList);
    if (FSink) {
      FlushSinkCell();
      if (tag == dtTable) FSink->EndTable();
      else if (tag == dtRow) FSink->EndRow();
      else FSink->EndCell();
    }
    // Nothing looks into a closed table again unless it sits in a paragraph (in a
    // text box), whose style is looked for in all it holds.
    free = FOpenParagraphs == 0;
  } else if (tag == dtTextBox) {
    if (FTextBoxDepth > 0) --FTextBoxDepth;
    if (FSink) {
      FlushSinkCell();
      FSink->EndStory();
    }
  } else if (tag == dtParagraph && FShown && FParagraph.MarkRemoved && FOpenParagraphs == 1 &&
             FTextBoxDepth == 0 && !FHasDropCap && !FParagraph.DropCap) {
    // Without its mark the paragraph is no paragraph of its own: its text begins
    // the next one, which gives the line its label.
    FJoinedText.append(FCurrentTextLine, std::min(FParagraph.ContentStart, FCurrentTextLine.size()));
    FCurrentTextLine.clear();
    FOpenParagraphs = 0;
    free = true;
  } else if (tag == dtSdt) {
    // A check box whose content shows nothing shows its state.
    if (FShown && FContentControlDepth > 0 && FContentControlDepth-- <= MaxFieldDepth) {
      const TShownContentControl control = std::move(FContentControls.back());
      FContentControls.pop_back();
      if (control.CheckBox && TextPlace() == control.ContentStart)
        AppendDocumentText(control.Checked ? control.CheckedSymbol : control.UncheckedSymbol);
    }
  } else if (tag == dtParagraph) {
    if (format == tfHTML) {
      auto* engine = static_cast<TKvXMLEngine*>(Sender);
      if (TKvXMLItem* style = engine->GetItemByTag(Node, u"w:pStyle")) {
        if (TKvXMLItem* val = engine->GetItemByTag(style, u"w:val"))
          FCurrentTextLine.append(GetHTMLFontFromStyle(val->GetTagValue(), false));
        else if (const std::u16string_view s = RawAttribute(style->Attributes(), u"w:val=\""); !s.empty())
          FCurrentTextLine.append(GetHTMLFontFromStyle(s, false));
      }
      FCurrentTextLine.append(u"</p>");
    }
    // The list keeps an exact copy; the line's buffer, grown to the longest
    // paragraph so far, serves the next one.
    if (!FShown) {
      AddText(std::u16string(FCurrentTextLine), FcurList);
    } else if (FinishShownParagraph()) {
      if (FSink) {
        const size_t at = std::min(FParagraph.ContentStart, FCurrentTextLine.size());
        EmitSinkParagraph(FCurrentTextLine, at + FSinkLabelLength, FSinkShift);
      }
      AddText(std::u16string(FCurrentTextLine), FTextBoxDepth > 0 ? FTextBoxText.get() : FcurList);
    }
    FCurrentTextLine.clear();
    // The paragraph that encloses this one goes on where it was.
    if (FOpenParagraphs > 0 && --FOpenParagraphs > 0 && !FOuterTextLines.empty()) {
      FCurrentTextLine = std::move(FOuterTextLines.back());
      FOuterTextLines.pop_back();
      if (FShown && !FOuterParagraphs.empty()) {
        FParagraph = std::move(FOuterParagraphs.back());
        FOuterParagraphs.pop_back();
      }
    }
    free = true;
  }
  // The outermost element of a part without a declaration is the engine's root item:
  // that one stays with the engine.
  if (free && Node->ParentItem()) {
    delete Node;
    Node = nullptr;
  }
}

}  // namespace msword
