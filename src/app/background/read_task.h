#pragma once

// One long read of the record store run on a worker thread, so that the window keeps
// answering: the register of all document types, a large ledger card, and whatever later
// reads as long (an analysis). The page that owns a task starts the work, shows the progress
// it reports and offers Stop; the result comes back on the window's thread.
//
// Contract:
//  - The work only reads: the store, the settings it was handed, values it captured. It
//    writes only into what it owns (a result held by shared_ptr and captured by value), never
//    into the page, which may be gone by the time the work ends.
//  - While the work runs, StoreReaders (AppContext::readers) counts it, and what changes the
//    store is refused. The engine functions a work calls read the data file with positional
//    reads (pread on a shared descriptor) and keep no shared cache, so the window's thread
//    may read the store at the same time.
//  - `done` runs on the window's thread: with true once the work returned true, with false
//    at once on Stop (the work is asked to stop through its monitor and its late result is
//    dropped). It never runs after the task is destroyed.
//  - Destroying the task, or starting another, stops the work as Stop does, without `done`;
//    a stopped work still counts as a reader until its thread has returned.
//  - RunningChanged(true) is emitted when a start finds no work running, RunningChanged(false)
//    when the work awaited has ended or was stopped, before `done` runs (so `done` may start
//    another); never from the destructor.

#include <cstdint>
#include <functional>
#include <memory>

#include <QObject>

#include "engine/common/progress.h"

namespace tallyscan {

class StoreReaders;

class ReadTask final : public QObject {
  Q_OBJECT
 public:
  // Returns true when the work completed, false when it stopped on request.
  using Work = std::function<bool(ProgressMonitor& progress)>;
  using Done = std::function<void(bool completed)>;

  explicit ReadTask(StoreReaders& readers, QObject* parent = nullptr);
  ~ReadTask() override;

  void Start(Work work, Done done);
  void Stop();
  bool Running() const { return running_ != nullptr; }
  // Blocks until the thread of the last work started has returned: for an owner about to
  // change what that work reads (after Stop it returns at its next look at the monitor).
  void Wait();

 signals:
  // The percentage the work reported, on the window's thread.
  void Progress(int percent);
  // Work began to run, or none runs any longer (see the contract above).
  void RunningChanged(bool running);

 private:
  struct Run;
  void Abandon();
  void Finished(std::uint64_t number, bool completed);

  StoreReaders& readers_;
  std::shared_ptr<Run> running_;
  std::shared_ptr<Run> last_;  // the last started, running or not, for Wait
  Done done_;
  std::uint64_t number_ = 0;  // of the run whose result is awaited
};

}  // namespace tallyscan
