#pragma once

// Sums of amounts read from the data file. One amount has at most 14 digits, but a hostile
// file of a few hundred thousand such lines would carry a 64-bit sum past its limit: the
// sums stop at the limit instead, an absurd total rather than undefined behaviour.

#include <cstdint>
#include <limits>

namespace tallyscan::checks {

inline std::int64_t Plus(std::int64_t a, std::int64_t b) {
  std::int64_t sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) {
    return b > 0 ? std::numeric_limits<std::int64_t>::max()
                 : std::numeric_limits<std::int64_t>::min();
  }
  return sum;
}

inline std::int64_t Minus(std::int64_t a, std::int64_t b) {
  std::int64_t difference = 0;
  if (__builtin_sub_overflow(a, b, &difference)) {
    return b < 0 ? std::numeric_limits<std::int64_t>::max()
                 : std::numeric_limits<std::int64_t>::min();
  }
  return difference;
}

// Whether a difference is more than `tolerance` either way.
inline bool Beyond(std::int64_t difference, std::int64_t tolerance) {
  return difference > tolerance || difference < -tolerance;
}

}  // namespace tallyscan::checks
