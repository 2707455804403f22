// A grid's rows ordered by the kind of value each column holds, not by the look of its text:
// amounts with their sense, sums past what a double holds, dates in the page's way of writing
// them, keys of digits; cells that are no value of the kind after the values, by their text.
#include <QtTest>

#include <string>
#include <vector>

#include "app/widgets/sorted_rows.h"

namespace tallyscan::test {

class SortedRowsTest : public QObject {
  Q_OBJECT

 private slots:
  void EachKindOrdersByItsValue() {
    struct Case {
      ValueKind kind;
      std::vector<std::string> cells;  // in the engine's order
      std::vector<int> order;          // ascending
    };
    const Case cases[] = {
        // A credit balance is below a debit one; an empty cell follows the figures.
        {ValueKind::kAgorot, {"5.00 ז", "", "3.00 ח", "-7.00"}, {3, 0, 2, 1}},
        // One agora apart beyond 2^53 agorot.
        {ValueKind::kAgorot, {"90,071,992,547,409.93", "90,071,992,547,409.92"}, {1, 0}},
        {ValueKind::kShare, {"87.50%", "100.00%", "9.00%"}, {2, 0, 1}},
        {ValueKind::kDate, {"01/02/2024", "31/01/2024", "15/12/2023"}, {2, 1, 0}},
        {ValueKind::kKey, {"1001", "abc", "200"}, {2, 0, 1}},
        {ValueKind::kCount, {"1,234", "2024-03", "99"}, {2, 0, 1}},
        // Words by their bytes, digits among them too; equal cells keep the engine's order.
        {ValueKind::kText, {"9", "10", "10"}, {1, 2, 0}},
    };
    for (const Case& c : cases) {
      std::vector<std::string> rows;
      for (const std::string& cell : c.cells) rows.push_back("3\t" + cell);
      QCOMPARE(SortedRows::SortedOrder(SortedRows::Rows(rows), 2, c.kind), c.order);
      SortedRows shown;
      shown.SetKinds({ValueKind::kText, c.kind});
      shown.Set(SortedRows::Rows(rows));
      shown.SortBy(2);
      QCOMPARE(shown.Original(0), c.order.front());
    }
  }

  void AFieldPastTheKindsHoldsText() {
    SortedRows rows;
    rows.SetKinds({ValueKind::kText, ValueKind::kCount});
    QCOMPARE(rows.KindOf(2), ValueKind::kCount);
    QCOMPARE(rows.KindOf(3), ValueKind::kText);
    QCOMPARE(rows.KindOf(0), ValueKind::kText);
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::SortedRowsTest)
#include "sorted_rows_test.moc"
