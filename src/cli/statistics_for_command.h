#pragma once

// The field statistics of a data folder as the commands that print them share it (fields,
// summary, report): the import, then the one reading of the statistics.

#include <optional>
#include <string>
#include <vector>

#include "cli/table_output.h"
#include "cli/terminal_progress.h"
#include "engine/analytics/analytics.h"
#include "engine/uniform/import.h"

namespace tallyscan::cli {

struct StatisticsForCommand {
  std::optional<ImportResult> imported;   // set once the import completed
  std::optional<FieldStatistics> result;  // set when the statistics were computed
  int exit_code = 0;                      // when there is no result: the command's exit code
};

// Imports `folder` into `store` and computes its statistics, the progress on `bar`. A failed
// import or reading prints its message on standard error (exit 1); Ctrl-C prints that the
// statistics were stopped (exit 130). Either way there is no result. `threads` read the data
// file, for the import and for the statistics (0: one per core).
StatisticsForCommand ComputeStatistics(RecordStore& store, const std::string& folder,
                                       TerminalProgress& bar, int threads = 0);

// The same over a folder already read into `store` (`threads` as above); `imported` is left
// unset in the result.
StatisticsForCommand StatisticsOfImported(const RecordStore& store, const ImportResult& imported,
                                          TerminalProgress& bar, int threads);

// The rows in the chosen form, or `json` when the form is JSON (a document of the engine's
// own, which names its figures): the exit code as PrintTable gives it, the error rows being
// the findings in every form.
int PrintStatistics(const OutputOptions& options, RunFacts facts,
                    const std::vector<std::string>& rows, const TableShape& shape,
                    const std::string& json);

}  // namespace tallyscan::cli
