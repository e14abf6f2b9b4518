#include <gtest/gtest.h>

#include "msword/doc/WordDocument.h"

using namespace msword;

TEST(WordDocumentLanguage, LanguageGivesTheCodePage) {
  struct Case { uint16_t lid; uint16_t codePage; };
  const Case cases[] = {
      {0x0405, 1250}, {0x040E, 1250}, {0x0415, 1250}, {0x0424, 1250},
      {0x0419, 1251}, {0x0402, 1251}, {0x0C1A, 1251}, {0x082C, 1251}, {0x0843, 1251},
      {0x0409, 1252}, {0x0109, 1252}, {0x0407, 1252}, {0x0441, 1252}, {0x041A, 1252}, {0x081A, 1252},
      {0x0408, 1253}, {0x041F, 1254}, {0x0425, 1257}, {0x0427, 1257}, {0x040D, 1255}, {0x0401, 1256},
      {0x0404, 950},  {0x0C04, 950},  {0x0804, 936},  {0x1004, 0},
      {0x0411, 932},  {0x0812, 1361}, {0x0412, 949},  {0x0C12, 0},
      {0x041E, 874},  {0x101A, 0},    {0x082C, 1251}, {0x042C, 0}, {0x0000, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.lid);
    TMSWordDocument doc(nullptr);
    doc.FIB.lID = c.lid;
    EXPECT_EQ(doc.DocLangToCodePage(), c.codePage);
  }
}

TEST(WordDocumentLanguage, FarEastDocumentsUseTheFarEastLanguage) {
  TMSWordDocument doc(nullptr);
  doc.FIB.lID = 0x0409;
  doc.FIB.lidFE = 0x0411;
  EXPECT_EQ(doc.DocLangToCodePage(), 1252);
  doc.FIB.Encryption = 0x40;
  EXPECT_EQ(doc.DocLangToCodePage(), 932);
}

TEST(WordDocumentLanguage, HandlerSeesAndReplacesTheLanguage) {
  TMSWordDocument doc(nullptr);
  doc.FIB.lID = 0x0419;
  uint16_t seen = 0;
  doc.SetOnGetDefaultLanguage([&](TObject* sender, uint16_t& lang) {
    EXPECT_EQ(sender, &doc);
    seen = lang;
    lang = 0x0408;
  });
  EXPECT_EQ(doc.DocLangToCodePage(), 1253);
  EXPECT_EQ(seen, 0x0419);
}
