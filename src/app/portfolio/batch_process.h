#pragma once

// One run of "סריקת תיק": `tallyscan-cli batch`, the command the command line runs, started
// as a process of its own with its progress written as JSON lines into RESULTS. It starts
// the clients' `batch --one` children itself, keeps the manifests and writes the summary, so
// a run from the window and one from the terminal leave the same store and either resumes
// the other. Runs on a worker thread; touches no widget.

#include <atomic>
#include <string>

#include "engine/common/progress.h"

namespace tallyscan {

struct BatchRequest {
  std::string program;  // tallyscan-cli
  std::string results;  // RESULTS, made when missing
  std::string list;     // a client list ("client<TAB>path<TAB>label"), or
  std::string input;    // a folder whose data folders are the clients
};

// What the window reads while the run goes on.
struct BatchCounts {
  std::atomic<int> done{0};
  std::atomic<int> total{0};
};

struct BatchOutcome {
  bool started = false;
  bool stopped = false;  // Stop was asked and the batch ended
  int exit_code = -1;    // -1 when a signal ended it
  int signal = 0;
  std::string message;  // what it wrote on standard error that is no progress line
};

// The names under RESULTS of the batch's standard error (its progress) and output.
inline constexpr const char* kBatchProgressFile = "window-progress.jsonl";
inline constexpr const char* kBatchOutputFile = "window-output.txt";

// Runs the batch until it ends. Each progress line updates `counts` and the monitor's
// percentage; when the monitor asks to stop, the batch is interrupted as Ctrl-C interrupts
// it (the clients running are ended, their partial results dropped, the summary of those
// done written) and this waits for its end, at most kStopGraceSeconds before it is killed.
BatchOutcome RunBatchProcess(const BatchRequest& request, ProgressMonitor& monitor,
                             BatchCounts& counts);

inline constexpr int kStopGraceSeconds = 60;

}  // namespace tallyscan
