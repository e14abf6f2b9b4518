#include "msword/html/HtmlDocument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msword/base/Base64.h"
#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/base/SummaryInformation.h"
#include "msword/html/MimeArchive.h"

using namespace msword;

namespace {

using TSetup = void (*)(TMSHtmlDocument&);

void LoadInto(TMSHtmlDocument& Document, const std::string& Bytes, TSetup Setup) {
  if (Setup) Setup(Document);
  TMemoryStream stream(Bytes);
  Document.LoadFromStream(&stream);
}

// The main text's entry, between the header and trailer entries.
std::string Body(const std::string& Page, TSetup Setup = nullptr) {
  TMSHtmlDocument document(nullptr);
  LoadInto(document, Page, Setup);
  // The shown view has no frame; its entry ends with the line end the list gives it.
  if (document.View() == vwShown) {
    EXPECT_LE(document.Text()->Count(), 1);
    return document.Text()->Count() == 1 ? WideToUtf8(document.Text()->Get(0)) + "\r\n" : std::string();
  }
  EXPECT_EQ(document.Text()->Count(), 3);
  return document.Text()->Count() == 3 ? WideToUtf8(document.Text()->Get(1)) : std::string();
}

std::string Utf8(const TWideStrings* List) { return WideToUtf8(List->GetText()); }

}  // namespace

// What each construct of a page gives in plain text.
TEST(HtmlDocument, PageConstructs) {
  struct Case {
    const char* what;
    std::string page;
    std::string expected;
  };
  const Case cases[] = {
      {"paragraphs, white space collapsed", "<html><body><p>One\r\n  two</p><p> Three </p></body></html>",
       "One two\r\nThree\r\n"},
      {"head is no text, title neither", "<html><head><title>T</title><style>p{}</style></head><body>x</body>",
       "x\r\n"},
      {"block elements end lines", "<body><div>a</div><h1>b</h1>c<ul><li>d<li>e</ul>", "a\r\nb\r\nc\r\nd\r\ne\r\n"},
      {"an empty paragraph is a line", "<body><p>a</p><p></p><p>b</p>", "a\r\n\r\nb\r\n"},
      {"line break", "<body><p>a<br>b</p>", "a\r\nb\r\n"},
      {"entities", "<body>&lt;&amp;&gt; &eacute;&#233;&#xE9; &euro;&#150; &bogus; &amp", "<&> \xC3\xA9\xC3\xA9\xC3\xA9 \xE2\x82\xAC\xE2\x80\x93 &bogus; &\r\n"},
      {"numeric references out of range", "<body>&#0;&#xD800;&#99999999;&#x1F600;",
       "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xF0\x9F\x98\x80\r\n"},
      {"non-breaking space is kept", "<body>a&nbsp;b", "a\xC2\xA0" "b\r\n"},
      {"table as the Word readers give it",
       "<body><p>before</p><table><tr><td><p>A</p></td><td>B</td></tr><tr><td>C<td>D</table>after",
       "before\r\nA B\r\nC D\r\nafter\r\n"},
      {"two paragraphs in a cell", "<table><tr><td><p>a</p><p>b</p></td></tr></table>", "a\r\nb\r\n"},
      {"script and Word's xml islands", "<body><script>var x = '<p>';</script><xml><o:x>no</o:x></xml>ok",
       "ok\r\n"},
      {"comments and conditional comments", "<body>a<!-- b --><!--[if gte mso 9]><p>c</p><![endif]-->d", "ad\r\n"},
      {"pre keeps white space", "<pre>a  b\n\tc</pre>", "a  b\r\n\tc\r\n"},
      {"a < that starts no tag", "<body>1 < 2", "1 < 2\r\n"},
      {"list label for browsers without lists",
       "<p><![if !supportLists]><span>1.<span>&nbsp; </span></span><![endif]>Item</p>", "Item\r\n"},
      // A break that ends a paragraph: Word writes it twice for browsers, reads it once.
      {"Word's repeated line break", "<p>a<br><![if !supportLineBreakNewLine]><br><![endif]></p>", "a\r\n\r\n"},
      {"hidden text", "<p>a<span style='display: none'>h</span>b</p>", "ab\r\n"},
      {"revisions kept unmarked", "<p><ins>new</ins><del>old</del></p>", "newold\r\n"},
      {"textarea content is text", "<body><textarea>a<b>c</textarea>", "a<b>c\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Body(c.page), c.expected);
  }
}

// Settings decide hidden text, list labels and note marks, and tracked changes.
TEST(HtmlDocument, SettingsDecide) {
  const std::string page =
      "<p><![if !supportLists]>1.&nbsp;<![endif]>x<span style=\"DISPLAY:none\">h</span>"
      "<ins>+i</ins><del>-d</del>y<a href=#n><![if !supportFootnotes]>[1]<![endif]></a></p>";
  struct Case {
    const char* what;
    TSetup setup;
    std::string expected;
  };
  const Case cases[] = {
      {"stored", nullptr, "x+i-dy\r\n"},
      {"hidden text", [](TMSHtmlDocument& d) { d.SetParseItems({wpiText, wpiHiddenText}); }, "xh+i-dy\r\n"},
      {"shown", [](TMSHtmlDocument& d) { d.SetView(vwShown); }, "1.\xC2\xA0x+iy[1]\r\n"},
      {"reject", [](TMSHtmlDocument& d) { d.SetRevisions(rvReject); }, "x-dy\r\n"},
      {"mark", [](TMSHtmlDocument& d) { d.SetRevisions(rvMark); }, "x++i--dy\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Body(page, c.setup), c.expected);
  }
  TMSHtmlDocument html(nullptr);
  LoadInto(html, page, [](TMSHtmlDocument& d) {
    d.SetTextFormating(tfHTML);
    d.SetRevisions(rvMark);
  });
  EXPECT_EQ(WideToUtf8(html.Text()->Get(1)), "x<u>+i</u><s>-d</s>y<p></p>\r\n");
}

// What Word shows of a page: a field's result, never its code (which Word keeps in
// conditional comments), and an optional hyphen only where a line breaks at it.
TEST(HtmlDocument, ShownViewLeavesOutFieldCodesAndOptionalHyphens) {
  const std::string page =
      "<p>See <!--[if supportFields]><span style='mso-element:field-begin'></span>HYPERLINK "
      "&quot;http://x.org&quot; <span style='mso-element:field-separator'></span><![endif]-->"
      "<a href=\"http://x.org\">link</a><!--[if supportFields]><span style='mso-element:field-end'></span>"
      "<![endif]--> exam&shy;ple</p>";
  EXPECT_EQ(Body(page, [](TMSHtmlDocument& d) { d.SetView(vwShown); }), "See link example\r\n");
  EXPECT_EQ(Body(page), "See link exam\xC2\xADple\r\n");
}

// Word's story divisions and other writers' go to their lists; title, meta and
// Word's document properties fill the summary.
TEST(HtmlDocument, StoriesAndSummary) {
  const std::string page =
      "<html><head><title> The\r\n title </title><meta name=Author content=\"Ann &amp; Bo\">"
      "<meta name=keywords content=k><!--[if gte mso 9]><xml><o:DocumentProperties>"
      "<o:LastAuthor>Cy</o:LastAuthor><o:Revision>3</o:Revision><o:Created>2021-05-04T03:02:01Z</o:Created>"
      "<o:Pages>2</o:Pages><o:Words>x</o:Words><o:Company>Co</o:Company></o:DocumentProperties></xml><![endif]-->"
      "</head><body><div title=header><p>Head</p></div><p>Main</p>"
      "<div style='mso-element:footnote-list'><div style='mso-element:footnote-separator'>___</div>"
      "<div style='mso-element:footnote' id=ftn1><p>Note one</p></div></div>"
      "<div style='mso-element:comment'><p>Remark</p></div><div id=sdendnote1><p>End</p></div>"
      "<div style='mso-element:footer'>Foot</div></body></html>";
  TMSHtmlDocument document(nullptr);
  LoadInto(document, page, nullptr);
  EXPECT_EQ(Utf8(document.Text()), "\r\nMain\r\n\r\n\r\n");
  EXPECT_EQ(Utf8(document.HeaderText()), "Head\r\n\r\n");
  EXPECT_EQ(Utf8(document.FootNoteText()), "Note one\r\n\r\n");
  EXPECT_EQ(Utf8(document.AnnotationText()), "Remark\r\n\r\n");
  EXPECT_EQ(Utf8(document.EndNoteText()), "End\r\n\r\n");
  EXPECT_EQ(Utf8(document.FooterText()), "Foot\r\n\r\n");
  const TKvWordSummaryInformation& s = *document.SummaryInformation();
  EXPECT_EQ(WideToUtf8(s.Title()), "The title");
  EXPECT_EQ(WideToUtf8(s.Author()), "Ann & Bo");
  EXPECT_EQ(WideToUtf8(s.Keywords()), "k");
  EXPECT_EQ(WideToUtf8(s.LastAuthor()), "Cy");
  EXPECT_EQ(WideToUtf8(s.RevNumber()), "3");
  EXPECT_EQ(WideToUtf8(s.Company()), "Co");
  EXPECT_EQ(s.PageCount(), 2);
  EXPECT_EQ(s.WordCount(), 0);
  EXPECT_GT(s.Created(), 0);
}

// End tags close the innermost open element of their name, never out of the table
// they stand in, also under elements nested past the bound on tracked depth.
TEST(HtmlDocument, EndTagsCloseTheInnermostElementOfTheirName) {
  const auto repeat = [](const std::string& S, int N) {
    std::string out;
    for (int i = 0; i < N; ++i) out += S;
    return out;
  };
  struct Case {
    const char* what;
    std::string page;
    std::string expected;
  };
  const Case cases[] = {
      {"an end tag stays in its cell", "<body><table><tr><td><div>a</td>b</div>c</td></tr></table>d</body>",
       "a b\r\nc\r\nd\r\n"},
      {"a division's end outside the table", "<body><div><table><tr><td>a</div>b</td></tr></table>c</div>e",
       "a\r\nb\r\nc\r\ne\r\n"},
      {"a table's end closes the inner table", "<body><table><tr><td><table><tr><td>in</table>out</td><td>x</tr></table>y",
       "in\r\nout x\r\ny\r\n"},
      {"past the depth bound",
       "<body>" + repeat("<span>", 1100) + "deep" + repeat("</span>", 1100) + "<table><tr><td>" + repeat("<i>", 1100) +
           "cell" + repeat("</b>", 5000) + "</td><td>two</table>after</body>",
       "deep\r\ncell two\r\nafter\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Body(c.page), c.expected);
  }
}

// The document properties Word keeps in a comment: elements that never end, or
// whose names no property has, are passed over.
TEST(HtmlDocument, PropertiesPastElementsThatNeverEnd) {
  std::string unclosed;
  for (int i = 0; i < 1000; ++i) unclosed += "<o:x>";
  const std::string longName(70, 'L');
  const std::string page = "<html><head><!--[if gte mso 9]><xml><o:DocumentProperties>" + unclosed +
                           "<o:Author>Ann</o:Author><o:Title>T<o:y></o:Title><o:" + longName + ">x</o:" + longName +
                           "><o:Company>Co</o:Company><o:Manager>never ends</o:DocumentProperties></xml><![endif]-->"
                           "</head><body>b</body></html>";
  TMSHtmlDocument document(nullptr);
  LoadInto(document, page, nullptr);
  const TKvWordSummaryInformation& s = *document.SummaryInformation();
  EXPECT_EQ(WideToUtf8(s.Author()), "Ann");
  EXPECT_EQ(WideToUtf8(s.Title()), "T<o:y>");
  EXPECT_EQ(WideToUtf8(s.Company()), "Co");
  EXPECT_EQ(WideToUtf8(s.Manager()), "");
}

// The character set comes from a byte-order mark, the MIME part, the meta element,
// or else the bytes themselves.
TEST(HtmlDocument, CharacterSets) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string charset;
    std::string expected;
  };
  const Case cases[] = {
      {"meta http-equiv", "<meta http-equiv=Content-Type content=\"text/html; charset=windows-1251\">\xCF", "",
       "<meta http-equiv=Content-Type content=\"text/html; charset=windows-1251\">\xD0\x9F"},
      {"meta charset", "<meta charset=\"shift_jis\">\x82\xA0", "", "<meta charset=\"shift_jis\">\xE3\x81\x82"},
      {"part charset wins", "<meta charset=utf-8>\xE9", "iso-8859-1", "<meta charset=utf-8>\xC3\xA9"},
      {"byte-order mark wins", "\xEF\xBB\xBF\xC3\xA9", "windows-1251", "\xC3\xA9"},
      {"UTF-16", std::string("\xFF\xFEh\0i\0", 6), "", "hi"},
      {"undeclared UTF-8", "caf\xC3\xA9", "", "caf\xC3\xA9"},
      {"undeclared other bytes", "caf\xE9", "", "caf\xC3\xA9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(WideToUtf8(DecodeWebPage(c.bytes, c.charset)), c.expected);
  }
}

// A single-file web page: the first HTML part is the document, in its transfer
// encoding and character set; later HTML parts give only their stories.
TEST(HtmlDocument, WebArchive) {
  const std::string archive =
      "MIME-Version: 1.0\r\n"
      "Content-Type: multipart/related; boundary=\"----=_NextPart_01\"\r\n\r\n"
      "This is a multi-part message in MIME format.\r\n\r\n"
      "------=_NextPart_01\r\n"
      "Content-Location: file:///C:/doc.htm\r\n"
      "Content-Transfer-Encoding: quoted-printable\r\n"
      "Content-Type: text/html; charset=\"windows-1252\"\r\n\r\n"
      "<html><body><p class=3DMsoNormal>caf=E9 and a very long line that is cut by a soft=\r\n"
      " break</p></body></html>\r\n\r\n"
      "------=_NextPart_01\r\n"
      "Content-Location: file:///C:/doc_files/header.htm\r\n"
      "Content-Transfer-Encoding: base64\r\n"
      "Content-Type: text/html; charset=\"utf-8\"\r\n\r\n"
      "PGh0bWw+PGJvZHk+PHA+bm90IG1haW48L3A+PGRpdiBzdHlsZT0nbXNvLWVsZW1lbnQ6aGVhZGVyJz48cD5I\r\n"
      "w6lhZDwvcD48L2Rpdj48L2JvZHk+PC9odG1sPg==\r\n\r\n"
      "------=_NextPart_01\r\n"
      "Content-Type: image/png\r\n\r\nPNG\r\n"
      "------=_NextPart_01--\r\n";
  TMSHtmlDocument document(nullptr);
  LoadInto(document, archive, nullptr);
  EXPECT_EQ(WideToUtf8(document.Text()->Get(1)), "caf\xC3\xA9 and a very long line that is cut by a soft break\r\n");
  EXPECT_EQ(Utf8(document.HeaderText()), "H\xC3\xA9" "ad\r\n\r\n");

  // A part whose closing boundary never comes runs to the end.
  const std::string endless = "MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=b\r\n\r\n--b\r\n"
                              "Content-Type: text/html\r\n\r\n<p>a</p>" + std::string(100000, 'x');
  EXPECT_EQ(Body(endless).size(), 100001 + 4);
  // Parts are given one at a time, in order, nested multiparts opened in place.
  const std::string nested = "MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=b\r\n\r\n"
                             "--b\r\nContent-Type: text/html\r\n\r\none\r\n"
                             "--b\r\nContent-Type: multipart/alternative; boundary=c\r\n\r\n"
                             "--c\r\nContent-Type: text/plain\r\n\r\ntwo\r\n--c\r\n\r\nthree\r\n--c--\r\n"
                             "--b\r\nContent-Type: image/png\r\n\r\nfour\r\n--b--\r\n";
  std::vector<std::string> visited;
  ForEachMimePart(nested, [&visited](TMimePart&& Part) { visited.push_back(Part.ContentType + ":" + Part.Body); });
  EXPECT_EQ(visited, (std::vector<std::string>{"text/html:one", "text/plain:two", "text/plain:three", "image/png:four"}));
  EXPECT_EQ(ReadMimeParts(nested).size(), 4u);
  EXPECT_EQ(DecodeQuotedPrintable("a=3D=\r\nb=ZZ="), "a=b=ZZ=");
  EXPECT_EQ(DecodeBase64("aGk\r\n=ignored"), "hi");
}

// Damaged pages give what can be read, in time linear in their length.
TEST(HtmlDocument, DamagedPagesGivePartialText) {
  struct Case {
    const char* what;
    std::string page;
    std::string expected;
  };
  const Case cases[] = {
      {"unclosed comment", "<body>a<!-- b", "a\r\n"},
      {"page ends in a tag", "<body>a<p class='x", "a\r\n"},
      {"unclosed script", "<body>a<script>b", "a\r\n"},
      {"end tags of nothing", "</p></td></table></div>a", "\r\na\r\n"},
      {"unclosed conditions", "<![if !supportLists]>x<![if x]>", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Body(c.page), c.expected);
  }
  // An unclosed quote is not looked for again at every later tag.
  std::string quotes = "<body>";
  for (int i = 0; i < 20000; ++i) quotes += "<a title='x>y";
  EXPECT_EQ(Body(quotes).substr(0, 3), "yyy");
  // Deep nesting: elements beyond the bound are not tracked, text stays.
  std::string deep = "<body>";
  for (int i = 0; i < 100000; ++i) deep += "<span>";
  deep += "deep";
  for (int i = 0; i < 100000; ++i) deep += "</span>";
  EXPECT_EQ(Body(deep + "<p>end</p>"), "deep\r\nend\r\n");
  std::string cells;
  for (int i = 0; i < 50000; ++i) cells += "<table><tr><td>";
  EXPECT_NO_THROW(Body(cells + "x"));
}

TEST(HtmlDocument, RefusesOtherFiles) {
  const std::string dir = ::testing::TempDir();
  const std::u16string name = Utf8ToWide(dir + "/plain.doc");
  {
    TFileStream file(name, fmCreate);
    file.WriteBuffer("just words", 10);
  }
  TMSHtmlDocument document(nullptr);
  try {
    document.LoadFromFile(name);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "File " + dir + "/plain.doc is not valid MS Word document");
  }
  EXPECT_TRUE(IsWebPage("<!-- x --><HTML>"));
  EXPECT_TRUE(IsWebPage("MIME-Version: 1.0\r\n\r\n"));
  EXPECT_FALSE(IsWebPage("{\\rtf1}"));
}
