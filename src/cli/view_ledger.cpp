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
namespace {

// The cards of a range, loaded a batch at a time whenever the rows are asked for: a range of
// every card of a large set prints without its rows being held. Title lines are rows of one
// cell; card rows have the 26 fields.
class LedgerRows final : public RowSource {
 public:
  LedgerRows(const RecordStore& store, const CardRange& range) : store_(store), range_(range) {
    title_shape_.status_first = false;
    card_shape_.status_first = false;
    card_shape_.columns.assign(kLedgerFieldCount, ColumnKind::kText);
    for (int f = 16; f <= 22; ++f) {
      card_shape_.columns[static_cast<std::size_t>(f - 1)] = ColumnKind::kFigure;
    }
  }

  bool ForEachRow(const Each& each) const override {
    return ForEachCard([&](const LedgerCard& card) {
      if (!each(std::string(kCardTitle) + card.header, title_shape_)) return false;
      for (std::int64_t row = 1; row <= card.RowCount(); ++row) {
        if (!each(JoinCells(LedgerRowCells(store_, card, row)), card_shape_)) return false;
      }
      return true;
    });
  }
  const TableShape& FirstShape() const override { return title_shape_; }

  // The movement rows of every card (opening-balance rows included), without making a cell.
  std::int64_t CountRows() const {
    std::int64_t rows = 0;
    ForEachCard([&rows](const LedgerCard& card) {
      rows += static_cast<std::int64_t>(card.rows.size());
      return true;
    });
    return rows;
  }

 private:
  template <typename Use>
  bool ForEachCard(Use use) const {
    CardBatches batches(store_, range_);
    std::vector<LedgerCard> cards;
    while (batches.Next(cards)) {
      for (const LedgerCard& card : cards) {
        if (!use(card)) return false;
      }
    }
    return true;
  }

  const RecordStore& store_;
  CardRange range_;
  TableShape title_shape_;
  TableShape card_shape_;
};

}  // namespace

int RunViewLedger(std::span<char* const> args) {
  constexpr std::string_view kOptions[] = {"from", "to"};
  ViewArgs read;
  if (const std::optional<int> wrong = ReadViewArgs(args, kOptions, read)) return *wrong;
  const std::string* from = read.Option("from");
  const std::string* to = read.Option("to");

  RecordStore store;
  if (const std::optional<int> failed = ImportForView(store, read)) return *failed;
  const CardRange range = FindCardRange(store, from ? *from : "", to ? *to : "");
  if (!range.message.empty()) {
    std::cerr << range.message << '\n';
    return kExitFailed;
  }

  const LedgerRows rows(store, range);
  RunFacts facts("view ledger");
  facts.subject.Add("folder", *read.folder);
  facts.subject.Add("from", from ? *from : std::string());
  if (to) facts.subject.Add("to", *to);
  facts.summary.Add("cards", range.last - range.first + 1);
  // Only the JSON form prints the summary, ahead of the rows: its count takes a pass of its own.
  facts.summary.Add("rows", read.output.format == OutputFormat::kJson ? rows.CountRows() : 0);
  facts.errors = 0;  // a card has no status column, so no error rows
  return PrintTable(read.output, facts, rows);
}

}  // namespace tallyscan::cli
