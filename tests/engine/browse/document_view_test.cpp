#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <future>
#include "../checks/check_fixture.h"
#include "engine/browse/document_cells.h"

#include "engine/browse/document_register.h"
#include "engine/browse/document_view.h"
#include "engine/common/progress.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::testing {
namespace {

// A monitor whose user has already pressed Stop.
class StoppingProgress final : public ProgressMonitor {
 public:
  void OnProgress(int) override {}
  bool StopRequested() override { return true; }
};

class DocumentViewTest : public CheckFixture {
 protected:
  // A header with the panel's fields filled; `number` as stored.
  void AddHeader(int type, std::string_view number, std::int64_t before, std::int64_t discount,
                 std::int64_t vat, std::int64_t total, std::int64_t withholding = 0) {
    RecordWriter w(RecordType::kC100);
    w.SetDigits(1203, type).SetText(1204, number).SetDate(1205, 20240102).SetText(1206, "0930");
    w.SetText(1207, Utf8ToCp1255("כהן\tבע\"מ")).SetText(1208, "Herzl").SetText(1209, "12");
    w.SetText(1210, "Haifa").SetTextRight(1211, "0031000").SetText(1212, "IL");
    w.SetText(1214, "04-1234567").SetText(1215, "012345678").SetDate(1216, 20240110);
    w.SetAmount(1217, 0).SetAmount(1219, before).SetAmount(1220, discount);
    w.SetAmount(1221, before + discount).SetAmount(1222, vat).SetAmount(1223, total);
    w.SetAmount(1224, withholding).SetDate(1230, 20240105);
    AddLine(w.line());
  }
  LoadedDocument Load(std::string_view type, std::string_view typed) {
    const ElementRange run = DocumentTypeRun(Store(), type);
    return LoadDocument(Store(), JumpToNumber(Store(), run, type, typed).element);
  }
};

TEST_F(DocumentViewTest, InvoiceLinesSortedWithTheirFiguresAndThePanel) {
  const std::string n = "00000000000000000123";
  AddHeader(305, n, 100000, -10000, 15300, 105300);
  // Stored out of order; line 3 has a zero total, line 2 no VAT rate.
  Add(DocumentLine{.number = n, .line = 3, .quantity = 0, .price = 0, .total = 0, .item = "C"});
  Add(DocumentLine{.number = n, .line = 2, .price = 20000, .total = 20000, .rate = 0, .item = "B"});
  Add(DocumentLine{.number = n,
                   .line = 1,
                   .quantity = 25000,
                   .price = 40000,
                   .discount = -20000,
                   .total = 80000,
                   .item = "A"});
  const LoadedDocument document = Load("305", "123");
  ASSERT_EQ(3u, document.lines.size());
  EXPECT_EQ((std::vector<std::string>{
                "-3\tA\t\t\t\t\t\t2.5000\t400.00\t-25.00\t-200.00\t-200.00\t800.00\t136.00",
                "-3\tB\t\t\t\t\t\t1.0000\t200.00\t\t\t\t200.00\t", "-3\tC\t\t\t\t\t\t\t\t\t\t\t\t",
                "20\t\tסה'כ לתעודה" + S(H) + "\t\t\t\t\t\t\t\t\t\t1,000.00" + S(H) + "\t"}),
            LinesGridRows(document, false));
  EXPECT_TRUE(ReceiptGridRows(document).empty());

  // VAT-bearing 800.00, base 800.00 - 100.00: 153.00 is 21.857...%, shown 21.90.
  const HeaderPanelTexts panel = HeaderPanel(document, false);
  std::vector<std::string> items;
  for (const PanelItem& item : panel.items) items.push_back(item.label + "=" + item.value);
  EXPECT_EQ((std::vector<std::string>{
                "מספר מסמך=123", "תאריך מסמך=05/01/2024", "שעה=09:30", "תאריך ערך=10/01/2024",
                "תאריך הפקה=02/01/2024", "שם=כהן בע\"מ", "כתובת=Herzl 12",
                "עיר ומיקוד=Haifa 31000 IL", "טלפון=04-1234567", "מספר עוסק=12345678",
                "סה'כ חייב מע'מ=800.00", "סה'כ פטור=200.00", "הנחה 10.00%=100.00",
                "אחרי הנחה=900.00", "מע'מ 21.90%=153.00", "סה'כ=1,053.00", "סכום במט'ח=0.00"}),
            items);
  EXPECT_EQ("סיכום המסמך", panel.summary_caption);
  EXPECT_EQ("פרטי חשבונית", panel.lower_title);
}

TEST_F(DocumentViewTest, ReceiptOfAShortNumberWithWithholdingAndItsTotal) {
  AddHeader(400, "77", 0, 0, 0, 11000, 1000);  // left-aligned, as some producers store it
  ReceiptLine cheque{.number = "77", .line = 2, .kind = '2', .bank = 12, .branch = 34};
  cheque.account = 56, cheque.cheque = 789, cheque.amount = 6000;
  Add(cheque);
  Add(ReceiptLine{.number = "77", .line = 1, .kind = '0', .amount = 4000});
  RecordWriter card(RecordType::kD120);
  card.SetDigits(1303, 400).SetText(1304, "77").SetDigits(1305, 3).SetText(1306, "3");
  card.SetText(1313, "6").SetText(1315, "2").SetAmount(1312, 500).SetDate(1311, 20240201);
  AddLine(card.line());

  const LoadedDocument document = Load("400", "77");
  EXPECT_EQ((std::vector<std::string>{"10\tלא ידוע\t\t\t\t\t\t40.00",
                                      "12\tהמחאה\t789\t12\t34\t56\t\t60.00",
                                      "13\tאשראי תשלומים\t\tלאומי כארד\t\t\t01/02/2024\t5.00",
                                      "19\tניכוי במקור" + S(H) + "\t\t\t\t\t\t10.00" + S(H),
                                      "20\tסה'כ לקבלה" + S(H) + "\t\t\t\t\t\t115.00" + S(H)}),
            ReceiptGridRows(document));
  EXPECT_EQ("פרטי קבלה", HeaderPanel(document, false).lower_title);
  EXPECT_EQ(4u, document.SourceOffsets().size());  // the header and its three lines
}

TEST_F(DocumentViewTest, InvoiceReceiptLoadsBothKindsOfLines) {
  const std::string n = "00000000000000000009";
  AddHeader(320, n, 10000, 0, 1700, 11700);
  Add(DocumentLine{.type = 320, .number = n, .price = 10000, .total = 10000});
  Add(ReceiptLine{.type = 320, .number = n, .kind = '1', .amount = 11700});
  const LoadedDocument document = Load("320", "9");
  EXPECT_EQ(1u, document.lines.size());
  EXPECT_EQ(2u, document.receipts.size());  // the cash line and the total
  EXPECT_EQ("מע'מ 17.00%", HeaderPanel(document, false)[PanelField::kVat].label);
}

TEST_F(DocumentViewTest, NavigationAndTheJump) {
  for (const char* n : {"00000000000000000005", "00000000000000000010", "    12"}) {
    Add(Document{.type = 305, .number = n});
  }
  Add(Document{.type = 300, .number = "00000000000000000099"});
  Add(Document{.type = 310, .number = "00000000000000000001"});
  const RecordStore& store = Store();
  const ElementRange run = DocumentTypeRun(store, "305");
  ASSERT_EQ(3, run.size());
  EXPECT_TRUE(DocumentTypeRun(store, "330").empty());

  const auto number = [&](std::int64_t e) {
    return e == 0 ? std::string("-") : DocumentNumberText(store.DocumentIndex[e]);
  };
  // The left-aligned "    12" sorts first, as its key's blanks do.
  EXPECT_EQ("12", number(MoveInRun(run, run.last - 1, DocumentMove::kFirst)));
  EXPECT_EQ("10", number(MoveInRun(run, run.first, DocumentMove::kLast)));
  EXPECT_EQ("-", number(MoveInRun(run, run.last - 1, DocumentMove::kNext)));
  EXPECT_EQ("-", number(MoveInRun(run, run.first, DocumentMove::kPrevious)));
  EXPECT_EQ("-", number(MoveInRun(run, 0, DocumentMove::kFirst)));

  struct Case {
    std::string typed, found, box;
  };
  for (const Case& c : std::vector<Case>{{"5", "5", "5"},
                                         {"005", "5", "5"},
                                         {"12", "12", "12"},  // found by its digits
                                         {"99", "-", "10"},   // past the run: its last
                                         {"1", "-", "12"},    // before it: its first
                                         {"", "-", ""}}) {
    const JumpResult jump = JumpToNumber(store, run, "305", c.typed);
    EXPECT_EQ(c.found, number(jump.element)) << c.typed;
    EXPECT_EQ(c.box, jump.box_text) << c.typed;
  }
}

TEST_F(DocumentViewTest, ARegisterNumberHoldingATabStaysInItsOwnCell) {
  AddHeader(305, "000000000000000004\t7", 10000, 0, 1700, 11700);
  SilentProgress progress;
  DocumentMarks marks;
  ASSERT_TRUE(FindDocumentMarks(Store(), progress, &marks));
  const DocumentRegister invoices(Store(), "305", marks);
  ASSERT_EQ(2, invoices.RowCount());
  EXPECT_EQ(static_cast<std::size_t>(kRegisterFieldCount), DecodeCells(invoices.RowText(0)).size());
  EXPECT_EQ("4 7", invoices.Cell(0, 3));
}

TEST_F(DocumentViewTest, RegisterListsTotalsAndMarksDisagreements) {
  Add(Document{.number = "00000000000000000001", .before = 10000, .vat = 1700, .total = 11700});
  Add(DocumentLine{.number = "00000000000000000001", .total = 10000});
  Add(Document{.number = "00000000000000000002", .before = 20000, .vat = 9000, .total = 29000});
  Add(DocumentLine{.number = "00000000000000000002", .total = 10000});
  Add(Document{.type = 400, .number = "00000000000000000003", .total = 500});
  SilentProgress progress;
  DocumentMarks marks;
  ASSERT_TRUE(FindDocumentMarks(Store(), progress, &marks));

  DocumentRegister invoices(Store(), "305", marks);
  EXPECT_EQ(3, invoices.RowCount());
  EXPECT_EQ("0\tחשבונית מס\t1\t\t\t123456782\t100.00\t17.00\t117.00\t", invoices.RowText(0));
  EXPECT_EQ("1\tחשבונית מס\t2\t\t\t123456782\t200.00\t90.00\t290.00\tשורות, מע'מ" + S(C),
            invoices.RowText(1));
  EXPECT_EQ("20\t\t\t\tסה'כ לתעודות ברשימה" + S(H) + "\t\t300.00" + S(H) + "\t107.00" + S(H) +
                "\t407.00" + S(H) + "\t",
            invoices.RowText(2));
  invoices.Sort(9);  // by the total, descending figures last
  EXPECT_EQ(invoices.RowOf(invoices.ElementOf(0)), 0);
  EXPECT_EQ("2", invoices.Cell(1, 3));

  DocumentRegister all(Store(), "", marks);
  EXPECT_EQ(4, all.RowCount());
  EXPECT_EQ("1\tקבלה\t3\t\t\t123456782\t0.00\t0.00\t5.00\tשורות" + S(C), all.RowText(2));

  // Built and sorted under a monitor, the register is the same; a monitor that asks to stop
  // gives none, and leaves a sort's order as it was.
  const std::unique_ptr<DocumentRegister> built =
      DocumentRegister::Build(Store(), "", marks, progress);
  ASSERT_NE(nullptr, built);
  for (int row = 0; row < all.RowCount(); ++row) EXPECT_EQ(all.RowText(row), built->RowText(row));
  StoppingProgress stopping;
  EXPECT_EQ(nullptr, DocumentRegister::Build(Store(), "", marks, stopping));
  DocumentRegister sorted(all);
  EXPECT_FALSE(sorted.Sort(9, stopping));
  for (int row = 0; row < all.RowCount(); ++row) EXPECT_EQ(all.RowText(row), sorted.RowText(row));
}

TEST_F(DocumentViewTest, MarksCarryTheVatRateInIndexOrderWhateverTheFileOrder) {
  // Written 3, 2, 1; listed 1, 2, 3. Only 2 has a rated line: its rate applies to the
  // discount of 3, after it in the list (VAT -85.00 agrees), not to that of 1 (VAT 0 agrees).
  const std::string n1 = "00000000000000000001";
  const std::string n2 = "00000000000000000002";
  const std::string n3 = "00000000000000000003";
  Add(Document{.number = n3, .before = 100000, .discount = -50000, .vat = -8500});
  Add(DocumentLine{.number = n3, .total = 100000, .rate = 0});
  Add(Document{.number = n2, .before = 10000, .vat = 1700});
  Add(DocumentLine{.number = n2, .total = 10000});
  Add(Document{.number = n1, .before = 100000, .discount = -50000, .vat = 0});
  Add(DocumentLine{.number = n1, .total = 100000, .rate = 0});
  SilentProgress progress;
  DocumentMarks marks;
  ASSERT_TRUE(FindDocumentMarks(Store(), progress, &marks));
  EXPECT_EQ((DocumentMarks{kMarkNone, kMarkNone, kMarkNone, kMarkNone}), marks);
  // Read in parts side by side, the file's stretches meet without a document lost or marked
  // twice, and the rate still carries across them in index order.
  for (const std::size_t parts : {2U, 3U, 7U}) {
    DocumentMarks in_parts;
    ASSERT_TRUE(FindDocumentMarks(Store(), progress, &in_parts, parts));
    EXPECT_EQ(marks, in_parts) << parts;
  }
}

TEST_F(DocumentViewTest, MarksFoundInPartsAreTheMarksOfOnePass) {
  for (int n = 1; n <= 40; ++n) {
    char number[32];
    std::snprintf(number, sizeof number, "%020d", n);
    // Every third document's lines disagree with it, every fifth has no lines, every seventh
    // is a receipt whose receipt lines are missing.
    if (n % 7 == 0) {
      Add(Document{.type = 400, .number = number, .total = 500});
      continue;
    }
    Add(Document{.number = number, .before = 10000, .vat = n % 4 == 0 ? 1 : 1700});
    if (n % 5 != 0) Add(DocumentLine{.number = number, .total = n % 3 == 0 ? 9000 : 10000});
  }
  SilentProgress progress;
  DocumentMarks one;
  ASSERT_TRUE(FindDocumentMarks(Store(), progress, &one, 1));
  EXPECT_NE(std::count(one.begin(), one.end(), kMarkNone), static_cast<long>(one.size()));
  for (const std::size_t parts : {2U, 5U, 40U, 100U}) {
    DocumentMarks in_parts;
    ASSERT_TRUE(FindDocumentMarks(Store(), progress, &in_parts, parts));
    EXPECT_EQ(one, in_parts) << parts;
  }
}

}  // namespace
}  // namespace tallyscan::testing
