#pragma once

// Result rows (status digit, then TAB-separated cells) shown in a grid in an order the user
// picks with the header: the rows stay as the engine gave them, an order over them is sorted.
// Cells that read as figures ("1,234.50", "87.50%", "12") sort by value, before any text;
// texts sort by their bytes. Rows that compare equal keep the engine's order.

#include <string>
#include <vector>

#include "app/widgets/grid.h"

namespace tallyscan {

class SortedRows final : public GridRowSource {
 public:
  // The rows anew, in the engine's order.
  void Set(std::vector<std::string> rows);
  void Clear() { Set({}); }
  int Count() const { return static_cast<int>(rows_.size()); }

  // Ascending by `field` (1-based, as the grid counts), then `Reverse` turns the order.
  void SortBy(int field);
  void Reverse();

  // The engine's index of the row shown at `row`; -1 outside the rows.
  int Original(int row) const;
  // The row shown at `row`.
  const std::string& Row(int row) const;
  // Where the engine's row `original` is shown; -1 when there is none.
  int Shown(int original) const;

  std::string CellText(int row, int field) const override;

 private:
  std::vector<std::string> rows_;
  std::vector<int> order_;
};

}  // namespace tallyscan
