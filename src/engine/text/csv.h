#pragma once

// Comma-separated values as RFC 4180 writes them: the one writer behind every CSV the program
// produces (the command-line program's --format csv, the grids' "save as CSV"). Cells are
// UTF-8; a file starts with the byte-order mark so that a spreadsheet reads Hebrew correctly.

#include <span>
#include <string>
#include <string_view>

namespace tallyscan {

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// One record: the cells joined by commas, a cell quoted when it holds a comma, a quote, CR or
// LF (its quotes doubled), ended by CR LF.
std::string CsvRecord(std::span<const std::string_view> cells);
std::string CsvRecord(std::span<const std::string> cells);

}  // namespace tallyscan
