#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// A report's columns taken from a row kind's column table (uniform/columns.h): the columns it
// has room for, by name, each at its width; heading and alignment come from the table. The
// rows are printed with their markers left out: a row with the error status prints in red, a
// totals row (heading status) in the totals style.

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "engine/report/report_stream.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

struct ColumnPick {
  std::size_t cell = 0;  // Columns<...>::Cell("name")
  int pixels = 0;        // the width on a page
  // A text column of words in some rows and figures in others: a workbook keeps the
  // figures as numbers.
  bool figures_in_workbook = false;
  // The report's own type for the column (kDebitColumn ...); 0: text or figure as the table
  // aligns it.
  int type = 0;
};

// Where `cell` stands among `picks`.
constexpr std::size_t PickOf(std::span<const ColumnPick> picks, std::size_t cell) {
  for (std::size_t i = 0; i < picks.size(); ++i) {
    if (picks[i].cell == cell) return i;
  }
  return picks.size();
}

std::vector<ReportColumn> PickedColumns(std::span<const ResultColumn> table,
                                        std::span<const ColumnPick> picks);

// Each result row's picked cells under the columns set (an absent cell prints empty).
bool WritePickedCells(std::span<const std::string> rows, std::span<const ColumnPick> picks,
                      ReportStream& stream);

}  // namespace tallyscan
