#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tallyscan {

// The one number formatter of the system. A mask is one of the forms the system uses:
//   "#,.00"    thousands separators, two decimals      (amounts)
//   "#,"       thousands separators, no decimals       (counts)
//   "#,.0000"  thousands separators, four decimals     (quantities)
//   "#.00"     no separators, two decimals             (percentages)
//   "000000000000000", "0000"  zero padded to the mask's width, no decimals
// Negative values carry a leading minus; a zero integer part is shown as 0 ("0.50",
// "-0.50", "0.00"). Values are rounded half away from zero to the mask's decimals.

// `value` is a whole number of 10^-scale units: FormatNumber("#,.00", 12345, 2) is "123.45",
// FormatNumber("#,", 1234567, 0) is "1,234,567".
std::string FormatNumber(std::string_view mask, std::int64_t value, int scale);

// For values defined as doubles (ratios, percentages). The value is rounded as its shortest
// decimal form reads (1.005 gives "1.01"). An infinite or NaN value gives an empty string.
std::string FormatNumber(std::string_view mask, double value);

// Shorthands for the common cases.
inline std::string FormatAgorot(std::int64_t agorot) { return FormatNumber("#,.00", agorot, 2); }
inline std::string FormatCount(std::int64_t count) { return FormatNumber("#,", count, 0); }

// The agorot of a text FormatAgorot wrote: an optional minus, the integer part with its
// thousands separators where the mask puts them, a point and two decimals ("-1,234.50",
// "0.07"). Anything else (a count, a quantity of four decimals, "1234.50", a value beyond
// 64 bits) is not an amount: nullopt.
std::optional<std::int64_t> ReadAgorot(std::string_view shown);

}  // namespace tallyscan
