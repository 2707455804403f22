#include "engine/portfolio/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tallyscan::portfolio {
namespace {

int OpenOutput(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

ChildEnd EndOf(int status, const struct rusage& usage) {
  ChildEnd end;
  if (WIFEXITED(status)) end.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) end.signal = WTERMSIG(status);
  end.peak_rss_kb = usage.ru_maxrss;
  return end;
}

}  // namespace

ChildProcess::~ChildProcess() {
  if (pid_ <= 0) return;
  Signal(SIGKILL);
  Wait();
}

Status ChildProcess::Start(const ChildCommand& command) {
  if (command.arguments.empty()) return Status::IoError("no program to run");
  int out = -1, err = -1;
  if (!command.stdout_file.empty() && (out = OpenOutput(command.stdout_file)) < 0) {
    return Status::IoError(command.stdout_file + ": " + std::strerror(errno));
  }
  if (!command.stderr_file.empty() && (err = OpenOutput(command.stderr_file)) < 0) {
    const int error = errno;
    if (out >= 0) ::close(out);
    return Status::IoError(command.stderr_file + ": " + std::strerror(error));
  }
  // Everything the child needs is made before the fork: after it, only calls that are safe
  // between fork and exec.
  std::vector<char*> argv;
  for (const std::string& a : command.arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setpgid(0, 0);
    // The parent may watch SIGINT through a blocked mask; the child starts with none blocked
    // and the default actions.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    if (out >= 0) ::dup2(out, STDOUT_FILENO);
    if (err >= 0) ::dup2(err, STDERR_FILENO);
    if (command.address_space_bytes > 0) {
      const struct rlimit limit = {static_cast<rlim_t>(command.address_space_bytes),
                                   static_cast<rlim_t>(command.address_space_bytes)};
      ::setrlimit(RLIMIT_AS, &limit);
    }
    ::execvp(argv[0], argv.data());
    _exit(127);
  }
  const int error = errno;
  if (out >= 0) ::close(out);
  if (err >= 0) ::close(err);
  if (pid < 0) return Status::IoError(std::string("fork: ") + std::strerror(error));
  // Also in the parent, so that a signal sent at once reaches the group.
  ::setpgid(pid, pid);
  pid_ = pid;
  return Status::Ok();
}

std::optional<ChildEnd> ChildProcess::Poll() {
  if (pid_ <= 0) return std::nullopt;
  int status = 0;
  struct rusage usage {};
  const pid_t ended = ::wait4(pid_, &status, WNOHANG, &usage);
  if (ended != pid_) return std::nullopt;
  pid_ = -1;
  return EndOf(status, usage);
}

ChildEnd ChildProcess::Wait() {
  int status = 0;
  struct rusage usage {};
  while (pid_ > 0 && ::wait4(pid_, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  return EndOf(status, usage);
}

void ChildProcess::Signal(int signal) {
  if (pid_ > 0) ::kill(-pid_, signal);
}

}  // namespace tallyscan::portfolio
