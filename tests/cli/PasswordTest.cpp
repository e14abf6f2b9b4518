// kvword's password for protected documents: --password, --password-file and
// KVWORD_PASSWORD in that order, one password for every file, and never shown.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "cli/Options.h"
#include "ProcessRunner.h"
#include "support/DocumentEncryptor.h"
#include "support/ZipBuilder.h"

namespace kvword {
namespace {

using kvtest::RunKvWord;
using kvtest::TProcessResult;
using kvtest::TTempDir;

// Sets KVWORD_PASSWORD (or removes it) for as long as the object lives.
class TPasswordEnvironment {
 public:
  explicit TPasswordEnvironment(const char* Value) {
    if (Value) setenv("KVWORD_PASSWORD", Value, 1);
    else unsetenv("KVWORD_PASSWORD");
  }
  ~TPasswordEnvironment() { unsetenv("KVWORD_PASSWORD"); }
};

std::string ProtectedDocx(const std::string& Text, std::u16string_view Password) {
  const std::string package =
      kvtest::ZipBuilder()
          .AddDeflated("word/document.xml",
                       "<w:document xmlns:w=\"w\"><w:body><w:p><w:r><w:t>" + Text + "</w:t></w:r></w:p></w:body></w:document>")
          .Bytes();
  return kvtest::EncryptedDocx(kvtest::AgileEncrypt(package, Password, "SHA256", "SHA256", 100, 128));
}

}  // namespace

TEST(Password, OptionThenFileThenEnvironment) {
  TTempDir dir;
  const std::string file = dir.Write("pw.txt", "from-file\r\nsecond line\n");
  const std::string empty = dir.Write("empty.txt", "");
  struct Case {
    const char* what;
    std::vector<std::string> args;
    const char* environment;
    std::string password;
  };
  const Case cases[] = {
      {"option over file and environment", {"--password=from-option", "--password-file=" + file}, "from-env", "from-option"},
      {"file over environment", {"--password-file=" + file}, "from-env", "from-file"},
      {"environment alone", {}, "from-env", "from-env"},
      {"nothing", {}, nullptr, ""},
      {"an empty file gives no password", {"--password-file=" + empty}, "from-env", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TPasswordEnvironment environment(c.environment);
    std::vector<const char*> argv = {"kvword"};
    for (const std::string& a : c.args) argv.push_back(a.c_str());
    argv.push_back("a.docx");
    TKvWordOptions options;
    std::ostringstream out, err;
    ASSERT_EQ(ParseCommandLine(int(argv.size()), argv.data(), options, out, err), std::nullopt) << err.str();
    EXPECT_EQ(options.Password, c.password);
  }
}

TEST(Password, UnreadableFileOrTwoReadersOfStandardInputAreUsageErrors) {
  TTempDir dir;
  const std::string missing = (dir.Path() / "none.txt").string();
  const TProcessResult unreadable = RunKvWord({"--password-file=" + missing, "a.docx"});
  EXPECT_EQ(unreadable.ExitCode, 2);
  EXPECT_NE(unreadable.Err.find("cannot read the password file " + missing), std::string::npos);
  for (const char* other : {"--files-from=-", "-"}) {
    SCOPED_TRACE(other);
    const TProcessResult both = RunKvWord({"--password-file=-", other}, "pw\n");
    EXPECT_EQ(both.ExitCode, 2);
    EXPECT_EQ(both.Out, "");
  }
}

TEST(Password, EveryProtectedFileOfABatchOpensWithTheOnePassword) {
  TTempDir dir;
  const std::string first = dir.Write("first.docx", ProtectedDocx("First sealed text", u"Kv-Secret"));
  const std::string second = dir.Write("second.docx", ProtectedDocx("Second sealed text", u"Kv-Secret"));
  const TPasswordEnvironment environment(nullptr);
  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::string input;
  };
  const Case cases[] = {{"option", {"--password=Kv-Secret"}, ""},
                        {"file from standard input", {"--password-file=-"}, "Kv-Secret\n"},
                        {"option, worker processes", {"--timeout=30", "--password=Kv-Secret"}, ""},
                        {"file, worker processes", {"--timeout=30", "--password-file=-"}, "Kv-Secret\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--lf", "-j", "2", first, second});
    const TProcessResult run = RunKvWord(args, c.input);
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "==> " + first + " <==\nFirst sealed text\n\n==> " + second + " <==\nSecond sealed text\n");
  }
}

// A wrong password is named as the cause in plain and JSON output alike, and the
// password itself appears nowhere.
TEST(Password, WrongPasswordIsReportedWithoutTheSecret) {
  TTempDir dir;
  const std::string file = dir.Write("sealed.docx", ProtectedDocx("Sealed", u"Kv-Secret"));
  const TPasswordEnvironment environment("Zq-Wrong-91");
  for (const std::vector<std::string>& args : {std::vector<std::string>{file}, std::vector<std::string>{"--json", file}}) {
    const TProcessResult run = RunKvWord(args);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE((run.Out + run.Err).find("The password does not open the file"), std::string::npos);
    EXPECT_EQ((run.Out + run.Err).find("Zq-Wrong-91"), std::string::npos);
  }
  const TPasswordEnvironment none(nullptr);
  const TProcessResult noPassword = RunKvWord({file});
  EXPECT_EQ(noPassword.Err, "kvword: " + file + ": Could not read the password protected file\n");
}

// A mistyped option never prints the value given to it, and the password of the
// environment is gone from it once read.
TEST(Password, MistypedOptionsAndTheEnvironmentKeepTheSecret) {
  for (const char* mistyped : {"--passwrd=S3cret-77", "--pass=S3cret-77"}) {
    const TProcessResult run = RunKvWord({mistyped, "a.docx"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Err.find("S3cret-77"), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find(std::string(mistyped).substr(0, std::string(mistyped).find('='))), std::string::npos);
  }
  for (const std::vector<std::string>& args : {std::vector<std::string>{"kvword", "a.docx"},
                                               std::vector<std::string>{"kvword", "--json", "a.docx"},
                                               std::vector<std::string>{"kvword", "--password=x", "a.docx"}}) {
    const TPasswordEnvironment environment("from-env");
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    TKvWordOptions options;
    std::ostringstream out, err;
    EXPECT_FALSE(ParseCommandLine(int(argv.size()), argv.data(), options, out, err).has_value()) << err.str();
    EXPECT_EQ(std::getenv("KVWORD_PASSWORD"), nullptr) << args[1];
  }
}

// --max-spin-count lowers (or raises) the hashing rounds a document may ask for,
// also where worker processes read the documents.
TEST(Password, SpinCountLimitRefusesTheDocument) {
  TTempDir dir;
  const std::string file = dir.Write("sealed.docx", ProtectedDocx("Sealed", u"Kv-Secret"));  // 100 rounds
  const TPasswordEnvironment environment(nullptr);
  for (const std::vector<std::string>& before : {std::vector<std::string>{}, std::vector<std::string>{"--timeout=30"}}) {
    SCOPED_TRACE(before.size());
    std::vector<std::string> args = before;
    args.insert(args.end(), {"--password=Kv-Secret", "--max-spin-count=99", file});
    const TProcessResult refused = RunKvWord(args);
    EXPECT_EQ(refused.ExitCode, 1);
    EXPECT_EQ(refused.Err,
              "kvword: " + file + ": The file asks for more rounds of password hashing than the limit allows\n");
    args[before.size() + 1] = "--max-spin-count=100";
    EXPECT_EQ(RunKvWord(args).Out, "Sealed\r\n");
  }
}

}  // namespace kvword
