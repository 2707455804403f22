// Each test's rule on small hand-made sets, boundaries exactly at the thresholds.
#include <functional>

#include "engine/analytics/jet_rows.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"
#include "jet_fixture.h"

namespace tallyscan::testing {
namespace {

using Lines = std::vector<std::uint32_t>;

struct RuleCase {
  std::string name;
  JetTest test;
  std::function<void(JetSet&)> build;
  Lines expected;
  std::function<void(JetParameters&)> tune = [](JetParameters&) {};
};

Move At(int date, int entered) {
  Move m;
  m.date = date;
  m.entered = entered;
  return m;
}

Move Amount(std::int64_t agorot, std::string transaction = "1") {
  Move m;
  m.amount = agorot;
  m.transaction = std::move(transaction);
  return m;
}

TEST(JetRules, EachTestHitsExactlyTheLinesItsRuleNames) {
  const std::vector<RuleCase> cases = {
      {"late-entry: 31 days late, not 30",
       JetTest::kLateEntry,
       [](JetSet& s) {
         s.Add(At(20230301, 20230331));
         s.Add(At(20230301, 20230401));
       },
       {2}},
      {"late-entry: the parameter",
       JetTest::kLateEntry,
       [](JetSet& s) { s.Add(At(20230301, 20230303)); },
       {1},
       [](JetParameters& p) { p.late_days = 1; }},
      {"post-closing: entered after the last day of a movement inside the period",
       JetTest::kPostClosing,
       [](JetSet& s) {
         s.Add(At(20231231, 20240101));
         s.Add(At(20231231, 20231231));
         s.Add(At(20240102, 20240105));
       },
       {1}},
      {"period-end: the last five days, both ends",
       JetTest::kPeriodEnd,
       [](JetSet& s) {
         s.Add(At(20231227, 20231227));
         s.Add(At(20231226, 20231226));
         s.Add(At(20231231, 20231231));
         s.Add(At(20240101, 20240101));
       },
       {1, 3}},
      {"period-end: none when the window is 0 days",
       JetTest::kPeriodEnd,
       [](JetSet& s) { s.Add(At(20231231, 20231231)); },
       {},
       [](JetParameters& p) { p.period_end_days = 0; }},
      {"weekend: the entry date decides, else the movement date",
       JetTest::kWeekend,
       [](JetSet& s) {
         s.Add(At(20230108, 20230106));  // entered on a Friday
         s.Add(At(20230106, 20230108));  // entered on a Sunday
         s.Add(At(20230107, 0));         // no entry date, moved on a Saturday
         s.Add(At(20230105, 20230105));  // Thursday
       },
       {1, 3}},
      {"holiday: Pesach and Independence Day, not their eves",
       JetTest::kHoliday,
       [](JetSet& s) {
         s.Add(At(20230406, 20230406));
         s.Add(At(20230405, 20230405));
         s.Add(At(20230426, 20230426));
         s.Add(At(20230425, 20230425));
       },
       {1, 3}},
      {"holiday: eves and the user's own days when asked",
       JetTest::kHoliday,
       [](JetSet& s) {
         s.Add(At(20230405, 20230405));
         s.Add(At(20230425, 20230425));
         s.Add(At(20230301, 20230301));
         s.Add(At(20230302, 20230302));
       },
       {1, 2, 3},
       [](JetParameters& p) {
         p.holiday_eves = true;
         p.extra_holidays = {"2023-03-01"};
       }},
      {"rare-operator: fewer lines than the minimum",
       JetTest::kRareOperator,
       [](JetSet& s) {
         for (int i = 0; i < 10; ++i) s.Add(Move{.operator_name = "often"});
         for (int i = 0; i < 9; ++i) s.Add(Move{.operator_name = "seldom"});
         s.Add(Move{.operator_name = ""});
       },
       {11, 12, 13, 14, 15, 16, 17, 18, 19}},
      {"rare-operator: fewer lines than the share of lines with an operator",
       JetTest::kRareOperator,
       [](JetSet& s) {
         for (int i = 0; i < 3; ++i) s.Add(Move{.operator_name = "a"});
         s.Add(Move{.operator_name = "b"});
       },
       {4},
       [](JetParameters& p) {
         p.rare_operator_min = 0;
         p.rare_operator_share = 5000;  // 0.5 x 4 = 2: "b" (1 line) is rare, "a" (3) is not
       }},
      {"seldom-account: at most three lines",
       JetTest::kSeldomAccount,
       [](JetSet& s) {
         for (int i = 0; i < 3; ++i) s.Add(Move{.account = "x"});
         for (int i = 0; i < 4; ++i) s.Add(Move{.account = "y"});
         s.Add(Move{.account = ""});
       },
       {1, 2, 3}},
      {"rare-flow: a pair seen once; keys compared trimmed, leading zeros kept",
       JetTest::kRareFlow,
       [](JetSet& s) {
         s.Add(Move{.account = "100", .counter = "200"});
         s.Add(Move{.account = "100", .counter = "300"});
         s.Add(Move{.account = " 100", .counter = "300 "});
         s.Add(Move{.account = "100", .counter = "0200"});
         s.Add(Move{.account = "100", .counter = ""});
       },
       {1, 4}},
      {"round-amount: multiples of 1000.00 from 1000.00 up, either sign",
       JetTest::kRoundAmount,
       [](JetSet& s) {
         s.Add(Amount(100000));
         s.Add(Amount(99999));
         s.Add(Amount(200000));
         s.Add(Amount(150000));
         s.Add(Amount(-100000));
         s.Add(Amount(0));
       },
       {1, 3, 5}},
      {"duplicate: equal lines of two transactions, not of one",
       JetTest::kDuplicate,
       [](JetSet& s) {
         s.Add(Amount(5000, "1"));
         s.Add(Amount(5000, "2"));
         s.Add(Amount(7000, "3"));
         s.Add(Amount(7000, "3"));
         Move other_side = Amount(5000, "4");
         other_side.credit = true;
         s.Add(other_side);
         Move no_reference = Amount(5000, "5");
         no_reference.reference = "";
         s.Add(no_reference);
       },
       {1, 2}},
      {"duplicate: blank transactions are each their own",
       JetTest::kDuplicate,
       [](JetSet& s) {
         s.Add(Amount(5000, ""));
         s.Add(Amount(5000, ""));
       },
       {1, 2}},
      {"below-limit: ten lines under 10000.00 and four at or above it",
       JetTest::kBelowLimit,
       [](JetSet& s) {
         for (int i = 0; i < 9; ++i) s.Add(Amount(900000 + i * 1000));
         s.Add(Amount(999999));
         s.Add(Amount(899999));    // below the window
         s.Add(Amount(1000000));   // a
         s.Add(Amount(1099999));   // a
         s.Add(Amount(1100000));   // above the window
         s.Add(Amount(-1050000));  // a
         s.Add(Amount(1000001));   // a
       },
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
       [](JetParameters& p) { p.limits = {1000000}; }},
      {"below-limit: not when the lines above are half of those below or more",
       JetTest::kBelowLimit,
       [](JetSet& s) {
         for (int i = 0; i < 10; ++i) s.Add(Amount(950000));
         for (int i = 0; i < 5; ++i) s.Add(Amount(1050000));
       },
       {},
       [](JetParameters& p) { p.limits = {1000000}; }},
      {"below-limit: 1.07 x 1,000,000.00 is 1,070,000.00 exactly",
       JetTest::kBelowLimit,
       [](JetSet& s) {
         for (int i = 0; i < 10; ++i) s.Add(Amount(99999999));
         for (int i = 0; i < 5; ++i) s.Add(Amount(107000000));  // outside the window: no a
       },
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
       [](JetParameters& p) {
         p.limits = {100000000};
         p.below_limit_window = 700;
       }},
      {"below-limit: 1,069,999.99 is inside the window",
       JetTest::kBelowLimit,
       [](JetSet& s) {
         for (int i = 0; i < 10; ++i) s.Add(Amount(99999999));
         for (int i = 0; i < 5; ++i) s.Add(Amount(106999999));
       },
       {},
       [](JetParameters& p) {
         p.limits = {100000000};
         p.below_limit_window = 700;
       }},
      {"blank-description",
       JetTest::kBlankDescription,
       [](JetSet& s) {
         s.Add(Move{.details = ""});
         s.Add(Move{.details = "x"});
       },
       {1}},
      {"keyword: a keyword inside a longer word",
       JetTest::kKeyword,
       [](JetSet& s) {
         s.Add(Move{.details = Utf8ToCp1255("העברה לתיקון")});
         s.Add(Move{.details = Utf8ToCp1255("מכירה")});
       },
       {1}},
      {"no-reference: both references blank",
       JetTest::kNoReference,
       [](JetSet& s) {
         s.Add(Move{.reference = "", .reference2 = ""});
         s.Add(Move{.reference = "", .reference2 = "7"});
         s.Add(Move{.reference = "7", .reference2 = ""});
       },
       {1}},
      {"missing-document: numbers compared without leading zeros, by type",
       JetTest::kMissingDocument,
       [](JetSet& s) {
         s.Add(Doc{.type = 305, .number = "0012"});
         s.Add(Move{.reference = "12", .reference_type = 305});
         s.Add(Move{.reference = "13", .reference_type = 305});
         s.Add(Move{.reference = "14", .reference_type = 400});  // no documents of 400
         s.Add(Move{.reference = "", .reference_type = 305});
       },
       {3}},
      {"reversal: opposite sides, other transactions, 30 days apart but not 31",
       JetTest::kReversal,
       [](JetSet& s) {
         s.Add(Move{.transaction = "1", .date = 20230108});
         s.Add(Move{.transaction = "2", .credit = true, .date = 20230207});
         s.Add(Move{.transaction = "3", .account = "9", .date = 20230108});
         s.Add(Move{.transaction = "4", .account = "9", .credit = true, .date = 20230208});
         s.Add(Move{.transaction = "5", .account = "8", .date = 20230108});
         s.Add(Move{.transaction = "5", .account = "8", .credit = true, .date = 20230108});
         s.Add(Move{.transaction = "6", .account = "7", .amount = 0, .date = 20230108});
         s.Add(Move{.transaction = "7", .account = "7", .credit = true, .amount = 0});
       },
       {1, 2}},
      {"high-value: the largest amounts, the earlier line among equals",
       JetTest::kHighValue,
       [](JetSet& s) {
         s.Add(Amount(500));
         s.Add(Amount(-900));
         s.Add(Amount(900));
         s.Add(Amount(700));
       },
       {2, 3},
       [](JetParameters& p) { p.high_value_top = 2; }},
      {"relative-size: ten times the second exactly; a tie for the largest is none",
       JetTest::kRelativeSize,
       [](JetSet& s) {
         for (const std::int64_t a : {100000, 10000, 5000}) {
           Move m = Amount(a);
           m.account = "x";
           s.Add(m);
         }
         for (const std::int64_t a : {100000, 100000, 10}) {
           Move m = Amount(a);
           m.account = "y";
           s.Add(m);
         }
         for (const std::int64_t a : {100000, 10}) {
           Move m = Amount(a);
           m.account = "z";  // two lines: not compared
           s.Add(m);
         }
         for (const std::int64_t a : {100000, 10001, 10}) {
           Move m = Amount(a);
           m.account = "w";  // 9.9999 times the second
           s.Add(m);
         }
       },
       {1}},
      {"after-hours: before 07:00 or from 20:00",
       JetTest::kAfterHours,
       [](JetSet& s) {
         for (const int time : {659, 700, 1959, 2000, 2460}) s.Add(Doc{.time = time});
       },
       {1, 4}},
      {"backdated-document: produced more than 30 days after its date",
       JetTest::kBackdatedDocument,
       [](JetSet& s) {
         s.Add(Doc{.produced = 20230131, .dated = 20230101});
         s.Add(Doc{.produced = 20230201, .dated = 20230101});
       },
       {2}},
      {"cancelled-document",
       JetTest::kCancelledDocument,
       [](JetSet& s) {
         s.Add(Doc{.cancelled = true});
         s.Add(Doc{.cancelled = false});
       },
       {1}},
  };
  for (const RuleCase& c : cases) {
    SCOPED_TRACE(c.name);
    JetSet set;
    c.build(set);
    JetParameters parameters;
    c.tune(parameters);
    const JetResult result = set.RunTests(parameters);
    EXPECT_EQ(c.expected, JetSet::Hits(result, c.test));
  }
}

TEST(JetRules, GapsAreRangesBetweenTheNumbersPresent) {
  JetSet set;
  for (const char* t : {"1", "2", "0005", "9", "A1", ""}) set.Add(Amount(100, t));
  for (const char* n : {"1", "2", "5", "5", "00000000000000000010", "99999999999999999999"}) {
    set.Add(Doc{.number = n});
  }
  set.Add(Doc{.type = 400, .number = "7"});
  const JetResult result = set.RunTests();
  const JetTestResult& transactions = *result.Find(JetTest::kTransactionGap);
  ASSERT_EQ(2u, transactions.transaction_ranges.size());
  EXPECT_EQ(3u, transactions.transaction_ranges[0].from);
  EXPECT_EQ(4u, transactions.transaction_ranges[0].to);
  EXPECT_EQ(6u, transactions.transaction_ranges[1].from);
  EXPECT_EQ(8u, transactions.transaction_ranges[1].to);
  EXPECT_EQ(2, transactions.hits);
  EXPECT_TRUE(transactions.lines.empty());
  EXPECT_EQ(4, transactions.usable_lines);

  const JetTestResult& documents = *result.Find(JetTest::kDocumentGap);
  ASSERT_EQ(3u, documents.document_ranges.size());
  EXPECT_EQ("3", documents.document_ranges[0].from);
  EXPECT_EQ("4", documents.document_ranges[0].to);
  EXPECT_EQ("6", documents.document_ranges[1].from);
  EXPECT_EQ("9", documents.document_ranges[1].to);
  EXPECT_EQ("11", documents.document_ranges[2].from);
  EXPECT_EQ("99999999999999999998", documents.document_ranges[2].to);
  EXPECT_EQ("305", documents.document_ranges[2].type);
  EXPECT_EQ((JetLineSet{9, 10}), documents.lines);
  EXPECT_EQ(5, documents.hits);
}

TEST(JetRules, ThePeriodComesFromTheRangeTheTaxYearTheMovementsOrNothing) {
  struct PeriodCase {
    std::string year, from, to;
    bool movements;
    JetPeriodSource source;
    std::optional<std::string> first, last;
    JetState post_closing;
  };
  const std::vector<PeriodCase> cases = {
      {"2023", "20230301", "20230331", true, JetPeriodSource::kA000Range, "2023-03-01",
       "2023-03-31", JetState::kRun},
      {"2023", "20230331", "20230301", true, JetPeriodSource::kTaxYear, "2023-01-01", "2023-12-31",
       JetState::kRun},
      {"0000", "00000000", "00000000", true, JetPeriodSource::kMovements, "2023-02-01",
       "2023-05-02", JetState::kWeak},
      {"0000", "20230230", "20231231", false, JetPeriodSource::kNone, std::nullopt, std::nullopt,
       JetState::kNotRun},
  };
  for (const PeriodCase& c : cases) {
    SCOPED_TRACE(c.year + " " + c.from + " " + c.to);
    JetSet set;
    set.SetHeader(c.year, c.from, c.to);
    if (c.movements) {
      set.Add(At(20230502, 20230502));
      set.Add(At(20230201, 20230201));
    } else {
      set.Add(Doc{});
    }
    const JetResult result = set.RunTests();
    EXPECT_EQ(c.source, result.population.period.source);
    EXPECT_EQ(c.first, result.population.period.from);
    EXPECT_EQ(c.last, result.population.period.to);
    if (c.movements) {
      EXPECT_EQ(c.post_closing, result.Find(JetTest::kPostClosing)->state);
      EXPECT_EQ(c.post_closing, result.Find(JetTest::kPeriodEnd)->state);
    }
  }
}

TEST(JetRules, SufficiencyFollowsTheUsableShareOfTheTestsRecordType) {
  JetSet set;
  set.Add(Move{.operator_name = "a"});
  set.Add(Move{.operator_name = ""});
  set.Add(Move{.amount = std::nullopt, .operator_name = ""});
  const JetResult result = set.RunTests();
  const JetTestResult& operators = *result.Find(JetTest::kRareOperator);
  EXPECT_EQ(JetState::kWeak, operators.state);  // 1 of 3
  EXPECT_DOUBLE_EQ(1.0 / 3.0, *operators.usable_share);
  EXPECT_EQ(JetState::kRun, result.Find(JetTest::kRoundAmount)->state);  // 2 of 3
  const JetTestResult& after_hours = *result.Find(JetTest::kAfterHours);
  EXPECT_EQ(JetState::kNotRun, after_hours.state);  // no document at all
  EXPECT_FALSE(after_hours.usable_share.has_value());
  EXPECT_EQ(JetState::kWeak, result.Find(JetTest::kBenfordFirst)->state);  // 2 lines, not 500

  JetSet half;
  half.Add(Move{.operator_name = "a"});
  half.Add(Move{.operator_name = ""});
  EXPECT_EQ(JetState::kRun, half.RunTests().Find(JetTest::kRareOperator)->state);  // exactly 0.5
}

TEST(JetRules, ThePopulationReconcilesWithinNinetyNineAgorot) {
  struct PopulationCase {
    std::string name;
    std::int64_t card_debit;  // of account 100, whose movements are 1000.00 debit
    std::int64_t opening;
    std::int64_t credit_amount;  // of the other side, account 200
    int credit_batch;
    bool reconciles;
    Lines off;
    std::string figure;  // the population's figure in the summary: the gate's words
  };
  const std::vector<PopulationCase> cases = {
      {"all agree", 100000, 0, 100000, 1, true, {}, "מתאזנת"},
      {"the card 99 agorot off", 100099, 0, 100000, 1, true, {}, "מתאזנת"},
      {"the card 100 agorot off", 100100, 0, 100000, 1, false, {3}, "אינה מתאזנת: כרטיסים"},
      {"the card agrees with its opening balance", 90000, 10000, 100000, 1, true, {}, "מתאזנת"},
      {"a batch out of balance by an agora", 100000, 0, 99999, 1, false, {}, "אינה מתאזנת: מנות"},
      {"the sides balance across two batches",
       100000,
       0,
       100000,
       2,
       false,
       {},
       "אינה מתאזנת: מנות"},
      {"a batch and a card", 100100, 0, 99999, 1, false, {3}, "אינה מתאזנת: מנות, כרטיסים"},
  };
  for (const PopulationCase& c : cases) {
    SCOPED_TRACE(c.name);
    JetSet set;
    set.Add(Move{.transaction = "1", .account = "100", .amount = 100000});
    set.Add(Move{.transaction = "1",
                 .account = "200",
                 .credit = true,
                 .amount = c.credit_amount,
                 .batch = c.credit_batch});
    set.Add(CardLine("100", c.opening, c.card_debit, 0));
    set.Add(CardLine("200", 0, 0, c.credit_amount));
    const JetResult result = set.RunTests();
    EXPECT_EQ(c.reconciles, result.population.reconciles);
    EXPECT_EQ(c.off, JetSet::Hits(result, JetTest::kPopulation));
    const std::vector<std::string> summary = JetSummaryRows(result);
    ASSERT_FALSE(summary.empty());
    EXPECT_EQ(c.figure, RowField(summary.front(), 6));
  }
}

TEST(JetRules, APopulationOfNoMovementIsNotRunAndDoesNotReconcile) {
  JetSet set;
  set.Add(CardLine("100", 0, 0, 0));  // a card agreeing with its (no) movements
  const JetResult result = set.RunTests();
  EXPECT_FALSE(result.population.reconciles);
  EXPECT_EQ(std::vector<std::string>{"movements"}, result.population.reasons);
  EXPECT_EQ(JetState::kNotRun, result.Find(JetTest::kPopulation)->state);
  const std::vector<std::string> summary = JetSummaryRows(result);
  ASSERT_FALSE(summary.empty());
  EXPECT_EQ("אינה מתאזנת: לא נקראו תנועות", RowField(summary.front(), 6));
}

TEST(JetRules, TheRankingAddsTheWeightsOfTheDistinctTestsOfEachTransaction) {
  JetSet set;
  set.Add(Move{.transaction = "7", .details = ""});  // blank-description
  set.Add(Move{.transaction = "7", .reference = "", .reference2 = "", .details = ""});  // both
  set.Add(Move{.transaction = "", .details = ""});  // a transaction of its own
  set.Add(Move{.transaction = "0008", .reference = "", .reference2 = ""});
  JetParameters p;
  p.weights[JetIndex(JetTest::kNoReference)] = 5;
  p.weight_given[JetIndex(JetTest::kNoReference)] = true;
  const JetSelection only = *ParseJetSelection("blank-description,no-reference");
  const JetResult result = set.RunTests(p, only);
  ASSERT_EQ(3u, result.ranking.size());
  EXPECT_EQ("7", result.ranking[0].transaction);
  EXPECT_EQ(6, result.ranking[0].score);
  EXPECT_EQ((std::vector<JetTest>{JetTest::kBlankDescription, JetTest::kNoReference}),
            result.ranking[0].tests);
  EXPECT_EQ(1u, result.ranking[0].first_line);
  EXPECT_EQ("8", result.ranking[1].transaction);
  EXPECT_EQ(5, result.ranking[1].score);
  EXPECT_EQ(std::nullopt, result.ranking[2].transaction);
  EXPECT_EQ(3u, result.ranking[2].first_line);
  EXPECT_EQ(3u, result.tests.size());  // population and the two asked for
}

TEST(JetRules, LinesAreNumberedAsTheImportNumbersThem) {
  // An empty line, a line with a lone CR and a last line without LF are lines too; the CR of
  // a CR LF is not part of its line.
  JetSet set;
  set.line_end_ = "\n";
  set.Add(Move{.details = ""});
  set.Add("");
  set.Add("B1\r00");
  set.Add(MoveLine(Move{.details = ""}) + "\r");
  set.Add(MoveLine(Move{.details = ""}));
  set.Import();
  // The last line loses its LF, as a file cut short does.
  std::string data = ReadFile(set.folder_.File("BKMVDATA.TXT"));
  data.pop_back();
  WriteFile(set.folder_.File("BKMVDATA.TXT"), data);
  SilentProgress silent;
  RecordStore store;
  const ImportResult imported = ImportFolder(store, set.folder_.path(), silent);
  ASSERT_TRUE(imported.status.ok());
  const JetRun run = RunJet(store, SourceFilesOf(imported), {}, AllJetTests(), silent);
  ASSERT_TRUE(run.status.ok());
  EXPECT_EQ((Lines{1, 4, 5}), JetSet::Hits(*run.result, JetTest::kBlankDescription));
}

}  // namespace
}  // namespace tallyscan::testing
