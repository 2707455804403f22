#include <gtest/gtest.h>

#include "../checks/check_fixture.h"
#include "engine/browse/item_catalogue.h"
#include "engine/text/text.h"

namespace tallyscan::testing {
namespace {

class ItemCatalogueTest : public CheckFixture {
 protected:
  void AddItem(std::string_view code, std::string_view maker, std::string_view description,
               std::int64_t opening, std::int64_t in, std::int64_t out) {
    RecordWriter w(RecordType::kM100);
    w.SetTextRight(1453, code).SetText(1454, maker).SetText(1455, code);
    w.SetText(1456, Utf8ToCp1255(description)).SetAmount(1460, opening).SetAmount(1461, in);
    w.SetAmount(1462, out).SetDigits(1463, 1250);
    AddLine(w.line());
  }
  // The store sorts in place, as the page does.
  RecordStore& Items() { return const_cast<RecordStore&>(Store()); }
  std::vector<std::string> Column(int field) {
    std::vector<std::string> cells;
    const ItemRows rows(Items());
    for (int r = 0; r < rows.RowCount(); ++r) cells.push_back(rows.Cell(r, field));
    return cells;
  }
};

TEST_F(ItemCatalogueTest, RowsSortAndSearch) {
  AddItem("30", "ZX-9", "מסמרים", 10000, 0, 15000);  // 100.00 + 0 - 150.00: below zero
  AddItem("4", "  AB-1", "ברגים", 0, 20000, 5000);
  AddItem("100", "AB-2", "אומים", 5000, 5000, 10000);  // balance 0
  ASSERT_EQ(3, ItemRows(Items()).RowCount());

  ASSERT_TRUE(SortItems(Items(), 2));
  const auto row_text = [&](std::int64_t element) {
    return ItemRowText(
        ReadRecordLine(Store(), Items().ItemListIndex[element].Offset, RecordType::kM100), false);
  };
  EXPECT_EQ("0\t4\tAB-1\t4\tברגים\t\t\t\t\t200.00\t50.00\t150.00\t12.50\t", row_text(1));
  EXPECT_EQ("1\t30\tZX-9\t30\tמסמרים\t\t\t\t100.00\t\t150.00\t-50.00\t12.50\t", row_text(2));

  struct Case {
    int field;
    std::vector<std::string> order;  // field 2 of the rows after the sort
  };
  for (const Case& c : std::vector<Case>{
           {2, {"4", "30", "100"}},   // right-aligned codes in numeric order
           {3, {"4", "100", "30"}},   // the maker's code trimmed: AB-1, AB-2, ZX-9
           {5, {"100", "4", "30"}},   // Hebrew in alphabet order
           {12, {"30", "100", "4"}},  // the balance: -50.00, 0, 150.00
       }) {
    ASSERT_TRUE(SortItems(Items(), c.field));
    EXPECT_EQ(c.order, Column(2)) << c.field;
  }
  EXPECT_FALSE(SortItems(Items(), 1));
  EXPECT_EQ((std::vector<std::string>{"-50.00", "", "150.00"}), Column(12));
  EXPECT_EQ((std::vector<std::string>{"1", "0", "0"}), Column(1));

  // The search looks in the sort column's keys, UTF-8 as typed.
  ASSERT_TRUE(SortItems(Items(), 5));
  EXPECT_EQ(3, FindItem(Store(), 5, " מרים "));
  EXPECT_EQ(0, FindItem(Store(), 5, "חסר"));
  EXPECT_EQ(0, FindItem(Store(), 5, ""));
  ASSERT_TRUE(SortItems(Items(), 3));
  EXPECT_EQ(2, FindItem(Store(), 3, "AB-2"));
  EXPECT_EQ(3, FindItem(Store(), 12, "-50"));
}

}  // namespace
}  // namespace tallyscan::testing
