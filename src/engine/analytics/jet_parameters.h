#pragma once

// Private to analytics/: the rest of the program includes analytics/analytics.h.
//
// The parameters of the journal-entry tests: every threshold a test compares with, its
// default, and the JSON form in which a user keeps a set of them. A parameter file may give
// any subset of the keys; what it gives is merged over the defaults. Amounts are agorot;
// shares, ratios and windows are exact decimals held in ten-thousandths, so that every
// comparison with them is one of integers.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/analytics/jet_test_list.h"
#include "engine/common/status.h"

namespace tallyscan {

// "late-entry" and so on; every JetTest has one.
std::string_view JetTestId(JetTest test);
// The test of an id; false when no test has it.
bool FindJetTest(std::string_view id, JetTest& test);

// How much each part of a client's results weighs in its portfolio risk score (0-100 each):
// the import's error rows, the failing checks, the tests with hits, the top transaction's
// score in the ranking and the first-digit conformity. Not a parameter of the tests: the
// journal-entry tests' results never depend on it.
struct PortfolioWeights {
  int import = 20;
  int checks = 20;
  int tests = 20;
  int ranking = 20;
  int digits = 20;

  bool operator==(const PortfolioWeights&) const = default;
};

struct JetParameters {
  std::int64_t late_days = 30;
  std::int64_t period_end_days = 5;
  std::vector<int> weekend_days = {5, 6};  // 0 Sunday .. 6 Saturday, in the order given
  bool holiday_eves = false;
  std::vector<std::string> extra_holidays;  // "YYYY-MM-DD", each a real day
  std::int64_t rare_operator_min = 10;
  std::int64_t rare_operator_share = 100;  // ten-thousandths: 0.01
  std::int64_t seldom_account_lines = 3;
  std::int64_t rare_flow_count = 1;
  std::int64_t round_unit = 100000;                       // agorot: 1000.00
  std::vector<std::int64_t> limits = {1000000, 5000000};  // agorot
  std::int64_t below_limit_window = 1000;                 // ten-thousandths: 0.1
  std::int64_t below_limit_min = 10;
  std::int64_t below_limit_ratio = 20000;  // ten-thousandths: 2
  std::vector<std::string> keywords = {"תיקון", "ביטול", "שונות", "זמני", "מעבר"};  // UTF-8
  std::int64_t reversal_days = 30;
  std::int64_t high_value_top = 50;
  std::int64_t relative_size_min_lines = 3;
  std::int64_t relative_size_ratio = 100000;  // ten-thousandths: 10
  int work_start = 7 * 60;                    // minutes after midnight
  int work_end = 20 * 60;
  std::int64_t backdate_days = 30;
  std::int64_t benford_min_amount = 1000;  // agorot: 10.00
  std::int64_t benford_z = 32900;          // ten-thousandths: 3.29
  std::int64_t benford_min_n = 500;
  std::int64_t weak_share = 5000;  // ten-thousandths: 0.5
  // The weight of each test in the ranking; those given in the file are marked, the others
  // weigh 1.
  std::array<int, kJetTestCount> weights = WeightsOfOne();
  std::array<bool, kJetTestCount> weight_given{};
  std::int64_t ranking_top = 100;
  std::int64_t report_hits = 1000;
  PortfolioWeights portfolio_weights;
  // The comparison of two periods.
  bool opening_in_totals =
      false;  // the prior closing is 1415 - 1416 rather than 1414 + 1415 - 1416
  std::int64_t carry_from_classification = 7000;  // accounts from this classification carry
  std::string result_account;                     // empty: found by its difference
  std::int64_t opening_tolerance = 0;             // agorot
  std::int64_t review_amount = 1000000;           // agorot: 10000.00
  std::int64_t review_share = 2000;               // ten-thousandths: 0.2
  std::int64_t counterparty_amount = 5000000;     // agorot: 50000.00

  static std::array<int, kJetTestCount> WeightsOfOne() {
    std::array<int, kJetTestCount> ones{};
    ones.fill(1);
    return ones;
  }
};

// The parameters of a JSON text merged over `defaults`. Fails (kCorrupt) with a message that
// names the offending key: a text that is not a JSON object, an unknown key, a value of the
// wrong type, more decimals than the key allows, or a value out of its range (also a
// keyword that code page 1255 cannot hold, or work_start not before work_end). On failure
// `out` is left as it was.
Status LoadJetParameters(std::string_view json_text, const JetParameters& defaults,
                         JetParameters& out);

// The most bytes a parameter file may hold: far more than any set of parameters needs.
inline constexpr std::size_t kJetParametersFileLimit = std::size_t{16} << 20;

// The parameters of the file at `path` merged over `defaults`, as LoadJetParameters does,
// with the message beginning with the path. Only a regular file of at most
// kJetParametersFileLimit bytes is read: a folder, a FIFO or a device is refused without
// waiting on it or reading it (kIoError, as is a file that cannot be opened or read).
Status ReadJetParametersFile(const std::string& path, const JetParameters& defaults,
                             JetParameters& out);

// The parameters as JSON: every key in the order of the list, two-space indent, amounts as
// strings with two decimals, shares and ratios as their exact decimal without trailing
// zeros, Hebrew as UTF-8; ends with a newline. What it prints loads back to the same
// parameters.
std::string JetParametersJson(const JetParameters& parameters);

// The parameter file's whole form, as --print-params prints it: JetParametersJson's keys;
// after report_hits, "portfolio_weights" ({"import", "checks", "tests", "ranking", "digits"});
// after it, the comparison's (opening_in_totals, carry_from_classification, result_account,
// opening_tolerance, review_amount, review_share, counterparty_amount). JetParametersJson alone
// is what a test run records, since these keys change none of its results.
std::string JetParameterFileJson(const JetParameters& parameters);

// The portfolio weights as the parameter file writes them.
std::string PortfolioWeightsJson(const PortfolioWeights& weights);

// The keys of the comparison of two periods alone, as JetParametersJson writes its own: what
// a comparison records, since the tests' keys change none of its results.
std::string ComparisonParametersJson(const JetParameters& parameters);

// "1000.00" for 100000 agorot; "0.01" for 100 ten-thousandths.
std::string AgorotText(std::int64_t agorot);
std::string TenThousandthsText(std::int64_t value);

}  // namespace tallyscan
