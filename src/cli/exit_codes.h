#pragma once

// The exit codes of every tallyscan-cli command, documented in the README and in --help.

#include "engine/common/status.h"

namespace tallyscan::cli {

// The work completed (errors found in the data are rows, not failures).
inline constexpr int kExitCompleted = 0;
// A file check failed, the input could not be read, or what was asked for was not found or
// was refused (a view's page message, a refused transfer step, a damaged index file).
inline constexpr int kExitFailed = 1;
// The command line was wrong.
inline constexpr int kExitUsage = 2;
// The work completed with findings (error rows) and --fail-on-findings was given.
inline constexpr int kExitFindings = 3;
// batch: the batch completed, but some clients failed, timed out, changed during the run or
// were not analysed (it takes precedence over kExitFindings).
inline constexpr int kExitIncomplete = 4;
// Ctrl-C stopped the work; what was done so far was printed.
inline constexpr int kExitInterrupted = 130;

// The exit code of work that did not complete: stopped by Ctrl-C, or failed.
inline int ExitCodeOf(const Status& status) {
  return status.code() == StatusCode::kInterrupted ? kExitInterrupted : kExitFailed;
}

}  // namespace tallyscan::cli
