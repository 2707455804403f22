// tallyscan-cli view ledger --from KEY [--to KEY] DIR: the ledger cards of a range of
// accounts, each as its title line, its movement rows and its totals row.
#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/view_command.h"
#include "engine/browse/browse.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::cli {
namespace {

// The cards of a range, loaded a batch at a time whenever the rows are asked for, their rows
// made on every core and given in card order: a range of every card of a large set prints
// without its rows being held. Title lines are rows of one cell; card rows have the 26 fields.
class LedgerRows final : public RowSource {
 public:
  LedgerRows(const RecordStore& store, const CardRange& range)
      : store_(store), range_(range), card_shape_(ViewShape(LedgerColumns::kAll)) {
    title_shape_.status_first = false;
  }

  bool ForEachRow(const Each& each) const override {
    return MakeCardRows<MadeRows>(
        store_, range_,
        [this](MadeRows& part, const LedgerCard& card, std::int64_t row) {
          part.titles.push_back(row == 0);
          part.rows.Add(RowText(card, row));
        },
        [&](const MadeRows& part) {
          for (std::size_t n = 0; n < part.rows.size(); ++n) {
            if (!each(part.rows[n], part.titles[n] ? title_shape_ : card_shape_)) return false;
          }
          return true;
        });
  }
  const TableShape& FirstShape() const override { return title_shape_; }

  // The widths the text form gives the columns, found on every core without making the rows:
  // each part widens its own from the cells' bytes and the figures' shapes, and the widest of
  // each column is taken.
  std::vector<std::size_t> TextWidths() const override {
    LedgerShownWidths widths;
    MakeCardRows<LedgerShownWidths>(
        store_, range_,
        [this](LedgerShownWidths& part, const LedgerCard& card, std::int64_t row) {
          part.Widen(store_, card, row);
        },
        [&widths](const LedgerShownWidths& part) {
          widths.Merge(part);
          return true;
        });
    return widths.Widths();
  }

  // The lines made on every core as the rows are, each part written whole in card order.
  std::optional<bool> WriteLines(const LineOf& line, const Write& write) const override {
    return MakeCardRows<std::string>(
        store_, range_,
        [this, &line](std::string& part, const LedgerCard& card, std::int64_t row) {
          line(part, RowText(card, row), row == 0 ? title_shape_ : card_shape_);
        },
        [&write](const std::string& part) { return write(part); });
  }

  // The movement rows of every card (opening-balance rows included), without making a cell.
  std::int64_t CountRows() const {
    std::int64_t rows = 0;
    CardBatches batches(store_, range_);
    std::vector<LedgerCard> cards;
    while (batches.Next(cards)) {
      for (const LedgerCard& card : cards) rows += static_cast<std::int64_t>(card.rows.size());
    }
    return rows;
  }

 private:
  // The rows a core made of a stretch of cards, and which of them are titles.
  struct MadeRows {
    RowBuffer rows;
    std::vector<bool> titles;
  };

  // Row 0 of a card is its title line, then come its grid rows.
  std::string RowText(const LedgerCard& card, std::int64_t row) const {
    if (row == 0) return std::string(kCardTitle) + card.header;
    return JoinCells(LedgerRowCells(store_, card, row));
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
