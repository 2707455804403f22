#include "engine/browse/row_text.h"

#include "engine/uniform/result_row.h"

namespace tallyscan {

std::string_view RowField(std::string_view row, int field) {
  if (field < 1) return {};
  for (int i = 1; i < field; ++i) {
    const std::size_t tab = row.find('\t');
    if (tab == std::string_view::npos) return {};
    row.remove_prefix(tab + 1);
  }
  return row.substr(0, row.find('\t'));
}

CellLook LookOfCell(std::string_view cell) {
  CellLook look;
  look.shown.reserve(cell.size());
  while (!cell.empty()) {
    if (cell.starts_with(kHeadingMarker)) {
      look.heading = true;
      cell.remove_prefix(kHeadingMarker.size());
      continue;
    }
    const char c = cell.front();
    cell.remove_prefix(1);
    if (c == kDebitMarker) {
      look.debit = true;
    } else if (c == kCreditMarker) {
      look.credit = true;
    } else {
      look.shown += c;
    }
  }
  return look;
}

}  // namespace tallyscan
