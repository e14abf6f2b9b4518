// Parses the input with handlers that refuse some elements and free every closed
// item, then searches the tree; also checks that text without a byte-order mark,
// scanned as bytes, gives the same tree as its decoded text; and renames the
// prefixes of a few namespaces, whose result must stay bounded and parse.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/KvWXML.h"
#include "msword/base/Streams.h"
#include "msword/xml/XmlPrefixes.h"

using namespace msword;

namespace {

void Dump(const TKvXMLItem* Root, std::u16string& Out) {
  if (!Root) return;
  std::vector<const TKvXMLItem*> stack{Root};
  while (!stack.empty()) {
    const TKvXMLItem* item = stack.back();
    stack.pop_back();
    Out += std::u16string(1, char16_t(item->Level() & 0xFFFF)) + item->TagName() + u'\1' + item->Value() + u'\1' +
           item->Attributes() + char16_t(u'0' + item->Kind()) + u'\n';
    for (int i = item->Items()->Count(); i-- > 0;) stack.push_back(item->Items()->Items(i));
  }
}

void Search(TKvXMLEngine& Engine) {
  if (TKvXMLItem* item = Engine.GetItemByTag(nullptr, u"w:t")) item->GetTagValue();
  if (TKvXMLItem* root = Engine.RootItem()) {
    root->GetChild(u"w:p", false);
    root->GetChild(u"nothing", true);
    if (TKvXMLItem* item = Engine.GetItemByTag(root, u"a")) {
      item->ProcessAttributes();
      for (int i = 0; i < item->Items()->Count(); ++i) item->Items()->Items(i)->GetTagValue();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string bytes(reinterpret_cast<const char*>(Data), Size);
  {
    TKvXMLEngine engine(nullptr);
    engine.SetOnTag([](TObject*, TKvXMLItem* Parent, const std::u16string& Name, const std::u16string& Value,
                       const std::u16string&, bool& Accept) {
      if (!Parent) std::abort();
      Accept = !(Name == u"w:t" || Name == u"w:rPr" || Name == u"![CDATA[" || (Name.size() == 1 && Name[0] == u'x'));
      std::u16string text = Value;
      ReplaceHTMLChars(text);
    });
    engine.SetOnAfterTag([](TObject*, TKvXMLItem*& Node, bool& Cancel) {
      if (Node->TagName() == u"stop") Cancel = true;
      delete Node;
      Node = nullptr;
    });
    TMemoryStream stream(bytes);
    engine.LoadFromStream(0, &stream);
    Search(engine);
  }

  // Bytes and their decoded text must give the same tree.
  const bool marked = bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") ||
                      bytes.starts_with("\xFE\xFF");
  if (!marked) {
    TKvXMLEngine byBytes(nullptr), byText(nullptr);
    byBytes.SetAttributesAutoProcess(Size % 2 == 1);
    byText.SetAttributesAutoProcess(Size % 2 == 1);
    TMemoryStream stream(bytes);
    byBytes.LoadFromStream(0, &stream);
    std::u16string text = AnsiToWide(bytes);
    if (!text.empty() && text.back() == 27) text.pop_back();
    byText.SetUTF8Processed(false);
    byText.SetUndeclaredIsUTF8(true);
    byText.ParseXMLFromString(text, int32_t(text.size()));
    std::u16string a, b;
    Dump(byBytes.RootItem(), a);
    Dump(byText.RootItem(), b);
    if (a != b) std::abort();
    Search(byBytes);
  }

  {
    static constexpr TXmlPrefixBinding bindings[] = {{"urn:a", "w"}, {"urn:b", "r"}, {"u", "mc"}};
    std::string renamed = bytes;
    if (RenameXmlPrefixes(renamed, bindings) && renamed.size() > 3 * bytes.size() + 3) std::abort();
    TKvXMLEngine engine(nullptr);
    engine.LoadFromBytes(std::move(renamed));
    Search(engine);
  }
  return 0;
}
