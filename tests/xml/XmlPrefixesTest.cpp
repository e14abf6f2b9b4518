// Renaming the prefixes of chosen namespaces to the ones the readers match.
#include <gtest/gtest.h>

#include <string>

#include "msword/xml/XmlPrefixes.h"

using namespace msword;

namespace {

constexpr TXmlPrefixBinding kBindings[] = {
    {"urn:main", "w"},
    {"urn:main-strict", "w"},
    {"urn:rel", "r"},
};

}  // namespace

TEST(XmlPrefixes, RenamesByNamespace) {
  struct Case {
    const char* what;
    std::string in;
    std::string out;  // empty: left as it was
  };
  const Case cases[] = {
      {"the usual prefixes are left alone",
       "<?xml version=\"1.0\"?><w:document xmlns:w=\"urn:main\" xmlns:r=\"urn:rel\"><w:p/></w:document>", ""},
      {"a part without the namespaces is left alone", "<Types xmlns=\"urn:other\"><Default/></Types>", ""},
      {"another prefix: elements, end tags and attributes; text, values, comments, CDATA kept",
       "<?xml version=\"1.0\"?>\n<!-- ns0:x --><ns0:document xmlns:ns0='urn:main' xmlns:ns1=\"urn:rel\">"
       "<ns0:p ns0:rsid=\"ns0:a\"><ns0:r><ns0:t xml:space=\"preserve\">ns0:t &lt;ns0:t</ns0:t></ns0:r>"
       "<ns0:hdr ns1:id=\"rId1\" other:x=\"1\"/><![CDATA[<ns0:p>]]><?pi ns0:p?></ns0:p></ns0:document >",
       "<?xml version=\"1.0\"?>\n<!-- ns0:x --><w:document xmlns:ns0='urn:main' xmlns:ns1=\"urn:rel\">"
       "<w:p w:rsid=\"ns0:a\"><w:r><w:t xml:space=\"preserve\">ns0:t &lt;ns0:t</w:t></w:r>"
       "<w:hdr r:id=\"rId1\" other:x=\"1\"/><![CDATA[<ns0:p>]]><?pi ns0:p?></w:p></w:document >"},
      {"the default namespace: names without a prefix take it",
       "<document xmlns=\"urn:main-strict\"><body><p><pStyle val='x'/><t xml:space=\"preserve\">a</t></p></body></document>",
       "<w:document xmlns=\"urn:main-strict\"><w:body><w:p><w:pStyle w:val='x'/><w:t xml:space=\"preserve\">a</w:t>"
       "</w:p></w:body></w:document>"},
      {"a prefix bound elsewhere that would clash is moved aside",
       "<x:doc xmlns:x=\"urn:main\" xmlns:w=\"urn:other\"><w:p/><x:p/></x:doc>",
       "<w:doc xmlns:x=\"urn:main\" xmlns:w=\"urn:other\"><w-:p/><w:p/></w:doc>"},
      {"two prefixes for one namespace both become the usual one",
       "<w:doc xmlns:w=\"urn:main\" xmlns:x=\"urn:main\"><x:p/><w:p/></w:doc>",
       "<w:doc xmlns:w=\"urn:main\" xmlns:x=\"urn:main\"><w:p/><w:p/></w:doc>"},
      {"a byte-order mark stays in front", "\xEF\xBB\xBF<a:p xmlns:a=\"urn:main\"/>",
       "\xEF\xBB\xBF<w:p xmlns:a=\"urn:main\"/>"},
      {"UTF-16 text is left alone", std::string("\xFF\xFE<\0a\0", 6), ""},
      {"a declaration after a stray quote and blanks is still found",
       "<a:d \"junk\" = xmlns:a = \"urn:main\"><a:p>", "<w:d \"junk\" = xmlns:a = \"urn:main\"><w:p>"},
      {"text cut in a tag ends the copy where the text ends",
       "<a:d xmlns:a=\"urn:main\"><a:p a:v=\"1", "<w:d xmlns:a=\"urn:main\"><w:p w:v=\"1"},
      {"an unclosed declaration value is no binding", "<a:d xmlns:a=\"urn:main", ""},
      {"nothing but a comment", "<!-- <a:d xmlns:a=\"urn:main\"> -->", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = c.in;
    const bool renamed = RenameXmlPrefixes(bytes, kBindings);
    EXPECT_EQ(renamed, !c.out.empty());
    EXPECT_EQ(bytes, c.out.empty() ? c.in : c.out);
  }
}

TEST(XmlPrefixes, OutputStaysBounded) {
  // The smallest names under a default namespace grow the most.
  std::string bytes = "<d xmlns=\"urn:rel\">";
  for (int i = 0; i < 10000; ++i) bytes += "<a b c/>";
  const size_t before = bytes.size();
  ASSERT_TRUE(RenameXmlPrefixes(bytes, kBindings));
  EXPECT_LE(bytes.size(), 3 * before);
  EXPECT_NE(bytes.find("<r:a r:b r:c/>"), std::string::npos);
}
