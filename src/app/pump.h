#pragma once

#include <functional>

#include <QElapsedTimer>

#include "engine/common/progress.h"

namespace tallyscan {

// Handles the window events waiting in the queue and returns at once: long operations on the
// user-interface thread call it so that the window repaints and a Stop button can be pressed.
void PumpOneMessage();

// The application's progress-and-stop callback for the engine's long operations: shows each
// new percentage and pumps events, but only every few milliseconds, so that a long import is
// not slowed by more than a few percent. The stop request is whatever `stop` says after the
// events have been handled.
class PumpProgress final : public ProgressMonitor {
 public:
  PumpProgress(std::function<void(int)> show_percent, std::function<bool()> stop);

  void OnProgress(int percent) override;
  bool StopRequested() override;

  // How often the queue is looked at, at most.
  static constexpr int kPumpIntervalMs = 25;

 private:
  void PumpWhenDue();

  std::function<void(int)> show_percent_;
  std::function<bool()> stop_;
  QElapsedTimer since_pump_;
  unsigned calls_ = 0;
};

}  // namespace tallyscan
