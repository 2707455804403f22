#include "cli/cli_output.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <vector>

namespace tallyscan::cli {
namespace {

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

}  // namespace

TerminalProgress::TerminalProgress() : draw_(::isatty(STDERR_FILENO) != 0) {}

void TerminalProgress::OnProgress(int percent) {
  constexpr int kWidth = 40;
  percent_ = percent;
  if (!draw_) return;
  const int filled = percent * kWidth / 100;
  std::fprintf(stderr, "\r\033[K%s%s[%s%s] %3d%%", label_.c_str(), label_.empty() ? "" : " ",
               std::string(static_cast<std::size_t>(filled), '#').c_str(),
               std::string(static_cast<std::size_t>(kWidth - filled), ' ').c_str(), percent);
  std::fflush(stderr);
  drawn_ = true;
}

void TerminalProgress::SetLabel(std::string_view label) {
  label_ = label;
  if (draw_) OnProgress(percent_);
}

void TerminalProgress::Finish() {
  if (drawn_) std::fputs("\r\033[K", stderr);
  drawn_ = false;
}

void PrintRows(std::span<const std::string> rows, bool raw) {
  if (raw) {
    for (const std::string& row : rows) std::cout << row << '\n';
    std::cout.flush();
    return;
  }
  std::vector<std::vector<std::string>> table;
  std::vector<std::size_t> widths;
  for (const std::string& row : rows) {
    std::vector<std::string> cells;
    const std::vector<std::string_view> split = SplitCells(row);
    cells.emplace_back(StatusWord(split[0]));
    for (std::size_t i = 1; i < split.size(); ++i) cells.push_back(Readable(split[i]));
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
  std::cout.flush();
}

}  // namespace tallyscan::cli
