#include "cli/terminal_progress.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>

namespace tallyscan::cli {

#ifdef TALLYSCAN_INTERRUPT_PROBE
namespace {
std::string& ProbePhase() {
  static std::string phase;
  return phase;
}
bool probe_armed = false;
}  // namespace

void SetInterruptProbe(std::string_view phase) { ProbePhase() = phase; }
#endif

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

void TerminalProgress::OnPhase(std::string_view phase) {
#ifdef TALLYSCAN_INTERRUPT_PROBE
  if (!ProbePhase().empty() && phase == ProbePhase()) {
    probe_armed = true;
    ProbePhase().clear();
  }
#endif
  SetLabel(phase);
}

bool TerminalProgress::StopRequested() {
#ifdef TALLYSCAN_INTERRUPT_PROBE
  if (probe_armed) {
    probe_armed = false;
    ::raise(SIGINT);
    return interrupts_.Look();
  }
#endif
  return interrupts_.Interrupted();
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
