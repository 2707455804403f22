#pragma once

// Private to text/: the rest of the program includes text/text.h.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/common/amount_sum.h"

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
// FormatNumber("#,", 1234567, 0) is "1,234,567". Every 64-bit value and every sum of
// amounts (128 bits) is shown whole.
std::string FormatNumber(std::string_view mask, AmountSum value, int scale);

// For values defined as doubles (ratios, percentages). The value is rounded as its shortest
// decimal form reads (1.005 gives "1.01"). An infinite or NaN value gives an empty string.
std::string FormatNumber(std::string_view mask, double value);

// Shorthands for the common cases.
inline std::string FormatAgorot(AmountSum agorot) { return FormatNumber("#,.00", agorot, 2); }
inline std::string FormatCount(AmountSum count) { return FormatNumber("#,", count, 0); }

// A figure's shape as a column is sized for it: every digit written as "0" ("-1,234.50" is
// "-0,000.00").
std::string FigureShape(std::string_view shown);

// The agorot of a text FormatAgorot wrote: an optional minus, the integer part with its
// thousands separators where the mask puts them, a point and two decimals ("-1,234.50",
// "0.07"), a sum of amounts included. Anything else (a count, a quantity of four decimals,
// "1234.50", a magnitude of 2^127 or more) is not an amount: nullopt. Every value read can
// be negated.
std::optional<AmountSum> ReadAgorot(std::string_view shown);

}  // namespace tallyscan
