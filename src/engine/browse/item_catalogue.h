#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// The item catalogue without its window: the cells of an item row (the catalogue
// "PrtFields", fields 1-14), sorting the rows by a field, and the search in the sort column.
// Rows are the entries of the store's ItemListIndex, in its order.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/browse/field_catalogue.h"
#include "engine/browse/view_columns.h"
#include "engine/common/status.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

inline constexpr int kItemFieldCount = ItemColumns::kFieldCount;

// The catalogue's fields for its grid, its field list ("PrtFields") and its search box.
const FieldCatalogue& ItemFieldCatalogue();
// The field the catalogue is in when the data set is loaded: the item index's own order.
inline constexpr int kItemInitialSort = ItemColumns::Field("internal_code");

// Field n (1-14) of an item's M100 line. Field 1 is the image index: 0 for an item, 1 (a
// warning) where the quantity balance is below zero.
std::string ItemCell(std::string_view m100_line, int field, bool dos_code_page);
// Every field 1-14 joined by TAB.
std::string ItemRowText(std::string_view m100_line, bool dos_code_page);
// Opening + in - out, hundredths.
std::int64_t ItemQuantityBalance(std::string_view m100_line);

// Whether the catalogue can be sorted by a field: 2-14.
bool ItemSortable(int field);

// Sorts ItemListIndex by `field`: each entry's Key becomes the field's text (texts trimmed and
// converted from DOS where the field is, other fields as stored; the quantity
// balance as a sortable signed text), left-aligned in 23; entries are then ordered by Key,
// ties by file order. A field that cannot be sorted by leaves the index as it is and
// returns false.
bool SortItems(RecordStore& store, int field);

// The first entry (element, 1-based) from `from` on whose sort key contains `word` (UTF-8
// as typed, blanks around it ignored), in the form the keys hold (code page 1255, whatever
// the file's code page). The quantity balance is looked for as shown. 0 when none does,
// or the word is empty.
std::int64_t FindItem(const RecordStore& store, int sort_field, std::string_view word,
                      std::int64_t from = 1);

// The rows of the catalogue for a grid: reads an item's line once for the many cells of its
// row.
class ItemRows {
 public:
  explicit ItemRows(const RecordStore& store) : store_(store) {}
  int RowCount() const { return static_cast<int>(store_.ItemListIndex.Count()); }
  // Field 1-14 of row 0..RowCount()-1; a row beyond the file's end shows empty cells.
  std::string Cell(int row, int field) const;
  std::int64_t OffsetOf(int row) const;
  // Forgets the line kept (after a sort the rows are others).
  void Forget() const { cached_row_ = -1; }

 private:
  const RecordStore& store_;
  mutable int cached_row_ = -1;
  mutable std::string cached_line_;
};

}  // namespace tallyscan
