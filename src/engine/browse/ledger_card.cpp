#include "engine/browse/ledger_card.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>

#include "engine/browse/balance_text.h"
#include "engine/browse/cell_text.h"
#include "engine/checks/checks.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr std::string_view kOpeningCaption = "יתרת פתיחה";
using checks::kBalanceTolerance;
using L = LedgerColumns;

bool IsCredit(std::string_view line) { return SliceField(line, field::B100(1366)) == "2"; }

std::int64_t Amount(std::string_view line, const FieldLayout& f) {
  return ReadAmount(SliceField(line, f));
}

AmountSum Magnitude(AmountSum v) { return v < 0 ? -v : v; }

// Puts `text` at `positions` of `line`, cut to the field's width.
void Put(std::string& line, Positions positions, std::string_view text) {
  const std::size_t start = static_cast<std::size_t>(positions.start - 1);
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(positions.width));
  line.replace(start, n, text.substr(0, n));
}

std::string Digits15(std::int64_t value) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%015lld",
                static_cast<long long>(value < 0 ? -value : value));
  return digits;
}

// The made-up line of the opening-balance row: zeros, the opening balances as absolute
// amounts with their side, the caption, and 1 January of the tax year as every date.
std::string OpeningLine(const RecordStore& store, std::int64_t opening, std::int64_t opening_fx) {
  std::string line(static_cast<std::size_t>(LayoutOf(RecordType::kB100).full_width), '0');
  Put(line, field::B100(1368), Digits15(opening));
  Put(line, field::B100(1369), Digits15(opening_fx));
  Put(line, field::B100(1366), opening < 0 ? "2" : "1");
  std::string caption = Utf8ToCp1255(kOpeningCaption);
  if (store.DosCodePage) caption = WinToDos(caption);
  caption.resize(static_cast<std::size_t>(field::B100(1361).width), ' ');
  Put(line, field::B100(1361), caption);
  char date[16];
  std::snprintf(date, sizeof date, "%04d0101", static_cast<int>(store.TaxYear % 10000));
  Put(line, field::B100(1362), date);
  Put(line, field::B100(1363), date);
  Put(line, field::B100(1375), date);
  return line;
}

std::string_view Trimmed(std::string_view text) { return TrimSpaces(text); }

// A reference or document number as compared: leading blanks and zeros and trailing blanks
// removed.
std::string_view Number(std::string_view text) {
  return TrimSpaces(StripLeadingBlanksAndZeros(text));
}

std::string Figure(AmountSum agorot) { return BalanceText(agorot, false); }

}  // namespace

namespace {

// The order of a card's rows: the record number's bytes as they compare (packed high to low,
// its length in the lowest byte, so that a shorter number that begins a longer one comes
// first), then the offset.
__extension__ using RecordNumberKey = unsigned __int128;
constexpr Positions kRecordNumber = field::B100(1351);
static_assert(kRecordNumber.width <= 15, "a record number and its length fit the key");

RecordNumberKey KeyOfRecordNumber(std::string_view line) {
  const std::string_view number = SliceField(line, kRecordNumber);
  RecordNumberKey key = 0;
  for (int i = 0; i < 15; ++i) {
    const auto at = static_cast<std::size_t>(i);
    key = key << 8 | (at < number.size() ? static_cast<unsigned char>(number[at]) : 0U);
  }
  return key << 8 | number.size();
}

// A card whose movements are still to be read: its header, its B110 line and, for each row,
// what its order and its figures need, taken from the line while it is at hand.
struct CardStart {
  LedgerCard card;
  std::string b110;
  std::vector<std::int64_t> offsets;
  std::vector<RecordNumberKey> keys;
  std::vector<std::int64_t> amounts;  // signed: credits negative
};

CardStart StartCard(const RecordStore& store, std::int64_t account, std::string b110) {
  CardStart start;
  if (account < 1 || account > store.AccountIndex.Count()) return start;
  LedgerCard& card = start.card;
  card.account = account;
  const IndexEntry& entry = store.AccountIndex[account];
  start.b110 = std::move(b110);
  card.header = StrippedCell(SliceField(start.b110, field::B110(1403))) + " - " +
                TextCell(SliceField(start.b110, field::B110(1404)), store.DosCodePage,
                         field::B110(1404).converted);

  // The movements of one account are a run of the movement index (account key, then batch).
  const ElementRange run = PrefixRange(store.MovementIndex, entry.Part(kKeyAccount));
  const auto rows = static_cast<std::size_t>(run.size());
  start.offsets.reserve(rows);
  for (std::int64_t e = run.first; e < run.last; ++e)
    start.offsets.push_back(store.MovementIndex[e].Offset);
  card.rows.resize(rows);
  for (std::size_t i = 0; i < rows; ++i) card.rows[i].offset = start.offsets[i];
  start.keys.resize(rows);
  start.amounts.resize(rows);
  return start;
}

// The name of a counter account, read once for every card that names it.
const CounterNames::Name& CounterName(const RecordStore& store, std::string_view counter,
                                      CounterNames& names) {
  return names.Of(counter, [&] {
    const ElementRange found = PrefixRange(store.AccountIndex, counter);
    return std::make_shared<const std::string>(
        found.empty() ? std::string()
                      : TextCell(ReadRecordField(store, store.AccountIndex[found.first].Offset,
                                                 field::B110(1404)),
                                 store.DosCodePage, field::B110(1404).converted));
  });
}

// The movement lines of cards read together, end to end in one block: a batch of cards costs
// one allocation rather than one per line. Room for every line is taken first, so that the
// block never moves while the lines are added.
class LineBytes {
 public:
  explicit LineBytes(std::size_t lines)
      : bytes_(std::make_shared<std::string>()),
        width_(static_cast<std::size_t>(LayoutOf(RecordType::kB100).full_width)) {
    bytes_->reserve(lines * width_);
  }
  std::string_view Add(std::string_view line) {
    line = line.substr(0, width_);
    const std::size_t at = bytes_->size();
    bytes_->append(line);
    return std::string_view(*bytes_).substr(at, line.size());
  }
  std::shared_ptr<const std::string> Shared() const { return bytes_; }

 private:
  std::shared_ptr<std::string> bytes_;
  std::size_t width_;
};

// Row `i` of a card takes its movement line: the line, and what the card's order, figures and
// counter account need of it.
void TakeLine(const RecordStore& store, CardStart& start, std::size_t i, std::string_view line,
              LineBytes& bytes, CounterNames& names) {
  LedgerRow& row = start.card.rows[i];
  row.line = bytes.Add(line);
  start.keys[i] = KeyOfRecordNumber(line);
  const std::int64_t amount = Amount(line, field::B100(1368));
  start.amounts[i] = IsCredit(line) ? -amount : amount;
  const std::string_view counter = SliceField(line, field::B100(1365));
  if (!Trimmed(counter).empty()) row.counter_name = CounterName(store, counter, names);
}

// The card once its movement lines are in: the opening-balance row, file order, the running
// balance and the totals.
LedgerCard FinishCard(const RecordStore& store, CardStart& start) {
  LedgerCard& card = start.card;
  if (card.account == 0) return std::move(card);
  AmountSum movement_sum = 0;
  for (const std::int64_t amount : start.amounts) movement_sum += amount;

  // The movements lack the opening balance when the index's balance exceeds theirs by it: it
  // gets a row of its own, first. Any other gap is the card's difference with the index,
  // shown and never taken for an opening.
  const std::string_view b110 = start.b110;
  const std::int64_t opening = Amount(b110, field::B110(1414));
  const AmountSum balance =
      AmountSum{opening} + Amount(b110, field::B110(1415)) - Amount(b110, field::B110(1416));
  const AmountSum gap = balance - movement_sum;
  const bool lacks_opening = opening != 0 && Magnitude(gap - opening) <= kBalanceTolerance;
  if (lacks_opening) {
    LedgerRow row;
    auto opening_line = std::make_shared<const std::string>(
        OpeningLine(store, opening, Amount(b110, field::B110(1422))));
    row.line = *opening_line;
    card.line_bytes.push_back(std::move(opening_line));
    row.opening = true;
    start.keys.insert(start.keys.begin(), KeyOfRecordNumber(row.line));
    start.amounts.insert(start.amounts.begin(), opening);
    card.rows.insert(card.rows.begin(), std::move(row));
  } else if (Magnitude(gap) > kBalanceTolerance) {
    card.difference = gap;
  }

  // File order: the record number, then the offset (the opening row's number is all zeros).
  // The rows are put in order through their places, in place: a card of a hundred thousand
  // movements is never held twice.
  std::vector<std::size_t> order(card.rows.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  if (!std::is_sorted(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (start.keys[a] != start.keys[b]) return start.keys[a] < start.keys[b];
        return card.rows[a].offset < card.rows[b].offset;
      })) {
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      if (start.keys[a] != start.keys[b]) return start.keys[a] < start.keys[b];
      return card.rows[a].offset < card.rows[b].offset;
    });
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (order[i] == i) continue;
    // The cycle through i: each place takes the row that belongs there.
    LedgerRow held = std::move(card.rows[i]);
    const std::int64_t held_amount = start.amounts[i];
    std::size_t place = i;
    while (order[place] != i) {
      const std::size_t from = order[place];
      card.rows[place] = std::move(card.rows[from]);
      start.amounts[place] = start.amounts[from];
      order[place] = place;
      place = from;
    }
    card.rows[place] = std::move(held);
    start.amounts[place] = held_amount;
    order[place] = place;
  }

  AmountSum running = 0;
  for (std::size_t i = 0; i < card.rows.size(); ++i) {
    const std::int64_t amount = start.amounts[i];
    running += amount;
    if (amount < 0) {
      card.credit_total -= amount;
    } else {
      card.debit_total += amount;
    }
    card.rows[i].balance = running;
  }
  return std::move(card);
}

// The movements of many cards lie all over the file and, together, fill most of it: reading
// through gaps of up to this many bytes costs less than a read per line.
constexpr std::int64_t kManyCardsGapBytes = 32 * 1024;

// The cards LoadCards reads together, found in the index alone: from `first` on, as many as
// hold `row_budget` movements (at least one), and the movements they hold.
struct CardBatch {
  std::int64_t first = 1;
  std::int64_t last = 0;
  std::int64_t rows = 0;
};
CardBatch BatchOf(const RecordStore& store, std::int64_t first, std::int64_t last,
                  std::int64_t row_budget) {
  CardBatch batch;
  batch.first = std::max<std::int64_t>(first, 1);
  batch.last = batch.first - 1;
  last = std::min(last, store.AccountIndex.Count());
  while (batch.last < last && (batch.last < batch.first || batch.rows < row_budget)) {
    ++batch.last;
    batch.rows +=
        PrefixRange(store.MovementIndex, store.AccountIndex[batch.last].Part(kKeyAccount)).size();
  }
  return batch;
}

}  // namespace

static_assert(field::B100(1365).width <= 15, "a counter-account key fits a slot");

CounterNames::Slot& CounterNames::Find(std::string_view key) {
  if (slots_.empty()) slots_.resize(1024);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = std::hash<std::string_view>{}(key)&mask;; at = (at + 1) & mask) {
    Slot& slot = slots_[at];
    if (!slot.taken || std::string_view(slot.key, slot.length) == key) return slot;
  }
}

void CounterNames::Grown() {
  if (++used_ * 2 < slots_.size()) return;
  std::vector<Slot> old(slots_.size() * 2);
  old.swap(slots_);
  for (Slot& slot : old) {
    if (slot.taken) Find(std::string_view(slot.key, slot.length)) = std::move(slot);
  }
}

namespace {

// One card read line by line, `keep_going(lines read, lines of the card)` asked after each
// line; false when it said stop.
bool ReadCard(const RecordStore& store, std::int64_t account, CounterNames* counter_names,
              const std::function<bool(std::size_t, std::size_t)>& keep_going, LedgerCard* card) {
  std::string b110;
  if (account >= 1 && account <= store.AccountIndex.Count()) {
    b110 = ReadRecordLine(store, store.AccountIndex[account].Offset, RecordType::kB110);
  }
  CardStart start = StartCard(store, account, std::move(b110));
  CounterNames own_names;
  CounterNames& names = counter_names != nullptr ? *counter_names : own_names;
  LineBytes bytes(start.offsets.size());
  const bool whole = ForEachRecordLine(store, start.offsets, RecordType::kB100,
                                       [&](std::size_t i, std::string_view line) {
                                         TakeLine(store, start, i, line, bytes, names);
                                         return keep_going(i + 1, start.offsets.size());
                                       });
  if (!whole) return false;
  start.card.line_bytes.push_back(bytes.Shared());
  *card = FinishCard(store, start);
  return true;
}

}  // namespace

LedgerCard LoadCard(const RecordStore& store, std::int64_t account, CounterNames* counter_names) {
  LedgerCard card;
  ReadCard(
      store, account, counter_names, [](std::size_t, std::size_t) { return true; }, &card);
  return card;
}

bool LoadCard(const RecordStore& store, std::int64_t account, ProgressMonitor& monitor,
              LedgerCard* card) {
  std::optional<ProgressTracker> progress;
  const bool whole = ReadCard(
      store, account, nullptr,
      [&](std::size_t read, std::size_t total) {
        if (!progress) progress.emplace(monitor, static_cast<long long>(total));
        progress->Advance(static_cast<long long>(read));
        return !monitor.StopRequested();
      },
      card);
  return whole && !monitor.StopRequested();
}

std::vector<LedgerCard> LoadCards(const RecordStore& store, std::int64_t first, std::int64_t last,
                                  std::int64_t row_budget, CounterNames* counter_names) {
  // The cards that hold about `row_budget` movements, and their account lines in one read.
  const CardBatch batch = BatchOf(store, first, last, row_budget);
  const std::int64_t rows = batch.rows;
  std::vector<std::int64_t> accounts;
  for (std::int64_t account = batch.first; account <= batch.last; ++account) {
    accounts.push_back(account);
  }
  std::vector<std::int64_t> account_offsets;
  account_offsets.reserve(accounts.size());
  for (const std::int64_t account : accounts) {
    account_offsets.push_back(store.AccountIndex[account].Offset);
  }
  std::vector<std::string> b110_lines(accounts.size());
  ForEachRecordLine(store, account_offsets, RecordType::kB110,
                    [&](std::size_t i, std::string_view line) {
                      b110_lines[i] = std::string(line);
                      return true;
                    });

  std::vector<CardStart> starts;
  starts.reserve(accounts.size());
  std::vector<std::int64_t> offsets;
  offsets.reserve(static_cast<std::size_t>(rows));
  std::vector<std::pair<std::size_t, std::size_t>> places;  // card, row
  places.reserve(static_cast<std::size_t>(rows));
  for (std::size_t a = 0; a < accounts.size(); ++a) {
    starts.push_back(StartCard(store, accounts[a], std::move(b110_lines[a])));
    const std::vector<std::int64_t>& own = starts.back().offsets;
    for (std::size_t row = 0; row < own.size(); ++row) {
      offsets.push_back(own[row]);
      places.emplace_back(a, row);
    }
  }
  CounterNames own_names;
  CounterNames& names = counter_names != nullptr ? *counter_names : own_names;
  LineBytes bytes(offsets.size());
  ForEachRecordLine(
      store, offsets, RecordType::kB100,
      [&](std::size_t i, std::string_view line) {
        const auto [card, row] = places[i];
        TakeLine(store, starts[card], row, line, bytes, names);
        return true;
      },
      kManyCardsGapBytes);
  std::vector<LedgerCard> cards;
  cards.reserve(starts.size());
  for (CardStart& start : starts) {
    start.card.line_bytes.push_back(bytes.Shared());
    cards.push_back(FinishCard(store, start));
  }
  return cards;
}

CardBatches::CardBatches(const RecordStore& store, const CardRange& range, std::int64_t rows_held)
    : store_(store),
      next_(std::max<std::int64_t>(range.first, 1)),
      last_(std::min(range.last, store.AccountIndex.Count())),
      rows_held_(rows_held) {}

CardBatches::~CardBatches() {
  if (loading_.valid()) loading_.wait();
}

bool CardBatches::Next(std::vector<LedgerCard>& cards) {
  // A batch is a third of what may be held: the one the caller has and the next one fit.
  const std::int64_t batch_rows = std::max<std::int64_t>(rows_held_ / 3, 1);
  cards.clear();
  if (loading_.valid()) {
    cards = loading_.get();
  } else if (next_ <= last_) {
    cards = LoadCards(store_, next_, last_, batch_rows, &names_);
  }
  if (cards.empty()) return false;
  next_ = cards.back().account + 1;
  if (next_ > last_) return true;
  std::int64_t held = 0;
  for (const LedgerCard& card : cards) held += static_cast<std::int64_t>(card.rows.size());
  if (held + BatchOf(store_, next_, last_, batch_rows).rows <= rows_held_) {
    loading_ = std::async(std::launch::async, [this, first = next_, batch_rows] {
      return LoadCards(store_, first, last_, batch_rows, &names_);
    });
  }
  return true;
}

RowCells LedgerRowCells(const RecordStore& store, const LedgerCard& card, std::int64_t row,
                        LedgerFieldMask fields) {
  RowCells cells(kLedgerFieldCount);
  // The cell of column `column` when the caller wants it, null otherwise.
  const auto at = [&cells, fields](std::size_t column) -> std::string* {
    return (fields >> (column + 1) & 1U) != 0 ? &cells[column] : nullptr;
  };
  const auto rows = static_cast<std::int64_t>(card.rows.size());
  if (row == rows + 1) {
    const std::string heading(kHeadingMarker);
    cells[L::Cell("image")] = "8";
    cells[L::Cell("details")] = std::string(kCardTotalsCaption) + heading;
    cells[L::Cell("debit")] = Figure(card.debit_total) + heading + kDebitMarker;
    cells[L::Cell("credit")] = Figure(card.credit_total) + heading + kCreditMarker;
    return cells;
  }
  if (row == rows + 2 && card.difference != 0) {
    // The gap in the column of its side, so that it stands beside the totals it does not enter.
    const std::string heading(kHeadingMarker);
    cells[L::Cell("image")] = "8";
    cells[L::Cell("details")] = std::string(kCardIndexDifference) + heading;
    cells[L::Cell("amount")] = Figure(card.difference) + heading;
    if (card.difference > 0) {
      cells[L::Cell("debit")] = Figure(card.difference) + heading + kDebitMarker;
    } else {
      cells[L::Cell("credit")] = Figure(-card.difference) + heading + kCreditMarker;
    }
    return cells;
  }
  if (row < 1 || row > rows) return cells;
  const LedgerRow& r = card.rows[static_cast<std::size_t>(row - 1)];
  const std::string_view line = r.line;
  if (line.empty()) return cells;
  const bool dos = store.DosCodePage;
  const auto cell = [&](const FieldLayout& f) { return FieldCell(line, f, dos); };
  const bool credit = IsCredit(line);
  const std::int64_t amount = Amount(line, field::B100(1368));
  const std::int64_t amount_fx = Amount(line, field::B100(1369));

  if (std::string* c = at(L::Cell("image")))
    *c = std::to_string(8 + ReadInteger(SliceField(line, field::B100(1366))));
  if (std::string* c = at(L::Cell("reference_date"))) *c = cell(field::B100(1362));
  if (std::string* c = at(L::Cell("value_date"))) *c = cell(field::B100(1363));
  if (std::string* c = at(L::Cell("details"))) *c = cell(field::B100(1361));
  if (std::string* c = at(L::Cell("amount"))) *c = Figure(credit ? -amount : amount);
  if (std::string* c = at(L::Cell("debit")))
    *c = credit ? std::string() : Figure(amount) + kDebitMarker;
  if (std::string* c = at(L::Cell("credit")))
    *c = credit ? Figure(amount) + kCreditMarker : std::string();
  // The running balance is the account's balance, shown as the index shows it: its size with
  // "ח" or "ז", never a minus sign.
  if (std::string* c = at(L::Cell("balance"))) *c = BalanceText(r.balance, true);
  if (std::string* c = at(L::Cell("amount_fx"))) *c = Figure(credit ? -amount_fx : amount_fx);
  if (std::string* c = at(L::Cell("debit_fx")))
    *c = credit ? std::string() : Figure(amount_fx) + kDebitMarker;
  if (std::string* c = at(L::Cell("credit_fx")))
    *c = credit ? Figure(amount_fx) + kCreditMarker : std::string();
  if (std::string* c = at(L::Cell("entry_date"))) *c = cell(field::B100(1375));
  if (r.opening) return cells;

  if (std::string* c = at(L::Cell("transaction"))) *c = cell(field::B100(1353));
  if (std::string* c = at(L::Cell("transaction_line"))) *c = cell(field::B100(1354));
  if (std::string* c = at(L::Cell("batch"))) *c = cell(field::B100(1355));
  if (std::string* c = at(L::Cell("movement_type"))) *c = cell(field::B100(1356));
  if (std::string* c = at(L::Cell("reference"))) *c = cell(field::B100(1357));
  if (std::string* c = at(L::Cell("reference_type"))) *c = cell(field::B100(1358));
  if (std::string* c = at(L::Cell("reference_2"))) *c = cell(field::B100(1359));
  if (std::string* c = at(L::Cell("reference_type_2"))) *c = cell(field::B100(1360));
  if (std::string* c = at(L::Cell("counter_account"))) *c = cell(field::B100(1365));
  if (std::string* c = at(L::Cell("counter_name")); c != nullptr && r.counter_name) {
    *c = *r.counter_name;
  }
  if (std::string* c = at(L::Cell("currency"))) *c = cell(field::B100(1367));
  if (std::string* c = at(L::Cell("match_1"))) *c = cell(field::B100(1371));
  if (std::string* c = at(L::Cell("match_2"))) *c = cell(field::B100(1372));
  if (std::string* c = at(L::Cell("operator"))) *c = cell(field::B100(1376));
  return cells;
}

std::int64_t FindAccount(const RecordStore& store, std::string_view typed) {
  const std::string_view wanted = Trimmed(typed);
  if (wanted.empty()) return 0;
  for (std::int64_t e = 1; e <= store.AccountIndex.Count(); ++e) {
    if (Trimmed(store.AccountIndex[e].Part(kKeyAccount)) == wanted) return e;
  }
  return 0;
}

CardRange FindCardRange(const RecordStore& store, std::string_view from, std::string_view to) {
  CardRange range;
  if (Trimmed(from).empty()) {
    range.message = kNoFirstCard;
    return range;
  }
  range.first = FindAccount(store, from);
  if (range.first == 0) {
    range.message = kNoCardsToPrint;
    return range;
  }
  range.last = range.first;
  const std::string_view until = Trimmed(to);
  if (!until.empty()) {
    range.last = 0;
    for (std::int64_t e = store.AccountIndex.Count(); e >= range.first; --e) {
      if (Trimmed(store.AccountIndex[e].Part(kKeyAccount)) == until) {
        range.last = e;
        break;
      }
    }
    if (range.last == 0) {
      range.first = 0;
      range.last = -1;
      range.message = kNoCardsToPrint;
    }
  }
  return range;
}

std::int64_t NeighbourCard(const RecordStore& store, std::int64_t account, int step) {
  const std::int64_t next = account + step;
  return account >= 1 && next >= 1 && next <= store.AccountIndex.Count() ? next : 0;
}

std::int64_t FindSourceDocument(const RecordStore& store, std::string_view b100_line) {
  const std::string_view reference = Number(SliceField(b100_line, field::B100(1357)));
  if (reference.empty()) return 0;
  const std::string_view date = SliceField(b100_line, field::B100(1362));
  const std::string_view account = SliceField(b100_line, field::B100(1364));
  for (std::int64_t e = 1; e <= store.DocumentIndex.Count(); ++e) {
    const IndexEntry& document = store.DocumentIndex[e];
    if (Number(document.Part(kKeyDocumentNumber)) != reference) continue;
    const std::string c100 = ReadRecordLine(store, document.Offset, RecordType::kC100);
    if (SliceField(c100, field::C100(1230)) == date &&
        SliceField(c100, field::C100(1225)) == account) {
      return e;
    }
  }
  return 0;
}

}  // namespace tallyscan
