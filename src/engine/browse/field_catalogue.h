#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// The field catalogues of the browsers: field n of a browser is the n-th column of its column
// table (view_columns.h), whose heading is the field's caption. A catalogue also carries what
// the browser's field-list setting and its field-selection dialog need, and how its search
// box takes input for each field.

#include <span>
#include <string>
#include <string_view>

#include "engine/uniform/uniform.h"

namespace tallyscan {

// Which keyboard the search box offers for a field: the numeric one, the Hebrew one, or the
// keyboard as it is. The box takes any text in each case (codes hold letters and dashes).
enum class SearchEntry { kAny, kDigits, kHebrew };

struct FieldCatalogue {
  std::string_view value_name;            // the field list's value under "Params", e.g. "IdxFields"
  std::string_view default_list;          // the field list when none is stored
  std::string_view dialog_title;          // title of the field-selection dialog
  std::span<const ResultColumn> columns;  // the column of field n at [n - 1]
  std::span<const std::string_view> long_names;  // dialog name of field n (n >= 2) at [n - 2]
  std::span<const int> numeric_fields;
  std::span<const int> hebrew_fields;

  int FieldCount() const { return static_cast<int>(columns.size()); }
  // Empty for a field outside the catalogue.
  std::string_view Caption(int field) const;
  std::string_view LongName(int field) const;
  SearchEntry EntryFor(int field) const;
};

// The accounts index: 19 fields, stored as "IdxFields".
const FieldCatalogue& AccountIndexCatalogue();
// The ledger card: 26 fields, stored as "TnuaFields".
const FieldCatalogue& LedgerCatalogue();

// The caption of a browser's search box: the fixed prompt followed by the caption of the
// field the rows are sorted by ("SortIndex").
std::string SearchPrompt(const FieldCatalogue& catalogue, int sort_field);
// The same for a column of a grid without a catalogue (a result list), by its caption.
std::string SearchPrompt(std::string_view column_caption);

}  // namespace tallyscan
