// The comparison report of two periods: PRIOR and CURRENT are read by the comparison itself,
// and the form asked for is made as every report's is.
#include <ctime>
#include <optional>

#include "cli/compare_report_run.h"
#include "cli/exit_codes.h"
#include "cli/parameters_file.h"
#include "cli/report_kinds.h"
#include "engine/report/report_writers.h"

namespace tallyscan::cli {

int RunComparisonReport(const ReportOptions& options, std::optional<std::int64_t> epoch) {
  const std::optional<JetParameters> parameters = ParametersForCommand(options.params_file);
  if (!parameters) return kExitFailed;
  ReportOutput output;
  const bool describe_source =
      options.format == ReportFormat::kXlsx || options.format == ReportFormat::kPdf;
  return RunCompareReport(
      {options.folder, options.current_folder, options.out, *parameters, epoch, PrintDate(epoch),
       describe_source, options.threads},
      [&](ReportFile file, std::int64_t created, const PrintFonts& fonts, ProgressMonitor& bar) {
        MakeReportOutput(options.format, options.out == kStandardOutputPath, std::move(file),
                         created, epoch, fonts, bar, output);
        return output.target.get();
      });
}

}  // namespace tallyscan::cli
