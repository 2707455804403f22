// The comparison of two hand-written periods at the boundaries of its rules: when a review row
// is flagged, how last year is annualised, and what a tolerance and a named result account do
// to the openings.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "engine/analytics/compare.h"
#include "jet_fixture.h"

namespace tallyscan {
namespace {

using testing::JetSet;

std::string Card(std::string_view key, std::int64_t opening, std::int64_t debit,
                 std::int64_t classification) {
  RecordWriter w(RecordType::kB110);
  w.SetDigits(1401, 1).SetDigits(1402, testing::kDealer).SetText(1403, key).SetText(1404, key);
  w.SetText(1405, "100").SetText(1406, "code").SetAmount(1414, opening).SetAmount(1415, debit);
  w.SetAmount(1416, 0).SetDigits(1417, classification).SetAmount(1422, 0);
  return std::string(w.line());
}

CompareResult Compare(JetSet& prior, JetSet& current, const JetParameters& parameters = {},
                      CompareOptions options = {}) {
  prior.Import();
  current.Import();
  SilentProgress silent;
  CompareRun run = RunCompare(prior.store_, SourceFilesOf(*prior.imported_), current.store_,
                              SourceFilesOf(*current.imported_), parameters, options, silent);
  EXPECT_TRUE(run.status.ok()) << run.status.message();
  return run.result ? std::move(*run.result) : CompareResult{};
}

TEST(CompareTest, AReviewRowIsFlaggedAtTheAmountAndTheShareExactly) {
  struct Case {
    std::int64_t prior, current;
    std::optional<double> share;
    bool flagged;
  };
  const Case cases[] = {
      {1000000, 2000000, 1.0, true},           // 10,000.00 more: the amount reached
      {1000000, 1999999, 0.999999, false},     // one agora short of it
      {10000000, 12000000, 0.2, true},         // the share reached exactly
      {10000000, 11999999, 0.1999999, false},  // just below it
      {0, 1000000, std::nullopt, true},        // nothing last year: no share, the amount decides
      {5000000, 0, -1.0, true},                // gone
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.prior) + " -> " + std::to_string(c.current));
    JetSet prior, current;
    prior.SetHeader("2022", "20220101", "20221231");
    prior.Add(Card("600", 0, c.prior, 1010));
    current.Add(Card("600", 0, c.current, 1010));
    const CompareResult result = Compare(prior, current);
    ASSERT_EQ(1u, result.review.accounts.size());
    const ReviewRow& row = result.review.accounts[0];
    EXPECT_EQ(c.current - c.prior, row.change);
    EXPECT_EQ(c.flagged, row.flagged);
    ASSERT_EQ(c.share.has_value(), row.share.has_value());
    if (c.share) {
      EXPECT_DOUBLE_EQ(*c.share, *row.share);
    }
    ASSERT_EQ(1u, result.review.groups.size());
    EXPECT_EQ("1000–1999", result.review.groups[0].key);
  }
}

TEST(CompareTest, LastYearIsAnnualisedExactlyAndHalvesRoundAwayFromZero) {
  // Eight months against twelve: each of last year's figures times 1.5.
  const std::pair<std::int64_t, std::int64_t> cases[] = {
      {1, 2}, {-1, -2}, {3, 5}, {2, 3}, {1000000001, 1500000002}};
  for (const auto& [last, scaled] : cases) {
    SCOPED_TRACE(last);
    JetSet prior, current;
    prior.SetHeader("2022", "20220501", "20221231");
    prior.Add(Card("600", 0, last, 1010));
    current.Add(Card("600", 0, 0, 1010));
    CompareOptions annualise;
    annualise.annualise = true;
    const CompareResult result = Compare(prior, current, {}, annualise);
    EXPECT_EQ(8, result.identity.prior.months);
    EXPECT_TRUE(result.review.annualised);
    EXPECT_EQ(JetState::kRun, result.review.state.state);
    EXPECT_EQ(scaled, result.review.accounts.at(0).prior);
  }
  JetSet prior, current;
  prior.SetHeader("2022", "20220501", "20221231");
  prior.Add(Card("600", 0, 1, 1010));
  current.Add(Card("600", 0, 0, 1010));
  const CompareResult plain = Compare(prior, current);
  EXPECT_EQ(JetState::kWeak, plain.review.state.state);
  EXPECT_EQ(1, plain.review.accounts.at(0).prior);
  EXPECT_EQ("מספר החודשים בתקופות שונה: 8 ו-12", plain.review.state.reason);
  EXPECT_EQ("תקופות רצופות", plain.identity.relation);
}

TEST(CompareTest, TheToleranceAndANamedResultAccountDecideTheOpenings) {
  // Last year: equity 7000 at -500.00, cash 8000 at 400.00, an expense of 100.00; this year the
  // cash opens 0.50 short and the result sits in the equity account.
  JetSet prior, current;
  prior.Add(Card("cash", 0, 40000, 8000));
  prior.Add(Card("equity", -50000, 0, 9900));
  prior.Add(Card("rent", 0, 10000, 3000));
  current.Add(Card("cash", 39950, 0, 8000));
  current.Add(Card("equity", -40000, 0, 9900));
  current.Add(Card("rent", 0, 0, 3000));
  const CompareResult strict = Compare(prior, current);
  EXPECT_EQ(10000, strict.openings.reconciliation.prior_result);
  EXPECT_EQ("equity", strict.openings.reconciliation.result_account.value_or(""));
  EXPECT_EQ(-50, strict.openings.reconciliation.remaining);
  EXPECT_EQ(CompareStatus::kError, strict.openings.rows.at(0).status);
  EXPECT_EQ(CompareStatus::kOk, strict.openings.rows.at(1).status);

  JetParameters lenient;
  lenient.opening_tolerance = 50;
  lenient.result_account = "cash";
  JetSet prior2, current2;
  prior2.data_ = prior.data_;
  current2.data_ = current.data_;
  const CompareResult named = Compare(prior2, current2, lenient);
  EXPECT_EQ("cash", named.openings.reconciliation.result_account.value_or(""));
  // Cash now expects the result on top of its closing; the equity keeps its own closing.
  EXPECT_EQ(40000 + 10000, named.openings.rows.at(0).expected);
  EXPECT_EQ(CompareStatus::kError, named.openings.rows.at(0).status);
  EXPECT_EQ(CompareStatus::kError, named.openings.rows.at(1).status);
}

}  // namespace
}  // namespace tallyscan
