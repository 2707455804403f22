#pragma once

#include <functional>

#include <QElapsedTimer>

#include "engine/common/progress.h"

namespace tallyscan {

// Handles the window events waiting in the queue and returns at once: long operations on the
// user-interface thread call it so that the window repaints and a Stop button can be pressed.
void PumpOneMessage();

// The application's progress-and-stop callback for the engine's long operations: shows the
// percentage and pumps events, but only every few milliseconds, so that a long import is not
// slowed by more than a few percent. A progress bar repaints at once on every new value, which
// costs more than the pump itself when a check run passes hundreds of percentages in a second:
// between pumps a percentage is shown only when it has moved kShowStep past the one shown (the
// first, 100 and a step back, as when the next check starts at 0, are shown at once), and every
// pump shows the latest. The stop request is whatever `stop` says after the events have been
// handled.
class PumpProgress final : public ProgressMonitor {
 public:
  PumpProgress(std::function<void(int)> show_percent, std::function<bool()> stop);

  void OnProgress(int percent) override;
  bool StopRequested() override;
  void OnWaiting() override;

  // How often the queue is looked at, at most.
  static constexpr int kPumpIntervalMs = 25;
  // The least move of the percentage shown between pumps.
  static constexpr int kShowStep = 5;

 private:
  void PumpWhenDue();
  void Show(int percent);

  std::function<void(int)> show_percent_;
  std::function<bool()> stop_;
  QElapsedTimer since_pump_;
  unsigned calls_ = 0;
  int latest_ = -1;  // the last percentage reported
  int shown_ = -1;   // the last percentage shown; -1 before the first
};

}  // namespace tallyscan
