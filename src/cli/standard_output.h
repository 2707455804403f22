#pragma once

// tallyscan-cli's standard output. A reader that goes away (`view ... | head`) or a disk that
// fills up ends a command with one message on stderr and exit 1: never the signal that would
// end the program silently with 141, never exit 0 over output that was lost.

#include <string_view>

#include "engine/report/report_writers.h"

namespace tallyscan::cli {

// Called once, first thing: ignores SIGPIPE and puts std::cout on a buffer of its own that
// remembers the first write that failed. Nothing else may write to file descriptor 1.
void TakeStandardOutput();

// Whether a write to standard output has failed: a command that prints at length stops.
bool StandardOutputFailed();

// The command's exit code after its output was flushed: `exit_code` as it is, or, when a write
// to standard output failed, kExitFailed after saying why on stderr.
int FinishStandardOutput(int exit_code);

// A report's bytes on standard output (`report --out -`). Close fails when a write failed;
// FinishStandardOutput says why.
class StandardOutputSink final : public ByteSink {
 public:
  void Write(std::string_view bytes) override;
  Status Close() override;
};

}  // namespace tallyscan::cli
