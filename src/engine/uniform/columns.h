#pragma once

// Private to uniform/: the rest of the program includes uniform/uniform.h or uniform/import.h.
//
// The columns of a kind of result row, stated once: each row kind has one table of its cells
// in order (after the status digit, when the rows have one), and every reader of the rows
// takes its cells from it. A column's name is the command line's CSV key, its heading what
// the report and the window show over it (a narrow grid may show a shorter one), its kind how
// its cells are read and ordered, its alignment where they stand.
//
// Cells are named in code: Columns<kTable>::Cell("net") is the position of column "net",
// looked up while compiling, so that a misspelt name stops the build and a column moved in
// the table moves for every reader. A row kind whose rows carry figures of their own in a
// cell (a summary's figure, a hit's own cell) says so with the kind kText.

#include <array>
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/uniform/result_row.h"

namespace tallyscan {

// What a column's cells hold, which says how they sort and how a workbook or JSON reads them.
enum class ValueKind : char {
  kCount,     // a whole number with separators ("1,234")
  kAgorot,    // an amount in shekels and agorot ("#,.00", a minus for a negative one)
  kQuantity,  // a figure in its unit, with or without decimals ("#,.0000", "#,.00", "12")
  kShare,     // a percentage ("87.50%")
  kDate,      // YYYY-MM-DD, or DD/MM/YYYY in the window's words
  kLine,      // a line number of the data file, plain digits
  kKey,       // a key or a code (a transaction, an account, a document number): digits
              // ordered by their number, before other keys
  kText,      // words, ordered by their bytes
};

// Where a column's cells stand: texts at the start of a right-to-left line, figures at its end.
enum class CellAlign : char { kStart, kEnd };

struct ResultColumn {
  std::string_view name;     // the CSV key: lower case, words joined by '_'
  std::string_view heading;  // UTF-8, as the report shows it
  ValueKind kind = ValueKind::kText;
  CellAlign align = CellAlign::kStart;
  std::string_view short_heading = {};  // the grid's, where it shows a shorter one
  // Amounts that are credits: a reader turns their sign (CellAmount's credit side).
  bool credit_side = false;

  constexpr std::string_view GridHeading() const {
    return short_heading.empty() ? heading : short_heading;
  }
  constexpr bool IsFigure() const { return align == CellAlign::kEnd; }
};

// A text column, and a column of figures standing at the end.
constexpr ResultColumn TextColumn(std::string_view name, std::string_view heading,
                                  std::string_view short_heading = {}) {
  return {name, heading, ValueKind::kText, CellAlign::kStart, short_heading};
}
constexpr ResultColumn FigureColumn(std::string_view name, std::string_view heading, ValueKind kind,
                                    std::string_view short_heading = {}) {
  return {name, heading, kind, CellAlign::kEnd, short_heading};
}

namespace column {
namespace internal {

// Not constexpr on purpose: reaching it while compiling is the error that names the fault.
void NoColumnOfThisNameInTheTable();

consteval std::size_t Find(std::span<const ResultColumn> table, std::string_view name) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].name == name) return i;
  }
  NoColumnOfThisNameInTheTable();
  return 0;
}

}  // namespace internal
}  // namespace column

// The columns of one table, `kTable` a constant std::array<ResultColumn, N>.
template <const auto& kTable>
struct Columns {
  static constexpr std::size_t kCount = kTable.size();
  static constexpr std::span<const ResultColumn> kAll{kTable};

  // The position of column `name` among the cells (0 is the first after the status).
  static consteval std::size_t Cell(std::string_view name) {
    return column::internal::Find(kTable, name);
  }
  static constexpr const ResultColumn& Of(std::size_t cell) { return kTable[cell]; }
};

// A row written by column: cells set in any order, the row ending at the last one set (the
// cells between empty), as rows of one kind with fewer figures are shorter.
template <const auto& kTable>
class ColumnRow {
 public:
  void Set(std::size_t cell, std::string text) {
    cells_[cell] = std::move(text);
    if (cell + 1 > used_) used_ = cell + 1;
  }
  // A result-list row: the status, then the cells.
  std::string Row(RowStatus status) const {
    return MakeRow(status, std::span<const std::string>(cells_.data(), used_));
  }
  // A row without a status (a browser's grid row).
  std::string Cells() const {
    return JoinCells(std::span<const std::string>(cells_.data(), used_));
  }

 private:
  std::array<std::string, kTable.size()> cells_{};
  std::size_t used_ = 0;
};

// Cell `cell` (0 is the first after the status) of a result-list row; empty past its end.
inline std::string_view StatusRowCell(std::string_view row, std::size_t cell) {
  return RowField(row, static_cast<int>(cell) + 2);
}
// Cell `cell` of a row without a status.
inline std::string_view GridRowCell(std::string_view row, std::size_t cell) {
  return RowField(row, static_cast<int>(cell) + 1);
}

// The value a cell of `kind` stands for, for ordering: an amount's agorot (CellAmount), a
// count, quantity, share or line number in ten-thousandths, a date as the number YYYYMMDD
// (from YYYY-MM-DD or DD/MM/YYYY), a key of digits alone as its number. nullopt for a text,
// an empty cell, or a cell that does not read as its kind (a month row's caption, a batch
// said in words): such cells order after the values, by their text.
std::optional<AmountSum> CellValue(const CellLook& cell, ValueKind kind);

// The columns' names in order, `status` first for rows that have one: a CSV header.
std::vector<std::string> ColumnNames(std::span<const ResultColumn> table, bool status_first = true);

}  // namespace tallyscan
