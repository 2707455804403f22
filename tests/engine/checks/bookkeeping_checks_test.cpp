#include <gtest/gtest.h>

#include <algorithm>

#include "check_fixture.h"

namespace tallyscan::testing {
namespace {

using BK = BookkeepingItem;

using BookkeepingChecksTest = CheckFixture;

TEST_F(BookkeepingChecksTest, BalancedSetGivesOnlyHeadingsTotalsAndClosingRows) {
  AddBalancedSet();
  const CheckResultRows rows = Run(Only({BK::kAll}, {}));
  const std::vector<std::string> expected = {
      "0\tתחילת הבדיקה - 09:05:07" + S(H),
      "0\tבדיקת איזון אינדקס" + S(H),
      "3\tסה'כ סכומי האינדקס\t1,700.00" + S(D) + "\t1,700.00" + S(C) + "\t0.00" + S(D),
      "3\tיתרות האינדקס מאוזנות",
      "0\tבדיקת איזון תנועות" + S(H),
      "3\tסה'כ למנה 1\t1,000.00" + S(D) + "\t1,000.00" + S(C),
      "3\tסה'כ למנה 2\t500.00" + S(D) + "\t500.00" + S(C),
      "3\tסה'כ למנה 3\t200.00" + S(D) + "\t200.00" + S(C),
      "3\tסה'כ סכומי התנועות\t1,700.00" + S(D) + "\t1,700.00" + S(C) + "\t0.00" + S(D),
      "3\tסכומי התנועות מאוזנים",
      "0\tהצלבת מפתחות כרטיסים/תנועות" + S(H),
      "0\tהסתיימה הצלבת מפתחות תנועות/כרטיסים",
      "0\tהצלבת יתרות כרטיסים/תנועות" + S(H),
      "0\tהסתיימה הצלבת יתרות תנועות/כרטיסים",
      "0\tבדיקת סעיפי מס הכנסה" + S(H),
      "3\tיתרת הפסד משנה קודמת\t0.00" + S(D),
      "3\tיתרת רווח שנה נוכחית\t200.00" + S(D) + "\t1,500.00" + S(C) + "\t-1,300.00" + S(C),
      "0\tבדיקת מספרי עוסק" + S(H),
      "3\tסיום בדיקת מספרי עוסק",
      "0\tסיום הבדיקה - 09:05:07" + S(H),
  };
  EXPECT_EQ(expected, rows);
}

TEST_F(BookkeepingChecksTest, IndexDifferenceOf99AgorotIsBalancedAnd100IsNot) {
  Add(Account{.key = "1", .debit = 10099, .section = 1000});
  Add(Account{.key = "2", .credit = 9999, .section = 1000});
  Add(Account{.key = "3", .opening = -1, .section = 7100});
  // Balanced under a difference: the verdict says how far that reaches.
  EXPECT_EQ((std::vector<std::string>{
                "3\tסה'כ סכומי האינדקס\t100.99" + S(D) + "\t100.00" + S(C) + "\t0.99" + S(D),
                "3\tיתרות האינדקס מאוזנות (הפרשים עד 0.99 ש\"ח נחשבים מאוזנים)"}),
            Section(Run(Only({BK::kIndexBalance}, {})), "בדיקת איזון אינדקס"));
}

// Batches a cent apart that make up for each other: the total balances, and says it does so
// within the tolerance.
TEST_F(BookkeepingChecksTest, BalancedMovementsUnderABatchDifferenceNameTheTolerance) {
  Add(Account{.key = "1", .debit = 100000, .section = 1000});
  Add(Account{.key = "2", .credit = 100000, .section = 1000});
  AddMovement("1", 31, false, 100000);
  AddMovement("2", 31, true, 99999);
  AddMovement("2", 32, true, 1);
  EXPECT_EQ(
      (std::vector<std::string>{
          "3\tסה'כ למנה 31\t1,000.00" + S(D) + "\t999.99" + S(C) + "\t0.01" + S(D),
          "3\tסה'כ למנה 32\t0.00" + S(D) + "\t0.01" + S(C) + "\t-0.01" + S(C),
          "3\tסה'כ סכומי התנועות\t1,000.00" + S(D) + "\t1,000.00" + S(C) + "\t0.00" + S(D),
          "3\tסכומי התנועות מאוזנים (הפרשים עד 0.99 ש\"ח נחשבים מאוזנים)"}),
      Section(Run(Only({BK::kMovementsBalance, BK::kBatchBalance}, {})), "בדיקת איזון תנועות"));
}

TEST_F(BookkeepingChecksTest, IndexDifferenceIsAnErrorOnlyInDoubleEntryBooks) {
  Add(Account{.key = "1", .opening = -20000, .debit = 10000, .section = 7100});
  Add(Account{.key = "2", .debit = 10000, .section = 1000});
  Add(Account{.key = "3", .debit = 100, .section = 1000});
  const CheckResultRows rows = Run(Only({BK::kIndexBalance}, {}));
  EXPECT_EQ((std::vector<std::string>{
                "3\tסה'כ סכומי האינדקס\t201.00" + S(D) + "\t200.00" + S(C) + "\t1.00" + S(D),
                "1\tקיים חוסר איזון בסכומי האינדקס בסך של - \t\t\t1.00" + S(D)}),
            Section(rows, "בדיקת איזון אינדקס"));
}

TEST_F(BookkeepingChecksTest, IndexDifferenceInSingleEntryBooksIsInformation) {
  bookkeeping_type = 1;
  Add(Account{.key = "1", .credit = 500, .section = 1000});
  EXPECT_EQ((std::vector<std::string>{
                "3\tסה'כ סכומי האינדקס\t0.00" + S(D) + "\t5.00" + S(C) + "\t-5.00" + S(C),
                "3\tיתרת האינדקס\t\t\t-5.00" + S(C)}),
            Section(Run(Only({BK::kIndexBalance}, {})), "בדיקת איזון אינדקס"));
}

TEST_F(BookkeepingChecksTest, MovementDifferenceCarriesTheCreditMarkerWhateverItsSign) {
  AddMovement("1", 7, false, 10100);
  AddMovement("2", 7, true, 10000);
  EXPECT_EQ(
      (std::vector<std::string>{
          "3\tסה'כ למנה 7\t101.00" + S(D) + "\t100.00" + S(C) + "\t1.00" + S(D),
          "3\tסה'כ סכומי התנועות\t101.00" + S(D) + "\t100.00" + S(C) + "\t1.00" + S(D),
          "1\tקיים חוסר איזון בסכומי התנועות בסל של\t\t\t1.00" + S(C)}),
      Section(Run(Only({BK::kMovementsBalance, BK::kBatchBalance}, {})), "בדיקת איזון תנועות"));
}

TEST_F(BookkeepingChecksTest, MovementDifferenceInSingleEntryBooksIsInformation) {
  bookkeeping_type = 1;
  AddMovement("1", 7, true, 10000);
  EXPECT_EQ((std::vector<std::string>{
                "3\tסה'כ סכומי התנועות\t0.00" + S(D) + "\t100.00" + S(C) + "\t-100.00" + S(C),
                "3\tיתרת התנועות\t\t\t-100.00" + S(C)}),
            Section(Run(Only({BK::kMovementsBalance}, {})), "בדיקת איזון תנועות"));
}

TEST_F(BookkeepingChecksTest, BatchesAreTotalledByNumberWhereverTheirMovementsAre) {
  // Batch 5's movements sit under different accounts, so the key order scatters them.
  AddMovement("9", 5, false, 300);
  AddMovement("1", 12, false, 700);
  AddMovement("5", 5, true, 299);
  AddMovement("3", 12, true, 700);
  AddMovement("0", 5, false, 0);
  const CheckResultRows rows = Run(Only({BK::kBatchBalance}, {}));
  EXPECT_EQ(
      (std::vector<std::string>{"3\tסה'כ למנה 5\t3.00" + S(D) + "\t2.99" + S(C) + "\t0.01" + S(D),
                                "3\tסה'כ למנה 12\t7.00" + S(D) + "\t7.00" + S(C)}),
      Section(rows, "בדיקת איזון תנועות"));
  // Without the movements item there are no totals and no cross-check.
  EXPECT_EQ(5u, rows.size());
}

TEST_F(BookkeepingChecksTest, BatchesWrittenInDifferentFormsAreOneBatchByTheirNumber) {
  // "1       " sorts after "00000002" as characters; as numbers both forms are batch 1.
  AddMovement("100", 1, false, 500);
  AddMovement("200", 2, false, 300);
  AddMovement("300", 2, true, 300);
  RecordWriter w(RecordType::kB100);
  w.SetText(1364, "400").SetText(1355, "1").SetText(1366, "2").SetAmount(1368, 500);
  AddLine(w.line());
  EXPECT_EQ((std::vector<std::string>{"3\tסה'כ למנה 1\t5.00" + S(D) + "\t5.00" + S(C),
                                      "3\tסה'כ למנה 2\t3.00" + S(D) + "\t3.00" + S(C)}),
            Section(Run(Only({BK::kBatchBalance}, {})), "בדיקת איזון תנועות"));
}

TEST_F(BookkeepingChecksTest, IndexAgainstMovementsReportsEachSide) {
  Add(Account{.key = "1", .debit = 50000, .section = 1000});
  Add(Account{.key = "2", .credit = 50000, .section = 1000});
  AddMovement("1", 1, false, 40000);
  AddMovement("2", 1, true, 49901);
  const CheckResultRows rows = Run(Only({BK::kIndexBalance, BK::kMovementsBalance}, {}));
  const std::vector<std::string> tail(rows.end() - 3, rows.end());
  EXPECT_EQ((std::vector<std::string>{"1\tסכומי החובה באינדקס\t500.00" + S(D),
                                      "1\tאינם זהים לסכומי החובה בתנועות\t400.00" + S(D),
                                      "0\tסיום הבדיקה - 09:05:07" + S(H)}),
            tail);
}

TEST_F(BookkeepingChecksTest, MissingAccountIsReportedOnceAtItsFirstMovement) {
  Add(Account{.key = "100", .debit = 100, .section = 1000});
  AddMovement("100", 1, false, 100);
  AddMovement("555", 1, true, 50);
  AddMovement("555", 2, true, 50);
  AddMovement("777", 1, false, 0);
  const CheckResultRows rows =
      Run(Only({BK::kIndexBalance, BK::kMovementsBalance, BK::kKeyCrossCheck}, {}));
  EXPECT_EQ((std::vector<std::string>{
                "1\tבתנועה מספר - 2 המפתח \t555" + S(C), "1\tאינו קיים באינדקס החשבונות",
                "1\tבתנועה מספר - 4 המפתח \t777" + S(C), "1\tאינו קיים באינדקס החשבונות",
                "0\tהסתיימה הצלבת מפתחות תנועות/כרטיסים"}),
            Section(rows, "הצלבת מפתחות כרטיסים/תנועות"));
}

TEST_F(BookkeepingChecksTest, CrossChecksNeedTheIndexBalance) {
  Add(Account{.key = "100", .debit = 100, .section = 1000});
  AddMovement("555", 1, true, 50);
  const CheckResultRows rows = Run(Only({BK::kKeyCrossCheck, BK::kBalanceCrossCheck}, {}));
  EXPECT_EQ(
      (CheckResultRows{"0\tתחילת הבדיקה - 09:05:07" + S(H), "0\tסיום הבדיקה - 09:05:07" + S(H)}),
      rows);
  // With the movements but without the index balance, still no cross-check.
  EXPECT_EQ(5u, Run(Only({BK::kMovementsBalance, BK::kKeyCrossCheck}, {})).size());
}

TEST_F(BookkeepingChecksTest, AccountBalancesAgainstTheirMovements) {
  // Agrees after the opening balance is added: no rows.
  Add(Account{.key = "1", .opening = 1000, .debit = 5000, .section = 1000});
  AddMovement("1", 1, false, 6000);
  // Opening balance only, no totals: skipped although it has no movements.
  Add(Account{.key = "2", .opening = 7000, .section = 1000});
  // Off by 1.00 either way; its movements are summed once for both copies of the key.
  Add(Account{.key = "3", .debit = 20000, .credit = 5000, .section = 1000});
  Add(Account{.key = "3", .debit = 20000, .credit = 5000, .section = 1000});
  AddMovement("3", 1, false, 10000);
  AddMovement("3", 2, true, 5000);
  AddMovement("3", 2, false, 10100);
  // The movements of account 30 share a prefix with 3 but not the key.
  Add(Account{.key = "30", .credit = 99, .section = 1000});
  AddMovement("30", 1, true, 99);
  const CheckResultRows rows =
      Run(Only({BK::kIndexBalance, BK::kMovementsBalance, BK::kBalanceCrossCheck}, {}));
  const std::vector<std::string> mismatch = {
      "1\tבכרטיס - 3" + std::string(14, ' ') + " אין התאמה בין יתרות הכרטיס לתנועות הכרטיס",
      "1\tיתרות הכרטיס הן\t200.00" + S(D) + "\t50.00" + S(C),
      "1\tיתרות התנועות הן\t201.00" + S(D) + "\t50.00" + S(C), "3"};
  std::vector<std::string> expected = mismatch;
  expected.insert(expected.end(), mismatch.begin(), mismatch.end());
  expected.push_back("0\tהסתיימה הצלבת יתרות תנועות/כרטיסים");
  EXPECT_EQ(expected, Section(rows, "הצלבת יתרות כרטיסים/תנועות"));
}

TEST_F(BookkeepingChecksTest, TaxSectionsMissingStopsTheProfitRowsAndNamesTheAccounts) {
  Add(Account{.key = "1", .opening = 100, .section = 0});
  Add(Account{.key = "2", .debit = 100, .section = 0});  // a debit alone needs no section
  Add(Account{.key = "3", .section = 6000});
  Add(Account{.key = "4", .credit = 100, .section = 0});
  CheckResultRows rows = Run(Only({BK::kIndexBalance, BK::kTaxSections}, {}));
  ASSERT_GE(rows.size(), 4u);
  EXPECT_EQ((std::vector<std::string>{"1\tסעיפי מס הכנסה לא מוגדרים בכל הכרטיסים",
                                      "1\tבכרטיס - 1 לא מוגדר סעיף מס הכנסה",
                                      "1\tבכרטיס - 4 לא מוגדר סעיף מס הכנסה"}),
            std::vector<std::string>(rows.end() - 4, rows.end() - 1));
}

// The refusal and its list come from one reading of the index: wherever a stop falls, a run
// that says some accounts lack a section names every one of them.
TEST_F(BookkeepingChecksTest, TaxSectionsRefusalNamesEveryAccountWhereverTheRunStops) {
  Add(Account{.key = "1", .opening = 100, .section = 0});
  Add(Account{.key = "2", .debit = 100, .section = 1000});
  Add(Account{.key = "3", .debit = 100, .section = 1000});
  Add(Account{.key = "4", .credit = 100, .section = 0});
  const std::vector<std::string> named = {"1\tבכרטיס - 1 לא מוגדר סעיף מס הכנסה",
                                          "1\tבכרטיס - 4 לא מוגדר סעיף מס הכנסה"};
  int refusals = 0;
  for (long long poll = 1; poll <= 20; ++poll) {
    StopAtPoll monitor(poll);
    const CheckResultRows rows =
        Run(Only({BK::kIndexBalance, BK::kTaxSections}, {}), monitor, nullptr);
    const auto refusal =
        std::find(rows.begin(), rows.end(), "1\tסעיפי מס הכנסה לא מוגדרים בכל הכרטיסים");
    if (refusal == rows.end()) continue;
    ++refusals;
    ASSERT_GE(rows.end() - refusal, 3) << "stopped at poll " << poll;
    EXPECT_EQ(named, std::vector<std::string>(refusal + 1, refusal + 3))
        << "stopped at poll " << poll;
  }
  EXPECT_GT(refusals, 0);
}

TEST_F(BookkeepingChecksTest, CreditOnlyAccountWithoutSectionCountsAsMissingButDebitDoesNot) {
  Add(Account{.key = "1", .debit = 100, .section = 0});
  EXPECT_EQ("0\tבדיקת סעיפי מס הכנסה" + S(H),
            Run(Only({BK::kIndexBalance, BK::kTaxSections}, {}))[4]);
}

TEST_F(BookkeepingChecksTest, PreviousYearProfitGoesIntoTheCreditColumn) {
  Add(Account{.key = "1", .opening = -100000, .section = 9980});
  Add(Account{.key = "2", .debit = 30000, .credit = 10000, .section = 6000});
  Add(Account{.key = "3", .debit = 55500, .section = 7000});  // balance sheet: ignored
  EXPECT_EQ((std::vector<std::string>{
                "3\tיתרת רווח משנה קודמת\t\t1,000.00" + S(C),
                "3\tיתרת הפסד שנה נוכחית\t300.00" + S(D) + "\t100.00" + S(C) + "\t200.00" + S(D)}),
            Section(Run(Only({BK::kTaxSections}, {})), "בדיקת סעיפי מס הכנסה"));
}

TEST_F(BookkeepingChecksTest, DealerNumbersOfAccounts) {
  Add(Account{.key = "C1", .section = 7310, .dealer = "000000000"});  // missing
  Add(Account{.key = "C2", .section = 9370, .dealer = "         "});  // missing
  Add(Account{.key = "X1", .section = 1000, .dealer = "000000000"});  // not needed
  Add(Account{.key = "C3", .section = 7310, .dealer = "123456783"});  // wrong check digit
  Add(Account{.key = "C4", .section = 1000, .dealer = "1234 6782"});  // embedded blank
  Add(Account{.key = "C5", .section = 7410, .dealer = "123456782"});
  // Text of the file never splits a row or marks a cell: TAB and the markers become blanks.
  Add(Account{.key = "C6\t\xFD",
              .section = 7410,
              .dealer = "12\t\x1C\x1D"
                        "678\xFD"});
  EXPECT_EQ(
      (std::vector<std::string>{"1\tבכרטיס C3 מס. עוסק לא תקין\t123456783" + S(C),
                                "1\tבכרטיס C4 מס. עוסק לא תקין\t1234 6782" + S(C),
                                "1\tבכרטיס C6   מס. עוסק לא תקין\t12   678 " + S(C),
                                "1\tב 2 כרטיסים לא מוגדר מספר עוסק", "3\tסיום בדיקת מספרי עוסק"}),
      Section(Run(Only({BK::kDealerNumbers}, {})), "בדיקת מספרי עוסק"));
}

}  // namespace
}  // namespace tallyscan::testing
