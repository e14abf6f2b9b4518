// TBatchRunner: reads the documents of a run in worker threads and hands their
// results to the caller in input order. At most a fixed window of documents is in
// flight or waiting to be printed, so memory stays bounded however long the run.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "cli/DocumentLoader.h"
#include "cli/PathSource.h"

namespace kvword {

class TBatchRunner {
 public:
  // Turns one path into its result; each worker thread gets its own (and so its
  // own reader components). It must not throw.
  using TWorker = std::function<TDocumentResult(const std::string& Path)>;
  using TWorkerFactory = std::function<TWorker()>;
  // Receives each result on the calling thread, in input order.
  using TEmit = std::function<void(size_t Index, const std::string& Path, TDocumentResult& Result)>;
  // Called on the calling thread before it waits for the next result (to flush
  // what was written, so that a reader of the output sees each result at once).
  using TIdle = std::function<void()>;

  // Jobs worker threads (at least 1); Window results at most in flight (at least Jobs).
  TBatchRunner(unsigned Jobs, size_t Window);

  // Runs the whole source; returns the number of documents.
  size_t Run(TPathSource& Source, const TWorkerFactory& MakeWorker, const TEmit& Emit,
             const TIdle& Idle);

 private:
  unsigned FJobs;
  size_t FWindow;
};

}  // namespace kvword
