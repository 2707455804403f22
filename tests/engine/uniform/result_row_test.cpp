// Reading result rows back: fields, markers, statuses and the amounts of figure cells.
#include "engine/uniform/result_row.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/browse/browse.h"

namespace tallyscan {
namespace {

TEST(ResultRowTest, FieldsAreCutAtTabs) {
  const std::string row = "1\tשורה\t\t12.00\x1D";
  EXPECT_EQ("1", RowField(row, 1));
  EXPECT_EQ("שורה", RowField(row, 2));
  EXPECT_EQ("", RowField(row, 3));
  EXPECT_EQ("12.00\x1D", RowField(row, 4));
  EXPECT_EQ("", RowField(row, 5));
  EXPECT_EQ("", RowField(row, 0));
}

TEST(ResultRowTest, MarkersSetTheLookAndAreNeverShown) {
  const CellLook heading = LookOfCell(std::string("סה'כ") + std::string(kHeadingMarker));
  EXPECT_EQ("סה'כ", heading.shown);
  EXPECT_TRUE(heading.heading);
  EXPECT_FALSE(heading.debit || heading.credit);

  const CellLook debit = LookOfCell(BalanceText(500, true));
  EXPECT_EQ("5.00 ח", debit.shown);
  EXPECT_TRUE(debit.debit);
  EXPECT_FALSE(debit.credit);

  // A totals cell: amount, heading marker, then its sense.
  const CellLook total = LookOfCell("7.00\u200E\x1D");
  EXPECT_EQ("7.00", total.shown);
  EXPECT_TRUE(total.heading && total.credit);

  // Hebrew letters share no bytes with the markers.
  EXPECT_EQ("אבגדהוזחטיכלמנסעפצקרשת", LookOfCell("אבגדהוזחטיכלמנסעפצקרשת").shown);
}

TEST(ResultRowTest, DecodedRowsGiveTheStatusAndEveryCell) {
  const DecodedRow row =
      DecodeRow(MakeRow(RowStatus::kError, {"חשבון 100", "", "250.00\x1D", "5.00 ח\x1C"}));
  EXPECT_EQ(RowStatus::kError, row.status);
  ASSERT_EQ(4u, row.cells.size());
  EXPECT_EQ("חשבון 100", row.cells[0].shown);
  EXPECT_EQ("", row.cells[1].shown);
  EXPECT_TRUE(row.cells[2].credit);
  EXPECT_TRUE(row.cells[3].debit);

  EXPECT_EQ(RowStatus::kStopped, DecodeRow("4").status);
  EXPECT_TRUE(DecodeRow("4").cells.empty());
  EXPECT_EQ(std::nullopt, DecodeRow("7\tx").status);
  EXPECT_EQ(std::nullopt, DecodeRow("").status);
  EXPECT_EQ(std::nullopt, DecodeRow("12\tx").status);
  EXPECT_EQ(3u, DecodeCells("3\t\tx").size());  // a grid row: no status, every cell
}

TEST(ResultRowTest, JoinedCellsKeepEveryCellEmptyOnesIncluded) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, ""},
      {{""}, ""},
      {{"", ""}, "\t"},
      {{"א", "", "12.00\x1C"}, "א\t\t12.00\x1C"},
      {{"", "ב", ""}, "\tב\t"},
  };
  for (const auto& [cells, row] : cases) {
    EXPECT_EQ(row, JoinCells(cells));
    if (!cells.empty()) {
      EXPECT_EQ(cells.size(), DecodeCells(JoinCells(cells)).size()) << row;
    }
  }
  EXPECT_EQ("תווית\t15/01/2025", JoinCells({"תווית", "15/01/2025"}));
}

TEST(ResultRowTest, AnAmountIsAFigureAsTheRowsWriteIt) {
  struct Case {
    std::string cell;
    bool credit_side;
    std::optional<AmountSum> agorot;
  };
  const Case cases[] = {
      {"1,234.50\x1C", false, 123450},
      {"1,234.50\x1D", false, 123450},  // the marker alone may mean an error value
      {"1,234.50", true, -123450},      // a credit-side column
      {"-0.01\x1D", false, -1},         // a difference keeps its sign
      {"-5.00", true, 500},             // a negative credit is a debit
      {"0.00", true, 0},
      {BalanceText(-123450, true), false, -123450},  // "1,234.50 ז"
      {BalanceText(123450, true), true, 123450},     // "1,234.50 ח" whatever the column
      // Balances are exact whatever their size: past 64 bits too.
      {BalanceText(std::numeric_limits<std::int64_t>::min(), true), false,
       std::numeric_limits<std::int64_t>::min()},
      {"99,999,999,999,999,000.00 ח", false, AmountSum{99999999999999} * 100000},
      {"99,999,999,999,999,000.00 ז", false, -AmountSum{99999999999999} * 100000},
      {"9990001\x1D", false, std::nullopt},  // a key
      {"473240308", false, std::nullopt},    // a dealer number
      {"20.0000\x1C", false, std::nullopt},  // a quantity
      {"50.00%", false, std::nullopt},
      {"1.31 ח", false, 131},
      {"דיוק של 99.50%\x1D", false, std::nullopt},
      {"", false, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.agorot, CellAmount(LookOfCell(c.cell), c.credit_side)) << c.cell;
  }
}

}  // namespace
}  // namespace tallyscan
