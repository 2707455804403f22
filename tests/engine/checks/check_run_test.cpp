#include <gtest/gtest.h>

#include "check_fixture.h"
#include "engine/checks/result_rows.h"

namespace tallyscan::testing {
namespace {

using BK = BookkeepingItem;

class RecordingListener final : public CheckRunListener {
 public:
  void OnTitle(std::string_view title) override { titles.emplace_back(title); }
  void OnRowsAdded(std::size_t count) override { last_count = count; }
  void OnRecordRow(std::size_t row, const RecordReference& record) override {
    records.emplace_back(row, record);
  }
  std::vector<std::string> titles;
  std::size_t last_count = 0;
  std::vector<std::pair<std::size_t, RecordReference>> records;
};

using CheckRunTest = CheckFixture;

// A check row is written by column: the cells between those given are empty, and it ends at
// the last one given, even when that one is empty, so that rows of a kind keep their width.
TEST(CheckRowTest, CellsStandUnderTheirColumnsAndTheRowEndsAtTheLastGiven) {
  using checks::CheckRow;
  const struct {
    checks::CheckCells cells;
    std::string row;
  } cases[] = {
      {{}, "3"},
      {{.text = "a"}, "3\ta"},
      {{.text = "a", .balance = "9"}, "3\ta\t\t\t9"},
      {{.text = "a", .debit = ""}, "3\ta\t"},
      {{.debit = "1", .credit = "2"}, "3\t\t1\t2"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.row, CheckRow(RowStatus::kInfo, c.cells));
  EXPECT_EQ("7", StatusRowCell(CheckRow(RowStatus::kInfo, {.credit = "7"}),
                               CheckColumns::Cell("credit")));
}

TEST_F(CheckRunTest, NothingTickedWritesOnlyTheStartAndEndRows) {
  AddBalancedSet();
  const CheckResultRows rows = Run(Only({}, {}));
  EXPECT_EQ(
      (CheckResultRows{"0\tתחילת הבדיקה - 09:05:07" + S(H), "0\tסיום הבדיקה - 09:05:07" + S(H)}),
      rows);
}

TEST_F(CheckRunTest, StopInTheMovementsPassGivesPartialSumsAndNoVerdict) {
  AddBalancedSet();
  // Four accounts, then the movements in batch order: both of batch 1 and the first of
  // batch 2 are read before the stop seen at the tenth poll (the fifth is the one after the
  // index balance, the sixth the one while the movements' amounts are read).
  StopAtPoll monitor(10);
  bool completed = true;
  const CheckResultRows rows = Run(CheckTicks(), monitor, &completed);
  EXPECT_FALSE(completed);
  const std::vector<std::string> expected = {
      "0\tתחילת הבדיקה - 09:05:07" + S(H),
      "0\tבדיקת איזון אינדקס" + S(H),
      "3\tסה'כ סכומי האינדקס\t1,700.00" + S(D) + "\t1,700.00" + S(C) + "\t0.00" + S(D),
      "3\tיתרות האינדקס מאוזנות",
      "0\tבדיקת איזון תנועות" + S(H),
      "3\tסה'כ למנה 1\t1,000.00" + S(D) + "\t1,000.00" + S(C),
      "3\tסכומים חלקיים עד להפסקה\t1,500.00" + S(D) + "\t1,000.00" + S(C),
      "4\tהבדיקה הופסקה ע'י המשתמש" + S(H),
  };
  EXPECT_EQ(expected, rows);
  EXPECT_EQ(10, monitor.polls);
  EXPECT_EQ(0, monitor.last_percent);
}

// A stop is asked for after every step: one pressed after a step's last record ends the run
// there, with no further check and no end row; one pressed within the index balance gives
// its sums so far, labelled partial, and no verdict.
TEST_F(CheckRunTest, StopIsSeenWithinAndBetweenStepsAndAfterTheLast) {
  AddBalancedSet();
  const std::string stopped = "4\tהבדיקה הופסקה ע'י המשתמש" + S(H);
  const std::string index_rows[] = {
      "0\tבדיקת איזון אינדקס" + S(H),
      "3\tסה'כ סכומי האינדקס\t1,700.00" + S(D) + "\t1,700.00" + S(C) + "\t0.00" + S(D),
      "3\tיתרות האינדקס מאוזנות"};
  const struct {
    long long poll;
    CheckTicks ticks;
    std::vector<std::string> rows;
  } cases[] = {
      {3,
       CheckTicks(),
       {index_rows[0], "3\tסכומים חלקיים עד להפסקה\t1,500.00" + S(D) + "\t1,700.00" + S(C),
        stopped}},
      {5, CheckTicks(), {index_rows[0], index_rows[1], index_rows[2], stopped}},
      {5, Only({BK::kIndexBalance}, {}), {index_rows[0], index_rows[1], index_rows[2], stopped}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.poll);
    StopAtPoll monitor(c.poll);
    bool completed = true;
    CheckResultRows rows = Run(c.ticks, monitor, &completed);
    EXPECT_FALSE(completed);
    ASSERT_FALSE(rows.empty());
    rows.erase(rows.begin());  // the start row
    EXPECT_EQ(c.rows, rows);
  }
}

TEST_F(CheckRunTest, StopInTheDocumentPassStillClosesThePass) {
  Add(Document{.number = "1", .after = 200});
  Add(Document{.number = "2", .dealer = "000000000"});
  Add(Document{.number = "3", .after = 200});
  StopAtPoll monitor(4);  // before the third document (the first poll is while they are read)
  bool completed = true;
  const CheckResultRows rows =
      Run(Only({}, {DocumentItem::kSummaries, DocumentItem::kDealerNumbers}), monitor, &completed);
  EXPECT_FALSE(completed);
  EXPECT_EQ((std::vector<std::string>{
                "1\tבעיה ב חשבונית מס מספר - 1",
                "1\tסיכום מחיר בסיס והנחה לא תקין\t0.00" + S(C) + "\t0.00" + S(C) + "\t2.00",
                "1\tסיכום מחיר + מע'מ אינו תקין\t2.00" + S(D) + "\t0.00" + S(C) + "\t0.00",
                "1\tב 1 תעודות לא מוגדר מספר עוסק", "3\tסיום בדיקת תעודות",
                "4\tהבדיקה הופסקה ע'י המשתמש" + S(H)}),
            Section(rows, "בדיקת תעודות"));
}

// The facts of the movements and documents are read on threads of their own; the run waits
// for them asking its monitor, and a stop asked then ends the run without a sum or a finding.
TEST_F(CheckRunTest, StopWhileTheRecordsAreReadEndsTheRunWithoutVerdict) {
  AddBalancedSet();
  Add(Document{.number = "1", .after = 200});
  const std::string stopped = "4\tהבדיקה הופסקה ע'י המשתמש" + S(H);
  const struct {
    CheckTicks ticks;
    std::vector<std::string> rows;
  } cases[] = {
      {Only({BK::kMovementsBalance, BK::kBatchBalance}, {}),
       {"0\tבדיקת איזון תנועות" + S(H), stopped}},
      {Only({}, {DocumentItem::kSummaries}),
       {"0\tבדיקת תעודות" + S(H), "3\tסיום בדיקת תעודות", stopped}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rows.front());
    StopAtPoll monitor(1);
    bool completed = true;
    CheckResultRows rows = Run(c.ticks, monitor, &completed);
    EXPECT_FALSE(completed);
    ASSERT_FALSE(rows.empty());
    rows.erase(rows.begin());  // the start row
    EXPECT_EQ(c.rows, rows);
    EXPECT_EQ(0, monitor.last_percent);
  }
}

TEST_F(CheckRunTest, TheListenerSeesEachTitleAndTheFinalRowCount) {
  AddBalancedSet();
  RecordingListener listener;
  SilentProgress monitor;
  const FixedClock clock;
  CheckResultRows rows;
  EXPECT_TRUE(RunChecks(Store(), CheckTicks(), clock, monitor, rows, &listener));
  EXPECT_EQ((std::vector<std::string>{"בדיקת איזון אינדקס", "בדיקת איזון תנועות",
                                      "הצלבת מפתחות כרטיסים/תנועות", "הצלבת יתרות כרטיסים/תנועות",
                                      "בדיקת סעיפי מס הכנסה", "בדיקת מספרי עוסק", "בדיקת תעודות"}),
            listener.titles);
  EXPECT_EQ(rows.size(), listener.last_count);
}

// Each finding about one record names that record's line; rows about sums, batches or the
// run itself name none.
TEST_F(CheckRunTest, FindingsAboutOneRecordNameItsLine) {
  AddBalancedSet();
  Add(Account{.key = "500", .debit = 100000, .dealer = "123456789"});  // totals, dealer wrong
  AddMovement("999", 4, false, 100);                                   // no such account
  Add(Document{.number = "7", .before = 100000, .after = 100000, .total = 100000});
  Add(DocumentLine{.number = "7", .line = 2, .price = 50000, .total = 100000});
  Add(Document{.type = 400, .number = "8", .total = 5000});
  Add(ReceiptLine{.number = "8", .line = 3, .kind = '2', .amount = 5000});  // no cheque number
  RecordingListener listener;
  SilentProgress monitor;
  const FixedClock clock;
  CheckResultRows rows;
  RunChecks(Store(), CheckTicks(), clock, monitor, rows, &listener);

  // What each referenced row says, and the record code and a key of the line it names.
  const struct {
    std::string_view row_starts;
    std::string_view code;
    std::string_view line_holds;
  } expected[] = {
      {"1\tבתנועה מספר - ", "B100", "999"},
      {"1\tאינו קיים באינדקס החשבונות", "B100", "999"},
      {"1\tבכרטיס - 500", "B110", "500"},
      {"1\tיתרות הכרטיס הן", "B110", "500"},
      {"1\tיתרות התנועות הן", "B110", "500"},
      {"1\tבכרטיס 500 מס. עוסק לא תקין", "B110", "123456789"},
      {"1\tבעיה ב חשבונית מס מספר - 7", "C100", "7"},
      {"1\tבשורה מס. 2 סיכום לא נכון", "D110", "7"},
      {"1\tבעיה ב קבלה מספר - 8", "C100", "8"},
      {"1\tבשורה מס. 3 לא מצויינת מספר ההמחאה", "D120", "8"},
  };
  for (const auto& want : expected) {
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const std::string& text) {
      return text.starts_with(want.row_starts);
    });
    ASSERT_NE(rows.end(), row) << want.row_starts;
    const auto number = static_cast<std::size_t>(row - rows.begin());
    const auto named = std::find_if(listener.records.begin(), listener.records.end(),
                                    [&](const auto& entry) { return entry.first == number; });
    ASSERT_NE(listener.records.end(), named) << want.row_starts;
    const std::string line = ReadRecordLine(Store(), named->second.offset, named->second.type);
    EXPECT_EQ(want.code, line.substr(0, 4)) << want.row_starts;
    EXPECT_NE(std::string::npos, line.find(want.line_holds, 4)) << want.row_starts;
  }
  for (const auto& [number, record] : listener.records) {
    EXPECT_EQ("1", rows[number].substr(0, 1)) << rows[number];
  }
}

}  // namespace
}  // namespace tallyscan::testing
