#pragma once

// A grid's columns taken from a row kind's column table (engine/uniform/columns.h): the status
// column ("#", its icon) first, then the cells the grid shows, by name, each at its starting
// width; the heading comes from the table. Grid field 1 is the status, field n + 1 the n-th
// cell picked.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/widgets/grid.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

struct GridPick {
  std::size_t cell = 0;  // Columns<...>::Cell("name")
  int width = 0;
};

inline constexpr int kStatusColumnWidth = 30;

// `stored`: the widths the user kept, as FixedColumns takes them.
std::vector<GridColumn> PickedGridColumns(std::span<const ResultColumn> table,
                                          std::span<const GridPick> picks,
                                          std::string_view stored = {});

// A result row as the grid shows it: its status, then the picked cells.
std::string PickedGridRow(std::string_view row, std::span<const GridPick> picks);

// The kinds of the grid's fields, the status first (as text), for SortedRows.
std::vector<ValueKind> PickedKinds(std::span<const ResultColumn> table,
                                   std::span<const GridPick> picks);

// The grid field that shows `cell`; 0 when none does.
constexpr int GridFieldOf(std::span<const GridPick> picks, std::size_t cell) {
  for (std::size_t i = 0; i < picks.size(); ++i) {
    if (picks[i].cell == cell) return static_cast<int>(i) + 2;
  }
  return 0;
}

// Whether `picks` are the cells 0 .. count - 1 in order: a grid that shows the engine's rows as
// they are.
constexpr bool PicksEveryCell(std::span<const GridPick> picks, std::size_t count) {
  if (picks.size() != count) return false;
  for (std::size_t i = 0; i < picks.size(); ++i) {
    if (picks[i].cell != i) return false;
  }
  return true;
}

}  // namespace tallyscan
