#pragma once

// Building the cells of check result rows: every row text and marker is made here.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "engine/text/number_format.h"

namespace tallyscan::checks {

inline constexpr char kTab = '\t';
inline constexpr std::string_view kDebitMarker = "\x1C";
inline constexpr std::string_view kCreditMarker = "\x1D";
inline constexpr std::string_view kHeadingMarker = "\xE2\x80\x8E";  // U+200E

inline constexpr std::string_view kHeadingStatus = "0";
inline constexpr std::string_view kErrorStatus = "1";
inline constexpr std::string_view kInfoStatus = "3";
inline constexpr std::string_view kStoppedStatus = "4";

// status TAB cell TAB cell ...
inline std::string Row(std::string_view status, std::initializer_list<std::string_view> cells) {
  std::string row(status);
  for (std::string_view cell : cells) {
    row += kTab;
    row += cell;
  }
  return row;
}

inline std::string HeadingRow(std::string_view text) {
  return Row(kHeadingStatus, {std::string(text) + std::string(kHeadingMarker)});
}

// An amount in agorot as shown: divided by 100, "#,.00".
inline std::string Amount(std::int64_t agorot) { return FormatAgorot(agorot); }
inline std::string Amount(double agorot) { return FormatNumber("#,.00", agorot / 100.0); }

template <typename T>
std::string Debit(T agorot) {
  return Amount(agorot) + std::string(kDebitMarker);
}
template <typename T>
std::string Credit(T agorot) {
  return Amount(agorot) + std::string(kCreditMarker);
}
// The debit marker for zero or more, the credit marker below zero; the amount keeps its
// sign.
template <typename T>
std::string BySign(T agorot) {
  return Amount(agorot) + std::string(agorot < 0 ? kCreditMarker : kDebitMarker);
}

// Whole numbers inside row texts: decimal, no leading blank, minus when negative.
inline std::string Whole(std::int64_t value) { return std::to_string(value); }

}  // namespace tallyscan::checks
