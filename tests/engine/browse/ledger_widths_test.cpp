#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/browse/browse_fixture.h"
#include "engine/browse/ledger_card.h"
#include "engine/browse/ledger_widths.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

using testing::Account;
using testing::AccountLine;
using testing::BrowseTest;
using testing::MovementLine;

// The largest amount a 15-character signed field holds, in agorot.
constexpr std::int64_t kLargest = 99999999999999;

// The characters a cell shows: its code points without the markers.
std::size_t Shown(std::string cell) {
  for (std::size_t at; (at = cell.find(kHeadingMarker)) != std::string::npos;) {
    cell.erase(at, kHeadingMarker.size());
  }
  std::size_t width = 0;
  for (const char c : cell) {
    if (c != kDebitMarker && c != kCreditMarker && (static_cast<unsigned char>(c) & 0xC0) != 0x80)
      ++width;
  }
  return width;
}

// The widths of the columns as the widest shown cell of every row made, the title included.
std::vector<std::size_t> WidestCells(const RecordStore& store, const LedgerCard& card,
                                     std::vector<std::size_t> widths) {
  for (std::int64_t row = 0; row <= card.RowCount(); ++row) {
    const RowCells cells = row == 0 ? RowCells{std::string(kCardTitle) + card.header}
                                    : LedgerRowCells(store, card, row);
    if (widths.size() < cells.size()) widths.resize(cells.size(), 0);
    for (std::size_t c = 0; c < cells.size(); ++c) widths[c] = std::max(widths[c], Shown(cells[c]));
  }
  return widths;
}

// A movement with the fields the plain reading of bytes must get right, or leave to the cell.
std::string Movement(std::int64_t record, std::string_view account, char side, std::int64_t amount,
                     std::int64_t fx, std::string_view details, std::string_view reference,
                     std::string_view doctype, std::string_view date) {
  RecordWriter w(RecordType::kB100);
  w.SetRaw(1, MovementLine(record, account, side, amount, reference));
  w.SetAmount(1369, fx).SetText(1361, details).SetRaw(81, doctype).SetRaw(157, date);
  return std::string(w.line());
}

TEST_F(BrowseTest, ShownWidthsAreTheWidestCellsOfEveryRowForExtremeFigures) {
  const std::string long_name(50, 'N');
  Import({
      // A credit opening that the movements do not cover, a long Hebrew name, and index
      // totals that differ from the card's both ways.
      AccountLine(2,
                  {.key = "100", .opening = -kLargest, .debit = 5, .name = "חשבון " + long_name}),
      AccountLine(3, {.key = "   000200", .credit = 7, .name = "שם"}),
      AccountLine(4, {.key = "300", .name = ""}),
      Movement(5, "100", '1', kLargest, -kLargest, "  plain text  ", "000123", "305", "20230305"),
      Movement(6, "100", '2', kLargest, kLargest, Utf8ToCp1255("פרטים בעברית"), "X", "999",
               "        "),
      // Bytes a cell changes: a direction mark (the heading marker's byte) and a C1 control.
      Movement(7, "100", '2', 1, 0,
               "mark\xFD"
               "c1\x81 end",
               "  ", "abc", "2023 305"),
      Movement(8, "200", '1', -250, 0, "", "1", "   ", "00000000"),
      Movement(9, "200", '2', 5, 0, "\xFD", "", "000", "20231231"),
      Movement(10, "300", '1', 7, 3, "x", "", "100", "20230101"),
  });
  LedgerShownWidths all;
  std::vector<std::size_t> expected;
  for (std::int64_t a = 1; a <= store_.AccountIndex.Count(); ++a) {
    const LedgerCard card = LoadCard(store_, a);
    // Each card alone, and merged into the widths of all of them.
    LedgerShownWidths one;
    for (std::int64_t row = 0; row <= card.RowCount(); ++row) one.Widen(store_, card, row);
    EXPECT_EQ(WidestCells(store_, card, {}), one.Widths()) << card.header;
    all.Merge(one);
    expected = WidestCells(store_, card, expected);
  }
  EXPECT_EQ(expected, all.Widths());
  // The largest figures set the widths: the largest amount, its credit as a negative
  // foreign amount, and a balance past the largest amount with its sense.
  ASSERT_EQ(static_cast<std::size_t>(kLedgerFieldCount), expected.size());
  EXPECT_EQ(std::string("999,999,999,999.99").size(), expected[16]);
  EXPECT_EQ(std::string("-999,999,999,999.99").size(), expected[19]);
  EXPECT_EQ(std::string("1,999,999,999,999.99 x").size(), expected[18]);
}

TEST(LedgerShownWidthsTest, TitlesAloneMakeOneColumnAndNoRowsNone) {
  RecordStore store;
  LedgerCard card;
  card.header = "1 - שם";
  LedgerShownWidths widths;
  EXPECT_TRUE(widths.Widths().empty());
  widths.Widen(store, card, 0);
  EXPECT_EQ(std::vector<std::size_t>{Shown(std::string(kCardTitle) + card.header)},
            widths.Widths());
}

}  // namespace
}  // namespace tallyscan
