#pragma once

// Private to portfolio/.
//
// A client's risk score, 0-100, from the figures of its results and the portfolio weights:
// min(100, the weighted sum of five parts each between 0 and 1, rounded half up), computed in
// exact fractions so that a sum at .5 rounds the same on every machine.

#include <cstdint>
#include <string_view>

#include "engine/analytics/analytics.h"

namespace tallyscan::portfolio {

// The first-digit conformity of the whole population, worst last.
enum class DigitClass { kNotRun, kClose, kAcceptable, kMarginal, kNonconformity };
// "close", "acceptable", "marginal", "nonconformity"; "not run".
DigitClass DigitClassOfWord(std::string_view word);
std::string_view DigitClassWord(DigitClass digit_class);

struct RiskFigures {
  std::int64_t import_errors = 0;
  std::int64_t failing_checks = 0;
  std::int64_t tests_counted = 0;    // run or weak, leaving out those whose hits are no findings
  std::int64_t tests_with_hits = 0;  // of those
  std::int64_t top_score = 0;        // the ranking's first transaction's score
  std::int64_t ranking_weights = 0;  // the sum of the ranking's weights of all the tests
  DigitClass first_digits = DigitClass::kNotRun;
};

// A part with nothing to divide by (no test counted, no weight) counts 0; counts below 0
// count 0 and a top score above the weights' sum counts 1.
int RiskScore(const RiskFigures& figures, const PortfolioWeights& weights);

// "נמוך" under 30, "בינוני" under 60, "גבוה" from 60.
std::string_view RiskBand(int score);

}  // namespace tallyscan::portfolio
