#pragma once

// The guard of the record store while work reads it off the window's thread (ReadTask). Each
// running reader is counted from its start until its thread no longer touches the store; what
// changes the store (a reading, a company read, a group change, a transfer) asks Idle() first
// and is refused while any reader runs. The window is told when the first reader begins and
// when the last has ended, to disable those actions with the reason in the status bar.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace tallyscan {

class StoreReaders {
 public:
  StoreReaders() = default;
  StoreReaders(const StoreReaders&) = delete;
  StoreReaders& operator=(const StoreReaders&) = delete;
  // Waits until every reader has ended: none may outlive the store it reads.
  ~StoreReaders();

  // No reader runs: the store may be changed.
  bool Idle() const { return count_.load(std::memory_order_acquire) == 0; }
  int Count() const { return count_.load(std::memory_order_acquire); }

  // Called on the window's thread with true when readers begin to run and with false once
  // none runs any longer. Set by the window.
  std::function<void(bool reading)> changed;

 private:
  friend class ReadTask;
  // On the window's thread, before the reader's thread starts.
  void Begin();
  // On the reader's thread, as its last touch of the store.
  void End();

  std::atomic<int> count_{0};
  std::mutex mutex_;
  std::condition_variable ended_;
  // What a worker's late notice finds on the window's thread: null once this is gone.
  std::shared_ptr<StoreReaders*> handle_ = std::make_shared<StoreReaders*>(this);
};

}  // namespace tallyscan
