// tallyscan-cli import: reads a data folder and prints the import log.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "engine/uniform/import.h"

namespace tallyscan::cli {

namespace {

// A bar on a terminal's stderr, redrawn when the percentage changes.
class TerminalProgress final : public ProgressMonitor {
 public:
  void OnProgress(int percent) override {
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, ' ').c_str(), percent);
    std::fflush(stderr);
    drawn_ = true;
  }
  bool StopRequested() override { return false; }
  void Finish() {
    if (drawn_) std::fputs("\r\033[K", stderr);
  }

 private:
  bool drawn_ = false;
};

std::vector<std::string_view> SplitCells(std::string_view row) {
  std::vector<std::string_view> cells;
  for (;;) {
    const std::size_t tab = row.find('\t');
    cells.push_back(row.substr(0, tab));
    if (tab == std::string_view::npos) break;
    row.remove_prefix(tab + 1);
  }
  return cells;
}

// A cell as a terminal shows it: without the heading, debit and credit markers.
std::string Readable(std::string_view cell) {
  std::string out;
  for (std::size_t i = 0; i < cell.size(); ++i) {
    if (cell.compare(i, 3, "\xE2\x80\x8E") == 0) {
      i += 2;
      continue;
    }
    if (cell[i] == '\x1C' || cell[i] == '\x1D') continue;
    out.push_back(cell[i]);
  }
  return out;
}

std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++width;
  }
  return width;
}

std::string_view StatusWord(std::string_view status) {
  if (status == "0") return "ok";
  if (status == "1") return "error";
  if (status == "3") return "info";
  if (status == "4") return "stopped";
  return status;
}

void PrintReadable(std::span<const std::string> rows) {
  std::vector<std::vector<std::string>> table;
  std::vector<std::size_t> widths;
  for (const std::string& row : rows) {
    std::vector<std::string> cells;
    const std::vector<std::string_view> raw = SplitCells(row);
    cells.emplace_back(StatusWord(raw[0]));
    for (std::size_t i = 1; i < raw.size(); ++i) cells.push_back(Readable(raw[i]));
    if (widths.size() < cells.size()) widths.resize(cells.size(), 0);
    for (std::size_t i = 0; i < cells.size(); ++i) {
      widths[i] = std::max(widths[i], DisplayWidth(cells[i]));
    }
    table.push_back(std::move(cells));
  }
  for (const std::vector<std::string>& cells : table) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      line += cells[i];
      if (i + 1 < cells.size()) line.append(widths[i] - DisplayWidth(cells[i]) + 2, ' ');
    }
    std::cout << line << '\n';
  }
}

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
  SilentProgress silent;
  const bool tty = ::isatty(STDERR_FILENO) != 0;
  const auto start = std::chrono::steady_clock::now();
  const ImportResult result =
      ImportFolder(store, folder, tty ? static_cast<ProgressMonitor&>(bar) : silent);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  bar.Finish();
  if (!result.status.ok()) {
    std::cerr << result.status.message() << '\n';
    return 1;
  }
  if (raw) {
    for (const std::string& row : result.rows.Rows()) std::cout << row << '\n';
  } else {
    PrintReadable(result.rows.Rows());
  }
  std::cout.flush();
  if (stats) PrintStats(result, seconds);
  return 0;
}

}  // namespace tallyscan::cli
