#include "cli/terminal_progress.h"

#include <unistd.h>

#include <cstdio>

namespace tallyscan::cli {

TerminalProgress::TerminalProgress() : draw_(::isatty(STDERR_FILENO) != 0) {}

void TerminalProgress::OnProgress(int percent) {
  constexpr int kWidth = 40;
  percent_ = percent;
  if (!draw_) return;
  const int filled = percent * kWidth / 100;
  std::fprintf(stderr, "\r\033[K%s%s[%s%s] %3d%%", label_.c_str(), label_.empty() ? "" : " ",
               std::string(static_cast<std::size_t>(filled), '#').c_str(),
               std::string(static_cast<std::size_t>(kWidth - filled), ' ').c_str(), percent);
  std::fflush(stderr);
  drawn_ = true;
}

void TerminalProgress::SetLabel(std::string_view label) {
  label_ = label;
  if (draw_) OnProgress(percent_);
}

void TerminalProgress::Finish() {
  if (drawn_) std::fputs("\r\033[K", stderr);
  drawn_ = false;
}

}  // namespace tallyscan::cli
