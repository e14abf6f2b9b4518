// TOrderedPool: reads documents on worker threads and hands their results back in
// the order they were submitted. At most a fixed window of documents is submitted
// and not yet taken, so memory stays bounded however many are read.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "python/src/DocumentRead.h"

namespace kvword::python {

class TOrderedPool {
 public:
  // Jobs worker threads (at least 1, started with the first document); Window
  // documents at most in flight or waiting to be taken (at least Jobs).
  TOrderedPool(unsigned Jobs, size_t Window, TReadOptions Options);
  // Lets the documents being read finish, drops the rest, and joins the workers.
  ~TOrderedPool();
  TOrderedPool(const TOrderedPool&) = delete;
  TOrderedPool& operator=(const TOrderedPool&) = delete;

  // True while another document may be submitted.
  bool HasRoom() const { return FSubmitted - FTaken < FWindow; }
  // Documents submitted and not yet taken.
  size_t Pending() const { return FSubmitted - FTaken; }
  // Queues Source (its bytes, if in memory, must stay alive until its result is
  // taken). Only while HasRoom().
  void Submit(const TReadSource& Source);
  // The result of the oldest document not yet taken, waiting for it; Poll is called
  // about ten times a second while waiting and may throw to give up the wait (the
  // document stays pending). Only while Pending() > 0.
  TReadResult TakeNext(const std::function<void()>& Poll);

 private:
  struct TSlot {
    TReadSource Source;
    std::optional<TReadResult> Result;
  };
  void WorkerMain();

  const unsigned FJobs;
  const size_t FWindow;
  const TReadOptions FOptions;
  std::vector<TSlot> FSlots;  // document i in slot i % FWindow
  size_t FSubmitted = 0, FTaken = 0;  // written by the caller's thread only
  std::mutex FMutex;                  // guards FQueue, FStop and the slots' results
  std::condition_variable FWork, FDone;
  std::deque<size_t> FQueue;  // indexes submitted, not yet started
  bool FStop = false;
  std::vector<std::thread> FThreads;
};

}  // namespace kvword::python
