// tallyscan-cli import: reads a data folder and prints the import log.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "cli/analysis_output.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/import_figures.h"
#include "cli/table_output.h"
#include "cli/terminal_progress.h"
#include "engine/uniform/import.h"

namespace tallyscan::cli {

namespace {

void PrintStats(const ImportResult& result, double seconds) {
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  const double mb = static_cast<double>(result.bytes_read) / (1024.0 * 1024.0);
  const double safe = seconds > 0 ? seconds : 1e-9;
  std::fprintf(
      stderr, "elapsed %.3f s, %lld lines, %.0f lines/s, %.1f MB, %.1f MB/s, peak memory %.1f MB\n",
      seconds, static_cast<long long>(result.lines_read),
      static_cast<double>(result.lines_read) / safe, mb, mb / safe,
      static_cast<double>(usage.ru_maxrss) / 1024.0);
}

}  // namespace

int PrintImportLog(const OutputOptions& output, const std::string& folder,
                   const ImportResult& imported, const RecordStore& store) {
  RunFacts facts("import");
  facts.subject.Add("folder", folder);
  facts.interrupted = imported.interrupted;
  facts.errors = imported.findings;
  AddImportFigures(imported, store, facts.summary);
  // The import log holds counts and texts, no amounts.
  return PrintTable(output, facts, imported.rows.Rows(), TableShape{});
}

int RunImport(std::span<char* const> args) {
  OutputOptions output;
  bool stats = false;
  int threads = 0;
  std::optional<std::string> folder;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    std::string_view mistake;
    switch (ReadReadingOption(args, i, output, threads, mistake)) {
      case OptionRead::kTaken:
        continue;
      case OptionRead::kBad:
        return UsageError("import", mistake);
      case OptionRead::kNotMine:
        break;
    }
    if (a == "--stats") {
      stats = true;
    } else if (!folder && !a.starts_with("--")) {
      folder = std::string(a);
    } else {
      return UsageError("import", "unexpected argument " + std::string(a));
    }
  }
  if (!folder) return UsageError("import", "the data folder is missing");

  RecordStore store;
  TerminalProgress bar;
  const auto start = std::chrono::steady_clock::now();
  ImportOptions options;
  options.read_threads = threads;
  const ImportResult result = ImportFolder(store, *folder, bar, options);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  bar.Finish();
  if (!result.status.ok()) {
    std::cerr << result.status.message() << '\n';
    return kExitFailed;
  }
  const int exit_code = PrintImportLog(output, *folder, result, store);
  if (stats) PrintStats(result, seconds);
  return exit_code;
}

}  // namespace tallyscan::cli
