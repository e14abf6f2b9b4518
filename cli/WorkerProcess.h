// Reading each document in a worker process (--timeout): a pool worker thread of
// the tool hands its documents, one at a time, to a child process of its own,
// which reads each under a limit of CPU time and of address space. A document that
// runs over its time, exhausts its memory or crashes the reader ends that child
// only: it is reported as a failure in its place, the next document gets a fresh
// child, and no memory-safety bug a document triggers reaches the process that
// prints.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "cli/DocumentLoader.h"
#include "cli/Options.h"

namespace kvword {

// The argument that starts the tool as a worker (never given by users).
inline constexpr const char* WorkerArgument = "--internal-worker";

// The descriptor a worker reads its requests from and answers on.
inline constexpr int WorkerChannel = 3;

// The address space a worker may use while it reads a document.
inline constexpr uint64_t WorkerAddressSpace = uint64_t(4) << 30;

class TWorkerProcess {
 public:
  explicit TWorkerProcess(const TKvWordOptions& Options);
  ~TWorkerProcess();
  TWorkerProcess(const TWorkerProcess&) = delete;
  TWorkerProcess& operator=(const TWorkerProcess&) = delete;

  // What TDocumentLoader::Load gives for File, read in the child (started when
  // needed); in text mode the text comes back already written out (Output).
  // Never throws.
  TDocumentResult Load(const std::string& File);

 private:
  bool Start(std::string& Problem);
  // Ends the child (killed if it still runs) and says how it ended.
  std::string Stop();

  const TKvWordOptions& FOptions;
  pid_t FPid = -1;
  int FRequests = -1, FAnswers = -1;
};

// The worker's side: reads the settings, then one path after another, from
// WorkerChannel and answers each there. Returns the exit status.
int RunWorker();

}  // namespace kvword
