#pragma once

// Rows of a result list (the import log, the checks' findings): TAB-separated UTF-8 cells,
// the first a status digit that the list shows as the row's icon. Markers inside cells are
// read by the list: kHeadingMarker ends a heading or total cell (bold), kDebitMarker follows
// a debit amount and kCreditMarker a credit amount or an error value (red).

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

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

// status + TAB + each cell, the cells joined by TAB.
std::string MakeRow(RowStatus status, std::initializer_list<std::string_view> cells);

// A number as plain digits (no separators), as row texts quote line numbers and counts.
std::string PlainNumber(std::int64_t value);

}  // namespace tallyscan
