// TOrderedPool: reads documents on worker threads and hands their results back in
// the order they were submitted, for every host that reads many (the tool's
// batches, the Python module's read_many). At most a fixed window of documents is
// submitted and not yet taken, so memory stays bounded however many are read.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace kvword {

template <class TItem, class TResult>
class TOrderedPool {
 public:
  // Turns one item into its result; each worker thread makes its own with the
  // factory (and so may keep state of its own). It must not throw.
  using TWorker = std::function<TResult(const TItem& Item)>;
  using TWorkerFactory = std::function<TWorker()>;

  // Jobs worker threads (at least 1, started with the first item); Window items at
  // most in flight or waiting to be taken (at least Jobs). Failed gives the result
  // of an item whose worker could not be made.
  TOrderedPool(unsigned Jobs, size_t Window, TWorkerFactory MakeWorker, std::function<TResult()> Failed)
      : FJobs(std::max(Jobs, 1u)),
        FWindow(std::max<size_t>(Window, FJobs)),
        FMakeWorker(std::move(MakeWorker)),
        FFailed(std::move(Failed)),
        FSlots(FWindow) {}
  // Lets the items being read finish, drops the rest, and joins the workers.
  ~TOrderedPool() {
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FStop = true;
      FQueue.clear();
    }
    FWork.notify_all();
    FRoom.notify_all();
    for (std::thread& thread : FThreads) thread.join();
  }
  TOrderedPool(const TOrderedPool&) = delete;
  TOrderedPool& operator=(const TOrderedPool&) = delete;

  // True while another item may be submitted.
  bool HasRoom() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FSubmitted - FTaken < FWindow;
  }
  // Items submitted and not yet taken.
  size_t Pending() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FSubmitted - FTaken;
  }
  // Queues Item, waiting for room in the window first.
  void Submit(TItem Item) {
    std::unique_lock<std::mutex> lock(FMutex);
    if (FThreads.empty())
      for (unsigned i = 0; i < FJobs; ++i) FThreads.emplace_back([this] { WorkerMain(); });
    FRoom.wait(lock, [&] { return FStop || FSubmitted - FTaken < FWindow; });
    if (FStop) return;
    const size_t index = FSubmitted++;
    TSlot& slot = FSlots[index % FWindow];
    slot.Item = std::move(Item);
    slot.Result.reset();
    FQueue.push_back(index);
    lock.unlock();
    FWork.notify_one();
  }
  // The result of the oldest item not yet taken, waiting for it; Poll is called
  // when it is not ready and about ten times a second while waiting, and may throw
  // to give up the wait (the item stays pending). Only while Pending() > 0.
  TResult TakeNext(const std::function<void()>& Poll) {
    std::unique_lock<std::mutex> lock(FMutex);
    TSlot& slot = FSlots[FTaken % FWindow];
    while (!slot.Result) {
      if (Poll) {
        lock.unlock();
        Poll();
        lock.lock();
      }
      FDone.wait_for(lock, std::chrono::milliseconds(100), [&] { return slot.Result.has_value(); });
    }
    TResult result = std::move(*slot.Result);
    slot.Result.reset();
    slot.Item = TItem{};
    ++FTaken;
    lock.unlock();
    FRoom.notify_all();
    return result;
  }

  // Reads every item Next gives (called on a thread of its own, so that waiting for
  // the next item, a line of standard input, never holds back a result that is
  // done) and hands each result to Emit on the calling thread, in input order;
  // Idle is called before waiting for a result. Returns the number of items.
  size_t Run(const std::function<bool(TItem& Item)>& Next,
             const std::function<void(size_t Index, TItem& Item, TResult& Result)>& Emit,
             const std::function<void()>& Idle) {
    std::optional<size_t> total;  // set, under FMutex, once Next gives no more
    std::thread feeder([&] {
      size_t count = 0;
      for (;;) {
        TItem item{};
        bool got = false;
        try {
          got = Next(item);
        } catch (...) {
        }
        if (!got) break;
        Submit(std::move(item));
        ++count;
      }
      std::lock_guard<std::mutex> lock(FMutex);
      total = count;
      FDone.notify_all();
    });
    size_t emitted = 0;
    for (;;) {
      TItem item{};
      {
        std::unique_lock<std::mutex> lock(FMutex);
        auto ready = [&] { return (total && emitted == *total) || (FTaken < FSubmitted && FSlots[FTaken % FWindow].Result); };
        if (!ready()) {
          lock.unlock();
          if (Idle) Idle();
          lock.lock();
          FDone.wait(lock, ready);
        }
        if (total && emitted == *total) break;
        item = std::move(FSlots[FTaken % FWindow].Item);
      }
      TResult result = TakeNext(nullptr);
      Emit(emitted++, item, result);
    }
    feeder.join();
    return emitted;
  }

 private:
  struct TSlot {
    TItem Item{};
    std::optional<TResult> Result;
  };

  void WorkerMain() {
    TWorker worker;
    try {
      worker = FMakeWorker();
    } catch (...) {
    }
    for (;;) {
      size_t index = 0;
      TItem item;
      {
        std::unique_lock<std::mutex> lock(FMutex);
        FWork.wait(lock, [&] { return FStop || !FQueue.empty(); });
        if (FStop) return;
        index = FQueue.front();
        FQueue.pop_front();
        item = FSlots[index % FWindow].Item;
      }
      TResult result = worker ? worker(item) : FFailed();
      {
        std::lock_guard<std::mutex> lock(FMutex);
        FSlots[index % FWindow].Result = std::move(result);
      }
      FDone.notify_all();
    }
  }

  const unsigned FJobs;
  const size_t FWindow;
  const TWorkerFactory FMakeWorker;
  const std::function<TResult()> FFailed;
  std::vector<TSlot> FSlots;  // item i in slot i % FWindow
  size_t FSubmitted = 0, FTaken = 0;
  mutable std::mutex FMutex;  // guards the slots, the counts, FQueue, FStop and FThreads
  std::condition_variable FWork, FDone, FRoom;
  std::deque<size_t> FQueue;  // indexes submitted, not yet started
  bool FStop = false;
  std::vector<std::thread> FThreads;
};

}  // namespace kvword
