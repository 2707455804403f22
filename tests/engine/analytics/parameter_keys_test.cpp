// Each key of the parameter file, at the edges of what it takes: the value accepted prints back
// as the file form prints it, the value refused is refused with its own words.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/analytics/jet_parameters.h"

namespace tallyscan {
namespace {

using Json = nlohmann::ordered_json;

struct KeyCase {
  std::string key;
  std::string value;  // JSON
  // Accepted: the value as the file form prints it (compact JSON). Refused: the message
  // after the quoted key.
  std::string expected;
  bool accepted = true;
};

KeyCase Refused(std::string key, std::string value, std::string why) {
  return {std::move(key), std::move(value), std::move(why), false};
}

const std::vector<KeyCase>& Cases() {
  static const std::vector<KeyCase> cases = {
      {"late_days", "0", "0"},
      Refused("late_days", "-1", "הערך צריך להיות 0 או יותר"),
      Refused("late_days", "30.0", "הערך צריך להיות מספר שלם"),
      {"period_end_days", "0", "0"},
      Refused("period_end_days", "\"5\"", "הערך צריך להיות מספר שלם"),
      {"weekend_days", R"(["saturday", "friday"])", R"(["saturday","friday"])"},
      Refused("weekend_days", R"(["Friday"])", "יום לא מוכר: \"Friday\""),
      Refused("weekend_days", "\"friday\"", "הערך צריך להיות רשימה של מחרוזות"),
      {"holiday_eves", "true", "true"},
      Refused("holiday_eves", "1", "הערך צריך להיות true או false"),
      {"extra_holidays", R"(["2024-02-29"])", R"(["2024-02-29"])"},
      Refused("extra_holidays", R"(["2023-02-29"])", "תאריך לא תקין (YYYY-MM-DD): \"2023-02-29\""),
      {"rare_operator_min", "0", "0"},
      Refused("rare_operator_min", "18446744073709551615", "הערך גדול מדי"),
      {"rare_operator_share", "\"1\"", "\"1\""},
      {"rare_operator_share", "\"0\"", "\"0\""},
      Refused("rare_operator_share", "\"1.0001\"", "הערך מחוץ לתחום: בין 0 ל-1"),
      Refused("rare_operator_share", "\"0.00001\"", "יותר מ-4 ספרות אחרי הנקודה"),
      {"seldom_account_lines", "0", "0"},
      Refused("seldom_account_lines", "-1", "הערך צריך להיות 0 או יותר"),
      {"rare_flow_count", "0", "0"},
      Refused("rare_flow_count", "true", "הערך צריך להיות מספר שלם"),
      {"round_unit", "\"0.01\"", "\"0.01\""},
      {"round_unit", "\"250\"", "\"250.00\""},
      Refused("round_unit", "\"0.00\"", "הערך מחוץ לתחום: גדול מ-0"),
      Refused("round_unit", "1000", "הערך צריך להיות מחרוזת של מספר עשרוני (\"1000.00\")"),
      Refused("round_unit", "\"1,000\"", "הערך אינו מספר עשרוני (\"1000.00\")"),
      Refused("round_unit", "\"1.\"", "הערך אינו מספר עשרוני (\"1000.00\")"),
      Refused("round_unit", "\"99999999999999999999\"", "הערך גדול מדי"),
      {"limits", R"(["0.01", "2500"])", R"(["0.01","2500.00"])"},
      {"limits", "[]", "[]"},
      Refused("limits", R"(["-5"])", "הערך מחוץ לתחום: כל סף גדול מ-0"),
      Refused("limits", "\"10000.00\"", "הערך צריך להיות רשימה של סכומים (\"10000.00\")"),
      {"below_limit_window", "\"0.0001\"", "\"0.0001\""},
      {"below_limit_window", "\"0.9999\"", "\"0.9999\""},
      Refused("below_limit_window", "\"0\"", "הערך מחוץ לתחום: גדול מ-0 וקטן מ-1"),
      Refused("below_limit_window", "\"1\"", "הערך מחוץ לתחום: גדול מ-0 וקטן מ-1"),
      {"below_limit_min", "0", "0"},
      Refused("below_limit_min", "-1", "הערך צריך להיות 0 או יותר"),
      {"below_limit_ratio", "\"0.0001\"", "\"0.0001\""},
      Refused("below_limit_ratio", "\"0\"", "הערך מחוץ לתחום: גדול מ-0"),
      {"keywords", R"(["סטורנו", "adj"])", R"(["סטורנו","adj"])"},
      Refused("keywords", R"([""])", "מילה ריקה"),
      Refused("keywords", R"(["تصحيح"])", "המילה \"تصحيح\" אינה ניתנת לכתיבה בקוד 1255"),
      Refused("keywords", "[1]", "הערך צריך להיות רשימה של מחרוזות"),
      {"reversal_days", "0", "0"},
      Refused("reversal_days", "-1", "הערך צריך להיות 0 או יותר"),
      {"high_value_top", "0", "0"},
      Refused("high_value_top", "-1", "הערך צריך להיות 0 או יותר"),
      {"relative_size_min_lines", "2", "2"},
      Refused("relative_size_min_lines", "1", "הערך צריך להיות 2 או יותר"),
      {"relative_size_ratio", "\"12.3456\"", "\"12.3456\""},
      Refused("relative_size_ratio", "\"-2\"", "הערך מחוץ לתחום: גדול מ-0"),
      {"work_start", "\"00:00\"", "\"00:00\""},
      Refused("work_start", "\"7:00\"", "הערך צריך להיות מחרוזת \"HH:MM\""),
      Refused("work_start", "420", "הערך צריך להיות מחרוזת \"HH:MM\""),
      {"work_end", "\"23:59\"", "\"23:59\""},
      Refused("work_end", "\"24:00\"", "הערך מחוץ לתחום 00:00-23:59"),
      {"backdate_days", "0", "0"},
      Refused("backdate_days", "-1", "הערך צריך להיות 0 או יותר"),
      {"benford_min_amount", "\"0.10\"", "\"0.10\""},
      Refused("benford_min_amount", "\"0.09\"", "הערך מחוץ לתחום: 0.10 לפחות"),
      {"benford_z", "\"0.0001\"", "\"0.0001\""},
      Refused("benford_z", "\"0.0000\"", "הערך מחוץ לתחום: גדול מ-0"),
      Refused("benford_z", "3.29", "הערך צריך להיות מחרוזת של מספר עשרוני (\"0.01\")"),
      {"benford_min_n", "0", "0"},
      Refused("benford_min_n", "-1", "הערך צריך להיות 0 או יותר"),
      {"weak_share", "\"0\"", "\"0\""},
      Refused("weak_share", "\"-0.1\"", "הערך מחוץ לתחום: בין 0 ל-1"),
      {"weights", R"({"keyword": 100, "late-entry": 0})", R"({"late-entry":0,"keyword":100})"},
      Refused("weights", R"({"keyword": 101})", "הערך מחוץ לתחום: משקל בין 0 ל-100"),
      Refused("weights", R"({"keyword": -1})", "הערך צריך להיות 0 או יותר"),
      Refused("weights", R"({"late_entry": 1})", "בדיקה לא מוכרת: \"late_entry\""),
      Refused("weights", "[1]", "הערך צריך להיות אובייקט של מזהי בדיקות ומשקלים"),
      {"ranking_top", "1", "1"},
      Refused("ranking_top", "0", "הערך צריך להיות 1 או יותר"),
      {"report_hits", "1", "1"},
      Refused("report_hits", "0", "הערך צריך להיות 1 או יותר"),
      {"portfolio_weights", R"({"digits": 100, "import": 0})",
       R"({"import":0,"checks":20,"tests":20,"ranking":20,"digits":100})"},
      Refused("portfolio_weights", R"({"import": 101})",
              "המשקל של \"import\" צריך להיות מספר שלם בין 0 ל-100"),
      Refused("portfolio_weights", R"({"tests": 2.5})",
              "המשקל של \"tests\" צריך להיות מספר שלם בין 0 ל-100"),
      Refused("portfolio_weights", R"({"risk": 5})", "חלק לא מוכר: \"risk\""),
      Refused("portfolio_weights", "[20]",
              "הערך צריך להיות אובייקט של משקלים שלמים בין 0 ל-100: import, checks, tests, "
              "ranking, digits"),
      {"opening_in_totals", "true", "true"},
      Refused("opening_in_totals", "\"yes\"", "הערך צריך להיות true או false"),
      {"carry_from_classification", "9999", "9999"},
      {"carry_from_classification", "0", "0"},
      Refused("carry_from_classification", "10000", "הערך מחוץ לתחום: בין 0 ל-9999"),
      Refused("carry_from_classification", "-1", "הערך צריך להיות 0 או יותר"),
      {"result_account", "\"1000\"", "\"1000\""},
      Refused("result_account", "1000", "הערך צריך להיות מחרוזת של מפתח חשבון"),
      {"opening_tolerance", "\"0\"", "\"0.00\""},
      Refused("opening_tolerance", "\"-0.01\"", "הערך מחוץ לתחום: 0 או יותר"),
      {"review_amount", "\"0.00\"", "\"0.00\""},
      Refused("review_amount", "\"-1\"", "הערך מחוץ לתחום: 0 או יותר"),
      {"review_share", "\"2.5\"", "\"2.5\""},
      Refused("review_share", "\"-0.0001\"", "הערך מחוץ לתחום: 0 או יותר"),
      {"counterparty_amount", "\"50000\"", "\"50000.00\""},
      Refused("counterparty_amount", "\"1.001\"", "יותר מ-2 ספרות אחרי הנקודה"),
      Refused("late_dayz", "3", "מפתח לא מוכר"),
  };
  return cases;
}

TEST(ParameterKeys, EachKeyTakesItsValuesAndRefusesOthersInItsOwnWords) {
  for (const KeyCase& c : Cases()) {
    SCOPED_TRACE(c.key + ": " + c.value);
    JetParameters p;
    const Status s = LoadJetParameters("{\"" + c.key + "\": " + c.value + "}", {}, p);
    if (!c.accepted) {
      EXPECT_EQ(StatusCode::kCorrupt, s.code());
      EXPECT_EQ("\"" + c.key + "\": " + c.expected, s.message());
      continue;
    }
    ASSERT_TRUE(s.ok()) << s.message();
    const Json printed = Json::parse(JetParameterFileJson(p));
    ASSERT_TRUE(printed.contains(c.key));
    EXPECT_EQ(c.expected, printed[c.key].dump());
  }
}

// The file form holds every key the reader takes, and only those: the tests' own in the order
// of a test run's record, then the portfolio's weights, then the comparison's.
TEST(ParameterKeys, TheFileFormPrintsEveryKeyTheReaderTakes) {
  const Json printed = Json::parse(JetParameterFileJson(JetParameters{}));
  std::vector<std::string> keys;
  for (const auto& item : printed.items()) keys.push_back(item.key());
  for (const KeyCase& c : Cases()) {
    if (c.accepted) {
      EXPECT_NE(keys.end(), std::find(keys.begin(), keys.end(), c.key)) << c.key;
    }
  }
  for (const std::string& key : keys) {
    SCOPED_TRACE(key);
    JetParameters p;
    EXPECT_TRUE(LoadJetParameters(Json{{key, printed[key]}}.dump(), {}, p).ok());
  }
  const Json tests = Json::parse(JetParametersJson(JetParameters{}));
  const Json comparison = Json::parse(ComparisonParametersJson(JetParameters{}));
  ASSERT_EQ(tests.size() + 1 + comparison.size(), keys.size());
  std::size_t i = 0;
  for (const auto& item : tests.items()) EXPECT_EQ(item.key(), keys[i++]);
  EXPECT_EQ("report_hits", keys[i - 1]);
  EXPECT_EQ("portfolio_weights", keys[i++]);
  for (const auto& item : comparison.items()) EXPECT_EQ(item.key(), keys[i++]);
}

}  // namespace
}  // namespace tallyscan
