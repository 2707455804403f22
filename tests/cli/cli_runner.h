#pragma once

// Runs tallyscan-cli as a child process and collects what it printed.

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "engine/uniform/import_fixture.h"

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

}  // namespace tallyscan::testing
