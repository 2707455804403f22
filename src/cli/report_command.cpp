// tallyscan-cli report: imports a data folder and writes one of its reports as a file, through
// the same producers and writers as the output dialog (the printer excepted).
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cli/check_setup.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "engine/report/byte_sink.h"
#include "engine/report/html_writer.h"
#include "engine/report/report_source.h"
#include "engine/report/result_reports.h"
#include "engine/report/xlsx_writer.h"
#include "engine/uniform/import.h"
#ifdef TALLYSCAN_HAVE_PAPER
#include "paper/paper_session.h"
#include "paper/pdf_writer.h"
#endif

namespace tallyscan::cli {
namespace {

constexpr std::string_view kUsage =
    "usage: tallyscan-cli report checks|import --format xls|htm|xlsx|pdf --out FILE "
    "[--items LIST] DIR\n";

enum class Kind { kChecks, kImport };
enum class Format { kXls, kHtm, kXlsx, kPdf };

std::optional<Kind> KindNamed(std::string_view name) {
  if (name == "checks") return Kind::kChecks;
  if (name == "import") return Kind::kImport;
  return std::nullopt;
}

std::optional<Format> FormatNamed(std::string_view name) {
  if (name == "xls") return Format::kXls;
  if (name == "htm") return Format::kHtm;
  if (name == "xlsx") return Format::kXlsx;
  if (name == "pdf") return Format::kPdf;
  return std::nullopt;
}

// The moment SOURCE_DATE_EPOCH names, so that a report can be reproduced byte for byte.
std::optional<std::int64_t> SourceDateEpoch() {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch == nullptr || *epoch == '\0') return std::nullopt;
  return std::strtoll(epoch, nullptr, 10);
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

struct Options {
  Kind kind = Kind::kChecks;
  Format format = Format::kHtm;
  std::string out;
  std::string folder;
  CheckTicks ticks;
};

// nullopt after printing the usage (or what was wrong) on stderr.
std::optional<Options> Parse(std::span<char* const> args) {
  Options options;
  std::optional<Kind> kind;
  std::optional<Format> format;
  bool have_out = false;
  bool have_folder = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    const bool has_value = i + 1 < args.size();
    if (!kind && i == 0) {
      kind = KindNamed(a);
      if (!kind) break;
    } else if (a == "--format" && has_value) {
      format = FormatNamed(args[++i]);
      if (!format) break;
    } else if (a == "--out" && has_value) {
      options.out = args[++i];
      have_out = !options.out.empty();
    } else if (a == "--items" && has_value) {
      std::optional<CheckTicks> ticks = ParseCheckItems(args[++i]);
      if (!ticks) {
        std::cerr << "report: items are B1-B8 and D1-D9, separated by commas\n";
        return std::nullopt;
      }
      options.ticks = std::move(*ticks);
    } else if (!have_folder && !a.starts_with("--")) {
      options.folder = a;
      have_folder = true;
    } else {
      kind.reset();
      break;
    }
  }
  if (!kind || !format || !have_out || !have_folder) {
    std::cerr << kUsage;
    return std::nullopt;
  }
  options.kind = *kind;
  options.format = *format;
  return options;
}

}  // namespace

int RunReport(std::span<char* const> args) {
  std::optional<Options> parsed = Parse(args);
  if (!parsed) return 2;
  const Options& options = *parsed;
#ifndef TALLYSCAN_HAVE_PAPER
  if (options.format == Format::kPdf) {
    std::cerr << "report: this build writes no PDF (it was made without Qt)\n";
    return 2;
  }
#endif

  TerminalProgress bar;
  RecordStore store;
  const ImportResult imported = ImportFolder(store, options.folder, bar);
  bar.Finish();
  if (!imported.status.ok()) {
    std::cerr << imported.status.message() << '\n';
    return 1;
  }
  if (imported.interrupted) return kInterruptedExitCode;

  CheckResultRows check_rows;
  if (options.kind == Kind::kChecks) {
    const CommandClock clock;
    if (!RunChecks(store, options.ticks, clock, bar, check_rows)) {
      bar.Finish();
      return kInterruptedExitCode;
    }
    bar.Finish();
  }

  const std::optional<std::int64_t> epoch = SourceDateEpoch();
  ReportHeader header = HeaderOfStore(store, PrintDate(epoch));
  const PrintFonts fonts = DefaultPrintFonts();
  std::unique_ptr<ByteSink> sink;
  std::unique_ptr<ReportTarget> target;
#ifdef TALLYSCAN_HAVE_PAPER
  std::optional<PaperSession> paper;
#endif
  switch (options.format) {
    case Format::kXls:
    case Format::kHtm:
      sink = std::make_unique<FileSink>(options.out);
      target = std::make_unique<HtmlReportWriter>(
          options.format == Format::kXls ? HtmlForm::kExcel : HtmlForm::kMail, *sink);
      break;
    case Format::kXlsx:
      header.source = DescribeSource(store);
      target = std::make_unique<XlsxReportWriter>(
          options.out, epoch.value_or(static_cast<std::int64_t>(std::time(nullptr))));
      break;
    case Format::kPdf:
#ifdef TALLYSCAN_HAVE_PAPER
      header.source = DescribeSource(store);
      paper.emplace();
      target = std::make_unique<PdfReportWriter>(options.out, fonts);
#endif
      break;
  }
  if (epoch && header.source.read_at != 0) header.source.read_at = *epoch;

  ReportStream stream(header, fonts, {target.get()}, bar);
  bool completed = false;
  switch (options.kind) {
    case Kind::kChecks:
      completed = WriteChecksReport(check_rows, stream);
      break;
    case Kind::kImport:
      completed = WriteImportReport(imported.rows.Rows(), stream);
      break;
  }
  const Status written = stream.End();
  bar.Finish();
  if (!written.ok()) {
    std::cerr << written.message() << '\n';
    return 1;
  }
  return completed ? 0 : kInterruptedExitCode;
}

}  // namespace tallyscan::cli
