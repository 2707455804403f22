#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/browse/accounts_index.h"
#include "engine/browse/accounts_index_search.h"
#include "engine/browse/balance_text.h"
#include "engine/browse/browse_fixture.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

using testing::AccountLine;
using testing::BrowseTest;
using testing::kCredit;
using testing::kDebit;
using testing::kMark;
using testing::MovementLine;

TEST_F(BrowseTest, IndexRowsShowImagesSensesCountriesAndTotals) {
  Import(
      {AccountLine(2, {.key = "1050", .section = 1050, .country = "ישראל", .country_code = "IL"}),
       AccountLine(3, {.key = "6000", .opening = -123450, .section = 6000, .country = "ישראל"}),
       AccountLine(4, {.key = "8000", .debit = 1000, .credit = 250, .section = 8000}),
       AccountLine(5, {.key = "9000", .section = 9000})});
  const std::vector<std::string> rows = IndexRows();
  ASSERT_EQ(5u, rows.size());
  // Fields 1, 2, 7, 14-17 of each row.
  const auto pick = [](const std::string& row) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (std::size_t tab; (tab = row.find('\t', start)) != std::string::npos; start = tab + 1) {
      cells.push_back(row.substr(start, tab - start));
    }
    cells.push_back(row.substr(start));
    return cells[0] + "|" + cells[1] + "|" + cells[6] + "|" + cells[13] + "|" + cells[14] + "|" +
           cells[15] + "|" + cells[16];
  };
  EXPECT_EQ("8|1050|IL-ישראל||" + kDebit + "|" + kCredit + "|", pick(rows[0]));
  EXPECT_EQ(
      "7|6000|ישראל|1,234.50 ז" + kCredit + "|" + kDebit + "|" + kCredit + "|1,234.50 ז" + kCredit,
      pick(rows[1]));
  EXPECT_EQ("5|8000|||10.00" + kDebit + "|2.50" + kCredit + "|7.50 ח" + kDebit, pick(rows[2]));
  EXPECT_EQ("6|9000|||" + kDebit + "|" + kCredit + "|", pick(rows[3]));
  EXPECT_EQ("3|||1,234.50 ז" + kCredit + kMark + "|10.00" + kMark + "|2.50" + kMark +
                "|1,227.00 ז" + kCredit + kMark,
            pick(rows[4]));
}

TEST_F(BrowseTest, WithoutAccountsOnlyTheTotalsRowWithItsMarkers) {
  Import({});
  const std::vector<std::string> rows = IndexRows();
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ("3\t\tסה'כ למאזן בוחן" + kMark + std::string(11, '\t') + kMark + "\t" + kMark + "\t" +
                kMark + "\t" + kMark + "\t" + kMark + "\t",
            rows[0]);
}

TEST_F(BrowseTest, SortsByNameThenFileOrderAndByTheSignedBalance) {
  Import({AccountLine(2, {.key = "30", .opening = 500, .name = "Beta"}),
          AccountLine(3, {.key = "10", .opening = 100, .name = "Alpha"}),
          AccountLine(4, {.key = "20", .opening = -100, .name = "Beta"})});
  const auto keys = [&] {
    std::string shown;
    for (const ListEntry& e : store_.AccountListIndex.Entries()) {
      shown += ReadRecordField(store_, e.Offset, field::B110(1403)).substr(0, 2) + " ";
    }
    return shown;
  };
  ASSERT_TRUE(SortAccountList(store_, 3));
  EXPECT_EQ("10 20 30 ", keys());  // equal names by card number
  ASSERT_TRUE(SortAccountList(store_, 17));
  EXPECT_EQ("20 10 30 ", keys());  // a debit balance below a credit one
  EXPECT_FALSE(SortAccountList(store_, 20));
}

TEST_F(BrowseTest, IndexSearchFindsWordsAndFiguresAndNarrowsAsTheWordGrows) {
  Import(
      {AccountLine(2, {.key = "1100", .opening = 708310, .name = "Cash Box"}),
       AccountLine(3, {.key = "200", .debit = 12345, .credit = 99, .name = "לקוח אחד"}),
       AccountLine(4, {.key = "0300", .opening = -5, .credit = 99900, .name = "ספק, 1,000 בע\"מ"}),
       AccountLine(5, {.key = "7083", .credit = 100, .name = "box 7"})});
  const int fields[] = {1, 2, 3, 14, 15, 16, 17};
  AccountsIndexSearch search(store_, fields);
  // The keys of rows, as the index shows them.
  const auto keys = [&](std::span<const std::int64_t> rows) {
    AccountsIndexRows index(store_);
    std::string text;
    for (const std::int64_t row : rows) text += (text.empty() ? "" : " ") + index.Row(row)[1];
    return text;
  };
  const struct {
    std::string_view word, found;
  } cases[] = {
      {"", "300 1100 200 7083"},  // the list's order
      {"  ", "300 1100 200 7083"},
      {"BOX", "1100 7083"},   // Latin letters without regard to case
      {"לקוח", "200"},        // Hebrew as typed
      {"7083", "1100 7083"},  // the key, and 7,083.10 by its digits
      {"7,083.1", "1100"},    // the figure as shown
      {"708310", "1100"},     // by its digits alone
      {"ח", "1100 200"},      // the debit sense letter is text
      {"1,000", "300"},       // a name's text, never a figure
      {"0.05", "300"},        // -0.05 ז
      {"x7", ""},             // no cell holds it, nor two cells together
  };
  for (const auto& c : cases) {
    AccountsIndexSearch fresh(store_, fields);
    EXPECT_EQ(c.found, keys(fresh.Filter(c.word))) << c.word;
  }
  // Typed letter by letter, deleted, and typed over: each step as a fresh search finds it.
  for (const std::string_view word :
       {"",   "7",   "70",   "708",   "7083",   "70", "",   ",",   ",0", ",05", "b",
        "bo", "box", "box ", "box 7", "box 7x", "1",  "1,", "1,0", "-",  "-0"}) {
    AccountsIndexSearch fresh(store_, fields);
    EXPECT_EQ(keys(fresh.Filter(word)), keys(search.Filter(word))) << word;
  }
  // Sorted anew, the rows follow their accounts.
  ASSERT_TRUE(SortAccountList(store_, 3));
  search.Reorder(store_);
  AccountsIndexSearch sorted(store_, fields);
  EXPECT_EQ(keys(sorted.Filter("0")), keys(search.Filter("0")));

  // Each figure column's shapes, the totals row's among them; none for the other columns.
  const auto shapes = [&search](int field) {
    std::vector<std::string> found = search.FigureShapes(field);
    std::sort(found.begin(), found.end());
    return found;
  };
  EXPECT_EQ((std::vector<std::string>{"0,000.00 ח", "0.00 ז"}), shapes(14));
  EXPECT_EQ((std::vector<std::string>{"0,000.00", "0.00", "000.00"}), shapes(16));
  EXPECT_TRUE(search.FigureShapes(3).empty());
  EXPECT_TRUE(search.FigureShapes(0).empty());
}

}  // namespace
}  // namespace tallyscan
