#include "msword/rtf/RtfDocument.h"

#include <gtest/gtest.h>

#include <string>

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/base/SummaryInformation.h"
#include "msword/rtf/RtfParser.h"

using namespace msword;

namespace {

struct TLoaded {
  std::string Text, FootNotes, EndNotes, Headers, Footers, Annotations, TextBoxes;
};

std::string Utf8(const TWideStrings* List) { return WideToUtf8(List->GetText()); }

TLoaded Load(const std::string& Rtf, void (*Setup)(TMSRtfDocument&) = nullptr) {
  TMSRtfDocument document(nullptr);
  if (Setup) Setup(document);
  TMemoryStream stream(Rtf);
  document.LoadFromStream(&stream);
  return {Utf8(document.Text()),        Utf8(document.FootNoteText()), Utf8(document.EndNoteText()),
          Utf8(document.HeaderText()),  Utf8(document.FooterText()),   Utf8(document.AnnotationText()),
          Utf8(document.TextBoxText())};
}

// The main text's entry, between the header and trailer entries (empty in plain text).
std::string Body(const std::string& Rtf, void (*Setup)(TMSRtfDocument&) = nullptr) {
  TMSRtfDocument document(nullptr);
  if (Setup) Setup(document);
  TMemoryStream stream(Rtf);
  document.LoadFromStream(&stream);
  // The shown view has no frame; its entry ends with the line end the list gives it.
  if (document.View() == vwShown) {
    EXPECT_LE(document.Text()->Count(), 1);
    return document.Text()->Count() == 1 ? WideToUtf8(document.Text()->Get(0)) + "\r\n" : std::string();
  }
  EXPECT_EQ(document.Text()->Count(), 3);
  return document.Text()->Count() == 3 ? WideToUtf8(document.Text()->Get(1)) : std::string();
}

}  // namespace

// What each construct of the main text gives in plain text.
TEST(RtfDocument, MainTextConstructs) {
  struct Case {
    const char* what;
    std::string rtf;
    std::string expected;
  };
  const Case cases[] = {
      {"paragraphs and the last one unended", R"({\rtf1 One\par Two})", "One\r\nTwo\r\n"},
      {"line break and tab", R"({\rtf1 a\line b\tab c\par})", "a\r\nb\tc\r\n"},
      {"escaped braces and backslash", R"({\rtf1 \{x\}\\\par})", "{x}\\\r\n"},
      {"raw line ends are no text", "{\\rtf1 ab\r\ncd\\par}", "abcd\r\n"},
      {"\\u with its fallback skipped", R"({\rtf1 \u8364?\uc2\u8364xy z\par})", "\xE2\x82\xAC\xE2\x82\xAC z\r\n"},
      {"negative \\u", R"({\rtf1 \u-4064?\par})", "\xEF\x80\xA0\r\n"},
      {"\\u beyond 16 bits is no character", R"({\rtf1 \u99999999999?\par})", "\xEF\xBF\xBD\r\n"},
      {"fallback skip ends at a group's end", R"({\rtf1 {\uc3\u8364 a}b\par})", "\xE2\x82\xAC" "b\r\n"},
      {"\\'hh in the ANSI code page", R"({\rtf1\ansi caf\'e9\par})", "caf\xC3\xA9\r\n"},
      {"\\'hh in \\ansicpg", R"({\rtf1\ansi\ansicpg1251 \'cf\par})", "\xD0\x9F\r\n"},
      {"\\'hh in the font's character set",
       R"({\rtf1\ansi{\fonttbl{\f0 Times;}{\f1\fcharset161 Greek;}}\f0 \'e1{\f1 \'e1}\par})",
       "\xC3\xA1\xCE\xB1\r\n"},
      {"double-byte code page across \\'hh", R"({\rtf1\ansi\ansicpg932 \'82\'a0\par})", "\xE3\x81\x82\r\n"},
      {"skipped destinations",
       R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red0;}{\stylesheet{\s0 Normal;}}{\*\unknown junk}{\pict 0102}ok\par})",
       "ok\r\n"},
      {"unknown non-ignorable group is read", R"({\rtf1 {\newthing read}\par})", "read\r\n"},
      {"field result, not instruction",
       R"({\rtf1 {\field{\*\fldinst HYPERLINK "x"}{\fldrslt shown}}\par})", "shown\r\n"},
      {"nested field in the result, field without one",
       R"({\rtf1 {\field{\*\fldinst INDEX}{\fldrslt A {\field{\*\fldinst PAGE}{\fldrslt 3}}}}{\field{\*\fldinst XE "e"}}\par})",
       "A 3\r\n"},
      {"hyphens", R"({\rtf1 well\_known exam\-ple\par})", "well\xE2\x80\x91known example\r\n"},
      {"binary data skipped by count", "{\\rtf1 a\\bin4 }{\\}b\\par}", "ab\r\n"},
      {"symbols", R"({\rtf1 \emdash\endash\~\lquote\rquote\par})",
       "\xE2\x80\x94\xE2\x80\x93\xC2\xA0\xE2\x80\x98\xE2\x80\x99\r\n"},
      {"table row", R"({\rtf1\trowd\intbl A\cell B\cell\row after\par})", "A B\r\nafter\r\n"},
      {"Unicode twin of \\upr", R"({\rtf1 {\upr{x}{\*\ud{\u955?}}}\par})", "\xCE\xBB\r\n"},
      {"list label only in the shown view", R"({\rtf1 {\listtext 1.\tab}Item\par})", "Item\r\n"},
      {"hidden text dropped", R"({\rtf1 a{\v secret}b\v0 c\par})", "abc\r\n"},
      {"revisions kept unmarked", R"({\rtf1 {\revised new}{\deleted old}\par})", "newold\r\n"},
      {"control characters of the text are dropped", "{\\rtf1 a\x01\x07" "b\\par}", "ab\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Body(c.rtf), c.expected);
  }
}

// Settings of the component change what is read: hidden text, the shown view's
// list labels and note numbers, and each way of reading tracked changes.
TEST(RtfDocument, SettingsDecide) {
  const std::string rtf =
      R"({\rtf1 {\listtext 1.\tab}x{\v h}{\revised +i}{\deleted -d}y{\super\chftn}{\footnote {\super\chftn} n}\par})";
  struct Case {
    const char* what;
    void (*setup)(TMSRtfDocument&);
    std::string expected;
  };
  const Case cases[] = {
      {"stored", nullptr, "x+i-dy\r\n"},
      {"hidden text", [](TMSRtfDocument& d) { d.SetParseItems({wpiText, wpiHiddenText}); }, "xh+i-dy\r\n"},
      {"shown", [](TMSRtfDocument& d) { d.SetView(vwShown); }, "1.\tx+iy1\r\n"},
      {"reject", [](TMSRtfDocument& d) { d.SetRevisions(rvReject); }, "x-dy\r\n"},
      {"mark", [](TMSRtfDocument& d) { d.SetRevisions(rvMark); }, "x++i--dy\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Body(rtf, c.setup), c.expected);
  }
  const TLoaded shown = Load(rtf, [](TMSRtfDocument& d) { d.SetView(vwShown); });
  EXPECT_EQ(shown.FootNotes, "1 n\r\n\r\n");
}

// Notes, headers, footers, annotations and text boxes go to their own lists, one
// entry per story, each note ending its paragraph.
TEST(RtfDocument, SideStoriesGoToTheirLists) {
  const TLoaded loaded = Load(
      R"({\rtf1 {\header H1}{\footerr F1}Main{\footnote one}{\footnote\ftnalt end}{\footnote two}{\*\atnid A}{\*\annotation note}{\shp{\*\shpinst{\sp{\sn x}{\sv 1}}{\shptxt box\par}}{\shprslt box}}\par})");
  EXPECT_EQ(loaded.Text, "\r\nMain\r\n\r\n\r\n");
  EXPECT_EQ(loaded.FootNotes, "one\r\ntwo\r\n\r\n");
  EXPECT_EQ(loaded.EndNotes, "end\r\n\r\n");
  EXPECT_EQ(loaded.Headers, "H1\r\n\r\n");
  EXPECT_EQ(loaded.Footers, "F1\r\n\r\n");
  EXPECT_EQ(loaded.Annotations, "note\r\n\r\n");
  EXPECT_EQ(loaded.TextBoxes, "box\r\n\r\n");
}

// The output formats frame and escape the text as the .doc reader does.
TEST(RtfDocument, FormatsFollowTheDocReader) {
  TMSRtfDocument document(nullptr);
  document.SetTextFormating(tfHTML);
  document.SetRevisions(rvMark);
  TMemoryStream stream(std::string(R"({\rtf1 a<b\line{\revised c}\par A\cell B\cell\row})"));
  document.LoadFromStream(&stream);
  ASSERT_EQ(document.Text()->Count(), 3);
  EXPECT_EQ(WideToUtf8(document.Text()->Get(1)), "a&lt;b<br>\r\n<u>c</u><p></p>\r\nA B<br>\r\n\n");
  EXPECT_EQ(document.Text()->Get(0), document.GetTextStart());

  document.SetTextFormating(tfRTF);
  document.SetRevisions(rvDefault);
  TMemoryStream rtf(std::string(R"({\rtf1 \{x\}\par})"));
  document.LoadFromStream(&rtf);
  EXPECT_EQ(WideToUtf8(document.Text()->Get(1)), "\\{x\\}\r\n\\par ");
}

// The information group fills the summary; the length limit cuts the text.
TEST(RtfDocument, InformationAndLimit) {
  TMSRtfDocument document(nullptr);
  document.SetMaxTextLength(5);
  TMemoryStream stream(std::string(
      R"({\rtf1{\info{\title T\'e9}{\author Ann}{\*\company Co}{\operator Bob}{\keywords k}{\doccomm c})"
      R"({\creatim\yr2021\mo5\dy4\hr3\min2}{\revtim\yr2022\mo1\dy2}\nofpages3\nofwords12\edmins7\version4}Hello world\par})"));
  document.LoadFromStream(&stream);
  const TKvWordSummaryInformation& s = *document.SummaryInformation();
  EXPECT_EQ(WideToUtf8(s.Title()), "T\xC3\xA9");
  EXPECT_EQ(WideToUtf8(s.Author()), "Ann");
  EXPECT_EQ(WideToUtf8(s.Company()), "Co");
  EXPECT_EQ(WideToUtf8(s.LastAuthor()), "Bob");
  EXPECT_EQ(WideToUtf8(s.Keywords()), "k");
  EXPECT_EQ(WideToUtf8(s.Comments()), "c");
  EXPECT_EQ(WideToUtf8(s.RevNumber()), "4");
  EXPECT_EQ(s.PageCount(), 3);
  EXPECT_EQ(s.WordCount(), 12);
  EXPECT_EQ(s.EditTime(), 7);
  TDateTime created = 0, time = 0, saved = 0;
  ASSERT_TRUE(TryEncodeDate(2021, 5, 4, created));
  ASSERT_TRUE(TryEncodeTime(3, 2, 0, 0, time));
  ASSERT_TRUE(TryEncodeDate(2022, 1, 2, saved));
  EXPECT_DOUBLE_EQ(s.Created(), created + time);
  EXPECT_DOUBLE_EQ(s.LastSaved(), saved);
  // As in the .doc reader, the limit cuts the main text's entry; the empty header
  // and trailer entries stand around it.
  EXPECT_EQ(WideToUtf8(document.Text()->GetText()), "\r\nHello\r\n\r\n");
}

// Damaged input gives what could be read: no crash, no hang, no unbounded memory.
TEST(RtfDocument, DamagedInputGivesPartialText) {
  struct Case {
    const char* what;
    std::string rtf;
    std::string expected;
  };
  const Case cases[] = {
      {"truncated inside groups", R"({\rtf1 a\par {\b b)", "a\r\nb\r\n"},
      {"closing brace too many", R"({\rtf1 a\par}}} tail)", "a\r\n"},
      {"truncated in \\'h", R"({\rtf1 a\')", "a\r\n"},
      {"truncated in a control word", R"({\rtf1 a\pa)", "a\r\n"},
      {"huge \\bin", R"({\rtf1 a\bin99999999999 bbbb})", "a\r\n"},
      {"negative \\bin", R"({\rtf1 a\bin-5 b\par})", "ab\r\n"},
      {"huge \\uc", R"({\rtf1 \uc99999999 \u65 bcd e\par})", "A\r\n"},
      {"overlong control word and number", "{\\rtf1 \\" + std::string(5000, 'x') + "123456789012345678 a\\par}",
       "a\r\n"},
      {"nothing after the brace", "{", ""},
      {"text before the brace is ignored", "junk{\\rtf1 a\\par}", "a\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Body(c.rtf), c.expected);
  }
  // Groups beyond the bound are dropped with their text; the text around them stays.
  const std::string deep = "{\\rtf1 a" + std::string(100000, '{') + "lost" + std::string(100000, '}') + "b\\par}";
  EXPECT_EQ(Body(deep), "ab\r\n");
  const TRtfStories stories = ReadRtfStories(deep, {});
  EXPECT_TRUE(stories.DepthExceeded);
  EXPECT_FALSE(stories.Truncated);
  // An endless run of open braces only counts.
  EXPECT_TRUE(ReadRtfStories("{\\rtf1 " + std::string(1 << 20, '{'), {}).Truncated);
}

// A file that is not RTF is refused with the readers' message; a missing one too.
TEST(RtfDocument, RefusesOtherFiles) {
  const std::string dir = ::testing::TempDir();
  const std::u16string notRtf = Utf8ToWide(dir + "/not-rtf.doc");
  {
    TFileStream file(notRtf, fmCreate);
    file.WriteBuffer("plain words", 11);
  }
  TMSRtfDocument document(nullptr);
  try {
    document.LoadFromFile(notRtf);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "File " + dir + "/not-rtf.doc is not valid MS Word document");
  }
  EXPECT_THROW(document.LoadFromFile(Utf8ToWide(dir + "/missing.rtf")), Exception);
  EXPECT_TRUE(IsRtfStart("\xEF\xBB\xBF \r\n{\\rtf1}"));
  EXPECT_FALSE(IsRtfStart("{\\rt"));
}
