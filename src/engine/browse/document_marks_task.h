#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// The documents register's marks found on a thread of their own, so that the register shows
// its rows at once and its marks when they are ready. The thread only reads the store (the
// index entries and the data file, through a reader of its own); whoever owns the task stops
// it (Stop or the destructor) before anything may change the store.

#include <atomic>
#include <functional>
#include <thread>

#include "engine/browse/document_register.h"

namespace tallyscan {

class DocumentMarksTask {
 public:
  // Starts the pass over `store`, which must outlive the task and stay unchanged until it is
  // stopped. `ready` is called on the task's thread once the marks are complete (never after a
  // stop); it should only tell the owner's thread, which then calls Take.
  DocumentMarksTask(const RecordStore& store, std::function<void()> ready);
  DocumentMarksTask(const DocumentMarksTask&) = delete;
  DocumentMarksTask& operator=(const DocumentMarksTask&) = delete;
  ~DocumentMarksTask();  // stops

  // Asks the pass to stop and waits for its thread; the marks are then incomplete (Ready stays
  // false when the pass had not finished).
  void Stop();
  // The pass has completed.
  bool Ready() const { return ready_.load(std::memory_order_acquire); }
  // The marks, once Ready (waits for the thread to end); empty otherwise.
  DocumentMarks Take();

 private:
  std::atomic<bool> stop_{false};
  std::atomic<bool> ready_{false};
  DocumentMarks marks_;
  std::thread thread_;  // last: starts once the members it uses exist
};

}  // namespace tallyscan
