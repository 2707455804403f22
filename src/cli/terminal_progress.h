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
  bool StopRequested() override { return interrupts_.Interrupted(); }
  void SetLabel(std::string_view label);
  // Clears the bar's line if one was drawn.
  void Finish();
  bool interrupted() { return interrupts_.Interrupted(); }

 private:
  bool draw_;
  std::string label_;
  int percent_ = 0;
  bool drawn_ = false;
  InterruptWatch interrupts_;
};

}  // namespace tallyscan::cli
