#include "engine/report/grid_report.h"

#include <vector>

#include "engine/uniform/result_row.h"

namespace tallyscan {
namespace {

// The screen keeps a path or a figure in its reading order with the isolates U+2066-U+2069
// (UTF-8 E2 81 A6-A9); the targets order their texts themselves, and the code page has no
// place for them.
std::string WithoutIsolates(std::string text) {
  std::size_t kept = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (at + 2 < text.size() && text[at] == '\xE2' && text[at + 1] == '\x81' &&
        text[at + 2] >= '\xA6' && text[at + 2] <= '\xA9') {
      at += 2;
      continue;
    }
    text[kept++] = text[at];
  }
  text.resize(kept);
  return text;
}

}  // namespace

bool WriteGridReport(std::string_view coded_title, std::span<const GridReportColumn> columns,
                     std::int64_t row_count, const GridCellText& cell, ReportStream& stream) {
  stream.AddTitle(coded_title);
  ColumnSpecification specification;
  for (const GridReportColumn& column : columns) {
    specification.columns.push_back(
        {WithoutIsolates(column.caption), CharactersOfPixels(column.pixels), column.type});
  }
  stream.SetColumns(std::move(specification));

  std::int64_t number = 0;
  for (std::int64_t row = 0; row < row_count; ++row) {
    std::vector<std::string> cells(columns.size());
    bool summary = false;
    for (std::size_t column = 0; column < columns.size(); ++column) {
      if (columns[column].row_number) continue;
      CellLook look = LookOfCell(cell(row, column));
      summary = summary || look.heading;
      cells[column] = WithoutIsolates(std::move(look.shown));
    }
    if (!summary) {
      ++number;
      for (std::size_t column = 0; column < columns.size(); ++column) {
        if (columns[column].row_number) cells[column] = PlainNumber(number);
      }
    }
    if (!stream.Line(std::move(cells), summary ? kSummaryStyle : kBodyStyle)) return false;
  }
  return true;
}

}  // namespace tallyscan
