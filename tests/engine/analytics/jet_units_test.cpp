// The pack's table of tests and the units it lists: each unit in its place, and a test run
// alone deciding as it does among all the others, which share the one reading and its
// columns with it.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "engine/analytics/jet.h"
#include "engine/analytics/jet_unit.h"
#include "engine/uniform/uniform.h"
#include "jet_fixture.h"

namespace tallyscan {
namespace {

using analytics::JetStage;
using analytics::UnitOf;
using testing::Doc;
using testing::JetSet;
using testing::Move;

TEST(JetUnits, EachUnitStandsInItsPlaceWithItsIdTextsAndFields) {
  std::set<std::string_view> ids;
  for (std::size_t i = 0; i < kJetTestCount; ++i) {
    const auto test = static_cast<JetTest>(i);
    const analytics::JetUnit& unit = UnitOf(test);
    SCOPED_TRACE(std::string(unit.info.id));
    EXPECT_EQ(test, unit.info.test);
    EXPECT_TRUE(ids.insert(unit.info.id).second);
    JetTest found = JetTest::kLastTwo;
    ASSERT_TRUE(FindJetTest(unit.info.id, found));
    EXPECT_EQ(test, found);
    EXPECT_FALSE(unit.info.own_caption.empty());
    // Every field it needs is of the record type it examines.
    const std::string code(LayoutOf(unit.info.type).code);
    for (std::string_view rest = unit.info.needs; !rest.empty();) {
      EXPECT_TRUE(rest.starts_with(code + ":")) << rest;
      const std::size_t comma = rest.find(',');
      rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    // The gate is the population's alone, and it reads the cards.
    EXPECT_EQ(test == JetTest::kPopulation, unit.stage == JetStage::kGate);
    EXPECT_EQ(test == JetTest::kPopulation, unit.reads_cards);
  }
  JetTest none;
  EXPECT_FALSE(FindJetTest("rare_operator", none));
}

// Lines that hit most tests at once: late, weekend, holiday, seldom accounts, a rare
// operator, round and large amounts, duplicates and reversals, gaps, documents missing,
// backdated, cancelled and produced at night.
void AddMixedSet(JetSet& set) {
  for (int i = 0; i < 40; ++i) {
    Move m;
    m.transaction = std::to_string(1 + i + (i > 20 ? 5 : 0));
    m.account = std::to_string(100 + i % 4);
    m.counter = i % 7 == 0 ? "" : std::to_string(200 + i % 3);
    m.credit = i % 2 == 1;
    m.amount = i % 9 == 0 ? std::optional<std::int64_t>() : 100000 * (1 + i % 5) + (i % 3) * 17;
    m.date = 20230100 + 1 + i % 28;
    m.entered = i % 5 == 0 ? 20230301 : m.date;
    m.reference = i % 6 == 0 ? "" : std::to_string(5000 + i % 8);
    m.reference_type = i % 4 == 0 ? 305 : 0;
    m.details = i % 8 == 0 ? "" : (i % 3 == 0 ? "תיקון" : "sale");
    m.operator_name = i == 13 ? "rare" : "user1";
    m.batch = 1 + i % 3;
    set.Add(m);
  }
  set.Add(Move{.transaction = "90", .account = "999", .amount = 4999000, .date = 20230916});
  set.Add(testing::CardLine("100", 0, 100000, 0));
  for (int i = 0; i < 6; ++i) {
    set.Add(Doc{.number = std::to_string(1 + i * (i % 2 == 0 ? 1 : 3)),
                .produced = 20230301,
                .dated = i % 2 == 0 ? 20230101 : 20230301,
                .time = i == 4 ? 2215 : 1015,
                .cancelled = i == 5});
  }
  set.Add(Doc{.number = "3"});
}

void ExpectSameTest(const JetTestResult& alone, const JetTestResult& among) {
  EXPECT_EQ(among.state, alone.state);
  EXPECT_EQ(among.type_lines, alone.type_lines);
  EXPECT_EQ(among.usable_lines, alone.usable_lines);
  EXPECT_EQ(among.hits, alone.hits);
  EXPECT_EQ(among.hit_amount, alone.hit_amount);
  EXPECT_EQ(std::vector<std::uint32_t>(among.lines.begin(), among.lines.end()),
            std::vector<std::uint32_t>(alone.lines.begin(), alone.lines.end()));
  EXPECT_EQ(among.transaction_ranges.size(), alone.transaction_ranges.size());
  EXPECT_EQ(among.document_ranges.size(), alone.document_ranges.size());
  ASSERT_EQ(among.figures.size(), alone.figures.size());
  for (std::size_t f = 0; f < among.figures.size(); ++f) {
    EXPECT_EQ(among.figures[f].name, alone.figures[f].name);
    EXPECT_EQ(among.figures[f].value, alone.figures[f].value);
  }
}

TEST(JetUnits, ATestRunAloneDecidesAsItDoesAmongAllTheOthers) {
  JetSet set;
  AddMixedSet(set);
  const JetResult all = set.RunTests();
  ASSERT_EQ(kJetTestCount, all.tests.size());
  std::size_t hit_tests = 0;
  for (std::size_t i = 1; i < kJetTestCount; ++i) {
    const auto test = static_cast<JetTest>(i);
    SCOPED_TRACE(std::string(JetTestId(test)));
    const std::optional<JetSelection> selection = ParseJetSelection(JetTestId(test));
    ASSERT_TRUE(selection);
    const JetResult alone = set.RunTests({}, *selection);
    ASSERT_EQ(2u, alone.tests.size());
    ExpectSameTest(alone.tests[0], *all.Find(JetTest::kPopulation));
    ExpectSameTest(alone.tests[1], *all.Find(test));
    hit_tests += alone.tests[1].hits > 0;
  }
  // The set is worth comparing on: most tests find something in it.
  EXPECT_GE(hit_tests, 14u);
}

}  // namespace
}  // namespace tallyscan
