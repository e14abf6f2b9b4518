// The body conversion of TMSWordXDocument: the markup of one part (the main
// document, a header, a footer, the notes) becomes lines of text while the XML
// engine reads it. The start-tag handler decides which elements are entered at all;
// text comes only from the text elements, which are never made into items, and every
// paragraph is freed when it ends, so the engine's tree holds only the open path.
#include <unordered_map>

#include "msword/WordXDocument.h"
#include "msword/XMLEngine.h"
#include "msword/XMLItem.h"

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
};

TDocxTag ClassifyTag(const std::u16string& Name) {
  static const std::unordered_map<std::u16string_view, TDocxTag> tags = {
      {u"w:p", dtParagraph}, {u"w:t", dtText}, {u"m:t", dtText}, {u"w:delText", dtText},
      {u"w:pStyle", dtPStyle}, {u"w:val", dtVal}, {u"w:rFonts", dtRFonts}, {u"w:r", dtRun},
      {u"w:vanish", dtVanish}, {u"w:del", dtDel}, {u"w:moveFrom", dtDel}, {u"w:ins", dtIns}, {u"w:tbl", dtTable},
      {u"w:tr", dtRow}, {u"w:tc", dtCell}, {u"w:headerReference", dtHeaderRef},
      {u"w:footerReference", dtFooterRef}, {u"w:rPr", dtRunProps}, {u"w:sectPr", dtSectPr},
      {u"w:footnote", dtNote}, {u"w:endnote", dtNote}, {u"w:cr", dtLineBreak},
      {u"w:ptab", dtPositionTab}, {u"w:noBreakHyphen", dtNoBreakHyphen}, {u"w:softHyphen", dtSoftHyphen},
      // The structure of the parts and of the paragraphs.
      {u"w:document", dtContainer}, {u"w:body", dtContainer}, {u"w:hdr", dtContainer},
      {u"w:ftr", dtContainer}, {u"w:footnotes", dtContainer}, {u"w:endnotes", dtContainer},
      {u"w:pPr", dtContainer}, {u"w:tabs", dtContainer}, {u"w:tab", dtContainer},
      {u"w:br", dtContainer}, {u"!--", dtContainer},
      // Containers of runs whose text the document shows: links, tags, content
      // controls (tables of contents, cover pages, form fields), simple fields, moves,
      // text direction.
      {u"w:hyperlink", dtContainer}, {u"w:smartTag", dtContainer}, {u"w:customXml", dtContainer},
      {u"w:sdt", dtContainer}, {u"w:sdtContent", dtContainer}, {u"w:fldSimple", dtContainer},
      {u"w:moveTo", dtContainer}, {u"w:dir", dtContainer}, {u"w:bdo", dtContainer},
      // The base text of ruby (the guide above it is left out).
      {u"w:ruby", dtContainer}, {u"w:rubyBase", dtContainer},
      // Text boxes in drawings and in the older VML shapes; of alternate content
      // only the first choice is read, so a text box drawn both ways is read once.
      {u"w:pict", dtContainer}, {u"v:shape", dtContainer}, {u"v:rect", dtContainer},
      {u"v:roundrect", dtContainer}, {u"v:oval", dtContainer}, {u"v:group", dtContainer},
      {u"v:textbox", dtContainer},
      {u"mc:AlternateContent", dtContainer}, {u"mc:Choice", dtContainer},
      {u"w:drawing", dtContainer}, {u"wp:anchor", dtContainer}, {u"wp:inline", dtContainer},
      {u"a:graphic", dtContainer}, {u"a:graphicData", dtContainer}, {u"wps:wsp", dtContainer},
      {u"wps:txbx", dtContainer}, {u"w:txbxContent", dtContainer},
  };
  const auto it = tags.find(Name);
  return it == tags.end() ? dtOther : it->second;
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

// A note that only draws the line between the text and the notes.
bool IsSeparatorNote(std::u16string_view Attributes) {
  const std::u16string_view type = RawAttribute(Attributes, u"w:type=\"");
  return type == u"separator" || type == u"continuationSeparator" || type == u"continuationNotice";
}

// w:vanish, w:b and the like switch on unless their value is one of these.
bool IsOffValue(std::u16string_view Value) {
  return Value == u"0" || Value == u"false" || Value == u"off";
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
  FcurList = AList;
  if (std::u16string start = GetTextStart(); !start.empty()) AddText(std::move(start), AList);
  // Paragraphs left open by a previous part are not continued here.
  FOuterTextLines.clear();
  FOpenParagraphs = 0;
  try {
    TKvXMLEngine engine(nullptr);
    engine.SetOnTag([this](TObject* Sender, TKvXMLItem* ParentNode, const std::u16string& ATagName,
                           const std::u16string& ATagValue, const std::u16string& ATagAttributes, bool& Accept) {
      NewRowTag(Sender, ParentNode, ATagName, ATagValue, ATagAttributes, Accept);
    });
    engine.SetOnAfterTag([this](TObject* Sender, TKvXMLItem*& Node, bool& Cancel) { DeleteRowTag(Sender, Node, Cancel); });
    engine.SetAttributesAutoProcess(false);
    engine.LoadFromStream(0, AStream);
  } catch (...) {
    FOuterTextLines.clear();
    FOpenParagraphs = 0;
    if (std::u16string finish = GetTextFinish(); !finish.empty()) AddText(std::move(finish), AList);
    throw;
  }
  FOuterTextLines.clear();
  FOpenParagraphs = 0;
  if (std::u16string finish = GetTextFinish(); !finish.empty()) AddText(std::move(finish), AList);
}

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

void TMSWordXDocument::NewRowTag(TObject*, TKvXMLItem* ParentNode, const std::u16string& ATagName,
                                 const std::u16string& ATagValue, const std::u16string& ATagAttributes,
                                 bool& Accept) {
  const TMSTextFormating format = TextFormating();
  const bool paired = format == tfRTF || format == tfHTML;
  switch (ClassifyTag(ATagName)) {
    case dtParagraph:
      // A paragraph inside another (a text box's) keeps the outer line for later.
      if (FOpenParagraphs > 0) FOuterTextLines.push_back(std::move(FCurrentTextLine));
      ++FOpenParagraphs;
      FCurrentTextLine.assign(format == tfHTML ? u"<p>" : u"");
      return;
    case dtText:
      Accept = false;
      if (IsHiddenText && !ParseItems().Contains(wpiHiddenText)) return;
      if (ATagValue.find(u'&') == std::u16string::npos) {
        AppendDocumentText(ATagValue);
      } else {
        std::u16string value = ATagValue;
        ReplaceHTMLChars(value);
        AppendDocumentText(value);
      }
      return;
    case dtPStyle:
      Accept = paired;
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
      return;
    case dtRun:
      IsHiddenText = false;
      return;
    case dtVanish:
      Accept = false;
      IsHiddenText = !IsOffValue(RawAttribute(ATagAttributes, u"w:val=\""));
      return;
    case dtDel:
      FCurrentTextLine.append(format == tfHTML ? u"<s>" : u"-");
      return;
    case dtIns:
      FCurrentTextLine.append(format == tfHTML ? u"<u>" : u"+");
      return;
    case dtTable:
      if (format == tfHTML) AddText(u"<table border=\"1\">", FcurList);
      return;
    case dtRow:
      if (format == tfHTML) AddText(u"  <tr>", FcurList);
      return;
    case dtCell:
      if (format == tfHTML) AddText(u"    <td>", FcurList);
      return;
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
      if (!IsHiddenText || ParseItems().Contains(wpiHiddenText))
        AppendDocumentText(ATagName == u"w:softHyphen" ? u"\u00AD" : u"\u2011");
      return;
    case dtContainer:
      return;
    case dtRunProps:
      if (!ParseItems().Contains(wpiHiddenText)) return;
      break;
    case dtSectPr:
      // Section properties in a paragraph end that section; those directly in the
      // body belong to the last one. Both carry header and footer references.
      if (IsNamed(ParentNode, u"w:pPr") || IsNamed(ParentNode, u"w:body")) return;
      break;
    case dtNote:
      if (!IsSeparatorNote(ATagAttributes)) return;
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
  bool free = false;
  if (name == u"w:tab") {
    if (!IsNamed(Node->ParentItem(), u"w:tabs"))
      FCurrentTextLine.append(format == tfPlainText ? u"\t" : format == tfRTF ? u"\\tab " : u"&#9;");
    free = true;
  } else if (name == u"w:br") {
    FCurrentTextLine.append(format == tfPlainText ? u"\r\n" : format == tfRTF ? u"\r\n\\par " : u"<br/>");
    free = true;
  } else if (name == u"w:del" || name == u"w:moveFrom") {
    if (format == tfHTML) FCurrentTextLine.append(u"</s>");
  } else if (name == u"w:ins") {
    if (format == tfHTML) FCurrentTextLine.append(u"</u>");
  } else if (name == u"w:tbl") {
    if (format == tfHTML) AddText(u"</table>", FcurList);
  } else if (name == u"w:tr") {
    if (format == tfHTML) AddText(u"  </tr>", FcurList);
  } else if (name == u"w:tc") {
    if (format == tfHTML) AddText(u"    </td>", FcurList);
  } else if (name == u"w:p") {
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
    AddText(std::u16string(FCurrentTextLine), FcurList);
    FCurrentTextLine.clear();
    // The paragraph that encloses this one goes on where it was.
    if (FOpenParagraphs > 0 && --FOpenParagraphs > 0 && !FOuterTextLines.empty()) {
      FCurrentTextLine = std::move(FOuterTextLines.back());
      FOuterTextLines.pop_back();
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
