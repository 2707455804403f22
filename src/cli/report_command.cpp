// tallyscan-cli report: imports a data folder and writes one of its reports as a file, through
// the same producers and writers as the output dialog (the printer excepted). The browsers'
// reports take the options of their views: index and items --sort, ledger --from and --to,
// document --type and --number (without it, the first document of the type). The statistics'
// reports run the field statistics first. The file goes
// through ReportFile, as the output dialog's do; "--out -" puts an HTML form on standard output.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/check_setup.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/import_figures.h"
#include "cli/parameters_file.h"
#include "cli/standard_output.h"
#include "cli/terminal_progress.h"
#include "cli/view_command.h"
#include "engine/analytics/field_statistics.h"
#include "engine/analytics/field_statistics_rows.h"
#include "engine/analytics/jet.h"
#include "engine/browse/browse.h"
#include "engine/portfolio/portfolio_report.h"
#include "engine/portfolio/summary.h"
#include "engine/report/browser_reports.h"
#include "engine/report/byte_sink.h"
#include "engine/report/html_writer.h"
#include "engine/report/jet_report.h"
#include "engine/report/report_file.h"
#include "engine/report/report_source.h"
#include "engine/report/result_reports.h"
#include "engine/report/source_date.h"
#include "engine/report/statistics_reports.h"
#include "engine/report/xlsx_writer.h"
#include "engine/uniform/import.h"
#ifdef TALLYSCAN_HAVE_PAPER
#include "paper/headless_gui_application.h"
#include "paper/pdf_writer.h"
#endif

namespace tallyscan::cli {
namespace {

enum class Kind {
  kIndex,
  kLedger,
  kDocument,
  kItems,
  kChecks,
  kImport,
  kJet,
  kFields,
  kSummaryDocuments,
  kSummaryRecords,
  kPortfolio  // a batch's RESULTS folder instead of a data folder
};
enum class Format { kXls, kHtm, kXlsx, kPdf };

std::optional<Kind> KindNamed(std::string_view name) {
  if (name == "index") return Kind::kIndex;
  if (name == "ledger") return Kind::kLedger;
  if (name == "document") return Kind::kDocument;
  if (name == "items") return Kind::kItems;
  if (name == "checks") return Kind::kChecks;
  if (name == "import") return Kind::kImport;
  if (name == "jet") return Kind::kJet;
  if (name == "fields") return Kind::kFields;
  if (name == "summary-documents") return Kind::kSummaryDocuments;
  if (name == "summary-records") return Kind::kSummaryRecords;
  if (name == "portfolio") return Kind::kPortfolio;
  return std::nullopt;
}

std::optional<Format> FormatNamed(std::string_view name) {
  if (name == "xls") return Format::kXls;
  if (name == "htm") return Format::kHtm;
  if (name == "xlsx") return Format::kXlsx;
  if (name == "pdf") return Format::kPdf;
  return std::nullopt;
}

// The print date: the day of SOURCE_DATE_EPOCH in UTC when it is set, today's local date
// otherwise.
CivilDate PrintDate(std::optional<std::int64_t> epoch) {
  if (epoch) return UtcDateOf(*epoch);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

constexpr std::string_view kStandardOutput = "-";

struct Options {
  Kind kind = Kind::kChecks;
  Format format = Format::kHtm;
  std::string out;  // a path, or "-"
  std::string folder;
  CheckTicks ticks;
  std::optional<std::string> params_file;  // jet
  ViewArgs view;    // the options of a browser's report: --sort, --from, --to, --type, --number
  int threads = 0;  // --threads N: those that read the data file; 0: one per core
};

// The browser options a report kind takes, each with a value.
std::span<const std::string_view> ViewOptionsOf(Kind kind) {
  static constexpr std::string_view kSort[] = {"sort"};
  static constexpr std::string_view kRange[] = {"from", "to"};
  static constexpr std::string_view kDocument[] = {"type", "number"};
  switch (kind) {
    case Kind::kIndex:
    case Kind::kItems:
      return kSort;
    case Kind::kLedger:
      return kRange;
    case Kind::kDocument:
      return kDocument;
    case Kind::kChecks:
    case Kind::kImport:
    case Kind::kJet:
    case Kind::kFields:
    case Kind::kSummaryDocuments:
    case Kind::kSummaryRecords:
    case Kind::kPortfolio:
      break;
  }
  return {};
}

bool IsViewOption(Kind kind, std::string_view name) {
  for (const std::string_view option : ViewOptionsOf(kind)) {
    if (option == name) return true;
  }
  return false;
}

// The options, or the usage error's exit code after it was printed.
struct Parsed {
  std::optional<Options> options;
  int exit_code = kExitUsage;
};

Parsed Parse(std::span<char* const> args) {
  Options options;
  std::optional<Kind> kind;
  std::optional<Format> format;
  bool have_folder = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    const bool has_value = i + 1 < args.size();
    if (i > 0) {
      switch (ReadThreadsOption(args, i, options.threads)) {
        case OptionRead::kTaken:
          continue;
        case OptionRead::kBad:
          return {std::nullopt, UsageError("report", kThreadsMistake)};
        case OptionRead::kNotMine:
          break;
      }
    }
    if (i == 0) {
      kind = KindNamed(a);
      if (!kind) {
        return {std::nullopt, UsageError("report",
                                         "the report is index, ledger, document, items, "
                                         "checks, import, jet, fields, summary-documents, "
                                         "summary-records or portfolio")};
      }
    } else if (a == "--format" && has_value) {
      format = FormatNamed(args[++i]);
      if (!format)
        return {std::nullopt, UsageError("report", "--format takes xls, htm, xlsx or pdf")};
    } else if (a == "--out" && has_value) {
      options.out = args[++i];
    } else if (a == "--items" && has_value) {
      std::optional<CheckTicks> ticks = ParseCheckItems(args[++i]);
      if (!ticks) {
        return {std::nullopt,
                UsageError("report", "items are B1-B8 and D1-D9, separated by commas")};
      }
      options.ticks = std::move(*ticks);
    } else if (a == "--params" && has_value && kind == Kind::kJet) {
      options.params_file = args[++i];
    } else if (a.starts_with("--") && kind && has_value && IsViewOption(*kind, a.substr(2))) {
      options.view.options.emplace_back(std::string(a.substr(2)), std::string(args[++i]));
    } else if (!have_folder && !a.starts_with("--")) {
      options.folder = a;
      have_folder = true;
    } else {
      return {std::nullopt, UsageError("report", "unexpected argument " + std::string(a))};
    }
  }
  if (!kind) return {std::nullopt, UsageError("report", "the report is missing")};
  if (!format) return {std::nullopt, UsageError("report", "--format is missing")};
  if (options.out.empty()) return {std::nullopt, UsageError("report", "--out is missing")};
  if (options.out == kStandardOutput && (*format == Format::kXlsx || *format == Format::kPdf)) {
    return {std::nullopt, UsageError("report", "--out - takes the HTML forms, xls and htm")};
  }
  if (!have_folder) return {std::nullopt, UsageError("report", "the data folder is missing")};
  options.kind = *kind;
  options.format = *format;
  const std::string_view mistake = *kind == Kind::kIndex      ? IndexSortMistake(options.view)
                                   : *kind == Kind::kItems    ? ItemsSortMistake(options.view)
                                   : *kind == Kind::kDocument ? DocumentTypeMistake(options.view)
                                                              : std::string_view();
  if (!mistake.empty()) return {std::nullopt, UsageError("report", mistake)};
  return {std::move(options), kExitCompleted};
}

// The writer of the form asked for, and what it writes through.
struct Output {
  std::unique_ptr<ByteSink> sink;
  std::unique_ptr<ReportTarget> target;
#ifdef TALLYSCAN_HAVE_PAPER
  std::optional<HeadlessGuiApplication> paper;
#endif
};

// `created`: the workbook's creation time.
// `epoch`: SOURCE_DATE_EPOCH, the PDF's creation date.
void MakeOutput(Format format, bool to_standard_output, ReportFile file, std::int64_t created,
                std::optional<std::int64_t> epoch, const PrintFonts& fonts, ProgressMonitor& bar,
                Output& output) {
  switch (format) {
    case Format::kXls:
    case Format::kHtm:
      if (to_standard_output) {
        output.sink = std::make_unique<StandardOutputSink>();
      } else {
        output.sink = std::make_unique<FileSink>(std::move(file));
      }
      output.target = std::make_unique<HtmlReportWriter>(
          format == Format::kXls ? HtmlForm::kExcel : HtmlForm::kMail, *output.sink);
      break;
    case Format::kXlsx:
      output.target = std::make_unique<XlsxReportWriter>(std::move(file), created, &bar);
      break;
    case Format::kPdf:
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

// The portfolio report of a RESULTS folder: nothing is imported; the summary's lines are read
// from the clients' results as the summary reads them.
int RunPortfolioReport(const Options& options, std::optional<std::int64_t> epoch) {
  const std::filesystem::path results = options.folder;
  std::error_code error;
  if (!std::filesystem::is_directory(results / "clients", error)) {
    std::cerr << "בתיקייה " << options.folder << " אין תוצאות של לקוחות (אין בה clients)\n";
    return kExitFailed;
  }
  portfolio::SummaryInputs inputs;
  if (const Status read = portfolio::ReadSummaryInputs(results, inputs); !read.ok()) {
    std::cerr << read.message() << '\n';
    return kExitFailed;
  }
  const bool to_standard_output = options.out == kStandardOutput;
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
  const std::int64_t created = epoch.value_or(portfolio::PortfolioReportCreated(results, inputs));
  Output output;
  MakeOutput(options.format, to_standard_output, std::move(file), created, epoch, fonts, bar,
             output);
  ReportStream stream(header, fonts, {output.target.get()}, bar);
  const bool completed = portfolio::WritePortfolioReport(results, inputs, stream);
  if ((!completed || stream.Stopped() || bar.interrupted()) && !to_standard_output) {
    stream.Abandon();
    bar.Finish();
    return kExitInterrupted;
  }
  const Status written = stream.End();
  bar.Finish();
  if (!written.ok()) {
    if (ExitCodeOf(written) == kExitFailed && !to_standard_output) {
      std::cerr << written.message() << '\n';
    }
    return ExitCodeOf(written);
  }
  return bar.interrupted() ? kExitInterrupted : kExitCompleted;
}

}  // namespace

int RunReport(std::span<char* const> args) {
  const Parsed parsed = Parse(args);
  if (!parsed.options) return parsed.exit_code;
  const Options& options = *parsed.options;
#ifndef TALLYSCAN_HAVE_PAPER
  if (options.format == Format::kPdf) {
    return UsageError("report", "this build writes no PDF (it was made without Qt)");
  }
#endif
  // The print date and the parameters are taken before the data is read and before any file
  // is made: a refusal of either leaves nothing behind.
  std::optional<std::int64_t> epoch;
  if (!ReadCommandEpoch(epoch)) return kExitFailed;
  if (options.kind == Kind::kPortfolio) return RunPortfolioReport(options, epoch);
  const std::optional<JetParameters> parameters = ParametersForCommand(options.params_file);
  if (!parameters) return kExitFailed;

  TerminalProgress bar;
  RecordStore store;
  // The workbook's and the PDF's properties name the data file by its digest, taken as the
  // import reads it.
  const bool digest = options.format == Format::kXlsx || options.format == Format::kPdf;
  const std::optional<ImportResult> imported =
      ImportForCommand(store, options.folder, bar, options.threads, digest);
  if (!imported) return kExitFailed;
  if (imported->interrupted) return kExitInterrupted;

  // The output is examined before any work: a refusal leaves everything as it was.
  ReportFile file;
  const bool to_standard_output = options.out == kStandardOutput;
  if (!to_standard_output) {
    const Status refused = ReportFile::Open(options.out, InputsOfStore(store), file);
    if (!refused.ok()) {
      std::cerr << refused.message() << '\n';
      return kExitFailed;
    }
  }

  // What the browser's report shows, found before any file is made: a refusal leaves none.
  const ViewArgs& view = options.view;
  CardRange range;
  LoadedDocument document;
  if (options.kind == Kind::kIndex && view.SortField() != 0) {
    SortAccountList(store, view.SortField());
  } else if (options.kind == Kind::kItems && view.SortField() != 0) {
    SortItems(store, view.SortField());
  } else if (options.kind == Kind::kLedger) {
    const std::string* from = view.Option("from");
    const std::string* to = view.Option("to");
    range = FindCardRange(store, from ? *from : "", to ? *to : "");
    if (!range.message.empty()) {
      std::cerr << range.message << '\n';
      return kExitFailed;
    }
  } else if (options.kind == Kind::kDocument) {
    const std::string& type = *view.Option("type");
    const ElementRange run = DocumentRunOrSay(store, type);
    if (run.empty()) return kExitFailed;
    std::int64_t element = run.first;
    if (const std::string* number = view.Option("number")) {
      element = DocumentNumberedOrSay(store, run, type, *number);
      if (element == 0) return kExitFailed;
    }
    document = LoadDocument(store, element);
  }

  std::optional<JetResult> jet;
  if (options.kind == Kind::kJet) {
    bar.SetLabel("jet");
    JetRun run = RunJet(store, SourceFilesOf(*imported), *parameters, AllJetTests(), bar);
    bar.Finish();
    if (!run.status.ok()) {
      if (ExitCodeOf(run.status) == kExitFailed) std::cerr << run.status.message() << '\n';
      return ExitCodeOf(run.status);
    }
    jet = std::move(run.result);
  }

  CheckResultRows check_rows;
  if (options.kind == Kind::kChecks) {
    const CommandClock clock(epoch);
    if (!RunChecks(store, options.ticks, clock, bar, check_rows)) {
      bar.Finish();
      return kExitInterrupted;
    }
    bar.Finish();
  }

  std::vector<std::string> statistics_rows;
  if (options.kind == Kind::kFields || options.kind == Kind::kSummaryDocuments ||
      options.kind == Kind::kSummaryRecords) {
    bar.SetLabel("fields");
    const FieldStatisticsRun run = RunFieldStatistics(store, SourceFilesOf(*imported), bar);
    bar.Finish();
    if (!run.status.ok()) {
      std::cerr << run.status.message() << '\n';
      return ExitCodeOf(run.status);
    }
    statistics_rows = options.kind == Kind::kFields             ? FieldStatisticsRows(*run.result)
                      : options.kind == Kind::kSummaryDocuments ? DocumentSummaryRows(*run.result)
                                                                : RecordCountRows(*run.result);
  }

  ReportHeader header = HeaderOfStore(store, PrintDate(epoch));
  const PrintFonts fonts = DefaultPrintFonts();
  if (options.format == Format::kXlsx || options.format == Format::kPdf) {
    header.source = DescribeSource(store);
  }
  Output output;
  MakeOutput(options.format, to_standard_output, std::move(file),
             epoch.value_or(static_cast<std::int64_t>(std::time(nullptr))), epoch, fonts, bar,
             output);
  if (epoch && header.source.read_at != 0) header.source.read_at = *epoch;

  ReportStream stream(header, fonts, {output.target.get()}, bar);
  bool completed = false;
  // The CLI prints the browsers' default columns.
  const auto default_fields = [](const FieldCatalogue& catalogue) {
    return ParseFieldList(catalogue.default_list, catalogue.FieldCount());
  };
  switch (options.kind) {
    case Kind::kIndex:
      completed = WriteIndexReport(store, default_fields(AccountIndexCatalogue()), stream);
      break;
    case Kind::kLedger:
      completed = WriteLedgerReport(store, range, default_fields(LedgerCatalogue()), stream);
      break;
    case Kind::kDocument:
      completed =
          WriteDocumentReport(store, document, default_fields(DocumentLinesCatalogue()), stream);
      break;
    case Kind::kItems:
      completed = WriteItemsReport(store, default_fields(ItemFieldCatalogue()), stream);
      break;
    case Kind::kChecks:
      completed = WriteChecksReport(check_rows, stream);
      break;
    case Kind::kImport:
      completed = WriteImportReport(imported->rows.Rows(), stream);
      break;
    case Kind::kJet: {
      const CivilDate day = PrintDate(epoch);
      char run_date[16];
      std::snprintf(run_date, sizeof run_date, "%04d-%02d-%02d", day.year, day.month, day.day);
      completed = WriteJetReport(store, *jet, run_date, stream);
      break;
    }
    case Kind::kFields:
      completed = WriteFieldStatisticsReport(statistics_rows, stream);
      break;
    case Kind::kSummaryDocuments:
      completed = WriteDocumentSummaryReport(statistics_rows, stream);
      break;
    case Kind::kSummaryRecords:
      completed = WriteRecordCountsReport(statistics_rows, stream);
      break;
    case Kind::kPortfolio:
      break;
  }
  // A stopped report is not kept: its temporary file goes and the file asked for stays as it
  // was. On standard output the bytes are gone already; the document ends with the line that
  // says it was stopped. A producer that was not stopped ends early only when it could not
  // read the data file.
  const bool stopped = stream.Stopped() || bar.interrupted();
  if ((stopped || !completed) && !to_standard_output) {
    stream.Abandon();
    bar.Finish();
    if (stopped) return kExitInterrupted;
    std::cerr << "שגיאה בקריאת הקובץ " << store.DataFile.Path() << '\n';
    return kExitFailed;
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
  // A Ctrl-C while an HTML document or the pages were closed comes too late to keep the
  // earlier file; the command still says it was interrupted.
  if (stopped || bar.interrupted()) return kExitInterrupted;
  return completed ? kExitCompleted : kExitFailed;
}

}  // namespace tallyscan::cli
