#pragma once

// Private to text/: the rest of the program includes text/text.h.
//
// Comma-separated values as RFC 4180 writes them: the one writer behind every CSV the program
// produces (the command-line program's --format csv, the grids' "save as CSV"). Cells are
// UTF-8; a file starts with the byte-order mark so that a spreadsheet reads Hebrew correctly.

#include <span>
#include <string>
#include <string_view>

namespace tallyscan {

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// One record: the cells joined by commas, a cell quoted when it holds a comma, a quote, CR or
// LF (its quotes doubled), ended by CR LF. A cell that is not a figure and starts with "=",
// "+", "-" or "@" gets a leading "'", so that a spreadsheet opening the file takes it as text
// rather than running it as a formula.
std::string CsvRecord(std::span<const std::string_view> cells);
std::string CsvRecord(std::span<const std::string> cells);

// Whether a cell is a figure as the outputs write them: an optional minus, digits in groups of
// three joined by ",", optional decimals after ".", and optionally " ח" or " ז" after it
// ("-1,234.50 ז"). Only the whole text counts.
bool IsCsvFigure(std::string_view cell);
// Whether a cell starts as a spreadsheet formula does: "=", "+", "-" or "@".
bool StartsAsFormula(std::string_view cell);

}  // namespace tallyscan
