#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// The accounts index: one row per account (B110) in AccountListIndex order, then the totals
// row of the trial balance. The cell texts are those every index view prints (the page, the
// reports, `tallyscan-cli view index`): UTF-8, with their markers, file text made safe.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/browse/view_columns.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

inline constexpr int kIndexFieldCount = IndexColumns::kFieldCount;
// The fields of figures: the opening balance, the debits, the credits, the balance and the
// opening balance in foreign currency.
inline constexpr int kFirstIndexFigure = IndexColumns::Field("opening");
inline constexpr int kLastIndexFigure = IndexColumns::Field("opening_fx");

// Cell texts of fields 1..n, field f at [f - 1].
using RowCells = std::vector<std::string>;

// The cells of an account's row from its B110 line. A line that could not be read (empty)
// gives empty cells.
RowCells AccountRowCells(std::string_view b110_line, bool dos_code_page);

// The picture of an account in field 1 (an index into the list images), by the income-tax
// section code of its B110 line.
char AccountImage(std::string_view b110_line);

// The totals row: "3", the caption, and the four totals of the store, each text ending with
// the heading marker.
RowCells AccountTotalsCells(const RecordStore& store);

// The sort of a header click on field `field` (1..kIndexFieldCount): every AccountListIndex key
// becomes the field's sort text, and the entries are sorted by key, card number, then file order.
// The keys keep the sort text until the next sort or import. Returns false, changing
// nothing, for a field out of range; throws std::bad_alloc like the index itself.
bool SortAccountList(RecordStore& store, int field);

// The rows of the index as a grid asks for them (row 1..RowCount(), the last is the totals
// row). The cache keeps the last row read, so that the cells of one row cost one read.
// The store must outlive the object and stay unchanged while it is used (Forget after an
// import or a sort).
class AccountsIndexRows {
 public:
  explicit AccountsIndexRows(const RecordStore& store) : store_(store) {}

  std::int64_t RowCount() const { return store_.AccountListIndex.Count() + 1; }
  // Row `row` (1-based); rows out of range are empty.
  const RowCells& Row(std::int64_t row);
  void Forget() { cached_row_ = 0; }

 private:
  const RecordStore& store_;
  std::int64_t cached_row_ = 0;
  RowCells cells_;
};

}  // namespace tallyscan
