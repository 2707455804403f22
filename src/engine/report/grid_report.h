#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// Any grid handed to the report stream as it stands: its columns (caption, width in the list,
// figure type) and its rows as the grid's own cell texts, markers included. This is the
// report of a page that has no producer of its own (the companies list), and the base a
// browser's producer may build on.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "engine/report/report_stream.h"

namespace tallyscan {

struct GridReportColumn {
  std::string caption;      // UTF-8, as the grid's heading shows it
  int pixels = 0;           // the column's width in the list (a field list's width)
  int type = kTextColumn;   // the figure type of report.h
  bool row_number = false;  // the image column "#": prints the number of the data row
};

// The text of a cell, markers included: row 0-based, column an index into the columns. Called
// once per cell in row order; it must not change the rows.
using GridCellText = std::function<std::string(std::int64_t row, std::size_t column)>;

// Writes `coded_title` (e.g. "10" + "רשימת החברות"), the columns and one line per row. The
// cells lose their markers; directional isolates (U+2066-U+2069) that keep a path in its
// order on screen stay, since a right-to-left page needs them as much (the HTML writes them
// as character references). A row with a heading cell (a totals row) is a summary line whose
// number column stays empty, every other row a body line numbered 1, 2, 3 ... Returns false
// when the stream was stopped before the last row.
bool WriteGridReport(std::string_view coded_title, std::span<const GridReportColumn> columns,
                     std::int64_t row_count, const GridCellText& cell, ReportStream& stream);

}  // namespace tallyscan
