// The words the reports give each test: a caption, a rule and a risk for every id, no two
// tests sharing a rule or a risk, and every parameter a rule names one that exists; the rule as
// a person reads it holds the values in effect, no parameter's name, and the classes and days
// in Hebrew.
#include <regex>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "engine/analytics/jet.h"
#include "engine/analytics/jet_words.h"

namespace tallyscan {
namespace {

TEST(JetTexts, EveryTestHasItsOwnRuleAndRiskNamingOnlyRealParameters) {
  const std::string parameters = JetParametersJson(JetParameters{});
  const std::regex parameter_name("[a-z]+(_[a-z0-9]+)+");
  std::set<std::string_view> rules;
  std::set<std::string_view> risks;
  for (std::size_t i = 0; i < kJetTestCount; ++i) {
    const auto test = static_cast<JetTest>(i);
    SCOPED_TRACE(std::string(JetTestId(test)));
    EXPECT_FALSE(JetCaption(test).empty());
    EXPECT_FALSE(JetRule(test).empty());
    EXPECT_FALSE(JetRisk(test).empty());
    EXPECT_TRUE(rules.insert(JetRule(test)).second);
    EXPECT_TRUE(risks.insert(JetRisk(test)).second);
    const std::string rule(JetRule(test));
    for (auto it = std::sregex_iterator(rule.begin(), rule.end(), parameter_name);
         it != std::sregex_iterator(); ++it) {
      EXPECT_NE(std::string::npos, parameters.find("\"" + it->str() + "\":")) << it->str();
    }
  }
}

TEST(JetTexts, RulesAsReadSayTheValuesInEffectAndNameNoParameter) {
  JetParameters changed;
  changed.late_days = 45;
  changed.weekend_days = {6};
  changed.holiday_eves = true;
  changed.extra_holidays = {"2024-03-05"};
  struct Case {
    JetTest test;
    const JetParameters* parameters;
    std::string said;
  };
  const JetParameters defaults;
  for (const Case& c : {
           Case{JetTest::kLateEntry, &defaults, "ביותר מ-30 ימים"},
           Case{JetTest::kLateEntry, &changed, "ביותר מ-45 ימים"},
           Case{JetTest::kWeekend, &defaults, "אחד מימי יום שישי, שבת."},
           Case{JetTest::kWeekend, &changed, "אחד מימי שבת."},
           Case{JetTest::kHoliday, &defaults, "נכללים (כבוי), או אחד מימי (אין)."},
           Case{JetTest::kHoliday, &changed, "נכללים (פעיל), או אחד מימי 2024-03-05."},
           Case{JetTest::kRoundAmount, &defaults, "לפחות 1000.00 וכפולה"},
           Case{JetTest::kAfterHours, &defaults, "לפני 07:00 או מ-20:00 ואילך"},
           Case{JetTest::kBenfordFirstTwo, &defaults, "כשסיווג כל התנועות גבולי או אינו תואם"},
       }) {
    SCOPED_TRACE(std::string(JetTestId(c.test)));
    EXPECT_NE(std::string::npos, JetRuleText(c.test, *c.parameters).find(c.said))
        << JetRuleText(c.test, *c.parameters);
  }
  const std::regex latin("[A-Za-z_]{3,}");
  for (std::size_t i = 0; i < kJetTestCount; ++i) {
    const auto test = static_cast<JetTest>(i);
    const std::string rule = JetRuleText(test, defaults);
    std::smatch found;
    // What stays in Latin letters are the statistics' own names (MAD, Z).
    const std::string without = std::regex_replace(rule, std::regex("MAD|χ²|Z"), "");
    EXPECT_FALSE(std::regex_search(without, found, latin)) << JetTestId(test) << ": " << rule;
  }
}

TEST(JetTexts, ClassesPopulationsAndDaysHaveHebrewWords) {
  for (const auto& [word, caption] :
       std::initializer_list<std::pair<std::string, std::string>>{{"close", "תואם"},
                                                                  {"acceptable", "מקובל"},
                                                                  {"marginal", "גבולי"},
                                                                  {"nonconformity", "אינו תואם"},
                                                                  {"other", "other"}}) {
    EXPECT_EQ(caption, JetClassCaption(word));
  }
  EXPECT_EQ("כל התנועות", JetPopulationCaption(JetPopulationKind::kAll));
  EXPECT_EQ("זכות", JetPopulationCaption(JetPopulationKind::kCredit));
  // Every day's engine word is one the parameter file takes, and reads back as that day.
  for (int day = 0; day < 7; ++day) {
    JetParameters parameters;
    const std::string json = "{\"weekend_days\": [\"" + std::string(JetDayName(day)) + "\"]}";
    ASSERT_TRUE(LoadJetParameters(json, JetParameters{}, parameters).ok()) << json;
    EXPECT_EQ(std::vector<int>{day}, parameters.weekend_days);
    EXPECT_FALSE(JetDayCaption(day).empty());
  }
  EXPECT_EQ("שבת", JetDayCaption(6));
  EXPECT_TRUE(JetDayCaption(7).empty());
  // Every parameter has a caption of its own.
  std::set<std::string_view> captions;
  const std::regex key("\"([a-z_0-9]+)\":");
  const std::string json = JetParametersJson(JetParameters{});
  for (auto it = std::sregex_iterator(json.begin(), json.end(), key); it != std::sregex_iterator();
       ++it) {
    const std::string name = (*it)[1].str();
    EXPECT_TRUE(captions.insert(JetParameterCaption(name)).second) << name;
    EXPECT_FALSE(JetParameterCaption(name).empty()) << name;
  }
}

}  // namespace
}  // namespace tallyscan
