// tallyscan-cli import: reads a data folder and prints the import log.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include "cli/cli_output.h"
#include "cli/commands.h"
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

int RunImport(std::span<char* const> args) {
  bool raw = false;
  bool stats = false;
  std::string folder;
  bool have_folder = false;
  for (char* const arg : args) {
    const std::string_view a = arg;
    if (a == "--raw") {
      raw = true;
    } else if (a == "--stats") {
      stats = true;
    } else if (!have_folder && !a.starts_with("--")) {
      folder = a;
      have_folder = true;
    } else {
      have_folder = false;
      break;
    }
  }
  if (!have_folder) {
    std::cerr << "usage: tallyscan-cli import [--raw] [--stats] DIR\n";
    return 2;
  }

  RecordStore store;
  TerminalProgress bar;
  const auto start = std::chrono::steady_clock::now();
  const ImportResult result = ImportFolder(store, folder, bar);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  bar.Finish();
  if (!result.status.ok()) {
    std::cerr << result.status.message() << '\n';
    return 1;
  }
  PrintRows(result.rows.Rows(), raw);
  std::cout.flush();
  if (stats) PrintStats(result, seconds);
  return result.interrupted ? kInterruptedExitCode : 0;
}

}  // namespace tallyscan::cli
