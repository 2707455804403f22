#pragma once

// What the sub-commands share on the terminal: a progress bar on stderr and the printing of
// result rows (the import log, the check findings).

#include <span>
#include <string>
#include <string_view>

#include "engine/common/progress.h"

namespace tallyscan::cli {

// A bar on stderr, redrawn when the percentage changes, with an optional label before it.
class TerminalProgress final : public ProgressMonitor {
 public:
  void OnProgress(int percent) override;
  bool StopRequested() override { return false; }
  void SetLabel(std::string_view label);
  // Clears the bar's line if one was drawn.
  void Finish();

 private:
  std::string label_;
  int percent_ = 0;
  bool drawn_ = false;
};

// Whether stderr is a terminal (progress is drawn only then).
bool StderrIsTerminal();

// Rows on stdout. Raw: one row per line as it stands (UTF-8, TAB-separated, the markers as
// their bytes). Otherwise aligned columns, the status as a word, markers left out.
void PrintRows(std::span<const std::string> rows, bool raw);

}  // namespace tallyscan::cli
