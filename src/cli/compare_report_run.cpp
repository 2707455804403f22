#include "cli/compare_report_run.h"

#include <cstdio>
#include <ctime>
#include <iostream>

#include "cli/exit_codes.h"
#include "cli/import_figures.h"
#include "cli/report_kinds.h"
#include "cli/terminal_progress.h"
#include "engine/analytics/analytics.h"
#include "engine/report/report.h"
#include "engine/uniform/import.h"

namespace tallyscan::cli {
namespace {

constexpr std::string_view kStandardOutput = "-";

std::string DayText(const CivilDate& day) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.year, day.month, day.day);
  return text;
}

// The report may replace neither set's files: the path is examined against the prior's
// inputs first, then opened against the current's.
Status OpenOutput(const std::string& path, const RecordStore& prior, const RecordStore& current,
                  ReportFile& file) {
  {
    ReportFile probe;
    if (Status refused = ReportFile::Open(path, InputsOfStore(prior), probe); !refused.ok()) {
      return refused;
    }
    probe.Discard();
  }
  return ReportFile::Open(path, InputsOfStore(current), file);
}

}  // namespace

int RunCompareReport(const CompareReportRequest& request, const ReportTargetMaker& make) {
  TerminalProgress bar;
  RecordStore prior, current;
  const std::optional<ImportResult> read_prior =
      ImportForCommand(prior, request.prior, bar, request.threads);
  if (!read_prior) return kExitFailed;
  if (read_prior->interrupted) return kExitInterrupted;
  const std::optional<ImportResult> read_current =
      ImportForCommand(current, request.current, bar, request.threads);
  if (!read_current) return kExitFailed;
  if (read_current->interrupted) return kExitInterrupted;

  const bool to_standard_output = request.out == kStandardOutput;
  ReportFile file;
  if (!to_standard_output) {
    if (const Status refused = OpenOutput(request.out, prior, current, file); !refused.ok()) {
      std::cerr << refused.message() << '\n';
      return kExitFailed;
    }
  }

  bar.SetLabel("compare");
  CompareRun run =
      RunCompare(prior, SourceFilesOfStore(prior), current, SourceFilesOfStore(current),
                 request.parameters, CompareOptions{}, bar);
  bar.Finish();
  if (!run.status.ok()) {
    if (ExitCodeOf(run.status) == kExitFailed) std::cerr << run.status.message() << '\n';
    return ExitCodeOf(run.status);
  }

  const CivilDate& day = request.print_date;
  ReportHeader header = HeaderOfStore(current, day);
  if (request.describe_source) header.source = DescribeSource(current);
  if (request.epoch && header.source.read_at != 0) header.source.read_at = *request.epoch;
  const PrintFonts fonts = DefaultPrintFonts();
  ReportTarget* target =
      make(std::move(file), request.epoch.value_or(static_cast<std::int64_t>(std::time(nullptr))),
           fonts, bar);
  ReportStream stream(header, fonts, {target}, bar);
  const bool completed = WriteCompareReport(*run.result, DayText(day), stream);
  return EndReportStream(stream, completed, to_standard_output, bar);
}

}  // namespace tallyscan::cli
