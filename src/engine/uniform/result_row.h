#pragma once

// Private to uniform/: the rest of the program includes uniform/uniform.h or uniform/import.h.
//
// Rows of a result list (the import log, the checks' findings, the record detail) and of the
// browsers' grids: TAB-separated UTF-8 cells; in a result list the first is a status digit
// that the list shows as the row's icon. Markers inside cells are read by the list:
// kHeadingMarker ends a heading or total cell (bold), kDebitMarker follows a debit amount and
// kCreditMarker a credit amount or an error value (red).
//
// Rows are written with MakeRow or JoinCells and read back only through this header (RowField,
// LookOfCell, DecodeRow, CellAmount): the CLI, the grids and the report producers all decode them
// here.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/amount_sum.h"

namespace tallyscan {

enum class RowStatus : char {
  kHeading = '0',  // a heading, or success
  kError = '1',
  kInfo = '3',
  kStopped = '4',  // the operation was stopped by the user
};

inline constexpr std::string_view kHeadingMarker = "\u200E";  // byte 0xFD of code page 1255
inline constexpr char kDebitMarker = '\x1C';
inline constexpr char kCreditMarker = '\x1D';

// Text from the file made safe for a cell (UTF-8 in and out): every C0 control character
// (TAB, CR, LF and the debit and credit markers among them), DEL, every C1 control character
// (U+0080-U+009F) and the heading marker each become one blank, so that data can neither
// split a row into other cells, nor mark a cell, nor send a control sequence to the terminal
// or program that shows the output. Every text of the file that enters a row or a cell passes
// here; the markers the program adds itself are added after it.
std::string SafeCellText(std::string_view text);
// Whether SafeCellText would give `text` back unchanged: most of a file's text is.
bool IsSafeCellText(std::string_view text);

// status + TAB + each cell, the cells joined by TAB.
std::string MakeRow(RowStatus status, std::initializer_list<std::string_view> cells);
std::string MakeRow(RowStatus status, std::span<const std::string> cells);

// The cells joined by TAB: a row without a status (a browser's grid row), or two texts of one
// line. The cells must be safe already (SafeCellText, or texts of our own).
std::string JoinCells(std::span<const std::string> cells);
std::string JoinCells(std::initializer_list<std::string_view> cells);

// A number as plain digits (no separators), as row texts quote line numbers and counts.
std::string PlainNumber(std::int64_t value);

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

// A result-list row read back: its status and its cells after the status.
struct DecodedRow {
  std::optional<RowStatus> status;  // empty when the first cell is no status digit
  std::vector<CellLook> cells;
};
DecodedRow DecodeRow(std::string_view row);
// The cells of a row that has no status (a browser's grid row): every TAB-separated cell.
std::vector<CellLook> DecodeCells(std::string_view cells);

// The agorot of a cell whose shown text is an amount as the rows write it ("#,.00", or a
// balance with its sense: "1,234.50 ח" debit, "1,234.50 ז" credit); nullopt for any other
// text (keys, counts, quantities, dates), marked or not. A credit is negative: the "ז" sense
// gives the magnitude with a minus, and in a `credit_side` column (one that holds credits)
// the figure's sign is turned. The credit marker alone decides nothing, since it also marks
// error values; a figure with a minus of its own (a difference) keeps it.
std::optional<AmountSum> CellAmount(const CellLook& cell, bool credit_side = false);

}  // namespace tallyscan
