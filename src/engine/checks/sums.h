#pragma once

// Private to checks/: the rest of the program includes checks/checks.h.
//
// Sums of amounts read from the data file. One amount has at most 14 digits, but a file of a
// few hundred thousand such lines carries a 64-bit sum past its limit: the sums are kept as
// AmountSum, exact for any file, and shown whole.

#include <cstdint>

#include "engine/common/amount_sum.h"

namespace tallyscan::checks {

// Balances and sums that differ by at most this many agorot (less than a shekel) agree: the
// checks, the ledger card and the journal-entry population all take them so.
inline constexpr std::int64_t kBalanceTolerance = 99;

// Whether a difference is more than `tolerance` either way.
inline bool Beyond(AmountSum difference, std::int64_t tolerance) {
  return difference > tolerance || difference < -tolerance;
}

}  // namespace tallyscan::checks
