#pragma once

#include <string_view>

namespace tallyscan {

// The one progress-and-stop callback of every long operation (import, checks, transfer,
// printing). The work stays on the caller's thread; the app's implementation pumps pending
// window events so that its Stop button can be pressed, the CLI's draws a bar on a terminal.
class ProgressMonitor {
 public:
  virtual ~ProgressMonitor() = default;

  // The percentage of the work done (0..100) has changed. Only called on a change.
  virtual void OnProgress(int percent) = 0;

  // A long operation of several parts begins one of them ("hits", "ranking"); the percentage
  // that follows is that part's. A terminal shows the name beside its bar.
  virtual void OnPhase(std::string_view /*phase*/) {}

  // Called once per unit of work (a line, a record). Returns true when the user asked to
  // stop; the operation then ends before its next unit. Must be cheap: implementations
  // throttle whatever they do here.
  virtual bool StopRequested() = 0;

  // The work waits for threads of its own that never call the monitor (the parts of a
  // reading being joined): called about every 20 ms meanwhile, so that a window whose thread
  // does the waiting keeps answering.
  virtual void OnWaiting() {}
};

// A monitor that reports nothing and never stops: for tests and batch callers.
class SilentProgress final : public ProgressMonitor {
 public:
  void OnProgress(int) override {}
  bool StopRequested() override { return false; }
};

// Turns "unit n of expected" into percentage reports, calling OnProgress only when the
// rounded value changes. An expected total of 0 leaves the percentage at 0.
class ProgressTracker {
 public:
  ProgressTracker(ProgressMonitor& monitor, long long expected)
      : monitor_(monitor), expected_(expected) {}

  void Advance(long long done) {
    if (expected_ <= 0) return;
    const long long percent = (done * 100 + expected_ / 2) / expected_;
    const int clamped = percent > 100 ? 100 : static_cast<int>(percent);
    if (clamped != last_) {
      last_ = clamped;
      monitor_.OnProgress(clamped);
    }
  }

 private:
  ProgressMonitor& monitor_;
  long long expected_;
  int last_ = 0;
};

}  // namespace tallyscan
