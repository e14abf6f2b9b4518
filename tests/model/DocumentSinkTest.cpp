#include "msword/model/DocumentSink.h"

#include <gtest/gtest.h>

#include "msword/base/CodePages.h"

namespace msword {
namespace {

TEST(DocumentSink, ListLabelsReadAsBulletsNumbersOrText) {
  struct Case {
    std::u16string_view Label;
    TKvWListKind Kind;
    int32_t Number;
    char16_t Delimiter;
  };
  const Case cases[] = {
      {u"\u2022\t", lkBullet, 0, u'.'}, {u"o", lkBullet, 0, u'.'},     {u"\u25AA", lkBullet, 0, u'.'},
      {u"\u2013 ", lkBullet, 0, u'.'},  {u"7.", lkNumber, 7, u'.'},   {u" 12)\t", lkNumber, 12, u')'},
      {u"3", lkNumber, 3, u'.'},        {u"a)", lkOther, 0, u'.'},    {u"iv.", lkOther, 0, u'.'},
      {u"2.1", lkOther, 0, u'.'},       {u"(1)", lkOther, 0, u'.'},   {u"Article 2", lkOther, 0, u'.'},
      {u"1234567890.", lkOther, 0, u'.'}, {u"\u03B1.", lkOther, 0, u'.'}, {u"", lkNone, 0, u'.'},
      {u" \t", lkNone, 0, u'.'},         {u"01.", lkOther, 0, u'.'},   {u"0007)", lkOther, 0, u'.'},
      {u"0.", lkNumber, 0, u'.'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.Label));
    const TKvWListLabelKind kind = ClassifyListLabel(c.Label);
    EXPECT_EQ(kind.Kind, c.Kind);
    EXPECT_EQ(kind.Number, c.Number);
    EXPECT_EQ(kind.Delimiter, c.Delimiter);
  }
}

TEST(DocumentSink, BuiltInHeadingNamesGiveTheirLevel) {
  EXPECT_EQ(HeadingLevelOfStyleName(u"heading 1"), 1);
  EXPECT_EQ(HeadingLevelOfStyleName(u"Heading 9"), 9);
  EXPECT_EQ(HeadingLevelOfStyleName(u"HEADING 3"), 3);
  EXPECT_EQ(HeadingLevelOfStyleName(u"heading 0"), 0);
  EXPECT_EQ(HeadingLevelOfStyleName(u"heading 10"), 0);
  EXPECT_EQ(HeadingLevelOfStyleName(u"Heading1"), 0);
  EXPECT_EQ(HeadingLevelOfStyleName(u"\u00DCberschrift 1"), 0);
}

}  // namespace
}  // namespace msword
