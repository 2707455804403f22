// The reports of the analyses of a data folder: the checks' findings, the import log, the
// journal-entry tests' evidence and the field statistics' three reports, each run here first.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/exit_codes.h"
#include "cli/report_kinds.h"
#include "engine/analytics/analytics.h"
#include "engine/report/report.h"

namespace tallyscan::cli {
namespace {

using StatisticsRows = std::vector<std::string> (*)(const FieldStatistics&);
using StatisticsWriter = bool (*)(std::span<const std::string>, ReportStream&);

// One of the field statistics' reports: the statistics run, its rows made by `rows` and
// written by `write`.
PreparedReport PrepareStatisticsReport(DataReport& run, StatisticsRows rows,
                                       StatisticsWriter write) {
  run.bar.SetLabel("fields");
  FieldStatisticsOptions options;
  options.threads = run.options.threads;
  const FieldStatisticsRun statistics =
      RunFieldStatistics(run.store, SourceFilesOf(run.imported), run.bar, options);
  run.bar.Finish();
  if (!statistics.status.ok()) {
    std::cerr << statistics.status.message() << '\n';
    return {{}, ExitCodeOf(statistics.status)};
  }
  return {[write, made = rows(*statistics.result)](ReportStream& stream) {
    return write(made, stream);
  }};
}

}  // namespace

PreparedReport PrepareChecksReport(DataReport& run) {
  auto rows = std::make_shared<CheckResultRows>();
  const CommandClock clock(run.epoch);
  if (!RunChecks(run.store, run.options.ticks, clock, run.bar, *rows)) {
    run.bar.Finish();
    return {{}, kExitInterrupted};
  }
  run.bar.Finish();
  return {[rows](ReportStream& stream) { return WriteChecksReport(*rows, stream); }};
}

PreparedReport PrepareImportReport(DataReport& run) {
  const ImportResult& imported = run.imported;
  return {[&imported](ReportStream& stream) {
    return WriteImportReport(imported.rows.Rows(), stream);
  }};
}

// The run's date is the print date.
PreparedReport PrepareJetReport(DataReport& run) {
  run.bar.SetLabel("jet");
  JetRun jet =
      RunJet(run.store, SourceFilesOf(run.imported), run.parameters, AllJetTests(), run.bar);
  run.bar.Finish();
  if (!jet.status.ok()) {
    if (ExitCodeOf(jet.status) == kExitFailed) std::cerr << jet.status.message() << '\n';
    return {{}, ExitCodeOf(jet.status)};
  }
  const CivilDate day = PrintDate(run.epoch);
  char run_date[16];
  std::snprintf(run_date, sizeof run_date, "%04d-%02d-%02d", day.year, day.month, day.day);
  auto result = std::make_shared<JetResult>(std::move(*jet.result));
  RecordStore& store = run.store;
  return {[&store, result, date = std::string(run_date)](ReportStream& stream) {
    return WriteJetReport(store, *result, date, stream);
  }};
}

PreparedReport PrepareFieldsReport(DataReport& run) {
  return PrepareStatisticsReport(
      run, [](const FieldStatistics& result) { return FieldStatisticsRows(result); },
      WriteFieldStatisticsReport);
}

PreparedReport PrepareDocumentSummaryReport(DataReport& run) {
  return PrepareStatisticsReport(run, DocumentSummaryRows, WriteDocumentSummaryReport);
}

PreparedReport PrepareRecordCountsReport(DataReport& run) {
  return PrepareStatisticsReport(run, RecordCountRows, WriteRecordCountsReport);
}

}  // namespace tallyscan::cli
