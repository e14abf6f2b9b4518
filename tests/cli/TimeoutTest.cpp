// --timeout: each document read in a worker process within its CPU time; one that
// runs over, or crashes its worker, is reported in its place and the batch goes on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ProcessRunner.h"

namespace kvtest {
namespace {

const std::string Samples = KVWORD_SAMPLES_DIR;

// Sets an environment variable for the tool runs of one test.
class TEnvironment {
 public:
  TEnvironment(const char* Name, const std::string& Value) : FName(Name) { ::setenv(Name, Value.c_str(), 1); }
  ~TEnvironment() { ::unsetenv(FName); }

 private:
  const char* FName;
};

// The worker is made to spin (so that CPU time runs out at any machine's speed) or
// to crash on a copy of the sample; the documents around it are read as usual.
TEST(Timeout, ADocumentOverItsTimeOrCrashingIsReportedInItsPlace) {
  struct TCase {
    const char* Hook;
    const char* Message;
  };
  const TCase cases[] = {
      {"KVWORD_TEST_SPIN_ON", "The file took more than 0.3 s of CPU time to read"},
      {"KVWORD_TEST_CRASH_ON", "The reader ended abnormally on the file (Aborted)"},
  };
  TTempDir dir;
  const std::string stuck = dir.Write("stuck.doc", "not read");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Hook);
    const TEnvironment hook(c.Hook, stuck);
    const TProcessResult run = RunKvWord({"--json", "--timeout=0.3", "-j", "2", Samples + "/sample.doc", stuck,
                                          Samples + "/sample.docx", stuck, Samples + "/sample.doc"});
    EXPECT_EQ(run.ExitCode, 1);
    const std::vector<std::string> lines = SplitLines(run.Out);
    ASSERT_EQ(lines.size(), 5u) << run.Out;
    const std::string error = "{\"file\":\"" + stuck + "\",\"error\":\"" + c.Message + "\"}";
    EXPECT_EQ(lines[1], error);
    EXPECT_EQ(lines[3], error);
    for (size_t i : {0u, 2u, 4u}) EXPECT_NE(lines[i].find("kvword sample document"), std::string::npos) << lines[i];
    EXPECT_NE(run.Err.find(stuck + ": " + c.Message), std::string::npos) << run.Err;

    const TProcessResult one = RunKvWord({"--timeout=0.3", stuck});
    EXPECT_EQ(one.ExitCode, 1);
    EXPECT_EQ(one.Out, "");
    EXPECT_EQ(one.Err, "kvword: " + stuck + ": " + c.Message + "\n");
  }
}

// Read in worker processes, every output is what the tool prints without them.
TEST(Timeout, WorkersPrintWhatTheToolPrints) {
  const std::vector<std::vector<std::string>> sets = {
      {}, {"--all", "--summary"}, {"--format=html", "--all", "--summary"}, {"--format=rtf", "--lf"},
      {"--json", "--all", "--macros"}, {"--view=stored", "--json"},
      {"--format=markdown", "--front-matter", "--all", "--summary"}};
  for (const std::vector<std::string>& set : sets) {
    std::vector<std::string> args = set;
    args.push_back(Samples + "/sample.doc");
    args.push_back(Samples + "/sample.docx");
    args.push_back(Samples + "/missing.doc");
    const TProcessResult plain = RunKvWord(args);
    args.insert(args.begin(), "--timeout=30");
    const TProcessResult timed = RunKvWord(args);
    EXPECT_EQ(timed.Out, plain.Out);
    EXPECT_EQ(timed.Err, plain.Err);
    EXPECT_EQ(timed.ExitCode, plain.ExitCode);
  }
}

// The worker talks to the tool on a channel of its own: standard input stays the
// tool's, and "-" reads the document from there.
TEST(Timeout, StandardInputIsTheDocumentDash) {
  std::ifstream file(Samples + "/sample.docx", std::ios::binary);
  const std::string document((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(document.empty());
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-"}, std::vector<std::string>{"--json", "-", Samples + "/sample.doc"}}) {
    const TProcessResult plain = RunKvWord(args, document);
    std::vector<std::string> timedArgs = args;
    timedArgs.insert(timedArgs.begin(), "--timeout=30");
    const TProcessResult timed = RunKvWord(timedArgs, document);
    EXPECT_EQ(plain.ExitCode, 0) << plain.Err;
    EXPECT_NE(plain.Out.find("kvword sample document"), std::string::npos);
    EXPECT_EQ(timed.Out, plain.Out);
    EXPECT_EQ(timed.Err, plain.Err);
    EXPECT_EQ(timed.ExitCode, plain.ExitCode);
  }
}

TEST(Timeout, ASecondCountMustBePositive) {
  for (const char* bad : {"--timeout=0", "--timeout=-1", "--timeout=soon"})
    EXPECT_EQ(RunKvWord({bad, Samples + "/sample.doc"}).ExitCode, 2) << bad;
}

}  // namespace
}  // namespace kvtest
