#include "app/widgets/column_grid.h"

namespace tallyscan {

std::vector<GridColumn> PickedGridColumns(std::span<const ResultColumn> table,
                                          std::span<const GridPick> picks,
                                          std::string_view stored) {
  QStringList columns{QString::number(kStatusColumnWidth) + QStringLiteral(",#")};
  for (const GridPick& pick : picks) {
    const std::string_view heading = table[pick.cell].GridHeading();
    columns << QString::number(pick.width) + QLatin1Char(',') +
                   QString::fromUtf8(heading.data(), static_cast<qsizetype>(heading.size()));
  }
  return FixedColumns(columns, stored);
}

std::string PickedGridRow(std::string_view row, std::span<const GridPick> picks) {
  std::vector<std::string> cells;
  cells.reserve(picks.size() + 1);
  cells.emplace_back(RowField(row, 1));
  for (const GridPick& pick : picks) cells.emplace_back(StatusRowCell(row, pick.cell));
  return JoinCells(cells);
}

std::vector<ValueKind> PickedKinds(std::span<const ResultColumn> table,
                                   std::span<const GridPick> picks) {
  std::vector<ValueKind> kinds{ValueKind::kText};
  for (const GridPick& pick : picks) kinds.push_back(table[pick.cell].kind);
  return kinds;
}

}  // namespace tallyscan
