#pragma once

// What the sub-commands share on the terminal: a progress bar on stderr and the printing of
// result rows (the import log, the check findings).

#include <span>
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

// The exit code of a command that Ctrl-C stopped.
inline constexpr int kInterruptedExitCode = 130;

// Rows on stdout. Raw: one row per line as it stands (UTF-8, TAB-separated, the markers as
// their bytes). Otherwise aligned columns, the status as a word, markers left out.
void PrintRows(std::span<const std::string> rows, bool raw);

}  // namespace tallyscan::cli
