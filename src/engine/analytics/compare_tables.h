#pragma once

// Private to analytics/: the rest of the program includes analytics/analytics.h.
//
// The tables of a comparison as the window and the reports show them: each table's rows are
// those CompareRows makes (status, then the engine's cells in its order), its columns carry
// Hebrew captions, and the engine's words (ok, new, true ...) are shown in Hebrew. The
// identity and the reconciliation of the openings are told in words above the tables.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/analytics/compare.h"

namespace tallyscan {

enum class CompareTable {
  kOpenings,
  kReviewAccounts,
  kReviewCodes,
  kReviewGroups,
  kAccounts,
  kCounterparties
};
inline constexpr int kCompareTableCount = 6;

struct CompareColumn {
  std::string_view caption;
  int pixels = 0;  // the width the grid keeps for it at first
  bool figure = false;
};

std::string_view CompareTableCaption(CompareTable table);  // "יתרות פתיחה", ...
std::span<const CompareColumn> CompareColumns(CompareTable table);
// The table's rows exactly as `CompareRows(result, part)` lists them under the table's
// heading and its names row, one per engine row, in the engine's order.
std::vector<std::string> CompareTableRows(const CompareResult& result, CompareTable table);
// A table's part and state: a part not run has no rows, its reason says why.
const ComparePartState& CompareTableState(const CompareResult& result, CompareTable table);

// Cell `column` (0-based, after the status) of a row of `table` as shown: the engine's words
// in Hebrew, a share in percent, every other cell as the engine wrote it.
std::string CompareShownCell(CompareTable table, int column, std::string_view cell);
// The row with every cell as shown, its status kept.
std::string CompareShownRow(CompareTable table, std::string_view row);

// The column of a table that holds an account key of CURRENT or PRIOR; -1 for the tables
// of codes and groups.
int CompareAccountColumn(CompareTable table);
// Whether the row stands for an account found only in PRIOR: an opening with no opening in
// CURRENT, a dropped account.
bool ComparePriorOnly(CompareTable table, std::string_view row);

// The two periods and how they meet, in words: one line each.
std::vector<std::string> CompareIdentityWords(const CompareResult& result);
// The openings' reconciliation in words: where last year's result went and what is left;
// false in `reconciled` when no result account was found or something is left.
std::string CompareReconciliationWords(const CompareResult& result, bool* reconciled = nullptr);

}  // namespace tallyscan
