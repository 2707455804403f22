#pragma once

// The reports of `tallyscan-cli report`, one row each: the name the command line gives, the
// options of its own, and how it is prepared and written. A report of a data folder prepares
// what it shows after the import and before any file is made (so that a refusal leaves none),
// and hands back the writer that puts it on the report stream; a report of something else (a
// batch's RESULTS folder) runs on its own. Adding a report is a row of kReportKinds and the
// file that prepares it.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/check_setup.h"
#include "cli/terminal_progress.h"
#include "cli/view_command.h"
#include "engine/analytics/analytics.h"
#include "engine/report/report.h"
#include "engine/report/report_writers.h"
#include "engine/uniform/import.h"
#ifdef TALLYSCAN_HAVE_PAPER
#include "paper/headless_gui_application.h"
#endif

namespace tallyscan::cli {

enum class ReportFormat { kXls, kHtm, kXlsx, kPdf };

struct ReportKind;

// The command line of a report.
struct ReportOptions {
  const ReportKind* kind = nullptr;
  ReportFormat format = ReportFormat::kHtm;
  std::string out;  // a path, or kStandardOutputPath
  std::string folder;
  std::string current_folder;  // a report of two periods: the second, CURRENT
  CheckTicks ticks;
  std::optional<std::string> params_file;
  ViewArgs view;    // the options of a browser's report: --sort, --from, --to, --type, --number
  int threads = 0;  // --threads N: those that read the data file; 0: one per core
};

inline constexpr std::string_view kStandardOutputPath = "-";

// What a report of a data folder is prepared from. Lives for the whole command; the store
// holds the imported set.
struct DataReport {
  const ReportOptions& options;
  std::optional<std::int64_t> epoch;  // SOURCE_DATE_EPOCH
  const JetParameters& parameters;
  RecordStore& store;
  const ImportResult& imported;
  TerminalProgress& bar;
};

// Puts the prepared report on the stream; false when it ended early (stopped, or the data
// file could not be read).
using ReportWriter = std::function<bool(ReportStream&)>;

// A report prepared: its writer, or the exit code of a refusal or a stop (its message said).
struct PreparedReport {
  ReportWriter write;
  int exit_code = 0;
};

struct ReportKind {
  std::string_view name;
  // The browser options it takes, each with a value, and what is wrong with them (empty when
  // nothing is; null when it takes none to check).
  std::span<const std::string_view> view_options;
  std::string_view (*view_mistake)(const ViewArgs&) = nullptr;
  bool takes_params = false;  // --params FILE
  bool two_folders = false;   // PRIOR and CURRENT in place of one data folder
  // A report of a data folder: what it shows, found after the import.
  PreparedReport (*prepare)(DataReport&) = nullptr;
  // A report of something else: the whole command, given the SOURCE_DATE_EPOCH taken.
  int (*run)(const ReportOptions&, std::optional<std::int64_t> epoch) = nullptr;
};

// Every report, in the order the usage error lists them.
std::span<const ReportKind> ReportKinds();

// The reports' preparations, each in the file of its family.
PreparedReport PrepareIndexReport(DataReport& run);
PreparedReport PrepareLedgerReport(DataReport& run);
PreparedReport PrepareDocumentReport(DataReport& run);
PreparedReport PrepareItemsReport(DataReport& run);
PreparedReport PrepareChecksReport(DataReport& run);
PreparedReport PrepareImportReport(DataReport& run);
PreparedReport PrepareJetReport(DataReport& run);
PreparedReport PrepareFieldsReport(DataReport& run);
PreparedReport PrepareDocumentSummaryReport(DataReport& run);
PreparedReport PrepareRecordCountsReport(DataReport& run);
int RunPortfolioReport(const ReportOptions& options, std::optional<std::int64_t> epoch);
int RunComparisonReport(const ReportOptions& options, std::optional<std::int64_t> epoch);

// The print date: the day of SOURCE_DATE_EPOCH in UTC when it is set, today's local date
// otherwise.
CivilDate PrintDate(std::optional<std::int64_t> epoch);

// The writer of the form asked for, and what it writes through.
struct ReportOutput {
  std::unique_ptr<ByteSink> sink;
  std::unique_ptr<ReportTarget> target;
#ifdef TALLYSCAN_HAVE_PAPER
  std::optional<HeadlessGuiApplication> paper;
#endif
};

// Makes `output` the writer of `format`. `file` is the file opened for it (unused on standard
// output); `created` the workbook's creation time; `epoch` SOURCE_DATE_EPOCH, the PDF's
// creation date.
void MakeReportOutput(ReportFormat format, bool to_standard_output, ReportFile file,
                      std::int64_t created, std::optional<std::int64_t> epoch,
                      const PrintFonts& fonts, ProgressMonitor& bar, ReportOutput& output);

// Ends a report written on `stream` by a writer that read no data folder: one that did not
// complete, or was stopped, is abandoned (the file asked for stays as it was) unless it went to
// standard output; a file that could not be written says why. The exit code.
int EndReportStream(ReportStream& stream, bool completed, bool to_standard_output,
                    TerminalProgress& bar);

}  // namespace tallyscan::cli
