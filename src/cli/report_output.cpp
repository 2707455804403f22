// The print date and the writer of each form, shared by every report of the command.
#include <ctime>
#include <iostream>

#include "cli/exit_codes.h"
#include "cli/report_kinds.h"
#include "cli/standard_output.h"
#include "engine/report/report_writers.h"
#ifdef TALLYSCAN_HAVE_PAPER
#include "paper/pdf_writer.h"
#endif

namespace tallyscan::cli {

CivilDate PrintDate(std::optional<std::int64_t> epoch) {
  if (epoch) return UtcDateOf(*epoch);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

void MakeReportOutput(ReportFormat format, bool to_standard_output, ReportFile file,
                      std::int64_t created, std::optional<std::int64_t> epoch,
                      const PrintFonts& fonts, ProgressMonitor& bar, ReportOutput& output) {
  switch (format) {
    case ReportFormat::kXls:
    case ReportFormat::kHtm:
      if (to_standard_output) {
        output.sink = std::make_unique<StandardOutputSink>();
      } else {
        output.sink = std::make_unique<FileSink>(std::move(file));
      }
      output.target = std::make_unique<HtmlReportWriter>(
          format == ReportFormat::kXls ? HtmlForm::kExcel : HtmlForm::kMail, *output.sink);
      break;
    case ReportFormat::kXlsx:
      output.target = std::make_unique<XlsxReportWriter>(std::move(file), created, &bar);
      break;
    case ReportFormat::kPdf:
#ifdef TALLYSCAN_HAVE_PAPER
      output.paper.emplace();
      output.target = std::make_unique<PdfReportWriter>(std::move(file), fonts, epoch);
#else
      (void)fonts;
      (void)epoch;
#endif
      break;
  }
}

int EndReportStream(ReportStream& stream, bool completed, bool to_standard_output,
                    TerminalProgress& bar) {
  const bool stopped = !completed || stream.Stopped() || bar.interrupted();
  if (stopped && !to_standard_output) {
    stream.Abandon();
    bar.Finish();
    return kExitInterrupted;
  }
  const Status written = stream.End();
  bar.Finish();
  if (!written.ok()) {
    // Standard output's failure is told once, by the program's end.
    if (ExitCodeOf(written) == kExitFailed && !to_standard_output) {
      std::cerr << written.message() << '\n';
    }
    return ExitCodeOf(written);
  }
  // On standard output a report that ended early is not whole, whatever reached the pipe.
  return stopped || bar.interrupted() ? kExitInterrupted : kExitCompleted;
}

}  // namespace tallyscan::cli
