// Where a hit leads: each hit row's line by its offset and the index element that shows it,
// the neighbour before a gap, the ranking's first lines; the offsets right whatever ends the
// lines.
#include <algorithm>

#include "engine/analytics/jet_rows.h"
#include "engine/browse/browse.h"
#include "jet_fixture.h"

namespace tallyscan::testing {
namespace {

class JetTargetsTest : public JetFixture, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    line_end_ = GetParam();
    // Transactions 1, 2 and 5 (3-4 missing); documents 305/1, 305/2 and 305/6 (3-5 missing).
    Add(CardLine("100", 0, 0, 0));                                   // line 1
    Add(Move{.transaction = "1", .account = "100", .details = ""});  // 2: blank details
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

// The page and the report say what a gap misses in the test's own cell, under no line, record
// or transaction; the command line keeps the range's cells.
TEST_P(JetTargetsTest, GapRowsSayWhatIsMissingInTheirOwnCell) {
  const JetResult result = RunTests();
  const struct {
    JetTest test;
    JetWords words;
    std::string cells;  // the row without its status
  } cases[] = {
      {JetTest::kTransactionGap, JetWords::kPage, "\t\t\t\t\t\t\tחסרים: מ-3 עד 4"},
      {JetTest::kTransactionGap, JetWords::kEngine, "\t3\t4"},
      {JetTest::kDocumentGap, JetWords::kPage, "\t\t\t\t\t\t\tחשבונית מס (305): חסרים מ-3 עד 5"},
      {JetTest::kDocumentGap, JetWords::kEngine, "\t3\t5\t305"},
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
