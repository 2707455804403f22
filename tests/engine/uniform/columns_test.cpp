// A row kind's columns: rows written by column name end at their last cell, and a cell reads
// as the value its column's kind says, for ordering.
#include "engine/uniform/columns.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tallyscan {
namespace {

constexpr std::array kSample = {
    TextColumn("name", "שם"),
    FigureColumn("count", "מספר", ValueKind::kCount),
    FigureColumn("sum", "סכום", ValueKind::kAgorot),
};
using Sample = Columns<kSample>;

TEST(ColumnsTest, ARowEndsAtTheLastCellSetWhateverTheOrder) {
  static_assert(Sample::Cell("name") == 0 && Sample::Cell("sum") == 2);
  ColumnRow<kSample> row;
  row.Set(Sample::Cell("count"), "12");
  row.Set(Sample::Cell("name"), "א");
  EXPECT_EQ("3\tא\t12", row.Row(RowStatus::kInfo));
  // A cell set empty still stands, so that rows of one kind keep their width.
  row.Set(Sample::Cell("sum"), "");
  EXPECT_EQ("א\t12\t", row.Cells());
  EXPECT_EQ("12", StatusRowCell(row.Row(RowStatus::kInfo), Sample::Cell("count")));
  EXPECT_EQ("", StatusRowCell("3\tא", Sample::Cell("sum")));
}

TEST(ColumnsTest, NamesLeadWithTheStatusWhenTheRowsHaveOne) {
  EXPECT_EQ((std::vector<std::string>{"status", "name", "count", "sum"}),
            ColumnNames(Sample::kAll));
  EXPECT_EQ((std::vector<std::string>{"name", "count", "sum"}), ColumnNames(Sample::kAll, false));
}

TEST(ColumnsTest, ACellReadsAsTheValueOfItsKind) {
  struct Case {
    ValueKind kind;
    const char* shown;
    std::optional<AmountSum> value;
  };
  const Case cases[] = {
      // Amounts in agorot, with a balance's sense; a credit sense is negative.
      {ValueKind::kAgorot, "1,234.50", 123450},
      {ValueKind::kAgorot, "-0.07", -7},
      {ValueKind::kAgorot, "1,234.50 ז", -123450},
      {ValueKind::kAgorot, "12", std::nullopt},
      // Counts, quantities and shares in ten-thousandths, whatever their decimals.
      {ValueKind::kCount, "1,234", 12340000},
      {ValueKind::kQuantity, "-3.5", -35000},
      {ValueKind::kQuantity, "2.0001", 20001},
      {ValueKind::kQuantity, "2.00001", std::nullopt},
      {ValueKind::kQuantity, "123,456,789,012,345,678.9999",
       AmountSum{123456789012345678} * 10000 + 9999},
      {ValueKind::kShare, "87.50%", 875000},
      {ValueKind::kShare, "87.50", std::nullopt},
      {ValueKind::kLine, "400", 4000000},
      // A month's caption in a figure column is no figure.
      {ValueKind::kCount, "2024-03", std::nullopt},
      {ValueKind::kCount, "", std::nullopt},
      {ValueKind::kCount, ",5", std::nullopt},
      {ValueKind::kCount, "5.", std::nullopt},
      // Dates as YYYYMMDD, in either way of writing them.
      {ValueKind::kDate, "2024-03-31", 20240331},
      {ValueKind::kDate, "31/03/2024", 20240331},
      {ValueKind::kDate, "31.03.2024", std::nullopt},
      {ValueKind::kDate, "3a/03/2024", std::nullopt},
      // Keys of digits by their number, any other key not.
      {ValueKind::kKey, "200", 200},
      {ValueKind::kKey, "0001001", 1001},
      {ValueKind::kKey, "100-200", std::nullopt},
      {ValueKind::kKey, "1234567890123456789012345678901", std::nullopt},
      {ValueKind::kText, "12", std::nullopt},
  };
  for (const Case& c : cases) {
    // Compared whole: the test framework does not print 128-bit values.
    EXPECT_TRUE(c.value == CellValue(LookOfCell(c.shown), c.kind)) << c.shown;
  }
}

}  // namespace
}  // namespace tallyscan
