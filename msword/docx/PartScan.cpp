#include "msword/docx/PartScan.h"

#include "msword/base/DocumentBudget.h"
#include "msword/docx/WordPrefixes.h"
#include "msword/xml/XMLEngine.h"
#include "msword/xml/XMLItem.h"

namespace msword {

void ScanXmlPart(std::string Bytes, const TPartScanEvent& OnElement) {
  if (Bytes.empty()) return;
  UseWordPrefixes(Bytes);
  TKvXMLEngine engine(nullptr);
  engine.SetAttributesAutoProcess(false);
  engine.SetOnTag([&OnElement](TObject*, TKvXMLItem* ParentNode, const std::u16string& ATagName,
                               const std::u16string&, const std::u16string& ATagAttributes, bool& Accept) {
    Accept = true;
    if (!ATagName.empty() && (ATagName[0] == u'?' || ATagName[0] == u'!')) return;
    const TKvXMLItem* parent = ParentNode;
    // The declaration is stored as the root item: it is no element's parent.
    if (parent && !parent->TagName().empty() && parent->TagName()[0] == u'?') parent = nullptr;
    OnElement(parent, ATagName, ATagAttributes);
  });
  engine.SetOnAfterTag([](TObject*, TKvXMLItem*& Node, bool&) {
    if (Node && Node->ParentItem()) {
      delete Node;
      Node = nullptr;
    }
  });
  try {
    engine.LoadFromBytes(std::move(Bytes));
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const EDocumentOverBudget&) {
    throw;
  } catch (...) {
    // What was seen before the fault stands.
  }
}

std::u16string_view XmlAttribute(std::u16string_view Attributes, std::u16string_view Name, bool* Found) {
  if (Found) *Found = false;
  for (size_t at = Attributes.find(Name); at != std::u16string_view::npos; at = Attributes.find(Name, at + 1)) {
    // The name must stand on its own: "w:val" is not the end of "w:lvl:w:val".
    if (at > 0) {
      const char16_t before = Attributes[at - 1];
      if (before != u' ' && before != u'\t' && before != u'\r' && before != u'\n') continue;
    }
    size_t p = at + Name.size();
    while (p < Attributes.size() && (Attributes[p] == u' ' || Attributes[p] == u'\t')) ++p;
    if (p >= Attributes.size() || Attributes[p] != u'=') continue;
    ++p;
    while (p < Attributes.size() && (Attributes[p] == u' ' || Attributes[p] == u'\t')) ++p;
    if (p >= Attributes.size() || (Attributes[p] != u'"' && Attributes[p] != u'\'')) continue;
    const char16_t quote = Attributes[p++];
    const size_t end = Attributes.find(quote, p);
    if (Found) *Found = true;
    return Attributes.substr(p, end == std::u16string_view::npos ? std::u16string_view::npos : end - p);
  }
  return {};
}

std::optional<int32_t> XmlInteger(std::u16string_view Value) {
  size_t p = 0;
  while (p < Value.size() && (Value[p] == u' ' || Value[p] == u'\t')) ++p;
  bool negative = false;
  if (p < Value.size() && (Value[p] == u'-' || Value[p] == u'+')) negative = Value[p++] == u'-';
  const size_t digits = p;
  int64_t v = 0;
  for (; p < Value.size() && Value[p] >= u'0' && Value[p] <= u'9'; ++p)
    if (v <= INT32_MAX) v = v * 10 + (Value[p] - u'0');
  if (p == digits) return std::nullopt;
  while (p < Value.size() && (Value[p] == u' ' || Value[p] == u'\t')) ++p;
  if (p != Value.size()) return std::nullopt;
  if (negative) v = -v;
  if (v > INT32_MAX) v = INT32_MAX;
  if (v < INT32_MIN) v = INT32_MIN;
  return int32_t(v);
}

std::u16string_view TagNameOf(const TKvXMLItem* Item) {
  return Item ? std::u16string_view(Item->TagName()) : std::u16string_view();
}

}  // namespace msword
