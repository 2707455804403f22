#pragma once

// Ctrl-C as the Stop button of a long command: while a watch lives, SIGINT is blocked and
// read from a signalfd, so the interrupted import or check run ends the way a stopped one
// does in the window (its rows say so) instead of the process dying with nothing printed.
// No handler and no global flag: the signal waits in the descriptor until asked for.

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace tallyscan::cli {

class InterruptWatch {
 public:
  InterruptWatch() {
    sigemptyset(&mask_);
    sigaddset(&mask_, SIGINT);
    if (pthread_sigmask(SIG_BLOCK, &mask_, &previous_) != 0) return;
    blocked_ = true;
    fd_ = signalfd(-1, &mask_, SFD_NONBLOCK | SFD_CLOEXEC);
  }
  ~InterruptWatch() {
    if (fd_ >= 0) ::close(fd_);
    // A second Ctrl-C still pending here ends the process as usual.
    if (blocked_) pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  // Asked once per line or record: looks at the descriptor only every few thousand calls,
  // which keeps the answer within milliseconds at no measurable cost.
  bool Interrupted() {
    if (interrupted_ || fd_ < 0) return interrupted_;
    if (++calls_ % kCallsPerLook != 1) return false;
    signalfd_siginfo info;
    interrupted_ = ::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info);
    return interrupted_;
  }

 private:
  static constexpr unsigned kCallsPerLook = 4096;
  sigset_t mask_{};
  sigset_t previous_{};
  bool blocked_ = false;
  int fd_ = -1;
  unsigned calls_ = 0;
  bool interrupted_ = false;
};

}  // namespace tallyscan::cli
