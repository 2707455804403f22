// tallyscan-cli view ledger --from KEY [--to KEY] DIR: the ledger cards of a range of
// accounts, each as its title line, its movement rows and its totals row.
#include <iostream>
#include <string>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/view_command.h"
#include "engine/browse/browse.h"
#include "engine/uniform/result_row.h"

namespace tallyscan::cli {

int RunViewLedger(std::span<char* const> args) {
  constexpr std::string_view kOptions[] = {"from", "to"};
  ViewArgs read;
  if (const std::optional<int> wrong = ReadViewArgs(args, kOptions, read)) return *wrong;
  const std::string* from = read.Option("from");
  const std::string* to = read.Option("to");

  RecordStore store;
  if (const std::optional<int> failed = ImportForView(store, *read.folder)) return *failed;
  const CardRange range = FindCardRange(store, from ? *from : "", to ? *to : "");
  if (!range.message.empty()) {
    std::cerr << range.message << '\n';
    return kExitFailed;
  }

  // Title lines are rows of one cell; card rows have the 26 fields.
  std::vector<std::string> rows;
  std::vector<bool> titles;
  std::int64_t movements = 0;
  CounterNames names;
  for (std::int64_t account = range.first; account <= range.last;) {
    const std::vector<LedgerCard> cards =
        LoadCards(store, account, range.last, kCardRowsAtOnce, &names);
    if (cards.empty()) break;
    account += static_cast<std::int64_t>(cards.size());
    for (const LedgerCard& card : cards) {
      rows.push_back(std::string(kCardTitle) + card.header);
      titles.push_back(true);
      for (std::int64_t row = 1; row <= card.RowCount(); ++row) {
        rows.push_back(JoinCells(LedgerRowCells(store, card, row)));
        titles.push_back(false);
      }
      movements += static_cast<std::int64_t>(card.rows.size());
    }
  }

  RunFacts facts("view ledger");
  facts.subject.Add("folder", *read.folder);
  facts.subject.Add("from", from ? *from : std::string());
  if (to) facts.subject.Add("to", *to);
  facts.summary.Add("cards", range.last - range.first + 1);
  facts.summary.Add("rows", movements);
  TableShape card_shape;
  card_shape.status_first = false;
  card_shape.columns.assign(kLedgerFieldCount, ColumnKind::kText);
  for (int f = 16; f <= 22; ++f) {
    card_shape.columns[static_cast<std::size_t>(f - 1)] = ColumnKind::kFigure;
  }
  TableShape title_shape;
  title_shape.status_first = false;
  return PrintTable(read.output, facts, rows, [&](std::size_t n) -> const TableShape& {
    return titles[n] ? title_shape : card_shape;
  });
}

}  // namespace tallyscan::cli
