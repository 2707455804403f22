#include "engine/portfolio/risk_score.h"

#include <algorithm>
#include <array>

namespace tallyscan::portfolio {
namespace {

__extension__ using Wide = __int128;

constexpr std::array<std::string_view, 5> kDigitWords = {"not run", "close", "acceptable",
                                                         "marginal", "nonconformity"};

// n/d as a fraction between 0 and 1: n held within [0, d]; 0/1 when d is not positive.
struct Share {
  std::int64_t n;
  std::int64_t d;
};
Share ShareOf(std::int64_t n, std::int64_t d) {
  if (d <= 0) return {0, 1};
  return {std::clamp<std::int64_t>(n, 0, d), d};
}

}  // namespace

DigitClass DigitClassOfWord(std::string_view word) {
  for (std::size_t i = 1; i < kDigitWords.size(); ++i) {
    if (kDigitWords[i] == word) return static_cast<DigitClass>(i);
  }
  return DigitClass::kNotRun;
}

std::string_view DigitClassWord(DigitClass digit_class) {
  return kDigitWords[static_cast<std::size_t>(digit_class)];
}

int RiskScore(const RiskFigures& f, const PortfolioWeights& w) {
  const auto digit_steps = static_cast<std::int64_t>(f.first_digits) - 1;  // 0..3 of 3
  const Share parts[] = {
      ShareOf(std::min<std::int64_t>(f.import_errors, 10), 10),
      ShareOf(std::min<std::int64_t>(f.failing_checks, 5), 5),
      ShareOf(f.tests_with_hits, f.tests_counted),
      ShareOf(f.top_score, f.ranking_weights),
      ShareOf(std::max<std::int64_t>(digit_steps, 0), 3),
  };
  const int weights[] = {w.import, w.checks, w.tests, w.ranking, w.digits};
  // Σ w·n/d over one common denominator. Every d is at most 28 tests' count or their weights'
  // sum (100 each), so the product stays far inside 128 bits.
  Wide denominator = 1;
  for (const Share& s : parts) denominator *= s.d;
  Wide numerator = 0;
  for (std::size_t i = 0; i < std::size(parts); ++i) {
    numerator +=
        static_cast<Wide>(std::clamp(weights[i], 0, 100)) * parts[i].n * (denominator / parts[i].d);
  }
  // Half up: floor(x + 1/2) = floor((2n + d) / 2d).
  const Wide rounded = (2 * numerator + denominator) / (2 * denominator);
  return static_cast<int>(std::min<Wide>(rounded, 100));
}

std::string_view RiskBand(int score) {
  if (score < 30) return "נמוך";
  if (score < 60) return "בינוני";
  return "גבוה";
}

}  // namespace tallyscan::portfolio
