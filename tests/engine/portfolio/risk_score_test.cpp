#include "engine/portfolio/risk_score.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tallyscan::portfolio {
namespace {

PortfolioWeights Only(int PortfolioWeights::*part, int weight) {
  PortfolioWeights w{0, 0, 0, 0, 0};
  w.*part = weight;
  return w;
}

TEST(RiskScoreTest, ScoresAreExactFractionsRoundedHalfUp) {
  struct Case {
    std::string what;
    RiskFigures figures;
    PortfolioWeights weights;
    int score;
  };
  const PortfolioWeights even;  // 20 each
  const PortfolioWeights full{100, 100, 100, 100, 100};
  const std::vector<Case> cases = {
      {"nothing found", {}, even, 0},
      {"ten import errors are the whole part", {.import_errors = 10}, even, 20},
      {"more than ten count as ten", {.import_errors = 5000}, even, 20},
      {"0.5 rounds up", {.import_errors = 5}, Only(&PortfolioWeights::import, 1), 1},
      {"0.4 rounds down", {.import_errors = 4}, Only(&PortfolioWeights::import, 1), 0},
      {"2.5 of a tenth of the tests",
       {.tests_counted = 10, .tests_with_hits = 1},
       Only(&PortfolioWeights::tests, 25),
       3},
      {"exactly 0.5 from a third part", {.top_score = 1, .ranking_weights = 40}, even, 1},
      {"a sum whose parts are not whole: 10 + 4 + 2.5",
       {.import_errors = 5, .failing_checks = 1, .tests_counted = 8, .tests_with_hits = 1},
       even,
       17},
      {"just under a half from thirds: 1/3 of 1",
       {.first_digits = DigitClass::kAcceptable},
       Only(&PortfolioWeights::digits, 1),
       0},
      {"thirds of 3 sum to whole numbers: 2/3 of 3",
       {.first_digits = DigitClass::kMarginal},
       Only(&PortfolioWeights::digits, 3),
       2},
      {"marginal digits: 13.33", {.first_digits = DigitClass::kMarginal}, even, 13},
      {"acceptable digits: 6.67", {.first_digits = DigitClass::kAcceptable}, even, 7},
      {"close digits count nothing", {.first_digits = DigitClass::kClose}, full, 0},
      {"every part whole at 100 each stops at 100",
       {.import_errors = 10,
        .failing_checks = 5,
        .tests_counted = 3,
        .tests_with_hits = 3,
        .top_score = 28,
        .ranking_weights = 28,
        .first_digits = DigitClass::kNonconformity},
       full,
       100},
      {"a weight of 0 leaves its part out",
       {.import_errors = 10, .failing_checks = 5},
       Only(&PortfolioWeights::checks, 0),
       0},
      {"one part at 100 is the whole score",
       {.failing_checks = 5},
       Only(&PortfolioWeights::checks, 100),
       100},
      {"without the tests (no test counted, no ranking) those parts are 0",
       {.import_errors = 2, .tests_with_hits = 4, .top_score = 3},
       even,
       4},
      {"a top score above the weights' sum counts as the whole part",
       {.top_score = 90, .ranking_weights = 28},
       even,
       20},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.score, RiskScore(c.figures, c.weights)) << c.what;
  }
}

TEST(RiskScoreTest, BandsChangeAtThirtyAndSixty) {
  const std::vector<std::pair<int, std::string>> bands = {
      {0, "נמוך"}, {29, "נמוך"}, {30, "בינוני"}, {59, "בינוני"}, {60, "גבוה"}, {100, "גבוה"}};
  for (const auto& [score, band] : bands) EXPECT_EQ(band, RiskBand(score)) << score;
}

TEST(RiskScoreTest, DigitClassWordsReadBack) {
  for (const std::string_view word : {"close", "acceptable", "marginal", "nonconformity"}) {
    EXPECT_EQ(word, DigitClassWord(DigitClassOfWord(word)));
  }
  EXPECT_EQ(DigitClass::kNotRun, DigitClassOfWord("Close"));
  EXPECT_EQ("not run", DigitClassWord(DigitClassOfWord("")));
}

}  // namespace
}  // namespace tallyscan::portfolio
