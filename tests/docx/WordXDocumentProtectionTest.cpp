// Reading encrypted .docx packages: Standard and Agile encryption of packages built
// in the tests, through files and OLE streams, and the encrypted packages of the
// shared corpus.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/docx/WordXDocument.h"
#include "support/CompoundFileBuilder.h"
#include "support/DocumentEncryptor.h"
#include "support/SharedData.h"
#include "support/ZipBuilder.h"

using namespace msword;
using testing::ElementsAre;

namespace {

std::string Package(const std::string& Text) {
  return kvtest::ZipBuilder()
      .AddDeflated("word/document.xml",
                   "<w:document xmlns:w=\"w\"><w:body><w:p><w:r><w:t>" + Text + "</w:t></w:r></w:p></w:body></w:document>")
      .AddDeflated("docProps/core.xml",
                   "<cp:coreProperties xmlns:cp=\"c\" xmlns:dc=\"d\"><dc:title>Board</dc:title></cp:coreProperties>")
      .Bytes();
}

class TTempFile {
 public:
  explicit TTempFile(const std::string& Bytes) {
    FPath = std::filesystem::temp_directory_path() /
            ("kvword-protected-" + std::to_string(::getpid()) + "-" + std::to_string(++FCounter) + ".docx");
    std::ofstream(FPath, std::ios::binary) << Bytes;
  }
  ~TTempFile() { std::filesystem::remove(FPath); }
  std::u16string Name() const { return Utf8ToWide(FPath.string()); }

 private:
  static inline int FCounter = 0;
  std::filesystem::path FPath;
};

std::optional<std::string> LoadFile(TMSWordXDocument& Doc, const std::u16string& Name) {
  try {
    Doc.LoadFromFile(Name);
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

TEST(WordXDocumentProtection, StandardAndAgilePackagesOpenWithTheirPassword) {
  const std::string package = Package("Sealed minutes");
  const std::pair<const char*, kvtest::EncryptedPackageStreams> schemes[] = {
      {"Standard", kvtest::StandardEncrypt(package, u"Kv-Secret")},
      {"Agile", kvtest::AgileEncrypt(package, u"Kv-Secret", "SHA512", "SHA512", 100)}};
  for (const auto& [what, streams] : schemes) {
    SCOPED_TRACE(what);
    const TTempFile file(kvtest::EncryptedDocx(streams));
    TMSWordXDocument doc(nullptr);
    doc.SetPassword(u"Kv-Secret");
    EXPECT_EQ(LoadFile(doc, file.Name()), std::nullopt);
    EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"Sealed minutes"));
    EXPECT_EQ(doc.SummaryInformation()->Title(), u"Board");

    doc.SetPassword(u"Kv-secret");
    EXPECT_EQ(LoadFile(doc, file.Name()), "The password does not open file " + WideToUtf8(file.Name()));
    doc.SetPassword(u"");
    EXPECT_EQ(LoadFile(doc, file.Name()), "Could not read the password protected file");

    // The same compound file handed over as an OLE stream and as a plain stream.
    doc.SetPassword(u"Kv-Secret");
    TMemoryStream stream(kvtest::EncryptedDocx(streams));
    doc.LoadFromOLEStream(&stream);
    EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"Sealed minutes"));
    TMemoryStream plainStream(kvtest::EncryptedDocx(streams));
    TMSWordXDocument fromStream(nullptr);
    fromStream.SetPassword(u"Kv-Secret");
    fromStream.LoadFromStream(&plainStream);
    EXPECT_THAT(fromStream.Text()->Lines(), ElementsAre(u"Sealed minutes"));
  }
}

TEST(WordXDocumentProtection, TamperedOrIncompletePackageIsDamage) {
  kvtest::EncryptedPackageStreams streams = kvtest::AgileEncrypt(Package("x"), u"pw", "SHA1", "SHA1", 10, 128);
  kvtest::EncryptedPackageStreams tampered = streams;
  tampered.Package[20] = char(tampered.Package[20] ^ 0x40);
  struct Case { const char* what; std::string bytes; };
  const Case cases[] = {
      {"a byte of the package changed", kvtest::EncryptedDocx(tampered)},
      {"no EncryptionInfo", kvtest::CompoundFileBuilder().AddStream(u"EncryptedPackage", streams.Package).Bytes()},
      {"EncryptionInfo of four bytes",
       kvtest::CompoundFileBuilder().AddStream(u"EncryptionInfo", std::string("\x04\0\x04\0", 4)).AddStream(u"EncryptedPackage", streams.Package).Bytes()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TTempFile file(c.bytes);
    TMSWordXDocument doc(nullptr);
    doc.SetPassword(u"pw");
    EXPECT_EQ(LoadFile(doc, file.Name()), "File " + WideToUtf8(file.Name()) + " is damaged");
  }
}

TEST(WordXDocumentProtection, PasswordForAPlainPackageIsIgnored) {
  const TTempFile file(Package("Open minutes"));
  TMSWordXDocument doc(nullptr);
  doc.SetPassword(u"unused");
  EXPECT_EQ(LoadFile(doc, file.Name()), std::nullopt);
  EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"Open minutes"));
}

// The encrypted packages of the corpus, with the passwords their projects give:
// the text holds the words LibreOffice reads from the decrypted package.
TEST(WordXDocumentProtection, CorpusFilesOpenWithTheirPasswords) {
  KVTEST_REQUIRE_DIR(kvtest::CorpusDir());
  struct Case { const char* file; const char16_t* password; const char* words; };
  const Case cases[] = {
      {"x0545-example_password.docx", u"Password1234_", "lorem ipsum"},
      {"x0346-Encrypted.docx", u"docPassword", "Test encrypted document."},
      {"x0354-Document.Password_out.docx", u"password",
       "Evaluation Only. Created with Aspose.Words. Copyright 2003-2019 Aspose Pty Ltd. Hello World!"},
      // Agile with a SHA-1 hash and a 256-bit key: the key is the hash padded with 0x36.
      {"x0190-bug53475-password-is-pass.docx", u"pass", "The is a password protected document."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::u16string path = Utf8ToWide((kvtest::CorpusDir() / "files" / c.file).string());
    TMSWordXDocument doc(nullptr);
    doc.SetPassword(c.password);
    EXPECT_EQ(LoadFile(doc, path), std::nullopt);
    const std::multiset<std::string> got = Words(WideToUtf8(doc.Text()->GetText()));
    const std::multiset<std::string> expected = Words(c.words);
    size_t found = 0;
    for (const std::string& w : expected) found += got.count(w) > 0;
    EXPECT_GE(found * 100, expected.size() * 98) << WideToUtf8(doc.Text()->GetText());

    doc.SetPassword(u"not it");
    EXPECT_EQ(LoadFile(doc, path), "The password does not open file " + WideToUtf8(path));
  }
}
