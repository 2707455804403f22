// The words the reports give each test: a caption, a rule and a risk for every id, no two
// tests sharing a rule or a risk, and every parameter a rule names one that exists.
#include <regex>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "engine/analytics/jet.h"

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

}  // namespace
}  // namespace tallyscan
