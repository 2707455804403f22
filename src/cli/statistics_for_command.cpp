#include "cli/statistics_for_command.h"

#include <algorithm>
#include <iostream>

#include "cli/exit_codes.h"
#include "cli/import_figures.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::cli {

StatisticsForCommand ComputeStatistics(RecordStore& store, const std::string& folder,
                                       TerminalProgress& bar, int threads) {
  StatisticsForCommand out;
  out.imported = ImportForCommand(store, folder, bar, threads);
  if (!out.imported) {
    out.exit_code = kExitFailed;
    return out;
  }
  StatisticsForCommand computed = StatisticsOfImported(store, *out.imported, bar, threads);
  computed.imported = std::move(out.imported);
  return computed;
}

StatisticsForCommand StatisticsOfImported(const RecordStore& store, const ImportResult& imported,
                                          TerminalProgress& bar, int threads) {
  StatisticsForCommand out;
  if (imported.interrupted) {
    std::cerr << kFieldStatisticsStoppedText << "\n";
    out.exit_code = kExitInterrupted;
    return out;
  }
  bar.SetLabel("fields");
  FieldStatisticsOptions options;
  options.threads = threads;
  FieldStatisticsRun run = RunFieldStatistics(store, SourceFilesOf(imported), bar, options);
  bar.Finish();
  if (!run.status.ok()) {
    std::cerr << run.status.message() << "\n";
    out.exit_code = ExitCodeOf(run.status);
    return out;
  }
  out.result = std::move(run.result);
  return out;
}

int PrintStatistics(const OutputOptions& options, RunFacts facts,
                    const std::vector<std::string>& rows, const TableShape& shape,
                    const std::string& json) {
  if (options.format != OutputFormat::kJson) return PrintTable(options, facts, rows, shape);
  std::cout << json;
  std::cout.flush();
  const bool findings = std::any_of(rows.begin(), rows.end(), [](const std::string& row) {
    return DecodeRow(row).status == RowStatus::kError;
  });
  return options.fail_on_findings && findings ? kExitFindings : kExitCompleted;
}

}  // namespace tallyscan::cli
