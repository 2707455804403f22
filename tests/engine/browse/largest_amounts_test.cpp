// A set whose sums pass 64 bits: 100,000 accounts, movements and documents, each amount the
// largest a field holds (999,999,999,999.99). Every total, balance and check sum is exact.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>

#include "engine/browse/accounts_index.h"
#include "engine/browse/document_register.h"
#include "engine/browse/ledger_card.h"
#include "engine/checks/check_fixture.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"
#include "support/small_set.h"
#include "support/test_files.h"

namespace tallyscan {
namespace {

constexpr std::int64_t kLargest = 99999999999999;  // agorot: 14 digits
constexpr std::int64_t kEach = 100000;             // accounts, movements and documents

std::string Shown(std::string_view cell) { return LookOfCell(cell).shown; }

class LargestAmountsTest : public ::testing::Test {
 protected:
  // Written and imported once: 113 MB of lines.
  static void SetUpTestSuite() {
    folder_ = std::make_unique<testing::TempFolder>();
    cache_ = std::make_unique<testing::TempFolder>();
    std::ofstream data(folder_->File("BKMVDATA.TXT"), std::ios::binary);
    std::int64_t record = 0;
    auto put = [&data, &record](std::string_view line) {
      ++record;
      data << line << "\r\n";
    };
    put(testing::A100Line());
    for (std::int64_t i = 1; i <= kEach; ++i) {
      put(testing::B110Line(record + 1, std::to_string(i), kLargest, kLargest, 0));
    }
    for (std::int64_t i = 1; i <= kEach; ++i) {
      RecordWriter w(RecordType::kB100);
      w.SetDigits(1351, record + 1).SetDigits(1352, testing::kDealer).SetDigits(1353, i);
      w.SetDigits(1354, 1).SetDigits(1355, 1).SetDate(1362, 20230305).SetText(1364, "1");
      w.SetText(1366, "1").SetAmount(1368, kLargest).SetAmount(1369, 0);
      put(w.line());
    }
    for (std::int64_t i = 1; i <= kEach; ++i) {
      RecordWriter w(RecordType::kC100);
      w.SetDigits(1201, record + 1).SetDigits(1202, testing::kDealer).SetDigits(1203, 305);
      w.SetText(1204, std::to_string(i)).SetDate(1205, 20230305).SetDate(1230, 20230305);
      w.SetAmount(1219, kLargest).SetAmount(1222, kLargest).SetAmount(1223, kLargest);
      put(w.line());
    }
    put(testing::Z900Line(record + 1, record + 1));
    data.close();
    testing::WriteFile(folder_->File("INI.TXT"), testing::A000Line(record) + "\r\n" +
                                                     testing::SummaryLine("A100", 1) + "\r\n" +
                                                     testing::SummaryLine("B110", kEach) + "\r\n" +
                                                     testing::SummaryLine("B100", kEach) + "\r\n" +
                                                     testing::SummaryLine("C100", kEach) + "\r\n" +
                                                     testing::SummaryLine("Z900", 1) + "\r\n");
    store_ = std::make_unique<RecordStore>();
    SilentProgress silent;
    const ImportResult result = ImportFolder(*store_, folder_->path(), silent, {cache_->path()});
    ASSERT_TRUE(result.status.ok()) << result.status.message();
  }
  static void TearDownTestSuite() {
    store_.reset();
    folder_.reset();
    cache_.reset();
  }

  static std::unique_ptr<testing::TempFolder> folder_;
  static std::unique_ptr<testing::TempFolder> cache_;
  static std::unique_ptr<RecordStore> store_;
};

std::unique_ptr<testing::TempFolder> LargestAmountsTest::folder_;
std::unique_ptr<testing::TempFolder> LargestAmountsTest::cache_;
std::unique_ptr<RecordStore> LargestAmountsTest::store_;

TEST_F(LargestAmountsTest, IndexTotalsAndTheClosingTotalAreExact) {
  const RowCells totals = AccountTotalsCells(*store_);
  EXPECT_EQ("99,999,999,999,999,000.00 ח", Shown(totals[13]));   // opening balances
  EXPECT_EQ("99,999,999,999,999,000.00", Shown(totals[14]));     // debits
  EXPECT_EQ("", Shown(totals[15]));                              // credits
  EXPECT_EQ("199,999,999,999,998,000.00 ח", Shown(totals[16]));  // closing balances
}

TEST_F(LargestAmountsTest, LedgerBalanceAndTotalsAreExact) {
  // Account 1 holds every movement. Its index balance (opening and debit, each the largest
  // amount) is not its movements' less the opening: no opening row, the gap named exactly.
  const LedgerCard card = LoadCard(*store_, FindAccount(*store_, "1"));
  ASSERT_EQ(kEach, static_cast<std::int64_t>(card.rows.size()));
  const std::string total = "99,999,999,999,999,000.00";
  EXPECT_EQ(total + " ח", Shown(LedgerRowCells(*store_, card, kEach)[18]));  // the last balance
  const RowCells totals = LedgerRowCells(*store_, card, kEach + 1);
  EXPECT_EQ(total, Shown(totals[16]));
  EXPECT_EQ("", Shown(totals[17]));
  const RowCells difference = LedgerRowCells(*store_, card, kEach + 2);
  EXPECT_EQ("-99,997,999,999,999,000.02", Shown(difference[15]));
  EXPECT_EQ("99,997,999,999,999,000.02", Shown(difference[17]));
}

TEST_F(LargestAmountsTest, DocumentRegisterTotalsAreExact) {
  const DocumentMarks no_marks;
  const DocumentRegister documents(*store_, "", no_marks);
  ASSERT_EQ(kEach, documents.DocumentCount());
  for (const int field : {7, 8, 9}) {
    EXPECT_EQ("99,999,999,999,999,000.00", Shown(documents.Cell(documents.DocumentCount(), field)))
        << field;
  }
}

TEST_F(LargestAmountsTest, CheckSumsAreExact) {
  CheckTicks ticks;
  ticks.bookkeeping.SetAll(false);
  ticks.documents.SetAll(false);
  ticks.bookkeeping.SetTicked(static_cast<std::size_t>(BookkeepingItem::kIndexBalance), true);
  ticks.bookkeeping.SetTicked(static_cast<std::size_t>(BookkeepingItem::kMovementsBalance), true);
  SilentProgress silent;
  CheckResultRows rows;
  ASSERT_TRUE(RunChecks(*store_, ticks, testing::FixedClock(), silent, rows));
  using testing::C;
  using testing::D;
  const std::string index = "199,999,999,999,998,000.00";
  const std::string movements = "99,999,999,999,999,000.00";
  EXPECT_NE(rows.end(), std::find(rows.begin(), rows.end(),
                                  "3\tסה'כ סכומי האינדקס\t" + index + std::string(D) + "\t0.00" +
                                      std::string(C) + "\t" + index + std::string(D)));
  EXPECT_NE(rows.end(),
            std::find(rows.begin(), rows.end(),
                      "3\tסה'כ סכומי התנועות\t" + movements + std::string(D) + "\t0.00" +
                          std::string(C) + "\t" + movements + std::string(D)));
}

}  // namespace
}  // namespace tallyscan
