#include <gtest/gtest.h>

#include "check_fixture.h"
#include "engine/checks/document_checks.h"

namespace tallyscan::testing {
namespace {

using DI = DocumentItem;

class DocumentChecksTest : public CheckFixture {
 protected:
  // The rows of the document pass between its heading and its closing row.
  std::vector<std::string> Findings(const CheckTicks& ticks) {
    std::vector<std::string> rows = Section(Run(ticks), "בדיקת תעודות");
    EXPECT_FALSE(rows.empty());
    if (!rows.empty()) {
      EXPECT_EQ("3\tסיום בדיקת תעודות", rows.back());
      rows.pop_back();
    }
    return rows;
  }
};

TEST_F(DocumentChecksTest, SummaryArithmeticWithItsTolerance) {
  Add(Document{.number = "1",
               .before = 100000,
               .discount = -5000,
               .after = 95099,
               .vat = 16167,
               .total = 111266});  // off by 0.99 only
  Add(Document{.number = "2",
               .before = 100000,
               .discount = -5000,
               .after = 95200,
               .vat = 16184,
               .total = 120000});
  // Receipts have no summary arithmetic.
  Add(Document{.type = 400, .number = "3", .before = 1, .after = 5000, .total = 1});
  EXPECT_EQ(
      (std::vector<std::string>{
          "1\tבעיה ב חשבונית מס מספר - 2",
          "1\tסיכום מחיר בסיס והנחה לא תקין\t1,000.00" + S(C) + "\t-50.00" + S(C) + "\t952.00",
          "1\tסיכום מחיר + מע'מ אינו תקין\t952.00" + S(D) + "\t161.84" + S(C) + "\t1,200.00"}),
      Findings(Only({}, {DI::kSummaries})));
}

TEST_F(DocumentChecksTest, PriceTimesQuantityOfLines) {
  Add(Document{.number = "0000000000000000001"});
  const std::string n = "0000000000000000001";
  Add(DocumentLine{.number = n, .line = 1, .quantity = 0, .price = 1000, .total = 1000});
  Add(DocumentLine{.number = n, .line = 2, .price = 100000, .total = 100100});  // 0.1 percent
  Add(DocumentLine{.number = n, .line = 3, .quantity = 20000, .price = 50000, .total = 103000});
  Add(DocumentLine{.number = n, .line = 4, .quantity = 0, .price = 0, .total = 500});
  Add(DocumentLine{
      .number = n, .line = 5, .quantity = 15000, .price = 1000, .discount = -100, .total = 1400});
  // A total signed the other way from price x quantity is measured by its size: it passes
  // when the sizes agree, and shows its accuracy without the sign when they do not.
  Add(DocumentLine{.number = n, .line = 6, .price = 100000, .total = -100000});
  Add(DocumentLine{.number = n, .line = 7, .price = 100000, .total = -90000});
  EXPECT_EQ(
      (std::vector<std::string>{"1\tבעיה ב חשבונית מס מספר - 1",
                                "1\tבשורה מס. 3 סיכום לא נכון מחיר/כמות דיוק 103.00%\t2.0000" +
                                    S(D) + "\t500.00" + S(C) + "\t0.00",
                                "1\tבשורה מס. 4 סיכום לא נכון מחיר/כמות דיוק 0.00%\t1.0000" + S(D) +
                                    "\t0.00" + S(C) + "\t0.00",
                                "1\tבשורה מס. 7 סיכום לא נכון מחיר/כמות דיוק 90.00%\t1.0000" +
                                    S(D) + "\t1,000.00" + S(C) + "\t0.00"}),
      Findings(Only({}, {DI::kLineTotals})));
}

TEST_F(DocumentChecksTest, LinesAndVatAgainstTheSummary) {
  // Agrees.
  Add(Document{.number = "2", .before = 100000, .after = 100000, .vat = 17000, .total = 117000});
  Add(DocumentLine{.number = "2", .total = 100000});
  // 10 percent short, and part of it exempt.
  Add(Document{.number = "3", .before = 100000, .vat = 17000});
  Add(DocumentLine{.number = "3", .line = 1, .total = 50000});
  Add(DocumentLine{.number = "3", .line = 2, .total = 40000, .rate = 0});
  // A zero summary against lines.
  Add(Document{.number = "4"});
  Add(DocumentLine{.number = "4", .total = 1000, .rate = 0});
  // Every line exempt: the VAT of the discount at the rate of an earlier document.
  Add(Document{.number = "5", .before = 100000, .discount = 100000});
  Add(DocumentLine{.number = "5", .total = 100000, .rate = 0});
  EXPECT_EQ((std::vector<std::string>{"1\tבעיה ב חשבונית מס מספר - 3",
                                      "1\t אין התאמה בין תנועות המסמך לסיכום\t1,000.00" + S(D) +
                                          "\t900.00" + S(C) + "\tדיוק של 90.00%" + S(C),
                                      "1\t אין התאמה בין המע'מ בסיכום לתנועות\t170.00" + S(D) +
                                          "\t85.00" + S(C) + "\tדיוק של 50.00%" + S(C),
                                      "1\tבעיה ב חשבונית מס מספר - 4",
                                      "1\t אין התאמה בין תנועות המסמך לסיכום\t0.00" + S(D) +
                                          "\t10.00" + S(C) + "\tדיוק של 0.00%" + S(C),
                                      "1\tבעיה ב חשבונית מס מספר - 5",
                                      "1\t אין התאמה בין המע'מ בסיכום לתנועות\t0.00" + S(D) +
                                          "\t170.00" + S(C) + "\tדיוק של 0.00%" + S(C)}),
            Findings(Only({}, {DI::kLinesAgainstSummary})));
}

TEST_F(DocumentChecksTest, ReceiptLinesChequesAndBanks) {
  // The header holds the number left-aligned, the receipt lines right-aligned.
  Add(Document{.type = 400, .number = "77", .total = 50000});
  const std::string n = std::string(18, ' ') + "77";
  Add(ReceiptLine{.number = n, .line = 1, .amount = 20000});
  Add(ReceiptLine{.number = n,
                  .line = 2,
                  .kind = '2',
                  .bank = 12,
                  .branch = 185,
                  .account = 123457,
                  .cheque = 1001,
                  .amount = 10000});
  Add(ReceiptLine{
      .number = n, .line = 3, .kind = '2', .bank = 0, .branch = 185, .account = 5, .amount = 5000});
  Add(ReceiptLine{.number = n,
                  .line = 4,
                  .kind = '2',
                  .bank = 19,
                  .branch = 2,
                  .account = 123456782,
                  .cheque = 5,
                  .amount = 5000});
  Add(ReceiptLine{.number = n,
                  .line = 5,
                  .kind = '2',
                  .bank = 99,
                  .branch = 1,
                  .account = 1,
                  .cheque = 6,
                  .amount = 9000});
  // Zero-padded on both sides.
  const std::string z = "00000000000000000078";
  Add(Document{.type = 400, .number = z, .total = 100});
  Add(ReceiptLine{.number = z, .amount = 100});
  EXPECT_EQ((std::vector<std::string>{
                "1\tבעיה ב קבלה מספר - 77", "1\tבשורה מס. 3 לא מצויינת מספר ההמחאה\t",
                "1\tבשורה מס. 3 לא מוגדרים פרטי הבנק\tבנק 0 סניף 185 חשבון 5",
                "1\tבשורה מס. 4 פרטי הבנק המוגדרים אינם נכונים\tבנק 19 סניף 2 חשבון 123456782",
                "1\t אין התאמה בין תנועות הקבלה לסיכום\t500.00" + S(D) + "\t490.00" + S(C) +
                    "\tדיוק של 98.00%" + S(C)}),
            Findings(Only({}, {DI::kLinesAgainstSummary, DI::kChequeNumbers, DI::kBankDetails})));
}

TEST_F(DocumentChecksTest, WhichDocumentsHaveWhichLines) {
  Add(Document{.type = 320, .number = "9"});  // invoice-receipt: both kinds looked for
  Add(Document{.type = 400, .number = "8", .before = 500, .total = 0});  // no summary test
  Add(Document{.type = 810, .number = "7"});                             // stock: no lines
  const std::string no_lines = "1\tלא נמצאו תנועות מתאימות לתעודה זו";
  EXPECT_EQ((std::vector<std::string>{"1\tבעיה ב חשבונית מס'קבלה מספר - 9", no_lines, no_lines,
                                      "1\tבעיה ב קבלה מספר - 8", no_lines}),
            Findings(Only({}, {DI::kSummaries, DI::kLineTotals})));
}

// Copies of one document header check its lines once: the rows grow with the copies, not
// with copies times lines.
TEST_F(DocumentChecksTest, RepeatedHeadersReportTheirLinesOnce) {
  for (int copy = 0; copy < 3; ++copy) Add(Document{.number = "5"});
  const std::string caption = "1\tבעיה ב חשבונית מס מספר - 5";
  const std::string repeat = "1\tכותרת חוזרת של תעודה זו - שורותיה נבדקו פעם אחת";
  EXPECT_EQ((std::vector<std::string>{caption, "1\tלא נמצאו תנועות מתאימות לתעודה זו", caption,
                                      repeat, caption, repeat}),
            Findings(Only({}, {DI::kLineTotals})));
}

TEST_F(DocumentChecksTest, CustomerKeysAndDealerNumbers) {
  Add(Account{.key = "C100"});
  Add(Document{.type = 810, .number = "1", .customer = "C100"});
  Add(Document{.type = 810, .number = "2", .customer = "NOPE"});
  Add(Document{.type = 305, .number = "3", .dealer = "000000000", .customer = "NOPE"});
  Add(Document{.type = 100, .number = "4", .dealer = "000000000"});
  Add(Document{.type = 330, .number = "5", .dealer = "123456783"});
  Add(Document{.type = 401, .number = "6", .dealer = "000000000"});
  Add(Document{.type = 999, .number = "7", .customer = "  NOPE"});
  EXPECT_EQ(
      (std::vector<std::string>{
          "1\tבעיה ב הודעת זיכוי מספר - 5",
          "1\tמספר העוסק אינו תקין/לא מוגדר\t" + S(C) + "123456783" + S(C),
          "1\tבעיה ב תע. כניסה למלאי מספר - 2", "1\tמפתח התעודה אינו קיים באינדקס\tNOPE" + S(C),
          "1\tבעיה ב לא ידוע מספר - 7", "1\tמפתח התעודה אינו קיים באינדקס\tNOPE" + S(C),
          "1\tב 2 תעודות לא מוגדר מספר עוסק"}),
      Findings(Only({}, {DI::kCustomerKey, DI::kDealerNumbers})));
}

TEST_F(DocumentChecksTest, ItemCodesAreComparedTrimmed) {
  AddItem("A-1");
  AddItem("B-2", true);
  AddItem("000123");
  Add(Document{.number = "1"});
  Add(DocumentLine{.number = "1", .line = 1, .item = "A-1"});
  Add(DocumentLine{.number = "1", .line = 2, .item = "      B-2"});
  Add(DocumentLine{.number = "1", .line = 3, .item = "000123"});
  Add(DocumentLine{.number = "1", .line = 4, .item = "123"});
  Add(DocumentLine{.number = "1", .line = 5, .item = ""});
  EXPECT_EQ((std::vector<std::string>{"1\tבעיה ב חשבונית מס מספר - 1",
                                      "1\tמקט 123 אינו מופיע ברשימת הפריטים"}),
            Findings(Only({}, {DI::kLineTotals, DI::kItemCodes})));
}

TEST(AccuracyTest, SmallerOverLargerAndZeroWhenUndefinedOrOpposite) {
  EXPECT_EQ("90.00", checks::Accuracy(100, 90));
  EXPECT_EQ("90.00", checks::Accuracy(90, 100));
  EXPECT_EQ("0.00", checks::Accuracy(0, 0));
  EXPECT_EQ("0.00", checks::Accuracy(0, 5));
  EXPECT_EQ("50.00", checks::Accuracy(-50, 100));
  EXPECT_EQ("0.00", checks::Accuracy(50, -100));
  EXPECT_EQ("0.00", checks::Accuracy(-5, 0));
}

}  // namespace
}  // namespace tallyscan::testing
