#pragma once

// Private to checks/: the rest of the program includes checks/checks.h.
//
// The check result rows, written by column (check_columns.h), and their cells: amounts with
// their debit and credit markers, headings with theirs.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/checks/check_columns.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::checks {

// The cells of a check row, one for each column of its table. A row ends at the last cell
// given: one given empty is written, as the rows of a kind keep their length.
struct CheckCells {
  std::optional<std::string_view> text = std::nullopt;
  std::optional<std::string_view> debit = std::nullopt;
  std::optional<std::string_view> credit = std::nullopt;
  std::optional<std::string_view> balance = std::nullopt;
};
static_assert(CheckColumns::kCount == 4, "a check row has a cell for every column");

inline std::string CheckRow(RowStatus status, const CheckCells& cells) {
  using C = CheckColumns;
  ColumnRow<kCheckColumns> row;
  const auto put = [&row](std::size_t cell, std::optional<std::string_view> text) {
    if (text) row.Set(cell, std::string(*text));
  };
  put(C::Cell("text"), cells.text);
  put(C::Cell("debit"), cells.debit);
  put(C::Cell("credit"), cells.credit);
  put(C::Cell("balance"), cells.balance);
  return row.Row(status);
}

// The sums of a check stopped part way: they cover the records read, so no verdict follows.
inline constexpr std::string_view kPartialSumsText = "סכומים חלקיים עד להפסקה";

inline std::string HeadingRow(std::string_view text) {
  return CheckRow(RowStatus::kHeading, {.text = std::string(text) + std::string(kHeadingMarker)});
}

// An amount in agorot as shown: divided by 100, "#,.00".
inline std::string Amount(std::int64_t agorot) { return FormatAgorot(agorot); }
inline std::string Amount(AmountSum agorot) { return FormatAgorot(agorot); }
inline std::string Amount(double agorot) { return FormatNumber("#,.00", agorot / 100.0); }

template <typename T>
std::string Debit(T agorot) {
  return Amount(agorot) + kDebitMarker;
}
template <typename T>
std::string Credit(T agorot) {
  return Amount(agorot) + kCreditMarker;
}
// The debit marker for zero or more, the credit marker below zero; the amount keeps its
// sign.
template <typename T>
std::string BySign(T agorot) {
  return Amount(agorot) + (agorot < 0 ? kCreditMarker : kDebitMarker);
}

}  // namespace tallyscan::checks
