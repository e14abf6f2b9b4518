// The data of check boxes and drop-downs in the Data stream, and what they show; a
// .doc file with form fields, written by LibreOffice, in the shown view.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "msword/base/Platform.h"
#include "msword/base/Streams.h"
#include "msword/doc/FormFieldData.h"
#include "msword/doc/WordDocument.h"
#include "support/ByteWriter.h"
#include "support/SharedData.h"

using namespace msword;
using kvtest::ByteWriter;
using testing::ElementsAre;

namespace {

ByteWriter& Xstz(ByteWriter& W, std::u16string_view S) { return W.U16(uint16_t(S.size())).Utf16(S).U16(0); }

// The field data of a check box (Type 1) or drop-down (Type 2) with its result and
// default, behind the record's header; Entries make a drop-down's list.
std::string Record(uint8_t Type, uint8_t Result, uint16_t Default, std::vector<std::u16string> Entries = {}) {
  ByteWriter field;
  field.U32(0xFFFFFFFF).U16(uint16_t(Type | Result << 2)).U16(0).U16(20);
  Xstz(field, u"Field1");
  field.U16(Default);
  for (int i = 0; i < 5; ++i) Xstz(field, u"");
  if (Type == 2) {
    field.U16(0xFFFF).U16(uint16_t(Entries.size())).U16(0);
    for (const auto& e : Entries) field.U16(uint16_t(e.size())).Utf16(e);
  }
  ByteWriter record;
  record.U32(uint32_t(0x44 + field.Size())).U16(0x44).Fill(62).Raw(field.Bytes());
  return record.Bytes();
}

}  // namespace

TEST(FormFieldData, CheckBoxesAndDropDownsShowTheirStateOrEntry) {
  struct TCase {
    const char* Name;
    std::string Record;
    std::u16string Shown;
  };
  const std::vector<std::u16string> colours = {u"Red", u"Green", u"Blue"};
  const std::vector<TCase> cases = {
      {"checked", Record(1, 1, 0), u"\u2612"},
      {"clear", Record(1, 0, 1), u"\u2610"},
      {"no state of its own: the default", Record(1, 25, 1), u"\u2612"},
      {"chosen entry", Record(2, 2, 0, colours), u"Blue"},
      {"no choice of its own: the default", Record(2, 25, 1, colours), u"Green"},
      {"an entry the list does not have", Record(2, 7, 0, colours), u""},
  };
  for (const TCase& c : cases) {
    // Behind some other data, as in a real stream.
    TMemoryStream data(std::string(10, 'x') + c.Record);
    TFormFieldData field;
    ASSERT_TRUE(ReadFormFieldData(data, 10, field)) << c.Name;
    EXPECT_EQ(FormFieldValue(field), c.Shown) << c.Name;
  }
  TMemoryStream data(Record(2, 0, 0, colours));
  TFormFieldData field;
  ASSERT_TRUE(ReadFormFieldData(data, 0, field));
  EXPECT_THAT(field.Entries, ElementsAre(u"Red", u"Green", u"Blue"));
}

TEST(FormFieldData, RecordsThatDoNotHoldWhatTheyAnnounceAreRefused) {
  const std::string good = Record(2, 1, 0, {u"Red", u"Green"});
  struct TCase {
    const char* Name;
    std::string Bytes;
    int64_t Offset;
  };
  std::string wrongHeader = good, longer = good, manyEntries = good, badVersion = good, cut = good.substr(0, 0x44 + 14);
  wrongHeader[4] = 0x40;
  longer[0] = char(good.size() + 1);  // the record runs past the stream
  manyEntries[0x44 + 48] = char(0x30);  // the list (after 48 bytes of field data) counts 48 entries
  badVersion[0x44] = 0;
  cut[0] = char(cut.size());  // the record ends inside the field's name
  const std::vector<TCase> cases = {
      {"offset past the stream", good, int64_t(good.size()) + 4},
      {"negative offset", good, -1},
      {"header size not 0x44", wrongHeader, 0},
      {"record longer than the stream", longer, 0},
      {"list longer than the record", manyEntries, 0},
      {"not field data", badVersion, 0},
      {"cut inside the name", cut, 0},
  };
  for (const TCase& c : cases) {
    TMemoryStream data(c.Bytes);
    TFormFieldData field;
    EXPECT_FALSE(ReadFormFieldData(data, c.Offset, field)) << c.Name;
  }
}

TEST(FormFieldData, TheShownViewShowsFormFieldsValues) {
  // tests/data/doc/form_fields.py says how the file was made.
  const std::filesystem::path file = kvtest::TestDataDir() / "doc" / "form_fields.doc";
  auto read = [&](TKvWView view) {
    TMSWordDocument doc(nullptr);
    doc.SetView(view);
    doc.LoadFromFile(PathToWide(file.string()));
    // The text as the tool prints it; the stored view frames it with empty lines.
    return doc.Text()->GetText();
  };
  EXPECT_EQ(read(vwShown), u"Yes \u2612 done\r\nNo \u2610 done\r\nColour Green chosen\r\nName Ada typed\r\n");
  // The stored view keeps the fields as the text stores them.
  EXPECT_EQ(read(vwStored), u"\r\nYes  done\r\nNo  done\r\nColour  chosen\r\nName Ada typed\r\n\r\n\r\n");
}
