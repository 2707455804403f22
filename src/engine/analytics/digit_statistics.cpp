#include "engine/analytics/digit_statistics.h"

#include <bit>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/multiprecision/cpp_dec_float.hpp>

#include <array>
#include <cstdlib>
#include <string>

namespace tallyscan::analytics {

namespace {

using Exact = boost::multiprecision::cpp_dec_float_50;

// Nigrini's upper bounds of "close", "acceptable" and "marginal", inclusive.
struct ClassBounds {
  const char* close;
  const char* acceptable;
  const char* marginal;
};
constexpr ClassBounds kFirstBounds{"0.006", "0.012", "0.015"};
constexpr ClassBounds kSecondBounds{"0.008", "0.010", "0.012"};
constexpr ClassBounds kFirstTwoBounds{"0.0012", "0.0018", "0.0022"};

// Correctly rounded from the 50-digit value through its decimal text.
double ToDouble(const Exact& value) {
  const std::string text = value.str(60, std::ios_base::scientific);
  return std::strtod(text.c_str(), nullptr);
}

std::vector<Exact> ExpectedOf(DigitTest test) {
  std::vector<Exact> expected;
  const Exact one(1);
  switch (test) {
    case DigitTest::kFirst:
      for (int d = 1; d <= 9; ++d) expected.push_back(log10(one + one / d));
      break;
    case DigitTest::kSecond:
      for (int d = 0; d <= 9; ++d) {
        Exact sum(0);
        for (int k = 1; k <= 9; ++k) sum += log10(one + one / (10 * k + d));
        expected.push_back(sum);
      }
      break;
    case DigitTest::kFirstTwo:
      for (int d = 10; d <= 99; ++d) expected.push_back(log10(one + one / d));
      break;
    case DigitTest::kLastTwo:
      expected.assign(100, one / 100);
      break;
  }
  return expected;
}

const std::vector<Exact>& Expected(DigitTest test) {
  static const std::array<std::vector<Exact>, 4> all = {
      ExpectedOf(DigitTest::kFirst), ExpectedOf(DigitTest::kSecond),
      ExpectedOf(DigitTest::kFirstTwo), ExpectedOf(DigitTest::kLastTwo)};
  return all[static_cast<std::size_t>(test)];
}

std::optional<std::string_view> ClassOf(DigitTest test, const Exact& mad) {
  const ClassBounds* bounds = nullptr;
  switch (test) {
    case DigitTest::kFirst:
      bounds = &kFirstBounds;
      break;
    case DigitTest::kSecond:
      bounds = &kSecondBounds;
      break;
    case DigitTest::kFirstTwo:
      bounds = &kFirstTwoBounds;
      break;
    case DigitTest::kLastTwo:
      return std::nullopt;
  }
  if (mad <= Exact(bounds->close)) return "close";
  if (mad <= Exact(bounds->acceptable)) return "acceptable";
  if (mad <= Exact(bounds->marginal)) return "marginal";
  return "nonconformity";
}

}  // namespace

int DigitCount(DigitTest test) {
  switch (test) {
    case DigitTest::kFirst:
      return 9;
    case DigitTest::kSecond:
      return 10;
    case DigitTest::kFirstTwo:
      return 90;
    case DigitTest::kLastTwo:
      return 100;
  }
  return 0;
}

int FirstDigit(DigitTest test) {
  switch (test) {
    case DigitTest::kFirst:
      return 1;
    case DigitTest::kFirstTwo:
      return 10;
    default:
      return 0;
  }
}

int DigitPlace(DigitTest test, std::uint64_t agorot) {
  if (test == DigitTest::kLastTwo) return static_cast<int>(agorot / 100 % 100);
  // The first two digits in one division: the number of digits from the bit length (1233 /
  // 4096 a little above log10(2)), corrected by one comparison.
  static constexpr std::uint64_t kPowers[] = {1,
                                              10,
                                              100,
                                              1000,
                                              10000,
                                              100000,
                                              1000000,
                                              10000000,
                                              100000000,
                                              1000000000,
                                              10000000000,
                                              100000000000,
                                              1000000000000,
                                              10000000000000,
                                              100000000000000,
                                              1000000000000000,
                                              10000000000000000,
                                              100000000000000000,
                                              1000000000000000000,
                                              10000000000000000000ULL};
  const auto guess = static_cast<std::size_t>(std::bit_width(agorot) * 1233 >> 12);
  const std::size_t digits = guess + (agorot >= kPowers[guess] ? 1 : 0);
  const std::uint64_t leading = agorot / kPowers[digits - 2];
  switch (test) {
    case DigitTest::kFirst:
      return static_cast<int>(leading / 10) - 1;
    case DigitTest::kSecond:
      return static_cast<int>(leading % 10);
    default:
      return static_cast<int>(leading) - 10;
  }
}

DigitFigures ComputeDigitFigures(DigitTest test, const std::vector<std::int64_t>& counts,
                                 std::int64_t z_bound) {
  const std::vector<Exact>& expected = Expected(test);
  const std::size_t k = expected.size();
  DigitFigures f;
  f.counts = counts;
  f.df = static_cast<int>(k) - 1;
  for (const Exact& e : expected) f.expected.push_back(ToDouble(e));
  for (const std::int64_t c : counts) f.n += c;
  f.excess.assign(k, false);
  if (f.n == 0) return f;

  const Exact n(f.n);
  const Exact bound = Exact(z_bound) / 10000;
  const Exact half_over_n = Exact(1) / (2 * n);
  Exact deviations(0);
  Exact chi2(0);
  for (std::size_t d = 0; d < k; ++d) {
    const Exact observed(counts[d]);
    const Exact actual = observed / n;
    const Exact& ep = expected[d];
    const Exact deviation = abs(actual - ep);
    deviations += deviation;
    const Exact e = n * ep;
    chi2 += (observed - e) * (observed - e) / e;
    const Exact correction = half_over_n < deviation ? half_over_n : Exact(0);
    const Exact z = (deviation - correction) / sqrt(ep * (1 - ep) / n);
    f.actual.push_back(ToDouble(actual));
    f.z.push_back(ToDouble(z));
    f.excess[d] = actual > ep && z > bound;
  }
  const Exact mad = deviations / k;
  f.mad = ToDouble(mad);
  f.mad_class = ClassOf(test, mad);
  f.chi2 = ToDouble(chi2);
  const boost::math::chi_squared distribution(f.df);
  f.p = boost::math::cdf(boost::math::complement(distribution, *f.chi2));
  return f;
}

}  // namespace tallyscan::analytics
