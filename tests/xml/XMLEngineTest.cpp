#include "msword/KvWXML.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/zip/ZipArchive.h"
#include "support/SharedData.h"

using namespace msword;

namespace {

std::string U8(std::u16string_view S) { return WideToUtf8(S); }

// An engine whose events are written to a log: "tag NAME (VALUE) [ATTRIBUTES] under PARENT"
// and "after NAME".
struct Recorder {
  TKvXMLEngine Engine{nullptr};
  std::vector<std::string> Log;
  std::vector<std::string> Refuse;  // tag names OnTag refuses
  bool FreeClosed = false;

  Recorder() {
    Engine.SetOnTag([this](TObject*, TKvXMLItem* ParentNode, const std::u16string& Name,
                           const std::u16string& Value, const std::u16string& Attributes, bool& Accept) {
      Log.push_back("tag " + U8(Name) + " (" + U8(Value) + ") [" + U8(Attributes) + "] under " +
                    U8(ParentNode->TagName()));
      if (std::find(Refuse.begin(), Refuse.end(), U8(Name)) != Refuse.end()) Accept = false;
    });
    Engine.SetOnAfterTag([this](TObject*, TKvXMLItem*& Node, bool&) {
      Log.push_back("after " + U8(Node->TagName()));
      if (FreeClosed) {
        delete Node;
        Node = nullptr;
      }
    });
  }
  void Load(const std::string& Bytes) {
    TMemoryStream stream(Bytes);
    Engine.LoadFromStream(0, &stream);
  }
  TKvXMLItem* Find(const char16_t* Tag) { return Engine.GetItemByTag(nullptr, Tag); }
};

// The tree below an item, one line per item: level, kind, name, value, attributes.
void Dump(const TKvXMLItem* Item, std::string& Out) {
  std::vector<const TKvXMLItem*> stack{Item};
  while (!stack.empty()) {
    const TKvXMLItem* item = stack.back();
    stack.pop_back();
    Out += std::to_string(item->Level()) + " " + std::to_string(int(item->Kind())) + " " + U8(item->TagName()) +
           " =" + U8(item->Value()) + " @" + U8(item->Attributes()) + "\n";
    for (int i = item->Items()->Count(); i-- > 0;) stack.push_back(item->Items()->Items(i));
  }
}
std::string Dump(const TKvXMLEngine& Engine) {
  std::string out;
  if (Engine.RootItem()) Dump(Engine.RootItem(), out);
  return out;
}

}  // namespace

TEST(XMLEngine, ParsesTheDeclarationElementsValuesAndTextAfterEndTags) {
  Recorder r;
  r.Load("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<a x=\"1\"><b>Hi &amp; bye</b> tail<c/></a>");
  EXPECT_EQ(r.Log, (std::vector<std::string>{"tag a () [ x=\"1\"] under ?xml", "tag b (Hi &amp; bye) [] under a",
                                             "after b", "tag c () [] under a", "after c", "after a"}));
  TKvXMLItem* root = r.Engine.RootItem();
  EXPECT_EQ(root->TagName(), u"?xml");
  EXPECT_EQ(root->Value(), u"");
  ASSERT_EQ(root->Items()->Count(), 3);
  EXPECT_EQ(root->Items()->Items(0)->TagName(), u"version");
  EXPECT_EQ(root->Items()->Items(0)->Value(), u"\"1.0\" ");
  EXPECT_EQ(root->Items()->Items(1)->Value(), u"\"UTF-8\"?");
  EXPECT_EQ(root->Items()->Items(1)->Kind(), ikAttribute);
  TKvXMLItem* a = root->Items()->Items(2);
  EXPECT_EQ(a->Level(), 1);
  EXPECT_EQ(a->Value(), u"tail");
  EXPECT_EQ(a->Attributes(), u" x=\"1\"");  // not processed
  TKvXMLItem* b = r.Find(u"B");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Level(), 2);
  EXPECT_EQ(b->GetTagValue(), u"Hi & bye");
  EXPECT_EQ(root->GetChild(u"b", false), b);
  EXPECT_EQ(r.Find(u"c")->Level(), 2);
}

TEST(XMLEngine, AttributesAreSplitWhenAskedFor) {
  Recorder r;
  r.Engine.SetAttributesAutoProcess(true);
  r.Load("<?xml version=\"1.0\"?><w:pStyle w:val=\"Heading1\"/>");
  TKvXMLItem* style = r.Find(u"w:pStyle");
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(style->Attributes(), u"");
  ASSERT_NE(r.Find(u"w:val"), nullptr);
  EXPECT_EQ(r.Find(u"w:val")->GetTagValue(), u"Heading1");
}

TEST(XMLEngine, OddMarkupGivesTheTreeItsRulesDescribe) {
  struct Case { const char* name; std::string text; std::vector<std::string> log; std::string tree; };
  const Case cases[] = {
      {"no declaration: the outermost element is the root, a later one replaces its name",
       "<a><b/></a><c>x</c>", {"tag b () [] under a", "after b", "after a", "after c"},
       "0 0 c =x @\n1 0 b = @\n"},
      {"a missing end tag: later elements become children; end tags close whatever is open",
       "<r><a><b/><c/></x>tail", {"tag a () [] under r", "tag b () [] under a", "after b",
                                  "tag c () [] under a", "after c", "after a"},
       "0 0 r =tail @\n1 0 a = @\n2 0 b = @\n2 0 c = @\n"},
      {"end tags with nothing open change nothing",
       "<a>v</a></b></c>", {"after a"}, "0 0 a =v @\n"},
      {"an empty-element tag that ends the text does not close",
       "<r><c/>", {"tag c () [] under r"}, "0 0 r = @\n1 0 c = @\n"},
      {"mixed content: each piece trimmed, then joined",
       "<p>one <b>two</b> three</p>", {"tag b (two) [] under p", "after b", "after p"},
       "0 0 p =onethree @\n1 0 b =two @\n"},
      {"xml:space=\"preserve\" keeps the blanks of the value, not of the text after the end tag",
       "<r><t xml:space=\"preserve\"> a b </t> c </r>",
       {"tag t ( a b ) [ xml:space=\"preserve\"] under r", "after t", "after r"},
       "0 0 r =c @\n1 0 t = a b  @ xml:space=\"preserve\"\n"},
      {"single quotes do not quote: a \"/\" ends the attribute text",
       "<r><a x='1/2'>t</a></r>", {"tag a (/2'>t) [ x='1] under r", "after a", "after r"},
       "0 0 r = @\n1 0 a =/2'>t @ x='1\n"},
      {"a \">\" inside a double-quoted value ends the attribute text",
       "<r><a x=\"1>2\">t</a></r>", {"tag a (2\">t) [ x=\"1] under r", "after a", "after r"},
       "0 0 r = @\n1 0 a =2\">t @ x=\"1\n"},
      {"text after a comment is read as a tag",
       "<r><!-- c --> hello world<b/></r>",
       {"tag !-- (!-- c --) [] under r", "tag hello () [ world<b] under r", "after hello", "after r"},
       "0 0 r = @\n1 2 !-- =!-- c -- @\n1 0 hello = @ world<b\n"},
      {"CDATA content stays as written; the text after it goes to the element",
       "<r><![CDATA[ <raw> &amp; ]]> after</r>", {"tag ![CDATA[ ( <raw> &amp; ) [] under r", "after r"},
       "0 0 r =after @\n1 3 ![CDATA[ = <raw> &amp;  @\n"},
      {"a document type declaration and processing instructions are never closed",
       "<?xml version=\"1.0\"?><!DOCTYPE x><?pi data?><a/>",
       {"tag !DOCTYPE () [ x] under ?xml", "tag ?pi () [ data?] under !DOCTYPE", "tag a () [] under ?pi"},
       "0 0 ?xml = @\n1 1 version =\"1.0\"? @\n1 0 !DOCTYPE = @ x\n2 0 ?pi = @ data?\n3 0 a = @\n"},
      {"an unterminated comment runs to the end",
       "<r><p>Before</p><!-- never closed <p>Swallowed</p></r>",
       {"tag p (Before) [] under r", "after p", "tag !-- (!-- never closed <p>Swallowed</p></r) [] under r"},
       "0 0 r = @\n1 0 p =Before @\n1 2 !-- =!-- never closed <p>Swallowed</p></r @\n"},
      {"a NUL ends the parse", std::string("<r><p>Before</p>\0<p>After</p></r>", 32),
       {"tag p (Before) [] under r", "after p"}, "0 0 r = @\n1 0 p =Before @\n"},
      {"text before the first tag is dropped, a trailing ESC too", "junk<r>v\x1b", {}, "0 0 r =v @\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder r;
    r.Load(c.text);
    EXPECT_EQ(r.Log, c.log);
    EXPECT_EQ(Dump(r.Engine), c.tree);
  }
}

TEST(XMLEngine, TheParseAlwaysMovesForwardAndStopsAtTheEnd) {
  // Texts that would loop at "/" with nothing open, or read past the end in the
  // closing-tag scanner.
  for (const std::string text : {"/>", "<a></a></>", "<a/>/>/>", "<a>x</a", "<a></", "<a><![CDATA[x",
                                 "<a>/", "<a/", "<", "<!--", "<![CDATA[", "<a>\r\n/>\r\n"}) {
    SCOPED_TRACE(text);
    Recorder r;
    r.Load(text);
    r.Refuse = {"a"};
    r.Load(text);
  }
  Recorder r;
  r.Load("<a>x</a");
  EXPECT_EQ(r.Log, std::vector<std::string>{"after a"});
  EXPECT_EQ(r.Engine.RootItem()->Value(), u"x");
}

TEST(XMLEngine, RefusedElementsAreSkippedWithTheirContent) {
  Recorder r;
  r.Refuse = {"w:rPr", "w:t", "w:sectPr"};
  r.Load("<?xml version=\"1.0\"?><w:body><w:p><w:r><w:rPr><w:b/><w:i></w:i></w:rPr><w:t>Hi</w:t></w:r></w:p>"
         "<w:sectPr><w:p><w:r/></w:p></w:sectPr><w:p/></w:body>");
  EXPECT_EQ(r.Log, (std::vector<std::string>{
                       "tag w:body () [] under ?xml", "tag w:p () [] under w:body", "tag w:r () [] under w:p",
                       "tag w:rPr () [] under w:r", "tag w:t (Hi) [] under w:r", "after w:r", "after w:p",
                       "tag w:sectPr () [] under w:body", "tag w:p () [] under w:body", "after w:p",
                       "after w:body"}));
  EXPECT_EQ(r.Find(u"w:t"), nullptr);
  EXPECT_EQ(r.Find(u"w:b"), nullptr);
}

TEST(XMLEngine, RefusingByNameSkipsWhatOnTagRefusingSkips) {
  const std::vector<std::string> refuse = {"w:rPr", "w:t", "w:sectPr", "x"};
  const std::string texts[] = {
      "<?xml version=\"1.0\"?><w:body><w:p><w:r><w:rPr><w:b/><w:i></w:i></w:rPr><w:t>Hi</w:t></w:r></w:p>"
      "<w:sectPr a=\"/>\"><w:p><w:r/></w:p></w:sectPr>tail<w:p/></w:body>",
      "<a><x/>after<x y=\"1\">in<b/></x><b>v</b><x></a>",
      // UTF-16 with its mark: decoded first, then scanned.
      std::string("\xFF\xFE<\0a\0>\0<\0x\0>\0<\0b\0/\0>\0<\0/\0x\0>\0<\0c\0/\0>\0<\0/\0a\0>\0", 34)};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    Recorder byTag;
    byTag.Refuse = refuse;
    byTag.Load(text);
    Recorder byName;
    std::vector<std::string> seen;
    byName.Engine.SetOnTagName([&](TObject*, TKvXMLItem* ParentNode, std::string_view Name) {
      seen.push_back(std::string(Name) + " under " + U8(ParentNode->TagName()));
      return std::find(refuse.begin(), refuse.end(), Name) != refuse.end();
    });
    byName.Load(text);
    EXPECT_EQ(Dump(byName.Engine), Dump(byTag.Engine));
    // OnTag sees every element but the refused ones, which the name event saw.
    std::vector<std::string> expected;
    for (const std::string& line : byTag.Log) {
      const bool refused = std::any_of(refuse.begin(), refuse.end(), [&](const std::string& name) {
        return line.rfind("tag " + name + " ", 0) == 0;
      });
      if (!refused) expected.push_back(line);
    }
    EXPECT_EQ(byName.Log, expected);
    EXPECT_EQ(seen.size(), byTag.Log.size() - std::count_if(byTag.Log.begin(), byTag.Log.end(), [](const std::string& l) {
                             return l.rfind("after ", 0) == 0;
                           }));
  }
}

TEST(XMLEngine, CancelEndsTheParse) {
  Recorder r;
  r.Engine.SetOnAfterTag([&](TObject*, TKvXMLItem*& Node, bool& Cancel) {
    r.Log.push_back("after " + U8(Node->TagName()));
    Cancel = Node->TagName() == u"b";
  });
  r.Load("<a><b/><c/></a>");
  EXPECT_EQ(r.Log, (std::vector<std::string>{"tag b () [] under a", "after b"}));
  EXPECT_EQ(r.Find(u"c"), nullptr);
}

TEST(XMLEngine, HandlersMayFreeEveryClosedItemTheRootIncluded) {
  Recorder r;
  r.FreeClosed = true;
  r.Load("<w:p><w:r><w:t>x</w:t></w:r></w:p><w:p/>\n");
  EXPECT_EQ(r.Log, (std::vector<std::string>{"tag w:r () [] under w:p", "tag w:t (x) [] under w:r", "after w:t",
                                             "after w:r", "after w:p", "after w:p"}));
  EXPECT_EQ(r.Engine.RootItem(), nullptr);
  r.FreeClosed = false;
  r.Load("<a>again</a>");
  ASSERT_NE(r.Engine.RootItem(), nullptr);
  EXPECT_EQ(r.Engine.RootItem()->Value(), u"again");
}

TEST(XMLEngine, HandlerExceptionsPassOutAndKeepTheTreeBuiltSoFar) {
  Recorder r;
  r.Engine.SetOnTag([](TObject*, TKvXMLItem*, const std::u16string& Name, const std::u16string&,
                       const std::u16string&, bool&) {
    if (Name == u"c") throw Exception(u"stop");
  });
  EXPECT_THROW(r.Load("<a><b/><c/></a>"), Exception);
  EXPECT_NE(r.Find(u"b"), nullptr);
  EXPECT_EQ(r.Find(u"c"), nullptr);
}

TEST(XMLEngine, DeepNestingIsBuiltSearchedAndFreedWithoutRecursion) {
  std::string text = "<?xml version=\"1.0\"?><w:document><w:body>";
  for (int i = 0; i < 100000; ++i) text += "<w:p>";
  text += "<w:r><w:t>deep</w:t></w:r>";
  std::string closed = text;
  for (int i = 0; i < 100000; ++i) closed += "</w:p>";
  for (const std::string& t : {text, closed}) {
    auto engine = std::make_unique<TKvXMLEngine>(nullptr);
    TMemoryStream stream(t);
    engine->LoadFromStream(0, &stream);
    TKvXMLItem* deep = engine->GetItemByTag(nullptr, u"w:t");
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->Level(), 100004);
    EXPECT_EQ(engine->RootItem()->GetChild(u"w:t", true), deep);
    engine.reset();
  }
}

TEST(XMLEngine, TextIsDecodedByItsMarkAndDeclaredEncoding) {
  // "é" and "Ж" in the attribute text, the value, a comment, a CDATA section and a name.
  const std::u16string text =
      u"<r a=\"\u00E9\">\u0416<!--\u00E9--><![CDATA[\u00E9]]></r>";
  struct Case { const char* name; std::string bytes; std::string tree; };
  const std::string utf8 = WideToUtf8(text);
  const std::string declared = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
  const std::string unicodeTree =
      "0 0 r =\xD0\x96 @ a=\"\xC3\xA9\"\n1 2 !-- =!--\xC3\xA9-- @\n1 3 ![CDATA[ =\xC3\xA9 @\n";
  // Without a mark the names, comments and CDATA keep a character per byte.
  const std::string byteTree =
      "0 0 r =\xD0\x96 @ a=\"\xC3\xA9\"\n1 2 !-- =!--\xC3\x83\xC2\xA9-- @\n1 3 ![CDATA[ =\xC3\x83\xC2\xA9 @\n";
  std::string le = "\xFF\xFE", be = "\xFE\xFF";
  for (char16_t c : text) {
    le += char(c & 0xFF), le += char(c >> 8);
    be += char(c >> 8), be += char(c & 0xFF);
  }
  const Case cases[] = {{"UTF-8 with a mark", "\xEF\xBB\xBF" + utf8, unicodeTree},
                        {"UTF-16LE with a mark and an odd last byte", le + "A", unicodeTree},
                        {"UTF-16BE with a mark", be, unicodeTree},
                        {"UTF-8 without a mark, nothing declared", utf8, byteTree}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder r;
    r.Load(c.bytes);
    EXPECT_EQ(Dump(r.Engine), c.tree);
  }
  // Declared: with the mark nothing is re-decoded, without it the values are.
  Recorder marked, unmarked;
  marked.Load("\xEF\xBB\xBF" + declared + utf8);
  unmarked.Load(declared + utf8);
  EXPECT_EQ(marked.Find(u"r")->Value(), u"\u0416");
  EXPECT_EQ(unmarked.Find(u"r")->Value(), u"\u0416");
  EXPECT_EQ(unmarked.Find(u"r")->Attributes(), u" a=\"\u00E9\"");
  EXPECT_EQ(unmarked.Find(u"!--")->Value(), u"!--\u00C3\u00A9--");
}

TEST(XMLEngine, WindowsCodePagesDeclaredAreUsedWhenKnown) {
  struct Case { std::string encoding; std::u16string value; };
  const Case cases[] = {{"windows-1251", u"\u0416"},
                        {"Windows-1252", u"\u00C6"},
                        {"windows-99999", u"\u00C6"},   // unknown: unchanged
                        {"windows-abc", u"\u00C6"},     // not a number: the ANSI code page
                        {"ISO-8859-5", u"\u00C6"}};     // neither UTF-8 nor windows-: unchanged
  for (const Case& c : cases) {
    SCOPED_TRACE(c.encoding);
    Recorder r;
    r.Load("<?xml version=\"1.0\" encoding=\"" + c.encoding + "\"?><r>\xC6</r>");
    EXPECT_EQ(r.Find(u"r")->Value(), c.value);
  }
}

TEST(XMLEngine, EmptyStreamsGiveAnEmptyTree) {
  for (const std::string& bytes : {std::string(), std::string("\xFF\xFE"), std::string("\xFE\xFF"),
                                  std::string("\xEF\xBB\xBF"), std::string("\x1b")}) {
    Recorder r;
    r.Load("<a><b/></a>");
    r.Load(bytes);
    EXPECT_EQ(r.Engine.RootItem()->Items()->Count(), 0);
  }
  Recorder r;
  r.Load("<a><b/></a>");
  r.Engine.LoadFromStream(0, nullptr);
  EXPECT_EQ(r.Engine.RootItem()->Items()->Count(), 0);
}

TEST(XMLEngine, AStreamSizeEndsTheText) {
  TMemoryStream stream(std::string("xx<a>one</a><b>two</b>"));
  stream.SetPosition(2);
  TKvXMLEngine engine(nullptr);
  engine.LoadFromStream(12, &stream);  // the offset where the text ends
  EXPECT_EQ(engine.RootItem()->TagName(), u"a");
  EXPECT_EQ(engine.RootItem()->Value(), u"one");
}

TEST(XMLEngine, ScanningBytesMatchesScanningTheirDecodedText) {
  // Text without a mark is scanned as bytes; the same text decoded a character per
  // byte and parsed as decoded text must give the same tree.
  const std::string texts[] = {
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r a=\"\xC3\xA9\">\xD0\x96<!--\xC3\xA9--><![CDATA[\xE2\x82]]>t\xC3</r>",
      "<?xml version=\"1.0\" encoding=\"windows-1251\"?><r>\xC6<x y='\xE9'/>\x80\x81</r>",
      "<r>\xC3\xA9 <b>\xF0\x9F\x98\x80</b> \xC3</r></r>/>",
      "<a>\x80<![cdata[\xC3\xA9]]><!--\xC3--></a>",
      // Attribute texts longer than a block, quotes and slashes on either side of its edges.
      "<r><a href=\"http://example.com/a/b\" x=\"1\" y='2/'/><b c=\"x\"/><d e=\"\"\" f=\"/g\">v</d>"
      "<e aaaaaaaaaaaaaa=\"bbbbbbbbbbbbb>ccc\">t</e><f gggggggggggggggg/ h=\"i\">u</f>"
      "<g j=\"kkkkkkkkkkkkk\"\"llllllllllll/mm\">w</g><h n=\"0\0oooooooooooooooooo\"/></r>"};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    Recorder bytes;
    bytes.Load(text);
    Recorder decoded;
    decoded.Engine.SetUTF8Processed(false);
    decoded.Engine.SetUndeclaredIsUTF8(true);
    const std::u16string wide = AnsiToWide(text);
    decoded.Engine.ParseXMLFromString(wide, int32_t(wide.size()));
    EXPECT_EQ(Dump(bytes.Engine), Dump(decoded.Engine));
    EXPECT_EQ(bytes.Log, decoded.Log);
  }
}

TEST(XMLEngine, TextTakenOverParsesAsTheSameTextInAStream) {
  // The engine gives back the memory of what it has parsed as it goes: texts of several
  // megabytes, with elements refused across the steps it frees memory in, values
  // longer than a step, and long stretches without ">".
  auto repeat = [](std::string_view Piece, size_t Size) {
    std::string s;
    while (s.size() < Size) s += Piece;
    return s;
  };
  const std::string texts[] = {
      "<?xml version=\"1.0\"?><r>" +
          repeat("<a x=\"1\">" + std::string(200, 't') + " \xC3\xA9</a><b> b </b><!-- c --><![CDATA[d]]><a><b/></a>\r\n",
                 5 << 19) +
          "</r>",
      "<r><b>" + repeat("v", 3 << 19) + "</b>" + repeat("<a>" + std::string(300, 'r') + "</a><b>t</b>", 3 << 19) + "</r>",
      "<r><b>" + repeat("<x", 5 << 19) + "</b><b>after</b></r>",
      "<r>" + repeat("<a>x", 3 << 18) + repeat("</a>", 3 << 18) + "<b>end</b></r>",
      "\xEF\xBB\xBF<r><b>\xC3\xA9</b></r>",
      std::string("\xFE\xFF\0<\0r\0>\0<\0/\0r\0>", 14),
      ""};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.substr(0, 40));
    Recorder stream;
    stream.Refuse = {"a"};
    stream.Load(text);
    Recorder taken;
    taken.Refuse = {"a"};
    taken.Engine.LoadFromBytes(text);
    EXPECT_EQ(Dump(taken.Engine), Dump(stream.Engine));
    EXPECT_EQ(taken.Log, stream.Log);
    EXPECT_EQ(taken.Engine.UTF8Processed(), stream.Engine.UTF8Processed());
    EXPECT_EQ(taken.Engine.UndeclaredIsUTF8(), stream.Engine.UndeclaredIsUTF8());
  }
}

TEST(XMLEngine, PathsSplitAtTheirFirstAndLastSlash) {
  std::u16string path = u"a/b/c";
  EXPECT_EQ(TKvXMLEngine::GetFirstTagName(path), u"a");
  EXPECT_EQ(path, u"b/c");
  path = u"a/b/c";
  EXPECT_EQ(TKvXMLEngine::GetLastTagName(path), u"c");
  EXPECT_EQ(path, u"a/b");
  path = u"abc";
  EXPECT_EQ(TKvXMLEngine::GetLastTagName(path), u"abc");
  EXPECT_EQ(path, u"abc");
  EXPECT_EQ(TKvXMLEngine::GetFirstTagName(path), u"abc");
  EXPECT_EQ(path, u"");
}

TEST(XMLEngine, HostileDocumentPartsParseWithBoundedDepth) {
  const auto hostile = kvtest::HostileDir();
  KVTEST_REQUIRE_DIR(hostile);
  const char* files[] = {"xml_nested_100k.docx",        "xml_nested_unclosed_100k.docx", "xml_text_node_50mb.docx",
                         "xml_entity_refs_200k.docx",   "xml_unterminated_comment.docx", "xml_unterminated_cdata.docx",
                         "xml_nul_byte.docx",           "xml_unbalanced_quote.docx",     "xml_numeric_refs.docx",
                         "xml_utf16_odd_length.docx",   "xml_rels_traversal.docx",       "xml_header_refs_10k.docx",
                         "xml_billion_laughs.docx"};
  for (const char* file : files) {
    SCOPED_TRACE(file);
    TZipArchive archive(nullptr);
    archive.LoadFromFile(Utf8ToWide((hostile / "files" / file).string()));
    const int index = archive.GetIndexByFileName(u"word/document.xml");
    ASSERT_GE(index, 0);
    TMemoryStream part(archive.GetUncompressed(index));
    // The whole tree, then a parse whose handlers free every closed item.
    for (bool freeClosed : {false, true}) {
      Recorder r;
      r.FreeClosed = freeClosed;
      r.Engine.SetOnTag(nullptr);
      part.SetPosition(0);
      r.Engine.LoadFromStream(0, &part);
      TKvXMLItem* t = r.Find(u"w:t");
      if (t) t->GetTagValue();
      r.Find(u"missing");
    }
  }
}
