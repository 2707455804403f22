#include "engine/report/picked_columns.h"

namespace tallyscan {

std::vector<ReportColumn> PickedColumns(std::span<const ResultColumn> table,
                                        std::span<const ColumnPick> picks) {
  std::vector<ReportColumn> columns;
  columns.reserve(picks.size());
  for (const ColumnPick& pick : picks) {
    const ResultColumn& column = table[pick.cell];
    columns.push_back({std::string(column.heading), CharactersOfPixels(pick.pixels),
                       pick.type != 0      ? pick.type
                       : column.IsFigure() ? kFigureColumn
                                           : kTextColumn,
                       pick.figures_in_workbook});
  }
  return columns;
}

bool WritePickedCells(std::span<const std::string> rows, std::span<const ColumnPick> picks,
                      ReportStream& stream) {
  for (const std::string& row : rows) {
    DecodedRow decoded = DecodeRow(row);
    std::vector<std::string> line;
    line.reserve(picks.size());
    for (const ColumnPick& pick : picks) {
      line.push_back(pick.cell < decoded.cells.size() ? std::move(decoded.cells[pick.cell].shown)
                                                      : std::string());
    }
    const int style = decoded.status == RowStatus::kHeading ? kSummaryStyle : kBodyStyle;
    const LineMark mark = decoded.status == RowStatus::kError ? LineMark::kError : LineMark::kPlain;
    if (!stream.Line(std::move(line), style, 0, mark)) return false;
  }
  return true;
}

}  // namespace tallyscan
