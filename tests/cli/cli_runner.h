#pragma once

// Runs tallyscan-cli as a child process and collects what it printed.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/small_set.h"
#include "support/test_files.h"

namespace tallyscan::testing {

struct CliRun {
  int exit_code;
  std::string out;
  std::string err;
};

// `arguments` follow the program's name as a shell would split them.
inline CliRun RunCli(const std::string& arguments, const TempFolder& scratch) {
  const std::string out = scratch.File("stdout"), err = scratch.File("stderr");
  const int status = std::system(
      (std::string(TALLYSCAN_CLI) + " " + arguments + " >" + out + " 2>" + err).c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
}

// As RunCli, with a Ctrl-C already waiting when the program starts: SIGINT is blocked and
// raised in the child before the program replaces it, and a blocked signal stays pending
// across exec. The command's first look for a stop sees it, whatever the machine's speed.
// `arguments` are split at blanks (no quoting).
inline CliRun RunCliInterrupted(const std::string& arguments, const TempFolder& scratch) {
  std::vector<std::string> words = {TALLYSCAN_CLI};
  std::istringstream split(arguments);
  for (std::string word; split >> word;) words.push_back(word);
  const std::string out = scratch.File("stdout"), err = scratch.File("stderr");
  const pid_t child = fork();
  if (child == 0) {
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    sigprocmask(SIG_BLOCK, &interrupt, nullptr);
    raise(SIGINT);
    const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out_fd, STDOUT_FILENO);
    dup2(err_fd, STDERR_FILENO);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
}

}  // namespace tallyscan::testing
