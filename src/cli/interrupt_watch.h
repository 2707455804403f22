#pragma once

// Ctrl-C as the Stop button of a long command: while a watch lives, SIGINT (or the signals it
// was given) is blocked and read from a signalfd, so the interrupted import or check run ends the
// way a stopped one does in the window (its rows say so) instead of the process dying with nothing
// printed. No handler and no global flag: the signal waits in the descriptor until asked for.

#include <signal.h>
#include <sys/signalfd.h>
#include <time.h>
#include <unistd.h>

#include <initializer_list>

namespace tallyscan::cli {

class InterruptWatch {
 public:
  InterruptWatch() : InterruptWatch({SIGINT}) {}
  // Watches these signals instead: a command whose stop must also end what it started (the
  // batch's children) takes a SIGTERM or a SIGHUP as it takes Ctrl-C.
  explicit InterruptWatch(std::initializer_list<int> signals) {
    sigemptyset(&mask_);
    for (const int signal : signals) sigaddset(&mask_, signal);
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

  // Asked once per line or record: looks at the descriptor every few thousand calls, and at
  // the first call after kLookInterval without a look, so that work that asks seldom (once
  // per block of a sort) sees a Ctrl-C as soon as work that asks often, at no measurable
  // cost (the coarse clock is read without entering the kernel).
  bool Interrupted() {
    if (interrupted_ || fd_ < 0) return interrupted_;
    if (++calls_ % kCallsPerLook != 1 && Now() - last_look_ < kLookInterval) return false;
    return Look();
  }

  // Looks at the descriptor now: for the end of a command (whatever was asked before, a
  // Ctrl-C received is never answered with success) and for the rare calls between phases.
  bool Look() {
    if (interrupted_ || fd_ < 0) return interrupted_;
    last_look_ = Now();
    signalfd_siginfo info;
    interrupted_ = ::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info);
    return interrupted_;
  }

 private:
  static long long Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000 + now.tv_nsec;
  }

  static constexpr unsigned kCallsPerLook = 4096;
  static constexpr long long kLookInterval = 10'000'000;  // nanoseconds
  long long last_look_ = 0;
  sigset_t mask_{};
  sigset_t previous_{};
  bool blocked_ = false;
  int fd_ = -1;
  unsigned calls_ = 0;
  bool interrupted_ = false;
};

}  // namespace tallyscan::cli
