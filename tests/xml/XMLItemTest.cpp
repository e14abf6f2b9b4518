#include "msword/KvWXML.h"

#include <gtest/gtest.h>


using namespace msword;

namespace {
TKvXMLItem* Child(TKvXMLItem* Parent, const std::u16string& Tag) {
  TKvXMLItem* item = Parent->Items()->AddItem(Parent);
  item->SetTagName(Tag);
  return item;
}
}  // namespace

TEST(XMLItem, AttributeTextSplitsIntoAttributeItems) {
  struct Case { std::u16string text; std::vector<std::pair<std::u16string, std::u16string>> items; };
  const Case cases[] = {
      {u" w:val=\"Heading1\" w:b=\"1\"", {{u"w:val", u"\"Heading1\" "}, {u"w:b", u"\"1\""}}},
      {u"a=b=c", {{u"a", u"bc"}}},
      {u" x=\"a b\"\ty='1'", {{u"x", u"\"a b\"\t"}, {u"y", u"'1'"}}},
      {u" x=\"unclosed y=2", {}},  // the closing quote is missing: no item
      {u" novalue other", {}},
      {u"", {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    TKvXMLItem item(nullptr);
    Child(&item, u"existing");
    item.SetAttributes(c.text);
    item.ProcessAttributes();
    EXPECT_TRUE(item.Attributes().empty());
    ASSERT_EQ(item.Items()->Count(), int(c.items.size()) + 1);
    for (size_t i = 0; i < c.items.size(); ++i) {
      const TKvXMLItem* attribute = item.Items()->Items(int(i) + 1);  // after the existing child
      EXPECT_EQ(attribute->Kind(), ikAttribute);
      EXPECT_EQ(attribute->Level(), 1);
      EXPECT_EQ(attribute->TagName(), c.items[i].first);
      EXPECT_EQ(attribute->Value(), c.items[i].second);
    }
  }
}

TEST(XMLItem, ValuesLoseTheirQuotesAndHaveReferencesReplaced) {
  struct Case { std::u16string value, xml, text; };
  const Case cases[] = {
      {u"\"Heading1\" ", u"Heading1", u"Heading1"},
      {u"\"UTF-8\"?", u"UTF-8", u"UTF-8"},
      {u"'single'\r\n", u"single", u"single"},
      {u"\"Quoted\" speech goes on", u"Quoted\" speech goes on", u"Quoted\" speech goes on"},
      {u"\"", u"", u""},
      {u"plain &amp; simple ", u"plain &amp; simple ", u"plain & simple "},
      {u"", u"", u""}};
  for (const Case& c : cases) {
    TKvXMLItem item(nullptr);
    item.SetValue(c.value);
    EXPECT_EQ(item.GetTagXMLValue(), c.xml);
    EXPECT_EQ(item.GetTagValue(), c.text);
  }
}

TEST(XMLItem, ReferencesAreReplacedInOnePass) {
  struct Case { std::u16string in, out; };
  const Case cases[] = {
      {u"a &lt;b&gt; &quot;c&quot; &apos;d&apos;", u"a <b> \"c\" 'd'"},
      {u"&amp;lt;", u"&lt;"},                        // replaced text is not read again
      {u"&amp;amp;", u"&amp;"},
      {u"x&nbsp;y&nbspz", u"xyz"},
      {u"&copy; &trade; &deg; &#176; &plusmn; &para; &brvbar;", u"c T \u00B0 \u00B0 + \u00B6 |"},
      {u"&car;&ret;", u"\n\r"},
      {u"&ltx", u"<x"},                             // the ";" is optional
      {u"&#65;&#x41;&#X41&#65", u"AAAA"},
      {u"&#65 &#650", u"A \u028A"},                  // "&#65" does not rewrite "&#650"
      {u"&#0;", std::u16string(1, u'\0')},
      {u"&#65534;&#65535;&#xFFFF;", u"\uFFFE&#65535;&#xFFFF;"},
      // Characters beyond the 16 bits come out as surrogate pairs; past U+10FFFF
      // there are none.
      {u"&#70000;&#x1F600;&#x10FFFF;", u"\U00011170\U0001F600\U0010FFFF"},
      {u"&#x110000;&#99999999999;&#4294967361;", u"&#x110000;&#99999999999;&#4294967361;"},
      {u"&#;&#x;&#xG;&unknown;&", u"&#;&#x;&#xG;&unknown;&"},
      {u"&&amp;", u"&&"}};
  for (const Case& c : cases) {
    std::u16string s = c.in;
    ReplaceHTMLChars(s);
    EXPECT_EQ(s, c.out) << std::string(c.in.begin(), c.in.end());
  }
}

TEST(XMLItem, MillionsOfReferencesTakeLinearTime) {
  std::u16string s;
  for (int i = 0; i < 500000; ++i) s += u"x&amp;";
  ReplaceHTMLChars(s);  // one pass: a search from the start after each would take hours
  ASSERT_EQ(s.size(), 1000000u);
  EXPECT_EQ(s.substr(0, 6), u"x&x&x&");
}

TEST(XMLItem, NamesCompareExactlyOrWithAsciiLettersFolded) {
  EXPECT_TRUE(SameStrings(true, u"w:p", u"w:p"));
  EXPECT_FALSE(SameStrings(true, u"w:p", u"W:P"));
  EXPECT_TRUE(SameStrings(false, u"w:p", u"W:P"));
  EXPECT_TRUE(SameStrings(false, u"", u""));
  EXPECT_FALSE(SameStrings(false, u"", u"a"));
  EXPECT_FALSE(SameStrings(false, u"\u00E9", u"\u00C9"));
}

TEST(XMLItem, PropertyDatesAreReadWithoutZoneConversion) {
  TDateTime expected = 0, time = 0;
  ASSERT_TRUE(TryEncodeDate(2022, 12, 6, expected));
  ASSERT_TRUE(TryEncodeTime(10, 20, 30, 0, time));
  expected += time;
  EXPECT_DOUBLE_EQ(XMLStringToDateTime(u"2022-12-06T10:20:30Z"), expected);
  EXPECT_DOUBLE_EQ(XMLStringToDateTime(u"2022-12-06T10:20:30.123+02:00"), expected);
  for (const char16_t* bad : {u"", u"2022-12-06", u"2022-13-06T10:20:30Z", u"2022-02-30T10:20:30Z",
                              u"2022-12-06T24:00:00Z", u"abcd-12-06T10:20:30Z"})
    EXPECT_EQ(XMLStringToDateTime(bad), 0) << std::u16string_view(bad).size();
}

TEST(XMLItem, PropertyDatesStateTheirZone) {
  struct Case {
    const char16_t* text;
    std::optional<int32_t> minutesEast;
  };
  const Case cases[] = {
      {u"2022-12-06T10:20:30Z", 0},         {u"2022-12-06T10:20:30.123+02:00", 120},
      {u"2022-12-06T10:20:30-05:30", -330}, {u"2022-12-06T10:20:30+0100", 60},
      {u"2022-12-06T10:20:30", {}},         {u"2022-12-06T10:20:30+2", {}},
      {u"2022-12-06T10:20:30+02:60", {}},   {u"2022-12-06T10:20:30 Z", {}},
      {u"2022-13-06T10:20:30Z", {}},  // no date, no zone
      {u"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(XMLStringUtcOffset(c.text), c.minutesEast);
}

TEST(XMLItem, FreeingAnItemTakesItOutOfItsParent) {
  TKvXMLItem root(nullptr);
  TKvXMLItem* a = Child(&root, u"a");
  TKvXMLItem* b = Child(&root, u"b");
  Child(a, u"a1");
  EXPECT_EQ(b->Level(), 1);
  EXPECT_EQ(b->ParentItem(), &root);
  delete a;
  ASSERT_EQ(root.Items()->Count(), 1);
  EXPECT_EQ(root.Items()->Items(0), b);
  EXPECT_EQ(root.Items()->Items(5), nullptr);
}

TEST(XMLItem, SearchesGoInPreOrderAndStopAtGrandchildrenUnlessExpanded) {
  TKvXMLItem root(nullptr);
  root.SetTagName(u"root");
  TKvXMLItem* a = Child(&root, u"a");
  TKvXMLItem* b = Child(a, u"b");
  TKvXMLItem* c = Child(b, u"c");
  TKvXMLItem* secondB = Child(&root, u"b");
  EXPECT_EQ(root.GetChild(u"root", false), &root);
  EXPECT_EQ(root.GetChild(u"b", false), b);  // pre-order: under a before the second b
  EXPECT_EQ(root.GetChild(u"c", false), nullptr);
  EXPECT_EQ(root.GetChild(u"c", true), c);
  EXPECT_EQ(root.GetChild(u"B", true), nullptr);  // case-sensitive
  EXPECT_EQ(secondB->GetChild(u"b", true), secondB);
}

TEST(XMLItem, DeepTreesAreSearchedAndFreedWithoutRecursion) {
  auto* root = new TKvXMLItem(nullptr);
  TKvXMLItem* item = root;
  for (int i = 0; i < 200000; ++i) item = Child(item, u"w:p");
  item->SetTagName(u"deep");
  EXPECT_EQ(item->Level(), 200000);
  EXPECT_EQ(root->GetChild(u"deep", true), item);
  EXPECT_EQ(root->GetChild(u"missing", true), nullptr);
  delete root;
}

TEST(XMLItem, FlatListsOfManyChildrenAreFreedQuickly) {
  TKvXMLItem root(nullptr);
  for (int i = 0; i < 200000; ++i) Child(&root, u"w:p");
  root.Items()->Clear();  // no search of the list for each freed item
  EXPECT_EQ(root.Items()->Count(), 0);
}
