// Special characters and fields of Word text as AddText converts them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msword/doc/WordDocument.h"

using namespace msword;
using testing::ElementsAre;

namespace {

struct Report {
  TKvWordSysChar SysChar;
  std::u16string Value;
  std::u16string Result;
  bool operator==(const Report&) const = default;
};

// Converts Text in Format and returns the one entry added.
std::u16string Convert(std::u16string_view Text, TMSTextFormating Format = tfPlainText,
                       std::vector<Report>* Reports = nullptr) {
  TMSWordDocument doc(nullptr);
  doc.SetTextFormating(Format);
  if (Reports)
    doc.SetOnConvertSysChar([Reports](TObject*, TKvWordSysChar c, std::u16string v, std::u16string& r) {
      Reports->push_back({c, v, r});
    });
  TWideStrings list;
  doc.AddText(std::u16string(Text), &list);
  EXPECT_EQ(list.Count(), 1);
  return list.Get(0);
}

}  // namespace

TEST(WordDocumentFields, ControlCodesConvertPerFormat) {
  struct Case { char16_t c; std::u16string plain, rtf, html; bool reported; TKvWordSysChar kind; };
  const Case cases[] = {
      {0, u"", u"", u"", false, scUnknown},
      {1, u"", u"", u"", true, scUnknown},
      {2, u"", u"", u"", true, scUnknown},
      {3, u"", u"", u"", true, scUnknown},
      {4, u"\x04", u"\x04", u"\x04", false, scUnknown},
      {5, u"", u"", u"", true, scUnknown},
      {6, u"", u"", u"", true, scUnknown},
      {8, u"", u"", u"", true, scUnknown},
      {9, u"\t", u"\t", u"\t", true, scUnknown},
      {10, u"\n", u"\n", u"\n", false, scUnknown},
      {11, u"\r\n", u"\r\n\\par ", u"<br>\r\n", true, scUnknown},
      {12, u"", u"", u"", true, scUnknown},
      {13, u"\r\n", u"\r\n\\par ", u"<p></p>\r\n", true, scParagraphEnd},
      {20, u"\x14", u"\x14", u"\x14", true, scFieldMiddle},
      {21, u"", u"", u"", true, scFieldEnd},
      {22, u"\x16", u"\x16", u"\x16", false, scUnknown},
      {31, u"", u"", u"", true, scUnknown},
      {u'A', u"A", u"A", u"A", false, scUnknown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.c));
    const std::u16string text(1, c.c);
    EXPECT_EQ(Convert(u"x" + text + u"y"), u"x" + c.plain + u"y");
    EXPECT_EQ(Convert(u"x" + text + u"y", tfRTF), u"x" + c.rtf + u"y");
    std::vector<Report> reports;
    EXPECT_EQ(Convert(u"x" + text + u"y", tfHTML, &reports), u"x" + c.html + u"y");
    if (c.reported)
      EXPECT_THAT(reports, ElementsAre(Report{c.kind, text, c.html}));
    else
      EXPECT_TRUE(reports.empty());
  }
}

TEST(WordDocumentFields, CellMarksEndCellsAndRows) {
  EXPECT_EQ(Convert(u"a\u0007b\u0007\u0007c"), u"a b\r\nc");
  EXPECT_EQ(Convert(u"a\u0007\u0007", tfRTF), u"a\r\n\\par \n");
  EXPECT_EQ(Convert(u"a\u0007\u0007", tfHTML), u"a<br>\r\n\n");
  std::vector<Report> reports;
  EXPECT_EQ(Convert(u"a\u0007", tfPlainText, &reports), u"a ");
  EXPECT_THAT(reports, ElementsAre(Report{scColumnEnd, u"\u0007", u" "}));
  reports.clear();
  Convert(u"\u0007\u0007", tfPlainText, &reports);
  EXPECT_THAT(reports, ElementsAre(Report{scRowEnd, u"\u0007", u"\r"}));
}

TEST(WordDocumentFields, PageFieldShowsItsResultAndReportsEachMark) {
  std::vector<Report> reports;
  EXPECT_EQ(Convert(u"p.\u0013 PAGE \u00143\u0015!", tfPlainText, &reports), u"p.3!");
  EXPECT_THAT(reports, ElementsAre(Report{scFieldBegin, u"\u0013", u"\u0013"},
                                   Report{scFieldMiddle, u"\u0014", u"\u0014"},
                                   Report{scFieldEnd, u"\u0015", u""},
                                   Report{scPage, u"PAGE", u"3"}));
}

TEST(WordDocumentFields, HandlerResultReplacesTheField) {
  TMSWordDocument doc(nullptr);
  doc.SetOnConvertSysChar([](TObject*, TKvWordSysChar c, std::u16string, std::u16string& r) {
    if (c == scPage) r = u"<page>";
    if (c == scParagraphEnd) r = u"|";
  });
  TWideStrings list;
  doc.AddText(u"\u0013 PAGE \u00147\u0015\r", &list);
  EXPECT_THAT(list.Lines(), ElementsAre(u"<page>|"));
}

TEST(WordDocumentFields, KeywordTableMatchesPrefixesInOrder) {
  struct Case { std::u16string instruction; TKvWordSysChar value; };
  const Case cases[] = {{u"PAGEREF _Ref1 \\h", scPage}, {u"pageref x", scPage}, {u"PAGE", scPage},
                        {u"EDITTIME", scEditTime},     {u"TIME \\@ \"HH\"", scTime},
                        {u"\\\\@", scDateTimePicture}, {u"\\\\o", scUnknown},  // the text is upper-cased, the keyword is not
                        {u"TOC \\o \"1-3\"", scTOC},  {u"NUMPAGES", scNumPages},
                        {u"HYPERLINK \"x\"", scHyperlink}, {u"EMBED Word.Picture", scEmbed},
                        {u"SPEICHERDAT", scSpeicherdat}, {u"DATEINAME", scDateIName},
                        {u"ADVANCE \\d 4", scFieldAttributes}, {u"seq text_box", scTextField},
                        {u"*", scUnknown},             {u"INCLUDEPICTURE x", scIncludePicture},
                        {u"MERGEFIELD x", scUnknown},  {u"PAG", scUnknown}, {u"", scUnknown}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.instruction.begin(), c.instruction.end()));
    EXPECT_EQ(GetSysCharByCode(c.instruction), c.value);
  }
}

TEST(WordDocumentFields, FieldResultsAndInstructionsAsReported) {
  struct Case { std::u16string text; std::u16string output; std::vector<Report> last; };
  const Case cases[] = {
      // An unknown keyword still shows its result.
      {u"\u0013 MERGEFIELD Name \u0014Ann\u0015", u"Ann", {{scUnknown, u"MERGEFIELD Name", u"Ann"}}},
      // Two separators in a row: the second one is not part of the result.
      {u"\u0013 PAGE\u0014\u00145\u0015", u"5", {{scPage, u"PAGE", u"5"}}},
      // An embedded object with no switches and no result leaves nothing.
      {u"\u0013 EMBED Package\u0015", u"", {}},
      // The separator's own output is the boundary: converted text stays converted.
      {u"\u0013 REF x \u0014a\rb\u0015", u"a\r\nb", {{scUnknown, u"REF x", u"a\r\nb"}}},
      // An embedded object's result is dropped.
      {u"\u0013 EMBED Excel \u0014pic\u0015", u"", {{scEmbed, u"EMBED Excel", u""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.output.begin(), c.output.end()));
    std::vector<Report> reports;
    EXPECT_EQ(Convert(c.text, tfPlainText, &reports), c.output);
    std::vector<Report> second;
    for (const Report& r : reports)
      if (r.SysChar != scFieldBegin && r.SysChar != scFieldMiddle && r.SysChar != scFieldEnd &&
          r.SysChar != scParagraphEnd)
        second.push_back(r);
    EXPECT_EQ(second, c.last);
  }
}

// A field with switches and no result (an index entry, a table-of-contents entry)
// shows nothing; its instruction is what stands before the first switch.
TEST(WordDocumentFields, SwitchesOfAFieldWithoutResultDoNotLeak) {
  std::vector<Report> reports;
  EXPECT_EQ(Convert(u"term\u0013 XE \"term\" \\b \u0015 next", tfPlainText, &reports), u"term next");
  EXPECT_EQ(reports.back(), (Report{scUnknown, u"XE \"term\"", u""}));
  reports.clear();
  EXPECT_EQ(Convert(u"\u0013 TOC \\o \"1-3\" \\h\u0015", tfPlainText, &reports), u"");
  EXPECT_EQ(reports.back(), (Report{scTOC, u"TOC", u""}));
}

TEST(WordDocumentFields, BeginMarkClosesTheOpenField) {
  // The inner field cuts the outer one short; the outer end mark then yields nothing.
  EXPECT_EQ(Convert(u"\u0013 REF a \u0014x\u0013 PAGE \u00142\u0015y\u0015z"), u"x2yz");
  EXPECT_EQ(Convert(u"a\u0015\u0014b"), u"a\u0014b");  // marks outside a field
}

TEST(WordDocumentFields, OverlongOrUnfinishedFieldIsAbandoned) {
  // Begin mark, space, K, separator and 197 letters: 201 outputs; the next
  // character abandons the field.
  const std::u16string letters(197, u'x');
  std::vector<Report> reports;
  EXPECT_EQ(Convert(u"\u0013 K\u0014" + letters + u"yz\u0015", tfPlainText, &reports),
            u"\u2013 K\u0014" + letters + u"yz");
  EXPECT_EQ(reports.back().SysChar, scFieldEnd);  // no second report for it
  // One output fewer and the field closes normally.
  EXPECT_EQ(Convert(u"\u0013 K\u0014" + letters.substr(1) + u"\u0015"), letters.substr(1));
  // Still open at the end of the text.
  EXPECT_EQ(Convert(u"a\u0013 PAGE \u00143"), u"a\u2013 PAGE \u00143");
}

TEST(WordDocumentFields, DocumentCharactersAreEscapedInRtfAndHtml) {
  EXPECT_EQ(Convert(u"a{b}\\c<&>", tfRTF), u"a\\{b\\}\\\\c<&>");
  EXPECT_EQ(Convert(u"a{b}\\c<&>", tfHTML), u"a{b}\\c&lt;&amp;&gt;");
  EXPECT_EQ(Convert(u"a{b}\\c<&>", tfPlainText), u"a{b}\\c<&>");
  // Inside a field: the result is escaped, the instruction reported as the document has it.
  std::vector<Report> reports;
  EXPECT_EQ(Convert(u"\u0013 HYPERLINK \"a?b&c\" \u0014<x>\u0015", tfHTML, &reports), u"&lt;x&gt;");
  EXPECT_EQ(reports.back(), (Report{scHyperlink, u"HYPERLINK \"a?b&c\"", u"&lt;x&gt;"}));
  reports.clear();
  Convert(u"\u0013 \\\\@ \u0014{}\u0015", tfRTF, &reports);
  EXPECT_EQ(reports.back(), (Report{scDateTimePicture, u"\\\\@", u"\\{\\}"}));
  // A handler's text is taken as it stands.
  TMSWordDocument doc(nullptr);
  doc.SetTextFormating(tfHTML);
  doc.SetOnConvertSysChar([](TObject*, TKvWordSysChar c, std::u16string, std::u16string& r) {
    if (c == scParagraphEnd) r = u"<br/>";
  });
  TWideStrings list;
  doc.AddText(u"<\r", &list);
  EXPECT_THAT(list.Lines(), ElementsAre(u"&lt;<br/>"));
}

TEST(WordDocumentFields, WithoutConversionTextPassesUnchanged) {
  TMSWordDocument doc(nullptr);
  doc.SetConvertSysCharacters(false);
  doc.SetMaxTextLength(2);
  int reports = 0;
  doc.SetOnConvertSysChar([&](TObject*, TKvWordSysChar, std::u16string, std::u16string&) { ++reports; });
  TWideStrings list;
  doc.AddText(u"a\u0007\r\u0013\u0014\u0015{", &list);
  EXPECT_THAT(list.Lines(), ElementsAre(u"a\u0007\r\u0013\u0014\u0015{"));
  EXPECT_EQ(reports, 0);
}

TEST(WordDocumentFields, EmptyTextAddsOneEmptyEntry) {
  EXPECT_EQ(Convert(u""), u"");
  EXPECT_EQ(Convert(std::u16string(3, u'\0')), u"");
}

TEST(WordDocumentFields, NoFieldStateCarriesOverBetweenCalls) {
  TMSWordDocument doc(nullptr);
  TWideStrings list;
  doc.AddText(u"\u0013 PAGE", &list);
  doc.AddText(u"\u00143\u0015", &list);
  EXPECT_THAT(list.Lines(), ElementsAre(u"\u2013 PAGE", u"\u00143"));
}

TEST(WordDocumentFields, ProcessSysCharacterAnswersOneCharacter) {
  TMSWordDocument doc(nullptr);
  char16_t next = 7;
  EXPECT_EQ(doc.ProcessSysCharacter(7, false, next), u"\r");
  EXPECT_EQ(next, 10);
  next = u'x';
  EXPECT_EQ(doc.ProcessSysCharacter(7, false, next), u" ");
  EXPECT_EQ(next, u'x');
  EXPECT_EQ(doc.ProcessSysCharacter(13, true, next), u"\r\n");
  EXPECT_EQ(doc.ProcessSysCharacter(u'z', true, next), u"z");
}

// The output is written over the text it comes from: texts that grow a lot (every
// character a paragraph mark in HTML) or shrink (fields collapsing) come out whole,
// with each character's output after the one before it.
TEST(WordDocumentFields, TextsThatGrowOrShrinkALotComeOutWhole) {
  struct Case { std::u16string unit; TMSTextFormating format; std::u16string output; };
  const Case cases[] = {
      {u"\r", tfHTML, u"<p></p>\r\n"},
      {u"a\r", tfRTF, u"a\r\n\\par "},
      {u"x\u0007\u0007", tfPlainText, u"x\r\n"},
      {u"\u0013 PAGE \u00147\u0015", tfPlainText, u"7"},
      {u"\u0013 EMBED Word.Picture.8 \u0014\u0015<", tfHTML, u"&lt;"},
  };
  for (const Case& c : cases) {
    for (size_t count : {1, 17, 5000}) {
      SCOPED_TRACE(std::to_string(count));
      std::u16string text, expected;
      for (size_t k = 0; k < count; ++k) {
        text += c.unit;
        expected += c.output;
      }
      EXPECT_EQ(Convert(text, c.format), expected);
    }
  }
}
