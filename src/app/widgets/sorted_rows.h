#pragma once

// Result rows (status digit, then TAB-separated cells) shown in a grid in an order the user
// picks with the header: the rows stay as the engine gave them, an order over them is sorted.
// Each of the grid's fields orders by the kind of value its column holds (uniform/columns.h):
// figures, amounts, dates and keys of digits by the value they stand for, before the cells
// that do not read as one; texts by their bytes. Rows that compare equal keep the engine's
// order.
//
// The rows are held shared and never changed once set, so that work off the window's thread
// (a sort, a filter's match) reads them through Shared() or Snapshot() while the grid shows
// them; Set gives new rows, leaving the old ones to whoever still holds them. They stand end to
// end in one text: a million hits are made into Rows on the worker that read them, and let go
// at once, not one text at a time on the window's thread.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/widgets/grid.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

class SortedRows final : public GridRowSource {
 public:
  class Rows {
   public:
    Rows() = default;
    explicit Rows(const std::vector<std::string>& rows);
    std::size_t size() const { return ends_.size(); }
    std::string_view operator[](std::size_t row) const;

   private:
    std::string text_;
    std::vector<std::size_t> ends_;  // where each row ends in text_
  };

  SortedRows();

  // The kinds of the grid's fields, field 1 first (column_grid.h's PickedKinds); a field
  // past them holds text.
  void SetKinds(std::vector<ValueKind> kinds) { kinds_ = std::move(kinds); }
  ValueKind KindOf(int field) const;

  // The rows anew, in the engine's order.
  void Set(Rows rows);
  void Clear() { Set(Rows()); }
  int Count() const { return static_cast<int>(rows_->size()); }

  // Ascending by `field` (1-based, as the grid counts), then `Reverse` turns the order.
  void SortBy(int field);
  void Reverse();
  // The order `SortBy(field)` gives, made from `rows` alone and the field's `kind`: for a sort
  // off the window's thread.
  static std::vector<int> SortedOrder(const Rows& rows, int field, ValueKind kind);
  // An order made by SortedOrder from Shared(); ignored unless it has a place for every row.
  void SetOrder(std::vector<int> order);

  // The rows as set, for work off the window's thread.
  std::shared_ptr<const Rows> Shared() const { return rows_; }
  // The rows in the order shown now, as a source of their own that stays as it is.
  std::unique_ptr<GridRowSource> Snapshot() const;

  // The engine's index of the row shown at `row`; -1 outside the rows.
  int Original(int row) const;
  // The row shown at `row`.
  std::string_view Row(int row) const;
  // Where the engine's row `original` is shown; -1 when there is none.
  int Shown(int original) const;

  std::string CellText(int row, int field) const override;

 private:
  std::shared_ptr<const Rows> rows_;
  std::vector<int> order_;
  std::vector<ValueKind> kinds_;
};

}  // namespace tallyscan
