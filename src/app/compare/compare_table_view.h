#pragma once

// One table of the comparison in the grid framework: its rows as the engine made them
// (CompareTableRows), shown with the engine's words in Hebrew, sorted by the header on the
// engine's values, narrowed by the filter box above, copied and saved as CSV by the grid.
// Error and flagged rows are red with the error picture; the account the prior year's result
// was carried to has a background of its own.

#include <string>
#include <vector>

#include <QWidget>

#include "app/widgets/sorted_rows.h"
#include "engine/analytics/analytics.h"

namespace tallyscan {

class FilterBox;
class Grid;
struct PageView;

class CompareTableView final : public QWidget {
  Q_OBJECT
 public:
  CompareTableView(CompareTable table, QWidget* parent);
  ~CompareTableView() override;

  // New rows in the engine's order; `result_account` (trimmed key, empty for none) is marked.
  void SetRows(std::vector<std::string> engine_rows, std::string result_account);
  void Clear() { SetRows({}, {}); }

  CompareTable Table() const { return table_; }
  Grid* View() const { return grid_; }
  FilterBox* Filter() const { return filter_; }
  // The rows as the engine made them, in its order.
  const std::vector<std::string>& EngineRows() const { return engine_rows_; }
  // The engine's row at grid row `row`; -1 for none.
  int EngineRow(int row) const;
  // The engine's row of the grid's current (selected) row; -1 for none.
  int CurrentEngineRow() const;

  // Where the table stands (the current row as the engine's, the order, the filter) and back.
  void SaveView(PageView& view) const;
  void RestoreView(const PageView& view);

  // The background of the row marked as the result account's.
  static QColor ResultAccountColour();

 private:
  void Sort(int field);
  void Reverse();

  CompareTable table_;
  std::vector<std::string> engine_rows_;
  std::string result_account_;
  SortedRows rows_;  // as shown: the engine's rows with their words in Hebrew
  Grid* grid_ = nullptr;
  FilterBox* filter_ = nullptr;
};

}  // namespace tallyscan
