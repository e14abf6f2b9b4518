// kvword: extracts the text of Word documents to standard output. See kvword.1.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/BatchRunner.h"
#include "cli/DocumentLoader.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/PathSource.h"
#include "cli/Progress.h"

namespace {

// Documents in flight or waiting to be printed, per worker.
constexpr size_t WindowPerJob = 4;

void Write(const std::string& Bytes) {
  if (!Bytes.empty()) std::fwrite(Bytes.data(), 1, Bytes.size(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kvword;
  TKvWordOptions options;
  if (std::optional<int> status = ParseCommandLine(argc, argv, options, std::cout, std::cerr))
    return *status;

  std::ifstream listFile;
  std::istream* list = nullptr;
  std::optional<size_t> listTotal;
  const bool progressWanted = !options.Quiet && isatty(STDERR_FILENO) == 1;
  if (options.HasFilesFrom) {
    if (options.FilesFrom == "-") {
      list = &std::cin;
    } else {
      listFile.open(options.FilesFrom, std::ios::binary);
      if (!listFile) {
        std::fprintf(stderr, "kvword: %s: %s\n", options.FilesFrom.c_str(), std::strerror(errno));
        return ExitUsage;
      }
      if (progressWanted) {  // the progress line shows the total: count the list first
        listTotal = CountListPaths(listFile);
        listFile.clear();
        listFile.seekg(0);
      }
      list = &listFile;
    }
  }

  const bool withHeadings = !options.Json && (options.Files.size() > 1 || options.HasFilesFrom);
  TPathSource source(std::move(options.Files), list, listTotal);
  const std::optional<size_t> total = source.Total();
  TProgress progress(stderr, progressWanted && (!total || *total > 1), total);

  static char outputBuffer[1 << 16];
  std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);

  bool anyFailed = false;
  bool printedAny = false;
  TBatchRunner runner(options.Jobs, size_t(options.Jobs) * WindowPerJob);
  runner.Run(
      source,
      [&options]() -> TBatchRunner::TWorker {
        auto loader = std::make_shared<TDocumentLoader>(options);
        return [loader](const std::string& path) { return loader->Load(path); };
      },
      [&](size_t index, const std::string& path, TDocumentResult& result) {
        if (result.Failed) {
          anyFailed = true;
          progress.Clear();
          std::fflush(stdout);  // so that a terminal shows the message after the text before it
          std::fprintf(stderr, "kvword: %s: %s\n", path.c_str(), result.Message.c_str());
        } else if (withHeadings) {
          Write(FormatHeading(options, path, !printedAny));
          printedAny = true;
        }
        Write(result.Output);
        if (!result.Output.empty()) printedAny = true;
        if (result.Document) {
          WriteText(options, *result.Document, [&printedAny](std::string_view Bytes) {
            std::fwrite(Bytes.data(), 1, Bytes.size(), stdout);
            printedAny = true;
          });
          result.Document.reset();
        }
        progress.Update(index + 1);
      },
      [] { std::fflush(stdout); });
  progress.Clear();

  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "kvword: standard output: %s\n", std::strerror(errno));
    return ExitDocumentFailed;
  }
  return anyFailed ? ExitDocumentFailed : ExitSuccess;
}
