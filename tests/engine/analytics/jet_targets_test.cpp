// Where a hit leads: each hit row's line by its offset and the index element that shows it,
// the neighbour before a gap, an unbalanced batch's first movement, the ranking's first lines;
// the offsets right whatever ends the lines. The rows in the page's words and the engine's.
#include <algorithm>

#include "engine/analytics/jet_rows.h"
#include "engine/browse/browse.h"
#include "engine/uniform/uniform.h"
#include "jet_fixture.h"

namespace tallyscan::testing {
namespace {

class JetTargetsTest : public JetFixture, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    line_end_ = GetParam();
    // Transactions 1, 2 and 5 (3-4 missing); documents 305/1, 305/2 and 305/6 (3-5 missing).
    // Every movement is a debit of batch 1, which therefore does not balance.
    Add(CardLine("100", 0, 0, 0));  // line 1
    Add(Move{.transaction = "1",
             .account = "100",
             .reference_type = 305,
             .details = ""});                                        // 2: blank details
    Add(Move{.transaction = "2", .account = "300"});                 // 3
    Add(Doc{.number = "1"});                                         // 4
    Add(Move{.transaction = "2", .account = "300", .details = ""});  // 5: blank, last of 2
    Add(Doc{.number = "2"});                                         // 6
    Add(Doc{.number = "6"});                                         // 7
    Add(Move{.transaction = "5", .account = "100", .details = ""});  // 8: blank
  }

  // The offset of line `n` (1-based) as the indexes keep it.
  std::int64_t OffsetOfLine(std::size_t n) const {
    std::int64_t offset = 0;
    for (std::size_t i = 1; i < n; ++i) {
      offset += static_cast<std::int64_t>(data_[i - 1].size() + line_end_.size());
    }
    return offset;
  }

  std::vector<LineTarget> TargetsOf(const JetResult& result, JetTest test) {
    std::vector<std::string> rows;
    std::vector<LineTarget> targets;
    EXPECT_TRUE(JetHitRows(store_, result, test, silent_, rows, &targets).ok());
    EXPECT_EQ(rows.size(), targets.size());
    return targets;
  }
};

TEST_P(JetTargetsTest, HitRowsLeadToTheirLinesAndTheElementsThatShowThem) {
  const JetResult result = RunTests();
  const std::vector<LineTarget> blank = TargetsOf(result, JetTest::kBlankDescription);
  ASSERT_EQ(3u, blank.size());
  const std::size_t lines[] = {2, 5, 8};
  const char* accounts[] = {"100", "300", "100"};
  for (std::size_t i = 0; i < blank.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(RecordType::kB100, blank[i].type);
    EXPECT_EQ(OffsetOfLine(lines[i]), blank[i].offset);
    EXPECT_EQ(FindAccount(store_, accounts[i]), blank[i].element);
  }
  // Account 300 has no B110 line: no card element, the offset still names the movement.
  EXPECT_EQ(0, blank[1].element);
  EXPECT_NE(0, blank[0].element);

  // The transaction gap 3-4 leads to the last movement of transaction 2.
  const std::vector<LineTarget> gap = TargetsOf(result, JetTest::kTransactionGap);
  ASSERT_EQ(1u, gap.size());
  EXPECT_EQ(OffsetOfLine(5), gap[0].offset);

  // The gate's unbalanced batch leads to its first movement, its card to the card's line.
  const std::vector<LineTarget> gate = TargetsOf(result, JetTest::kPopulation);
  ASSERT_EQ(2u, gate.size());
  EXPECT_EQ(OffsetOfLine(2), gate[0].offset);
  EXPECT_EQ(RecordType::kB100, gate[0].type);
  EXPECT_EQ(OffsetOfLine(1), gate[1].offset);
  EXPECT_EQ(RecordType::kB110, gate[1].type);

  // The document gap 3-5 leads to document 305/2, the one numbered just before it.
  const std::vector<LineTarget> documents = TargetsOf(result, JetTest::kDocumentGap);
  ASSERT_EQ(1u, documents.size());
  EXPECT_EQ(RecordType::kC100, documents[0].type);
  EXPECT_EQ(OffsetOfLine(6), documents[0].offset);
  ASSERT_NE(0, documents[0].element);
  EXPECT_EQ(OffsetOfLine(6), store_.DocumentIndex[documents[0].element].Offset);
}

TEST_P(JetTargetsTest, LineTargetsFollowTheLinesGivenAndLeadNowhereForOtherRecords) {
  RunTests();
  const std::uint32_t lines[] = {1, 3, 3, 4, 8};
  std::vector<LineTarget> targets;
  ASSERT_TRUE(JetLineTargets(store_, lines, silent_, targets).ok());
  ASSERT_EQ(5u, targets.size());
  EXPECT_EQ(RecordType::kB110, targets[0].type);
  EXPECT_EQ(FindAccount(store_, "100"), targets[0].element);
  for (std::size_t i = 0; i < targets.size(); ++i) {
    EXPECT_EQ(OffsetOfLine(lines[i]), targets[i].offset) << i;
  }
  EXPECT_EQ(RecordType::kC100, targets[3].type);
}

// The page and the report say what a gap misses, and which batch does not balance, in the
// test's own cell, under no line, record or transaction; the command line keeps the range's
// (the batch's) cells. A line's row on the page dates it DD/MM/YYYY and names its document.
TEST_P(JetTargetsTest, RowsInThePagesAndTheEnginesWords) {
  const JetResult result = RunTests();
  EXPECT_EQ((std::vector<JetBatch>{{1, 49380, 0, 2}}), result.population.batches_off);
  EXPECT_EQ(2, result.Find(JetTest::kPopulation)->hits);  // the batch and the card
  // The figure that matters says what it is and in which unit on the page, as it was given.
  const std::size_t blank = static_cast<std::size_t>(
      std::find_if(result.tests.begin(), result.tests.end(),
                   [](const JetTestResult& t) { return t.test == JetTest::kBlankDescription; }) -
      result.tests.begin());
  EXPECT_EQ("סכום הפגיעות: 370.35 ש\"ח",
            RowField(JetSummaryRows(result, JetWords::kPage).at(blank), 6));
  EXPECT_EQ("370.35", RowField(JetSummaryRows(result).at(blank), 6));
  const struct {
    JetTest test;
    JetWords words;
    std::string cells;  // the row without its status
  } cases[] = {
      {JetTest::kTransactionGap, JetWords::kPage, "\t\t\t\t\t\t\tחסרים: מ-3 עד 4"},
      {JetTest::kTransactionGap, JetWords::kEngine, "\t3\t4"},
      {JetTest::kDocumentGap, JetWords::kPage, "\t\t\t\t\t\t\tחשבונית מס (305): חסרים מ-3 עד 5"},
      {JetTest::kDocumentGap, JetWords::kEngine, "\t3\t5\t305"},
      {JetTest::kPopulation, JetWords::kPage,
       "\t\t\t\t\t\t493.80\tמנה 1 אינה מאוזנת: חובה 493.80, זכות 0.00"},
      {JetTest::kPopulation, JetWords::kEngine, "\t1\t493.80\t0.00"},
      {JetTest::kBlankDescription, JetWords::kPage,
       "\t2\tB100\t1\t100\t08/01/2023\t123.45\t5001\tחשבונית מס (305) 5001"},
      {JetTest::kBlankDescription, JetWords::kEngine,
       "\t2\tB100\t1\t100\t2023-01-08\t123.45\t5001"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cells);
    std::vector<std::string> rows;
    ASSERT_TRUE(JetHitRows(store_, result, c.test, silent_, rows, nullptr, c.words).ok());
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(c.cells, rows.front().substr(1));
  }
}

INSTANTIATE_TEST_SUITE_P(LineEnds, JetTargetsTest, ::testing::Values("\r\n", "\n"));

}  // namespace
}  // namespace tallyscan::testing
