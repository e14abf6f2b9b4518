// The tool loads nothing at run time: code pages are decoded from tables compiled
// in, not through the C library's conversion modules, and OpenSSL does not read
// the system's configuration (which may load providers). A probe module that
// marks a file when loaded is offered through GCONV_PATH and OPENSSL_CONF.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ProcessRunner.h"
#include "support/DocumentEncryptor.h"
#include "support/SharedData.h"
#include "support/ZipBuilder.h"

namespace {

using kvtest::RunKvWord;
using kvtest::TProcessResult;
using kvtest::TTempDir;

// Points GCONV_PATH and OPENSSL_CONF at a folder where every module is the probe,
// for as long as the object lives.
class TProbeEnvironment {
 public:
  TProbeEnvironment() {
    const std::filesystem::path probe = FDir.Path() / "probe.so";
    std::filesystem::copy_file(KVWORD_LOAD_PROBE, probe);
    std::string modules;
    for (const char* page : {"CP1251", "CP932", "CP1253"})
      modules += std::string("module ") + page + "// INTERNAL probe 1\nmodule INTERNAL " + page + "// probe 1\n";
    FDir.Write("gconv-modules", modules);
    const std::string conf = FDir.Write("openssl.cnf",
                                        "openssl_conf = init\n[init]\nproviders = providers\n"
                                        "[providers]\nlegacy = legacy\nprobe = probe\ndefault = default\n"
                                        "[legacy]\nactivate = 1\n[default]\nactivate = 1\n"
                                        "[probe]\nmodule = " + probe.string() + "\nactivate = 1\n");
    FMark = (FDir.Path() / "mark").string();
    setenv("GCONV_PATH", FDir.Path().c_str(), 1);
    setenv("OPENSSL_CONF", conf.c_str(), 1);
    setenv("KVWORD_LOAD_MARK", FMark.c_str(), 1);
  }
  ~TProbeEnvironment() {
    unsetenv("GCONV_PATH");
    unsetenv("OPENSSL_CONF");
    unsetenv("KVWORD_LOAD_MARK");
  }
  bool Loaded() const { return std::filesystem::exists(FMark); }
  const TTempDir& Dir() const { return FDir; }

 private:
  TTempDir FDir;
  std::string FMark;
};

}  // namespace

// A Russian Word 95 document: its 8-bit text is in code page 1251.
TEST(NothingLoaded, CyrillicWord95TextNeedsNoConversionModule) {
  const std::filesystem::path corpus = kvtest::CorpusDir();
  KVTEST_REQUIRE_DIR(corpus);
  const std::filesystem::path file = corpus / "files" / "d0148-Bug50955.doc";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "the Russian Word 95 document is absent";
  TProbeEnvironment probe;
  const TProcessResult run = RunKvWord({"--json", file.string()});
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_NE(run.Out.find("\xD0\x9E\xD0\x9F\xD0\x95\xD0\xA0\xD0\x90\xD0\xA6\xD0\x98\xD0\xAF"), std::string::npos);  // ОПЕРАЦИЯ
  EXPECT_FALSE(probe.Loaded());
}

// A password-protected document is decrypted with OpenSSL; a configuration that
// activates providers is not read.
TEST(NothingLoaded, DecryptionReadsNoOpenSslConfiguration) {
  // Encrypted here before the probe's configuration is named: this process uses
  // OpenSSL too, and would read it.
  const std::string package =
      kvtest::ZipBuilder()
          .AddDeflated("word/document.xml",
                       "<w:document xmlns:w=\"w\"><w:body><w:p><w:r><w:t>sealed</w:t></w:r></w:p></w:body></w:document>")
          .Bytes();
  const std::string sealed =
      kvtest::EncryptedDocx(kvtest::AgileEncrypt(package, u"pw", "SHA512", "SHA512", 100, 256));
  TProbeEnvironment probe;
  const std::string file = probe.Dir().Write("sealed.docx", sealed);
  const TProcessResult run = RunKvWord({"--password=pw", file});
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(run.Out, "sealed\r\n");
  EXPECT_FALSE(probe.Loaded());
}
