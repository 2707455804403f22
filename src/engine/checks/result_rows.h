#pragma once

// Private to checks/: the rest of the program includes checks/checks.h.
//
// The cells of check result rows: amounts with their debit and credit markers, headings
// with theirs. Rows themselves are made with MakeRow.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::checks {

// The sums of a check stopped part way: they cover the records read, so no verdict follows.
inline constexpr std::string_view kPartialSumsText = "סכומים חלקיים עד להפסקה";

inline std::string HeadingRow(std::string_view text) {
  return MakeRow(RowStatus::kHeading, {std::string(text) + std::string(kHeadingMarker)});
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
