#pragma once

// Private to analytics/.
//
// The digit tests' statistics of one population from its counts: proportions, MAD and its
// class, chi-square with its p-value, Z per digit. Every figure is computed with 50
// significant digits and rounded once to a double; the class and the comparison of Z with
// its bound are decided on the 50-digit values.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tallyscan::analytics {

enum class DigitTest { kFirst, kSecond, kFirstTwo, kLastTwo };

// K, the number of digits (or pairs, or endings) counted: 9, 10, 90, 100.
int DigitCount(DigitTest test);
// The digit of counts[0]: 1, 0, 10, 0.
int FirstDigit(DigitTest test);
// The place in the counts of an amount of at least 10 agorot.
int DigitPlace(DigitTest test, std::uint64_t agorot);

struct DigitFigures {
  std::int64_t n = 0;
  std::vector<std::int64_t> counts;
  std::vector<double> expected;
  // Empty or nullopt when n is 0.
  std::vector<double> actual;
  std::optional<double> mad;
  std::optional<std::string_view> mad_class;  // nullopt also for last-two
  std::optional<double> chi2;
  int df = 0;
  std::optional<double> p;
  std::vector<double> z;
  // Per digit: the actual proportion above the expected one and Z above the bound given.
  std::vector<bool> excess;
};

// `counts` holds DigitCount(test) counts in digit order; `z_bound` is in ten-thousandths.
DigitFigures ComputeDigitFigures(DigitTest test, const std::vector<std::int64_t>& counts,
                                 std::int64_t z_bound);

}  // namespace tallyscan::analytics
