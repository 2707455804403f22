#pragma once

// Sums of amounts in agorot. One amount of the file has at most 14 digits, so a 64-bit sum
// of a few hundred thousand such lines passes its limit; 128 bits hold the exact sum of any
// file (2^127 agorot is more than 2^70 lines of the largest amount). Every sum of amounts
// (totals, balances, the checks' sums) is kept in this type and shown whole by the number
// formatter.

#include <cstdint>

namespace tallyscan {

__extension__ typedef __int128 AmountSum;

// The largest magnitude a double holds exactly (2^53): outputs whose figures are doubles
// (JSON numbers, workbook cells) write a larger figure as text.
inline constexpr std::int64_t kLargestExactInDouble = std::int64_t{1} << 53;

// Whether a sum fits in 64 bits, for what only takes such a value.
inline bool FitsIn64(AmountSum value) { return value >= INT64_MIN && value <= INT64_MAX; }

}  // namespace tallyscan
