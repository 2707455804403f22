#pragma once

// Private to analytics/.
//
// Batches handed, in the order they were filled, from the thread that reads the data file to
// one thread of their own that works through them, so that the two halves of the work on a
// line run side by side on two cores. The worker sees the batches one at a time and in
// order, so what it computes is what one thread doing both halves would compute. A few
// batches are in flight at most: the reader waits for a free one rather than run ahead.
//
//   BatchHandoff<Lines> handoff([&](Lines& lines) { ... });
//   handoff.Filling().Add(...);
//   if (full && !handoff.Hand()) ...;  // the worker failed: stop reading
//   handoff.Finish();                   // the last batch, the worker's failure rethrown

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace tallyscan::analytics {

// Batch: default-constructible with clear().
template <typename Batch>
class BatchHandoff {
 public:
  static constexpr std::size_t kSlots = 4;

  explicit BatchHandoff(std::function<void(Batch&)> work)
      : work_(std::move(work)), slots_(kSlots), thread_([this] { Work(); }) {}
  BatchHandoff(const BatchHandoff&) = delete;
  BatchHandoff& operator=(const BatchHandoff&) = delete;
  // Stops the worker after the batch it is on; batches not yet worked are dropped.
  ~BatchHandoff() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  // The batch the caller fills; the same until it is handed over.
  Batch& Filling() { return slots_[filled_ % kSlots]; }

  // Hands the filled batch to the worker and waits for a free one to fill. False when the
  // worker failed: nothing handed after that is worked.
  bool Hand() {
    std::unique_lock<std::mutex> lock(mutex_);
    ++filled_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return failed_ || filled_ - worked_ < kSlots; });
    if (failed_) return false;
    lock.unlock();
    Filling().clear();
    return true;
  }

  // Whether the worker failed; cheap enough to ask for every line.
  bool Failed() const { return failed_flag_.load(std::memory_order_relaxed); }

  // Hands over the last batch and waits until every batch was worked. Throws what the work
  // threw, on the caller's thread.
  void Finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    ++filled_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return failed_ || worked_ == filled_; });
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  void Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return stopping_ || worked_ < filled_; });
      if (stopping_) return;
      Batch& batch = slots_[worked_ % kSlots];
      lock.unlock();
      std::exception_ptr failure;
      try {
        work_(batch);
      } catch (...) {
        failure = std::current_exception();
      }
      lock.lock();
      if (failure) {
        failure_ = failure;
        failed_ = true;
        failed_flag_.store(true, std::memory_order_relaxed);
        changed_.notify_all();
        return;
      }
      ++worked_;
      changed_.notify_all();
    }
  }

  std::function<void(Batch&)> work_;
  std::vector<Batch> slots_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t filled_ = 0;  // batches handed over
  std::size_t worked_ = 0;  // of them, those the worker is through with
  bool stopping_ = false;
  bool failed_ = false;
  std::atomic<bool> failed_flag_{false};
  std::exception_ptr failure_;
  std::thread thread_;  // last: it starts once everything above is there
};

}  // namespace tallyscan::analytics
