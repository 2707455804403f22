// tallyscan-cli report: imports a data folder and writes one of its reports as a file, through
// the same producers and writers as the output dialog (the printer excepted). The browsers'
// reports take the options of their views: index and items --sort, ledger --from and --to,
// document --type and --number (without it, the first document of the type). The statistics'
// reports run the field statistics first. The file goes
// through ReportFile, as the output dialog's do; "--out -" puts an HTML form on standard output.
// Each report is a row of kReportKinds (report_kinds.cpp); this file reads the command line and
// runs the steps every report of a data folder shares.
#include <cstdint>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/import_figures.h"
#include "cli/parameters_file.h"
#include "cli/report_kinds.h"
#include "engine/report/report.h"

namespace tallyscan::cli {
namespace {

const ReportKind* KindNamed(std::string_view name) {
  for (const ReportKind& kind : ReportKinds()) {
    if (kind.name == name) return &kind;
  }
  return nullptr;
}

// "the report is index, ledger, …, summary-records or portfolio".
std::string KindsMistake() {
  std::string text = "the report is ";
  const std::span<const ReportKind> kinds = ReportKinds();
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    if (i > 0) text += i + 1 == kinds.size() ? " or " : ", ";
    text += kinds[i].name;
  }
  return text;
}

std::optional<ReportFormat> FormatNamed(std::string_view name) {
  if (name == "xls") return ReportFormat::kXls;
  if (name == "htm") return ReportFormat::kHtm;
  if (name == "xlsx") return ReportFormat::kXlsx;
  if (name == "pdf") return ReportFormat::kPdf;
  return std::nullopt;
}

bool IsViewOption(const ReportKind& kind, std::string_view name) {
  for (const std::string_view option : kind.view_options) {
    if (option == name) return true;
  }
  return false;
}

// The options, or the usage error's exit code after it was printed.
struct Parsed {
  std::optional<ReportOptions> options;
  int exit_code = kExitUsage;
};

Parsed Refuse(std::string_view mistake) { return {std::nullopt, UsageError("report", mistake)}; }

// Reads one argument after the report's name; a usage error's exit code when it is wrong.
std::optional<Parsed> ReadArgument(std::span<char* const> args, std::size_t& i,
                                   std::optional<ReportFormat>& format, bool& have_folder,
                                   ReportOptions& options) {
  const std::string_view a = args[i];
  const bool has_value = i + 1 < args.size();
  const ReportKind& kind = *options.kind;
  if (a == "--format" && has_value) {
    format = FormatNamed(args[++i]);
    if (!format) return Refuse("--format takes xls, htm, xlsx or pdf");
  } else if (a == "--out" && has_value) {
    options.out = args[++i];
  } else if (a == "--items" && has_value) {
    std::optional<CheckTicks> ticks = ParseCheckItems(args[++i]);
    if (!ticks) return Refuse("items are B1-B8 and D1-D9, separated by commas");
    options.ticks = std::move(*ticks);
  } else if (a == "--params" && has_value && kind.takes_params) {
    options.params_file = args[++i];
  } else if (a.starts_with("--") && has_value && IsViewOption(kind, a.substr(2))) {
    options.view.options.emplace_back(std::string(a.substr(2)), std::string(args[++i]));
  } else if (!have_folder && !a.starts_with("--")) {
    options.folder = a;
    have_folder = true;
  } else if (kind.two_folders && options.current_folder.empty() && !a.starts_with("--")) {
    options.current_folder = a;
  } else {
    return Refuse("unexpected argument " + std::string(a));
  }
  return std::nullopt;
}

Parsed Parse(std::span<char* const> args) {
  ReportOptions options;
  if (args.empty()) return Refuse("the report is missing");
  options.kind = KindNamed(args[0]);
  if (!options.kind) return Refuse(KindsMistake());
  std::optional<ReportFormat> format;
  bool have_folder = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    switch (ReadThreadsOption(args, i, options.threads)) {
      case OptionRead::kTaken:
        continue;
      case OptionRead::kBad:
        return Refuse(kThreadsMistake);
      case OptionRead::kNotMine:
        break;
    }
    if (std::optional<Parsed> refused = ReadArgument(args, i, format, have_folder, options)) {
      return std::move(*refused);
    }
  }
  if (!format) return Refuse("--format is missing");
  if (options.out.empty()) return Refuse("--out is missing");
  if (options.out == kStandardOutputPath &&
      (*format == ReportFormat::kXlsx || *format == ReportFormat::kPdf)) {
    return Refuse("--out - takes the HTML forms, xls and htm");
  }
  if (!have_folder) return Refuse("the data folder is missing");
  if (options.kind->two_folders && options.current_folder.empty()) {
    return Refuse("the two data folders, PRIOR and CURRENT, are needed");
  }
  options.format = *format;
  if (options.kind->view_mistake) {
    const std::string_view mistake = options.kind->view_mistake(options.view);
    if (!mistake.empty()) return Refuse(mistake);
  }
  return {std::move(options), kExitCompleted};
}

// Writes the prepared report of `run` to the file opened for it (or to standard output).
int WriteDataReport(DataReport& run, const ReportWriter& write, ReportFile file) {
  const ReportOptions& options = run.options;
  const bool to_standard_output = options.out == kStandardOutputPath;
  ReportHeader header = HeaderOfStore(run.store, PrintDate(run.epoch));
  const PrintFonts fonts = DefaultPrintFonts();
  if (options.format == ReportFormat::kXlsx || options.format == ReportFormat::kPdf) {
    header.source = DescribeSource(run.store);
  }
  ReportOutput output;
  MakeReportOutput(options.format, to_standard_output, std::move(file),
                   run.epoch.value_or(static_cast<std::int64_t>(std::time(nullptr))), run.epoch,
                   fonts, run.bar, output);
  if (run.epoch && header.source.read_at != 0) header.source.read_at = *run.epoch;

  ReportStream stream(header, fonts, {output.target.get()}, run.bar);
  const bool completed = write(stream);
  // A stopped report is not kept: its temporary file goes and the file asked for stays as it
  // was. On standard output the bytes are gone already; the document ends with the line that
  // says it was stopped. A producer that was not stopped ends early only when it could not
  // read the data file.
  const bool stopped = stream.Stopped() || run.bar.interrupted();
  if ((stopped || !completed) && !to_standard_output) {
    stream.Abandon();
    run.bar.Finish();
    if (stopped) return kExitInterrupted;
    std::cerr << "שגיאה בקריאת הקובץ " << run.store.DataFile.Path() << '\n';
    return kExitFailed;
  }
  const Status written = stream.End();
  run.bar.Finish();
  if (!written.ok()) {
    // Standard output's failure is told once, by the program's end.
    if (ExitCodeOf(written) == kExitFailed && !to_standard_output) {
      std::cerr << written.message() << '\n';
    }
    return ExitCodeOf(written);
  }
  // A Ctrl-C while an HTML document or the pages were closed comes too late to keep the
  // earlier file; the command still says it was interrupted.
  if (stopped || run.bar.interrupted()) return kExitInterrupted;
  return completed ? kExitCompleted : kExitFailed;
}

int RunDataReport(const ReportOptions& options, std::optional<std::int64_t> epoch,
                  const JetParameters& parameters) {
  TerminalProgress bar;
  RecordStore store;
  // The workbook's and the PDF's properties name the data file by its digest, taken as the
  // import reads it.
  const bool digest = options.format == ReportFormat::kXlsx || options.format == ReportFormat::kPdf;
  const std::optional<ImportResult> imported =
      ImportForCommand(store, options.folder, bar, options.threads, digest);
  if (!imported) return kExitFailed;
  if (imported->interrupted) return kExitInterrupted;

  // The output is examined before any work: a refusal leaves everything as it was.
  ReportFile file;
  if (options.out != kStandardOutputPath) {
    const Status refused = ReportFile::Open(options.out, InputsOfStore(store), file);
    if (!refused.ok()) {
      std::cerr << refused.message() << '\n';
      return kExitFailed;
    }
  }
  DataReport run{options, epoch, parameters, store, *imported, bar};
  const PreparedReport prepared = options.kind->prepare(run);
  if (!prepared.write) return prepared.exit_code;
  return WriteDataReport(run, prepared.write, std::move(file));
}

}  // namespace

int RunReport(std::span<char* const> args) {
  const Parsed parsed = Parse(args);
  if (!parsed.options) return parsed.exit_code;
  const ReportOptions& options = *parsed.options;
#ifndef TALLYSCAN_HAVE_PAPER
  if (options.format == ReportFormat::kPdf) {
    return UsageError("report", "this build writes no PDF (it was made without Qt)");
  }
#endif
  // The print date and the parameters are taken before the data is read and before any file
  // is made: a refusal of either leaves nothing behind.
  std::optional<std::int64_t> epoch;
  if (!ReadCommandEpoch(epoch)) return kExitFailed;
  if (options.kind->run) return options.kind->run(options, epoch);
  const std::optional<JetParameters> parameters = ParametersForCommand(options.params_file);
  if (!parameters) return kExitFailed;
  return RunDataReport(options, epoch, *parameters);
}

}  // namespace tallyscan::cli
