#pragma once

// Reading the rows a grid shows: each row a text of TAB-separated fields, each cell possibly
// carrying the markers the row builders put in (kHeadingMarker, kDebitMarker, kCreditMarker
// of result_row.h). The markers say how a cell is drawn and are never shown themselves.

#include <string>
#include <string_view>

namespace tallyscan {

// Field n (1-based) of a TAB-separated row; empty when the row stops before it.
std::string_view RowField(std::string_view row, int field);

// A cell as it is to be drawn.
struct CellLook {
  std::string shown;     // the text without its markers
  bool heading = false;  // bold
  bool debit = false;    // an amount in the debit sense
  bool credit = false;   // an amount in the credit sense, or an error value (red)
};
CellLook LookOfCell(std::string_view cell);

}  // namespace tallyscan
