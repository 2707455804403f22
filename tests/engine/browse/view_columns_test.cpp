// The browsers' column tables against the rows they head: on a generated set, every cell of a
// column of amounts, quantities, shares or dates reads as its kind, so that a cell written
// under the wrong column's name shows; and the field catalogues carry the tables.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/browse/browse.h"
#include "engine/common/progress.h"
#include "engine/uniform/import.h"
#include "generator/data_set.h"
#include "support/test_files.h"

namespace tallyscan {
namespace {

using Rows = std::vector<std::vector<std::string>>;

std::vector<std::string> Split(std::string_view row) {
  std::vector<std::string> cells;
  for (std::size_t tab = row.find('\t'); tab != std::string_view::npos; tab = row.find('\t')) {
    cells.emplace_back(row.substr(0, tab));
    row.remove_prefix(tab + 1);
  }
  cells.emplace_back(row);
  return cells;
}

class ViewColumnsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    DataSetOptions options;
    options.movements = 300;
    options.seed = 7;
    // The store reads its lines from the folder while it lives.
    folder_ = new testing::TempFolder;
    cache_ = new testing::TempFolder;
    GeneratedDataSet generated;
    ASSERT_TRUE(GenerateDataSet(options, folder_->path(), &generated).ok());
    store_ = new RecordStore;
    SilentProgress silent;
    ASSERT_TRUE(ImportFolder(*store_, folder_->path(), silent, {cache_->path()}).status.ok());
  }
  static void TearDownTestSuite() {
    delete store_;
    delete cache_;
    delete folder_;
  }

  static Rows IndexRows() {
    Rows rows;
    AccountsIndexRows index(*store_);
    for (std::int64_t r = 1; r <= index.RowCount(); ++r) rows.push_back(index.Row(r));
    return rows;
  }
  static Rows LedgerRows() {
    Rows rows;
    for (std::int64_t account = 1; account <= store_->AccountIndex.Count(); ++account) {
      const LedgerCard card = LoadCard(*store_, account);
      for (std::int64_t r = 1; r <= card.RowCount(); ++r) {
        rows.push_back(LedgerRowCells(*store_, card, r));
      }
    }
    return rows;
  }
  static Rows RegisterRows() {
    Rows rows;
    const DocumentMarks marks;
    const DocumentRegister documents(*store_, "", marks);
    for (int r = 0; r < documents.RowCount(); ++r) rows.push_back(Split(documents.RowText(r)));
    return rows;
  }
  static Rows ItemRows() {
    Rows rows;
    const tallyscan::ItemRows items(*store_);
    for (int r = 0; r < items.RowCount(); ++r) {
      std::vector<std::string> cells;
      for (int f = 1; f <= kItemFieldCount; ++f) cells.push_back(items.Cell(r, f));
      rows.push_back(std::move(cells));
    }
    return rows;
  }
  static Rows DocumentLineRows() {
    Rows rows;
    for (std::int64_t e = 1; e <= store_->DocumentIndex.Count(); ++e) {
      for (const std::string& row : LinesGridRows(LoadDocument(*store_, e), false)) {
        rows.push_back(Split(row));
      }
    }
    return rows;
  }

  static testing::TempFolder* folder_;
  static testing::TempFolder* cache_;
  static RecordStore* store_;
};

testing::TempFolder* ViewColumnsTest::folder_ = nullptr;
testing::TempFolder* ViewColumnsTest::cache_ = nullptr;
RecordStore* ViewColumnsTest::store_ = nullptr;

struct View {
  const char* name;
  std::span<const ResultColumn> table;
  std::function<Rows()> rows;
  const FieldCatalogue* catalogue;  // null: the browser has none
};

TEST_F(ViewColumnsTest, EveryCellReadsAsTheKindOfItsColumn) {
  const View views[] = {
      {"index", IndexColumns::kAll, IndexRows, &AccountIndexCatalogue()},
      {"ledger", LedgerColumns::kAll, LedgerRows, &LedgerCatalogue()},
      {"register", DocumentRegisterColumns::kAll, RegisterRows, nullptr},
      {"items", ItemColumns::kAll, ItemRows, &ItemFieldCatalogue()},
      {"document lines", DocumentLineColumns::kAll, DocumentLineRows, &DocumentLinesCatalogue()},
  };
  for (const View& view : views) {
    SCOPED_TRACE(view.name);
    const Rows rows = view.rows();
    ASSERT_GT(rows.size(), 1u);
    std::vector<int> read(view.table.size(), 0);  // cells read as their kind, by column
    for (const std::vector<std::string>& cells : rows) {
      ASSERT_EQ(view.table.size(), cells.size());
      for (std::size_t c = 0; c < cells.size(); ++c) {
        const ResultColumn& column = view.table[c];
        const CellLook look = LookOfCell(cells[c]);
        if (look.shown.empty() || column.kind == ValueKind::kText ||
            column.kind == ValueKind::kKey) {
          continue;
        }
        EXPECT_TRUE(CellValue(look, column.kind).has_value())
            << column.name << ": \"" << look.shown << "\"";
        ++read[c];
      }
    }
    // The amounts of the rows were read.
    int amounts = 0;
    for (std::size_t c = 0; c < view.table.size(); ++c) {
      if (view.table[c].kind == ValueKind::kAgorot) amounts += read[c];
    }
    EXPECT_GT(amounts, 0);
    if (view.catalogue != nullptr) {
      EXPECT_EQ(view.table.data(), view.catalogue->columns.data());
      EXPECT_EQ(static_cast<int>(view.table.size()), view.catalogue->FieldCount());
    }
  }
}

TEST_F(ViewColumnsTest, NamedCellsHoldWhatTheirNamesSay) {
  // The totals rows put their caption under the text column and their sums under the figures.
  const Rows index = IndexRows();
  const std::vector<std::string>& totals = index.back();
  EXPECT_EQ("3", totals[IndexColumns::Cell("image")]);
  EXPECT_EQ("סה'כ למאזן בוחן", LookOfCell(totals[IndexColumns::Cell("name")]).shown);
  EXPECT_TRUE(LookOfCell(totals[IndexColumns::Cell("account")]).shown.empty());

  const LedgerCard card = LoadCard(*store_, 1);
  const RowCells card_totals =
      LedgerRowCells(*store_, card, card.RowCount() - card.TrailingRows() + 1);
  EXPECT_EQ("סה'כ תנועות בכרטיס", LookOfCell(card_totals[LedgerColumns::Cell("details")]).shown);
  const std::optional<AmountSum> debit =
      CellAmount(LookOfCell(card_totals[LedgerColumns::Cell("debit")]));
  ASSERT_TRUE(debit.has_value());
  EXPECT_TRUE(*debit == card.debit_total);

  // A caller that asks for some fields gets those, under their names, and no other.
  const LedgerFieldMask balance_only = LedgerFieldMask{1} << LedgerColumns::Field("balance");
  const RowCells some = LedgerRowCells(*store_, card, 1, balance_only);
  const RowCells all = LedgerRowCells(*store_, card, 1);
  for (std::size_t c = 0; c < some.size(); ++c) {
    EXPECT_EQ(c == LedgerColumns::Cell("balance") ? all[c] : std::string(), some[c]) << c;
  }
}

}  // namespace
}  // namespace tallyscan
