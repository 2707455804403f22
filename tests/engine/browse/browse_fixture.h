#pragma once

// The browsers' tests' data: accounts and movements written as record lines, imported into a
// store of the test's own.

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "engine/browse/accounts_index.h"
#include "engine/browse/ledger_card.h"
#include "engine/common/progress.h"
#include "engine/text/text.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"
#include "support/small_set.h"
#include "support/test_files.h"

namespace tallyscan::testing {

inline const std::string kMark(kHeadingMarker);
inline const std::string kDebit(1, kDebitMarker);
inline const std::string kCredit(1, kCreditMarker);

struct Account {
  std::string key;  // as stored, alignment included
  std::int64_t opening = 0, debit = 0, credit = 0;
  int section = 100;
  std::string name = "Account", country = {}, country_code = {};
};

inline std::string AccountLine(std::int64_t record, const Account& a) {
  RecordWriter w(RecordType::kB110);
  w.SetDigits(1401, record).SetDigits(1402, kDealer).SetText(1403, a.key);
  w.SetText(1404, Utf8ToCp1255(a.name)).SetAmount(1414, a.opening).SetAmount(1415, a.debit);
  w.SetAmount(1416, a.credit).SetDigits(1417, a.section).SetDigits(1419, kDealer);
  w.SetText(1411, Utf8ToCp1255(a.country)).SetText(1412, a.country_code).SetAmount(1422, 0);
  return std::string(w.line());
}

inline std::string MovementLine(std::int64_t record, std::string_view account, char side,
                                std::int64_t amount, std::string_view reference = "") {
  std::string line = B100Line(record, account, 1);
  RecordWriter w(RecordType::kB100);
  w.SetRaw(1, line).SetText(1366, std::string(1, side)).SetAmount(1368, amount);
  w.SetText(1357, reference);
  return std::string(w.line());
}

// Imports the accounts and data lines given (record numbers follow the lines' places).
class BrowseTest : public ::testing::Test {
 protected:
  void Import(std::vector<std::string> lines) {
    DataSetFiles set;
    set.data.push_back(A100Line());
    for (std::string& line : lines) set.data.push_back(std::move(line));
    set.data.push_back(Z900Line(static_cast<std::int64_t>(set.data.size()) + 1,
                                static_cast<std::int64_t>(set.data.size()) + 1));
    set.ini = {A000Line(static_cast<std::int64_t>(set.data.size()))};
    set.Write(folder_.path());
    SilentProgress silent;
    ASSERT_TRUE(ImportFolder(store_, folder_.path(), silent, {cache_.path()}).status.ok());
  }
  std::vector<std::string> IndexRows() {
    std::vector<std::string> rows;
    AccountsIndexRows index(store_);
    for (std::int64_t r = 1; r <= index.RowCount(); ++r) rows.push_back(JoinCells(index.Row(r)));
    return rows;
  }
  // Fields `fields` of every row of a card, joined by "|".
  std::vector<std::string> Card(std::int64_t account, std::initializer_list<int> fields) {
    const LedgerCard card = LoadCard(store_, account);
    std::vector<std::string> rows;
    for (std::int64_t r = 1; r <= card.RowCount(); ++r) {
      const RowCells cells = LedgerRowCells(store_, card, r);
      std::string row;
      for (int f : fields) row += (row.empty() ? "" : "|") + cells[static_cast<std::size_t>(f - 1)];
      rows.push_back(row);
    }
    return rows;
  }

  TempFolder folder_, cache_;
  RecordStore store_;
};

}  // namespace tallyscan::testing
