#include "engine/report/grid_report.h"

#include <vector>

#include "engine/uniform/uniform.h"

namespace tallyscan {

bool WriteGridReport(std::string_view coded_title, std::span<const GridReportColumn> columns,
                     std::int64_t row_count, const GridCellText& cell, ReportStream& stream) {
  stream.AddTitle(coded_title);
  ColumnLayout column_layout;
  for (const GridReportColumn& column : columns) {
    column_layout.columns.push_back(
        {column.caption, CharactersOfPixels(column.pixels), column.type});
  }
  stream.SetColumns(std::move(column_layout));

  std::int64_t number = 0;
  for (std::int64_t row = 0; row < row_count; ++row) {
    std::vector<std::string> cells(columns.size());
    bool summary = false;
    for (std::size_t column = 0; column < columns.size(); ++column) {
      if (columns[column].row_number) continue;
      CellLook look = LookOfCell(cell(row, column));
      summary = summary || look.heading;
      cells[column] = std::move(look.shown);
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
