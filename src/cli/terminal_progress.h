#pragma once

// The sub-commands' progress bar on stderr; their rows go out through table_output.h.

#include <string>
#include <string_view>

#include "cli/interrupt_watch.h"
#include "engine/common/progress.h"

namespace tallyscan::cli {

// The commands' progress-and-stop callback: a bar on stderr when stderr is a terminal,
// redrawn when the percentage changes, with an optional label before it; Ctrl-C stops.
class TerminalProgress final : public ProgressMonitor {
 public:
  TerminalProgress();
  void OnProgress(int percent) override;
  // The phase's name becomes the bar's label.
  void OnPhase(std::string_view phase) override;
  bool StopRequested() override;
  void SetLabel(std::string_view label);
  // Clears the bar's line if one was drawn.
  void Finish();
  // Whether a Ctrl-C has been received by now, asked for or not.
  bool interrupted() { return interrupts_.Look(); }

 private:
  bool draw_;
  std::string label_;
  int percent_ = 0;
  bool drawn_ = false;
  InterruptWatch interrupts_;
};

// The class is the same in every build (the commands are compiled once for both programs);
// the probe keeps its state in terminal_progress.cpp.
#ifdef TALLYSCAN_INTERRUPT_PROBE
// The test build's own Ctrl-C: the first look for a stop after the phase named begins raises
// a real SIGINT, so that a test interrupts a chosen part of a command however fast it runs.
void SetInterruptProbe(std::string_view phase);
#endif

}  // namespace tallyscan::cli
