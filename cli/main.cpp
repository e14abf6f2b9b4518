// kvword: extracts the text of Word documents to standard output. See kvword.1.
#include <sys/stat.h>
#include <openssl/crypto.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/DocumentLoader.h"
#include "cli/Options.h"
#include "cli/PathSource.h"
#include "cli/Progress.h"
#include "cli/WorkerProcess.h"
#include "frontdoor/OrderedPool.h"
#include "frontdoor/Output.h"

namespace {

// Documents in flight or waiting to be printed, per worker.
constexpr size_t WindowPerJob = 4;

// A progress line is drawn on standard error only when that is a terminal and
// standard output is not the same terminal, where it would land in the text.
bool ProgressBelongsOnStandardError() {
  if (isatty(STDERR_FILENO) != 1) return false;
  if (isatty(STDOUT_FILENO) != 1) return true;
  struct stat out {}, err {};
  if (::fstat(STDOUT_FILENO, &out) != 0 || ::fstat(STDERR_FILENO, &err) != 0) return false;
  return out.st_rdev != err.st_rdev;
}

// Why the --files-from list cannot be read: it is a directory, or it cannot be
// found; nothing when it may be opened.
std::optional<std::string> ListProblem(const std::string& Path) {
  struct stat st {};
  if (::stat(Path.c_str(), &st) != 0) return std::string("cannot be opened: ") + std::strerror(errno);
  if (S_ISDIR(st.st_mode)) return std::string("is a directory");
  return std::nullopt;
}

void Write(const std::string& Bytes) {
  if (!Bytes.empty()) std::fwrite(Bytes.data(), 1, Bytes.size(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kvword;
  // OpenSSL is told not to read the system's configuration: a configuration that
  // loads a provider would load shared modules into the tool (and a second
  // libcrypto into the static one), and nothing the tool decrypts needs one.
  OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr);
  if (argc == 2 && std::strcmp(argv[1], WorkerArgument) == 0) return RunWorker();
  TKvWordOptions options;
  if (std::optional<int> status = ParseCommandLine(argc, argv, options, std::cout, std::cerr)) {
    // --help and --version fail, as any output does, when it cannot be written.
    if (*status == ExitSuccess && !std::cout.flush()) {
      std::fprintf(stderr, "kvword: standard output: %s\n", std::strerror(errno));
      return ExitDocumentFailed;
    }
    return *status;
  }
  // With a password the process holds it and the keys made from it: it leaves no
  // core dump, and other processes of the user cannot attach to it; the password
  // is wiped when the program ends.
  struct TPasswordWipe {
    std::string& Password;
    ~TPasswordWipe() { OPENSSL_cleanse(Password.data(), Password.size()); }
  } passwordWipe{options.Password};
  if (!options.Password.empty()) ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);

  std::ifstream listFile;
  std::istream* list = nullptr;
  std::optional<size_t> listTotal;
  const bool progressWanted = !options.Quiet && ProgressBelongsOnStandardError();
  const char separator = options.NullSeparated ? '\0' : '\n';
  if (options.HasFilesFrom) {
    if (options.FilesFrom == "-") {
      list = &std::cin;
    } else {
      if (std::optional<std::string> problem = ListProblem(options.FilesFrom)) {
        std::fprintf(stderr, "kvword: the list %s %s\nTry 'kvword --help' for more information.\n",
                     EscapeControls(options.FilesFrom).c_str(), problem->c_str());
        return ExitUsage;
      }
      listFile.open(options.FilesFrom, std::ios::binary);
      if (!listFile) {
        std::fprintf(stderr, "kvword: the list %s cannot be opened: %s\n", EscapeControls(options.FilesFrom).c_str(),
                     std::strerror(errno));
        return ExitUsage;
      }
      struct stat st {};
      const bool regular = ::stat(options.FilesFrom.c_str(), &st) == 0 && S_ISREG(st.st_mode);
      // The progress line shows the total: a list in a regular file is counted
      // first (a pipe, as from <(find ...), can be read only once).
      if (progressWanted && regular) {
        listTotal = CountListPaths(listFile, separator);
        listFile.clear();
        listFile.seekg(0);
      }
      list = &listFile;
    }
  }

  const bool withHeadings = !options.Json && (options.Files.size() > 1 || options.HasFilesFrom);
  TPathSource source(std::move(options.Files), list, listTotal, separator);
  const std::optional<size_t> total = source.Total();
  TProgress progress(stderr, progressWanted && (!total || *total > 1), total);

  static char outputBuffer[1 << 16];
  std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

  bool anyFailed = false;
  bool printedAny = false;
  const TOutputOptions output = OutputOptionsOf(options);
  auto emit = [&](size_t index, const std::string& path, TDocumentResult& result) {
    if (result.Failed) {
      anyFailed = true;
      progress.Clear();
      std::fflush(stdout);  // so that a terminal shows the message after the text before it
      std::fprintf(stderr, "kvword: %s: %s\n", EscapeControls(path).c_str(), EscapeControls(result.Message).c_str());
    } else if (withHeadings) {
      Write(FormatHeading(output, path, !printedAny));
      printedAny = true;
    }
    if (!result.Undecodable.empty()) {
      progress.Clear();
      std::fflush(stdout);
      std::fprintf(stderr, "kvword: %s: %s\n", EscapeControls(path).c_str(),
                   EscapeControls(UndecodableWarning(result.Undecodable)).c_str());
    }
    Write(result.Output);
    if (!result.Output.empty()) printedAny = true;
    if (result.Document) {
      WriteText(output, *result.Document, [&printedAny](std::string_view Bytes) {
        std::fwrite(Bytes.data(), 1, Bytes.size(), stdout);
        printedAny = true;
      });
      result.Document.reset();
    }
    progress.Update(index + 1);
  };

  if (total && *total == 1) {
    // One document (how wrappers call a tool, once per file): read it on this
    // thread. Starting workers, and the memory arenas they bring, would cost more
    // than a small document takes to read.
    std::string path;
    if (source.Next(path)) {
      TDocumentResult result;
      if (options.Timeout > 0)
        result = TWorkerProcess(options).Load(path);
      else
        result = TDocumentLoader(options).Load(path);
      emit(0, path, result);
    }
  } else {
    using TPool = TOrderedPool<std::string, TDocumentResult>;
    TPool pool(
        options.Jobs, size_t(options.Jobs) * WindowPerJob,
        [&options]() -> TPool::TWorker {
          // With a time limit each job hands its documents to a worker process.
          if (options.Timeout > 0) {
            auto worker = std::make_shared<TWorkerProcess>(options);
            return [worker](const std::string& path) { return worker->Load(path); };
          }
          auto loader = std::make_shared<TDocumentLoader>(options);
          return [loader](const std::string& path) { return loader->Load(path); };
        },
        [] {
          TDocumentResult result;
          result.Failed = true;
          result.Message = "Out of memory";
          return result;
        });
    pool.Run([&source](std::string& path) { return source.Next(path); },
             [&emit](size_t index, std::string& path, TDocumentResult& result) { emit(index, path, result); },
             [] { std::fflush(stdout); });
  }
  progress.Clear();

  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "kvword: standard output: %s\n", std::strerror(errno));
    return ExitDocumentFailed;
  }
  return anyFailed ? ExitDocumentFailed : ExitSuccess;
}
