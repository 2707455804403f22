// What writing the ledger workbook's cells costs the workbook library alone: the rows of
// `view ledger --raw` (TAB-separated cells) written as a workbook the way the report writes its
// cells (a figure as a number in one of a few formats, any other cell as its text, rows of one
// cell as a title), through the library and nothing of ours, with the same options (rows
// streamed to a temporary file, large-file zip). Prints the time of the cells (the library
// making its sheet XML) and of closing the book (its compression and the rest of the package).
//   workbook_floor_bench ROWS_FILE OUT.xlsx [COLUMNS]
// COLUMNS, such as 1,6,12,17,18,19, picks the cells of each row written (1-based); all of them
// without it.
#include <xlsxwriter.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A cell of digits, at most one '.' and a leading '-', markers left out: the number it reads
// as, or false.
bool AsNumber(std::string_view cell, double& value) {
  std::string digits;
  for (const char c : cell) {
    if ((c >= '0' && c <= '9') || c == '.' || c == '-')
      digits += c;
    else if (c == ',' || static_cast<unsigned char>(c) < 0x20)
      continue;
    else
      return false;
  }
  if (digits.empty() || digits == "-" || digits == ".") return false;
  char* end = nullptr;
  value = std::strtod(digits.c_str(), &end);
  return end == digits.c_str() + digits.size();
}

}  // namespace

int main(int argc, char** argv) {
  using Clock = std::chrono::steady_clock;
  if (argc < 3) {
    std::fprintf(stderr, "usage: workbook_floor_bench ROWS_FILE OUT.xlsx [COLUMNS]\n");
    return 2;
  }
  std::vector<int> columns;
  if (argc > 3) {
    std::stringstream list(argv[3]);
    for (std::string n; std::getline(list, n, ',');) columns.push_back(std::stoi(n) - 1);
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<std::string> rows;
  for (std::string line; std::getline(in, line);) rows.push_back(std::move(line));

  const auto start = Clock::now();
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.use_zip64 = LXW_TRUE;
  lxw_workbook* book = workbook_new_opt(argv[2], &options);
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  lxw_format* bold = workbook_add_format(book);
  format_set_bold(bold);
  lxw_format* figure = workbook_add_format(book);
  format_set_num_format(figure, "#,##0.00;-#,##0.00");
  lxw_format* debit = workbook_add_format(book);
  format_set_num_format(debit, "#,##0.00;-#,##0.00");
  format_set_font_color(debit, 0x0000C0);
  constexpr lxw_row_t kRowsPerSheet = 1000000;
  lxw_row_t row = 0;
  std::vector<std::string_view> cells;
  long long written = 0;
  for (const std::string& line : rows) {
    if (row == kRowsPerSheet) {
      sheet = workbook_add_worksheet(book, nullptr);
      row = 0;
    }
    cells.clear();
    for (std::string_view rest = line;;) {
      const std::size_t tab = rest.find('\t');
      cells.push_back(rest.substr(0, tab));
      if (tab == std::string_view::npos) break;
      rest.remove_prefix(tab + 1);
    }
    if (cells.size() == 1) {
      worksheet_write_string(sheet, row++, 0, std::string(cells[0]).c_str(), bold);
      ++written;
      continue;
    }
    std::vector<int> chosen = columns;
    if (chosen.empty()) {
      for (std::size_t c = 0; c < cells.size(); ++c) chosen.push_back(static_cast<int>(c));
    }
    lxw_col_t col = 0;
    for (const int c : chosen) {
      const std::string_view cell =
          static_cast<std::size_t>(c) < cells.size() ? cells[static_cast<std::size_t>(c)] : "";
      double value = 0;
      if (AsNumber(cell, value)) {
        worksheet_write_number(sheet, row, col, value, col % 2 ? debit : figure);
        ++written;
      } else if (!cell.empty()) {
        worksheet_write_string(sheet, row, col, std::string(cell).c_str(), nullptr);
        ++written;
      }
      ++col;
    }
    ++row;
  }
  const auto cells_done = Clock::now();
  const lxw_error closed = workbook_close(book);
  const auto end = Clock::now();
  if (closed != LXW_NO_ERROR) {
    std::fprintf(stderr, "%s\n", lxw_strerror(closed));
    return 1;
  }
  const auto seconds = [](auto d) { return std::chrono::duration<double>(d).count(); };
  std::printf("%zu rows, %lld cells: cells %.3f s, closing %.3f s, whole %.3f s\n", rows.size(),
              written, seconds(cells_done - start), seconds(end - cells_done),
              seconds(end - start));
  return 0;
}
