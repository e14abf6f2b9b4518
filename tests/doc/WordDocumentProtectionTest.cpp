// Reading password-protected .doc files: RC4, RC4 through CryptoAPI and XOR
// obfuscation, built in the tests, and the protected files of the shared corpus.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/crypto/XorObfuscation.h"
#include "msword/doc/WordDocument.h"
#include "support/ByteWriter.h"
#include "support/CompoundFileBuilder.h"
#include "support/DocumentEncryptor.h"
#include "support/SharedData.h"
#include "support/WordStreamBuilder.h"

using namespace msword;
using kvtest::CompoundFileBuilder;
using kvtest::WordStreamBuilder;
using testing::ElementsAre;

namespace {

enum TProtection { RC4, CryptoApi40, CryptoApi56, CryptoApi128, Obfuscated };

// A Word 97 document whose text is "Secret text", protected with Password. The
// table stream starts with the encryption header and holds the pieces after it.
using TStreams = std::vector<std::pair<std::u16string, std::string>>;

std::string ProtectedDoc(TProtection Protection, std::u16string_view Password, const TStreams& Extra = {}) {
  WordStreamBuilder builder;
  builder.Utf16Piece(u"Secret text\r");
  const std::string clx = builder.Table();
  const std::string salt = "0123456789abcdef";
  if (Protection == Obfuscated) {
    const std::string bytes = XorPasswordBytes(Password);
    const uint32_t lKey = uint32_t(XorKey(bytes)) << 16 | XorVerifier(bytes);
    builder.Set32(418, 0).Set32(422, uint32_t(clx.size())).Set8(11, 0x83).Set32(14, lKey);
    std::string main = builder.Main(), table = clx;
    const TKvWXorObfuscation obfuscation(bytes, XorKey(bytes));
    obfuscation.Apply(main, 68);
    obfuscation.Apply(table, 0);
    return CompoundFileBuilder().AddStream(u"1Table", table).AddStream(u"WordDocument", main).Bytes();
  }
  const uint32_t keyBits = Protection == RC4 ? 0 : Protection == CryptoApi40 ? 40 : Protection == CryptoApi56 ? 56 : 128;
  const std::string header = kvtest::DocRc4Header(Password, keyBits, salt);
  builder.Set32(418, uint32_t(header.size())).Set32(422, uint32_t(clx.size()));
  builder.Set8(11, 0x03).Set32(14, uint32_t(header.size()));  // encrypted, 1Table; lKey: the header's size
  std::string main = builder.Main(), table = header + clx;
  kvtest::DocRc4Encrypt(main, 68, Password, keyBits, salt);
  kvtest::DocRc4Encrypt(table, header.size(), Password, keyBits, salt);
  CompoundFileBuilder file;
  file.AddStream(u"1Table", table).AddStream(u"WordDocument", main);
  for (const auto& [name, bytes] : Extra) file.AddStream(name, bytes);
  return file.Bytes();
}

// A summary property set with one 8-bit text property (id 2 is the title; in the
// document summary set id 15 is the company).
std::string TextPropertySet(uint32_t Id, std::string_view Text) {
  kvtest::ByteWriter w;
  w.U16(0xFFFE).U16(0).U32(0x00020006).Fill(16).U32(1).Fill(16).U32(48);
  w.U32(8 + 8 + 8 + uint32_t(Text.size())).U32(1).U32(Id).U32(16);
  w.U32(30).U32(uint32_t(Text.size())).Raw(Text).PadTo((w.Size() + 3) / 4 * 4);
  return w.Bytes();
}

// The message of a failed load, or nothing.
std::optional<std::string> Load(TMSWordDocument& Doc, const std::string& Bytes) {
  TMemoryStream stream(Bytes);
  try {
    Doc.LoadFromStream(&stream);
  } catch (const Exception& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

std::multiset<std::string> Words(const std::string& Text) {
  std::multiset<std::string> words;
  std::string word;
  for (char c : Text + " ") {
    if (std::isalnum(static_cast<unsigned char>(c)) || (c & 0x80)) {
      word += char(std::tolower(static_cast<unsigned char>(c)));
    } else if (!word.empty()) {
      words.insert(word);
      word.clear();
    }
  }
  return words;
}

}  // namespace

TEST(WordDocumentProtection, EachSchemeOpensWithItsPassword) {
  const std::pair<TProtection, const char*> schemes[] = {{RC4, "RC4"},
                                                         {CryptoApi40, "CryptoAPI 40 bits"},
                                                         {CryptoApi56, "CryptoAPI 56 bits"},
                                                         {CryptoApi128, "CryptoAPI 128 bits"},
                                                         {Obfuscated, "XOR obfuscation"}};
  for (const auto& [protection, what] : schemes) {
    SCOPED_TRACE(what);
    const std::string file = ProtectedDoc(protection, u"Kv-Secret");
    TMSWordDocument doc(nullptr);
    doc.SetFileName(u"secret.doc");
    doc.SetPassword(u"Kv-Secret");
    EXPECT_EQ(Load(doc, file), std::nullopt);
    EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"", u"Secret text\r\n", u""));
    EXPECT_FALSE(doc.IsPasswordProtected());

    doc.SetPassword(u"kv-secret");
    EXPECT_EQ(Load(doc, file), "The password does not open file secret.doc");
    EXPECT_EQ(doc.Text()->Count(), 0);

    doc.SetPassword(u"");
    EXPECT_EQ(Load(doc, file), "Could not read the password protected file");
  }
}

TEST(WordDocumentProtection, PasswordForAPlainDocumentIsIgnored) {
  WordStreamBuilder builder;
  builder.Utf16Piece(u"Open text\r");
  TMSWordDocument doc(nullptr);
  doc.SetPassword(u"unused");
  EXPECT_EQ(Load(doc, CompoundFileBuilder().AddStream(u"1Table", builder.Table()).AddStream(u"WordDocument", builder.Main()).Bytes()),
            std::nullopt);
  EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"", u"Open text\r\n", u""));
}

TEST(WordDocumentProtection, DamagedEncryptionHeaderOrMissingTableIsDamage) {
  std::string file = ProtectedDoc(RC4, u"pw");
  struct Case { const char* what; std::string bytes; };
  WordStreamBuilder builder;
  builder.Utf16Piece(u"x\r").Set8(11, 0x03).Set32(14, 52);
  const Case cases[] = {
      {"lKey past the table stream",
       CompoundFileBuilder().AddStream(u"1Table", std::string(20, '\1')).AddStream(u"WordDocument", builder.Main()).Bytes()},
      {"no table stream", CompoundFileBuilder().AddStream(u"WordDocument", builder.Main()).Bytes()},
      {"a header of version 9.9",
       CompoundFileBuilder().AddStream(u"1Table", std::string("\x09\0\x09\0", 4) + std::string(60, '\0'))
           .AddStream(u"WordDocument", builder.Main()).Bytes()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TMSWordDocument doc(nullptr);
    doc.SetFileName(u"bad.doc");
    doc.SetPassword(u"pw");
    EXPECT_EQ(Load(doc, c.bytes), "File bad.doc is damaged");
  }
}

// RC4 through CryptoAPI moves the property sets into the stream "encryption" and
// leaves an empty document summary set in their place; the password opens both.
// The title is long enough to cross the 512 bytes where a writer may re-key.
TEST(WordDocumentProtection, EncryptedSummaryStreamOpensWithThePassword) {
  const std::string title = "Board minutes " + std::string(600, 'x');
  const TStreams sets = {{u"\005SummaryInformation", TextPropertySet(2, title)},
                         {u"\005DocumentSummaryInformation", TextPropertySet(15, "Acme")}};
  const std::string salt = "0123456789abcdef";
  struct Case { TProtection protection; uint32_t bits; bool rekeyed; };
  for (const Case& c : {Case{CryptoApi40, 40, false}, Case{CryptoApi128, 128, false}, Case{CryptoApi128, 128, true}}) {
    SCOPED_TRACE(testing::Message() << c.bits << (c.rekeyed ? " bits, re-keyed" : " bits"));
    const std::string file =
        ProtectedDoc(c.protection, u"pw", {{u"encryption", kvtest::DocEncryptedSummary(sets, u"pw", c.bits, salt, c.rekeyed)},
                                           {u"\005DocumentSummaryInformation", ""}});
    TMSWordDocument doc(nullptr);
    doc.SetPassword(u"pw");
    EXPECT_EQ(Load(doc, file), std::nullopt);
    EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"", u"Secret text\r\n", u""));
    EXPECT_EQ(WideToUtf8(doc.SummaryInformation()->Title()), title);
    EXPECT_EQ(doc.SummaryInformation()->Company(), u"Acme");

    // Without the summary among the items to read, the stream is not touched.
    doc.SetParseItems({wpiText});
    EXPECT_EQ(Load(doc, file), std::nullopt);
    EXPECT_EQ(doc.SummaryInformation()->Title(), u"");
  }
}

// A stream "encryption" that does not decrypt to property sets costs the
// properties, never the text, and is never read past its end.
TEST(WordDocumentProtection, DamagedEncryptedSummaryLeavesTheTextReadable) {
  const std::string salt = "0123456789abcdef";
  const TStreams sets = {{u"\005SummaryInformation", TextPropertySet(2, "Kept title")}};
  const std::string good = kvtest::DocEncryptedSummary(sets, u"pw", 128, salt);
  auto withU32 = [&](size_t At, uint32_t Value) {
    std::string bytes = good;
    for (int i = 0; i < 4; ++i) bytes[At + size_t(i)] = char(Value >> (8 * i));
    return bytes;
  };
  struct Case { const char* what; std::string stream; };
  const Case cases[] = {
      {"three bytes", "abc"},
      {"table past the end", withU32(0, 0xFFFFFFF0)},
      {"table size past the end", withU32(4, 0x7FFFFFFF)},
      {"table inside the header", withU32(0, 2)},
      {"encrypted under another password", kvtest::DocEncryptedSummary(sets, u"other", 128, salt)},
      {"a stored stream cut short", good.substr(0, 8) + std::string(good.size() - 8, '\xA5')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TMSWordDocument doc(nullptr);
    doc.SetPassword(u"pw");
    EXPECT_EQ(Load(doc, ProtectedDoc(CryptoApi128, u"pw", {{u"encryption", c.stream}})), std::nullopt);
    EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"", u"Secret text\r\n", u""));
    EXPECT_NE(doc.SummaryInformation()->Title(), u"Kept title");
  }
}

// The protected .doc files of the corpus, with the passwords their projects give:
// the text holds the words LibreOffice reads from the decrypted file.
TEST(WordDocumentProtection, CorpusFilesOpenWithTheirPasswords) {
  KVTEST_REQUIRE_DIR(kvtest::CorpusDir());
  struct Case { const char* file; const char16_t* password; const char* words; };
  const Case cases[] = {
      {"d0222-password_tika_binaryrc4.doc", u"tika", "This is an encrypted Word 2007 File."},
      {"d0015-95-password1.doc", u"password1", "This is a word 7 document"},
      // The table stream's sector chain loops after the pieces the text needs.
      {"d0019-EncryptedDocPasswordIs--_password1.doc", u"password1", "I am a word document."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::u16string path = Utf8ToWide((kvtest::CorpusDir() / "files" / c.file).string());
    TMSWordDocument doc(nullptr);
    doc.SetPassword(c.password);
    doc.LoadFromFile(path);
    const std::multiset<std::string> got = Words(WideToUtf8(doc.Text()->GetText()));
    const std::multiset<std::string> expected = Words(c.words);
    size_t found = 0;
    for (const std::string& w : expected) found += got.count(w) > 0;
    EXPECT_GE(found * 100, expected.size() * 98) << WideToUtf8(doc.Text()->GetText());

    doc.SetPassword(u"not it");
    EXPECT_THAT([&] { doc.LoadFromFile(path); },
                testing::ThrowsMessage<Exception>(testing::StartsWith("The password does not open file")));
  }
}
