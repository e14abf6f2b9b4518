#include <gtest/gtest.h>

#include "ProcessRunner.h"
#include "frontdoor/ReaderChoice.h"
#include "msword/base/CodePages.h"
#include "support/CompoundFileBuilder.h"

namespace kvword {
namespace {

TEST(ReaderChoice, ContentDecidesUnlessTheUserDoes) {
  kvtest::TTempDir dir;
  const std::string zip = dir.Write("report.doc", std::string("PK\x03\x04rest", 8));
  const std::string cfb =
      dir.Write("report.docx", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
  const std::string text = dir.Write("notes.docx", "plain text");
  const std::string shortZip = dir.Write("short.docx", "PK\x03");
  const std::string empty = dir.Write("empty.docx", "");
  const std::string missing = (dir.Path() / "missing.docx").string();
  struct Case {
    std::string file;
    TReaderMode mode;
    bool byExtension;
    TReaderKind expected;
  };
  const Case cases[] = {
      {zip, rmAuto, false, rkDocx},
      {cfb, rmAuto, false, rkDoc},
      {text, rmAuto, false, rkDoc},
      {shortZip, rmAuto, false, rkDoc},
      {empty, rmAuto, false, rkDoc},
      {missing, rmAuto, false, rkDoc},
      {dir.Path().string(), rmAuto, false, rkDoc},
      {zip, rmDoc, false, rkDoc},
      {text, rmDocx, false, rkDocx},
      {zip, rmAuto, true, rkDoc},
      {text, rmAuto, true, rkDocx},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + " mode " + std::to_string(c.mode) + " ext " +
                 std::to_string(c.byExtension));
    EXPECT_EQ(ChooseReader(msword::Utf8ToWide(c.file), c.mode, c.byExtension), c.expected);
  }
}

// A password-protected package is a compound file with "EncryptedPackage" in its
// root storage: the .docx reader reports it as such. Other compound files, damaged
// ones included, are for the .doc reader.
TEST(ReaderChoice, CompoundFileWithAnEncryptedPackageGoesToTheDocxReader) {
  kvtest::TTempDir dir;
  struct Case {
    std::string name, bytes;
    TReaderKind expected;
  };
  const std::string signatureOnly("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  const Case cases[] = {
      {"encrypted.docx",
       kvtest::CompoundFileBuilder()
           .AddStream(u"EncryptionInfo", std::string(64, '\x01'))
           .AddStream(u"EncryptedPackage", std::string(5000, '\x02'))
           .Bytes(),
       rkDocx},
      {"word.doc", kvtest::CompoundFileBuilder().AddStream(u"WordDocument", "x").Bytes(), rkDoc},
      {"nested.doc",
       kvtest::CompoundFileBuilder().AddStream(u"Package/EncryptedPackage", "x").Bytes(), rkDoc},
      {"damaged.doc", signatureOnly + std::string(100, '\0'), rkDoc},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ChooseReader(msword::Utf8ToWide(dir.Write(c.name, c.bytes)), rmAuto, false),
              c.expected);
  }
}

TEST(ReaderChoice, ExtensionRuleLooksAtTheLastNameOnly) {
  struct Case {
    std::u16string name;
    bool docx;
  };
  const Case cases[] = {{u"a.docx", true},
                        {u"A.DocX", true},
                        {u"/x/y/report.DOCX", true},
                        {u"a.doc", false},
                        {u"a.docm", false},
                        {u"a.docx.bak", false},
                        {u"a.docx/file", false},
                        {u"a.docx\\file", false},
                        {u"x:y.docx", true},
                        {u"y.docx:z", false},
                        {u"file", false},
                        {u".docx", true},
                        {u"", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(msword::WideToUtf8(c.name));
    EXPECT_EQ(HasDocxExtension(c.name), c.docx);
  }
}

}  // namespace
}  // namespace kvword
