#include "python/src/OrderedPool.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace kvword::python {

TOrderedPool::TOrderedPool(unsigned Jobs, size_t Window, TReadOptions Options)
    : FJobs(std::max(Jobs, 1u)),
      FWindow(std::max<size_t>(Window, FJobs)),
      FOptions(std::move(Options)),
      FSlots(FWindow) {}

TOrderedPool::~TOrderedPool() {
  {
    std::lock_guard<std::mutex> lock(FMutex);
    FStop = true;
    FQueue.clear();
  }
  FWork.notify_all();
  for (std::thread& thread : FThreads) thread.join();
}

void TOrderedPool::Submit(const TReadSource& Source) {
  if (FThreads.empty())
    for (unsigned i = 0; i < FJobs; ++i) FThreads.emplace_back([this] { WorkerMain(); });
  const size_t index = FSubmitted++;
  {
    std::lock_guard<std::mutex> lock(FMutex);
    TSlot& slot = FSlots[index % FWindow];
    slot.Source = Source;
    slot.Result.reset();
    FQueue.push_back(index);
  }
  FWork.notify_one();
}

TReadResult TOrderedPool::TakeNext(const std::function<void()>& Poll) {
  TSlot& slot = FSlots[FTaken % FWindow];
  std::unique_lock<std::mutex> lock(FMutex);
  while (!slot.Result) {
    if (FDone.wait_for(lock, std::chrono::milliseconds(100), [&] { return slot.Result.has_value(); }))
      break;
    if (Poll) {
      lock.unlock();
      Poll();
      lock.lock();
    }
  }
  TReadResult result = std::move(*slot.Result);
  slot.Result.reset();
  slot.Source = TReadSource{};
  ++FTaken;
  return result;
}

void TOrderedPool::WorkerMain() {
  for (;;) {
    size_t index = 0;
    TReadSource source;
    {
      std::unique_lock<std::mutex> lock(FMutex);
      FWork.wait(lock, [&] { return FStop || !FQueue.empty(); });
      if (FStop) return;
      index = FQueue.front();
      FQueue.pop_front();
      source = FSlots[index % FWindow].Source;
    }
    TReadResult result = ReadDocument(source, FOptions);
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FSlots[index % FWindow].Result = std::move(result);
    }
    FDone.notify_all();
  }
}

}  // namespace kvword::python
