// The portfolio report of a batch's RESULTS folder: nothing is imported; the summary's lines
// are read from the clients' results as the summary reads them.
#include <filesystem>
#include <iostream>

#include "cli/exit_codes.h"
#include "cli/report_kinds.h"
#include "engine/portfolio/portfolio.h"

namespace tallyscan::cli {
namespace {

// The clients' results, or nullopt after saying why they cannot be read.
std::optional<portfolio::SummaryInputs> ReadResults(const ReportOptions& options) {
  const std::filesystem::path results = options.folder;
  std::error_code error;
  if (!std::filesystem::is_directory(results / "clients", error)) {
    std::cerr << "בתיקייה " << options.folder << " אין תוצאות של לקוחות (אין בה clients)\n";
    return std::nullopt;
  }
  portfolio::SummaryInputs inputs;
  if (const Status read = portfolio::ReadSummaryInputs(results, inputs); !read.ok()) {
    std::cerr << read.message() << '\n';
    return std::nullopt;
  }
  return inputs;
}

}  // namespace

int RunPortfolioReport(const ReportOptions& options, std::optional<std::int64_t> epoch) {
  const std::filesystem::path results = options.folder;
  const std::optional<portfolio::SummaryInputs> inputs = ReadResults(options);
  if (!inputs) return kExitFailed;
  const bool to_standard_output = options.out == kStandardOutputPath;
  ReportFile file;
  if (!to_standard_output) {
    // The clients' results are the report's inputs: it never replaces one of them.
    const Status refused = ReportFile::Open(options.out, ReportInputs{}, file);
    if (!refused.ok()) {
      std::cerr << refused.message() << '\n';
      return kExitFailed;
    }
  }
  TerminalProgress bar;
  ReportHeader header;
  header.company = "סריקת תיק";
  header.print_date = PrintDate(epoch);
  const PrintFonts fonts = DefaultPrintFonts();
  // The workbook's creation time is the clients' last end, as the summary's own workbook
  // takes, unless SOURCE_DATE_EPOCH names one.
  const std::int64_t created = epoch.value_or(portfolio::PortfolioReportCreated(results, *inputs));
  ReportOutput output;
  MakeReportOutput(options.format, to_standard_output, std::move(file), created, epoch, fonts, bar,
                   output);
  ReportStream stream(header, fonts, {output.target.get()}, bar);
  const bool completed = portfolio::WritePortfolioReport(results, *inputs, stream);
  return EndReportStream(stream, completed, to_standard_output, bar);
}

}  // namespace tallyscan::cli
