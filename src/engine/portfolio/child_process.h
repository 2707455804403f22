#pragma once

// Private to portfolio/: the rest of the program includes portfolio/portfolio.h.
//
// A client's work in a process of its own: started with its standard output and error in
// files, limited in address space, in a process group of its own (a Ctrl-C at the terminal
// reaches the batch, which ends its children itself), and watched without blocking.

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/common/status.h"

namespace tallyscan::portfolio {

struct ChildCommand {
  std::vector<std::string> arguments;  // the program first, found as execvp finds it
  std::string stdout_file;             // created or emptied; "" keeps the caller's
  std::string stderr_file;
  std::int64_t address_space_bytes = 0;  // RLIMIT_AS of the child; 0: the caller's
};

struct ChildEnd {
  int exit_code = -1;  // when it exited; -1 when a signal ended it
  int signal = 0;      // the signal that ended it; 0 when it exited
  std::int64_t peak_rss_kb = 0;
};

class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // A child still running is killed and reaped.
  ~ChildProcess();

  // Fails (kIoError) when the output files cannot be made or the process cannot be forked; a
  // program that cannot be run ends the child with exit code 127.
  Status Start(const ChildCommand& command);
  // The end once the child has ended (reaped then), nullopt while it runs.
  std::optional<ChildEnd> Poll();
  // Blocks until it ends.
  ChildEnd Wait();
  // Sends `signal` to the child's process group.
  void Signal(int signal);
  pid_t pid() const { return pid_; }
  bool running() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
};

}  // namespace tallyscan::portfolio
