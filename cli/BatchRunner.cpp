#include "cli/BatchRunner.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <vector>

namespace kvword {

TBatchRunner::TBatchRunner(unsigned Jobs, size_t Window)
    : FJobs(std::max(Jobs, 1u)), FWindow(std::max<size_t>(Window, FJobs)) {}

size_t TBatchRunner::Run(TPathSource& Source, const TWorkerFactory& MakeWorker, const TEmit& Emit,
                         const TIdle& Idle) {
  // Document i lives in slot i % FWindow from the moment a worker takes its path
  // until it is emitted; a worker takes path i only while i < nextEmit + FWindow,
  // so a slot is always free when it is reused.
  struct TSlot {
    std::string Path;
    std::optional<TDocumentResult> Result;
  };
  std::vector<TSlot> slots(FWindow);
  std::mutex mutex;                       // guards slots, nextIndex, nextEmit, total
  std::condition_variable windowHasRoom;  // workers wait for the window to move on
  std::condition_variable resultArrived;  // the caller waits for the next result
  size_t nextIndex = 0, nextEmit = 0;
  std::optional<size_t> total;  // set once the source is exhausted
  // The source is read by one worker at a time, without the main lock, so that a
  // worker waiting for the next line of standard input never keeps the caller
  // from printing what is done.
  std::mutex sourceMutex;

  auto workerMain = [&] {
    TWorker worker;
    try {
      worker = MakeWorker();
    } catch (...) {
    }
    for (;;) {
      std::string path;
      size_t index = 0;
      {
        std::unique_lock<std::mutex> sourceLock(sourceMutex);
        {
          std::unique_lock<std::mutex> lock(mutex);
          windowHasRoom.wait(lock, [&] { return total || nextIndex < nextEmit + FWindow; });
          if (total) return;
        }
        const bool got = Source.Next(path);
        std::lock_guard<std::mutex> lock(mutex);
        if (!got) {
          total = nextIndex;
          resultArrived.notify_all();
          windowHasRoom.notify_all();
          return;
        }
        index = nextIndex++;
        slots[index % FWindow].Path = path;
      }
      TDocumentResult result;
      if (worker) {
        result = worker(path);
      } else {
        result.Failed = true;
        result.Message = "Out of memory";
      }
      std::lock_guard<std::mutex> lock(mutex);
      slots[index % FWindow].Result = std::move(result);
      if (index == nextEmit) resultArrived.notify_all();
    }
  };

  std::vector<std::thread> threads;
  threads.reserve(FJobs);
  for (unsigned i = 0; i < FJobs; ++i) threads.emplace_back(workerMain);

  for (;;) {
    std::unique_lock<std::mutex> lock(mutex);
    auto ready = [&] {
      return slots[nextEmit % FWindow].Result.has_value() || (total && nextEmit == *total);
    };
    if (!ready()) {
      lock.unlock();
      if (Idle) Idle();
      lock.lock();
      resultArrived.wait(lock, ready);
    }
    TSlot& slot = slots[nextEmit % FWindow];
    if (!slot.Result) break;  // every document emitted
    TDocumentResult result = std::move(*slot.Result);
    slot.Result.reset();
    std::string path = std::move(slot.Path);
    const size_t index = nextEmit++;
    lock.unlock();
    windowHasRoom.notify_all();
    Emit(index, path, result);
  }
  for (std::thread& thread : threads) thread.join();
  return nextEmit;
}

}  // namespace kvword
