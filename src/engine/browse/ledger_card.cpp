#include "engine/browse/ledger_card.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>

#include "engine/browse/balance_text.h"
#include "engine/browse/cell_text.h"
#include "engine/text/cp1255.h"
#include "engine/text/hebrew_order.h"
#include "engine/text/trim.h"
#include "engine/uniform/fields.h"
#include "engine/uniform/result_row.h"
#include "engine/uniform/values.h"

namespace tallyscan {
namespace {

constexpr std::string_view kOpeningCaption = "יתרת פתיחה";
constexpr std::string_view kCardTotalsCaption = "סה'כ תנועות בכרטיס";

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

// A card whose movements are still to be read: its header, its B110 line and the offsets of
// its movements (rows of the same number wait for their lines).
struct CardStart {
  LedgerCard card;
  std::string b110;
  std::vector<std::int64_t> offsets;
};

CardStart StartCard(const RecordStore& store, std::int64_t account) {
  CardStart start;
  if (account < 1 || account > store.AccountIndex.Count()) return start;
  LedgerCard& card = start.card;
  card.account = account;
  const IndexEntry& entry = store.AccountIndex[account];
  start.b110 = ReadRecordLine(store, entry.Offset, RecordType::kB110);
  card.header = StrippedCell(SliceField(start.b110, field::B110(1403))) + " - " +
                TextCell(SliceField(start.b110, field::B110(1404)), store.DosCodePage,
                         field::B110(1404).converted);

  // The movements of one account are a run of the movement index (account key, then batch).
  const ElementRange run = PrefixRange(store.MovementIndex, entry.Part(kKeyAccount));
  start.offsets.reserve(static_cast<std::size_t>(run.size()));
  for (std::int64_t e = run.first; e < run.last; ++e)
    start.offsets.push_back(store.MovementIndex[e].Offset);
  card.rows.resize(start.offsets.size());
  for (std::size_t i = 0; i < start.offsets.size(); ++i) card.rows[i].offset = start.offsets[i];
  return start;
}

// The card once its movement lines are in: the opening-balance row, file order, the counter
// accounts' names, the running balance and the totals.
LedgerCard FinishCard(const RecordStore& store, CardStart& start, CounterNames* counter_names) {
  LedgerCard& card = start.card;
  if (card.account == 0) return std::move(card);
  AmountSum movement_sum = 0;
  for (const LedgerRow& row : card.rows) {
    const std::int64_t amount = Amount(row.line, field::B100(1368));
    movement_sum += IsCredit(row.line) ? -amount : amount;
  }

  // An opening balance the movements do not account for gets a row of its own, first.
  const std::string_view b110 = start.b110;
  const std::int64_t opening = Amount(b110, field::B110(1414));
  const AmountSum balance =
      AmountSum{opening} + Amount(b110, field::B110(1415)) - Amount(b110, field::B110(1416));
  const AmountSum gap = Magnitude(Magnitude(balance) - Magnitude(movement_sum));
  if (opening != 0 && gap > 100) {
    LedgerRow row;
    row.line = OpeningLine(store, opening, Amount(b110, field::B110(1422)));
    row.opening = true;
    card.rows.insert(card.rows.begin(), std::move(row));
  }

  // File order: the record number, then the offset (the opening row's number is all zeros).
  // The rows are put in order through their places, in place: a card of a hundred thousand
  // movements is never held twice.
  std::vector<std::size_t> order(card.rows.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const std::string_view na = SliceField(card.rows[a].line, field::B100(1351));
    const std::string_view nb = SliceField(card.rows[b].line, field::B100(1351));
    if (na != nb) return na < nb;
    return card.rows[a].offset < card.rows[b].offset;
  });
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (order[i] == i) continue;
    // The cycle through i: each place takes the row that belongs there.
    LedgerRow held = std::move(card.rows[i]);
    std::size_t place = i;
    while (order[place] != i) {
      const std::size_t from = order[place];
      card.rows[place] = std::move(card.rows[from]);
      order[place] = place;
      place = from;
    }
    card.rows[place] = std::move(held);
    order[place] = place;
  }

  // Counter accounts repeat within a card and across cards: each name is read once.
  CounterNames own_names;
  CounterNames& names = counter_names != nullptr ? *counter_names : own_names;
  for (LedgerRow& row : card.rows) {
    if (row.opening) continue;
    const std::string_view counter = SliceField(row.line, field::B100(1365));
    if (Trimmed(counter).empty()) continue;
    auto [it, added] = names.try_emplace(std::string(counter));
    if (added) {
      const ElementRange found = PrefixRange(store.AccountIndex, counter);
      it->second = std::make_shared<const std::string>(
          found.empty() ? std::string()
                        : TextCell(ReadRecordField(store, store.AccountIndex[found.first].Offset,
                                                   field::B110(1404)),
                                   store.DosCodePage, field::B110(1404).converted));
    }
    row.counter_name = it->second;
  }

  AmountSum running = 0;
  for (LedgerRow& row : card.rows) {
    const std::int64_t amount = Amount(row.line, field::B100(1368));
    if (IsCredit(row.line)) {
      running -= amount;
      card.credit_total += amount;
    } else {
      running += amount;
      card.debit_total += amount;
    }
    row.balance = running;
  }
  return std::move(card);
}

// The movements of many cards lie all over the file and, together, fill most of it: reading
// through gaps of up to this many bytes costs less than a read per line.
constexpr std::int64_t kManyCardsGapBytes = 32 * 1024;

}  // namespace

LedgerCard LoadCard(const RecordStore& store, std::int64_t account, CounterNames* counter_names) {
  CardStart start = StartCard(store, account);
  ForEachRecordLine(store, start.offsets, RecordType::kB100,
                    [&](std::size_t i, std::string_view line) {
                      start.card.rows[i].line = std::string(line);
                      return true;
                    });
  return FinishCard(store, start, counter_names);
}

bool LoadCard(const RecordStore& store, std::int64_t account, ProgressMonitor& monitor,
              LedgerCard* card) {
  CardStart start = StartCard(store, account);
  ProgressTracker progress(monitor, static_cast<long long>(start.offsets.size()));
  long long read = 0;
  const bool whole = ForEachRecordLine(store, start.offsets, RecordType::kB100,
                                       [&](std::size_t i, std::string_view line) {
                                         start.card.rows[i].line = std::string(line);
                                         progress.Advance(++read);
                                         return !monitor.StopRequested();
                                       });
  if (!whole || monitor.StopRequested()) return false;
  *card = FinishCard(store, start, nullptr);
  return true;
}

std::vector<LedgerCard> LoadCards(const RecordStore& store, std::int64_t first, std::int64_t last,
                                  std::int64_t row_budget, CounterNames* counter_names) {
  std::vector<CardStart> starts;
  std::vector<std::int64_t> offsets;
  std::vector<std::pair<std::size_t, std::size_t>> places;  // card, row
  last = std::min(last, store.AccountIndex.Count());
  for (std::int64_t account = std::max<std::int64_t>(first, 1);
       account <= last &&
       (starts.empty() || static_cast<std::int64_t>(offsets.size()) < row_budget);
       ++account) {
    starts.push_back(StartCard(store, account));
    const std::vector<std::int64_t>& own = starts.back().offsets;
    for (std::size_t row = 0; row < own.size(); ++row) {
      offsets.push_back(own[row]);
      places.emplace_back(starts.size() - 1, row);
    }
  }
  ForEachRecordLine(
      store, offsets, RecordType::kB100,
      [&](std::size_t i, std::string_view line) {
        const auto [card, row] = places[i];
        starts[card].card.rows[row].line = std::string(line);
        return true;
      },
      kManyCardsGapBytes);
  std::vector<LedgerCard> cards;
  cards.reserve(starts.size());
  for (CardStart& start : starts) cards.push_back(FinishCard(store, start, counter_names));
  return cards;
}

RowCells LedgerRowCells(const RecordStore& store, const LedgerCard& card, std::int64_t row,
                        LedgerFieldMask fields) {
  const auto want = [fields](int field) { return (fields >> field & 1U) != 0; };
  RowCells cells(kLedgerFieldCount);
  const auto rows = static_cast<std::int64_t>(card.rows.size());
  if (row == rows + 1) {
    const std::string heading(kHeadingMarker);
    cells[0] = "8";
    cells[11] = std::string(kCardTotalsCaption) + heading;
    cells[16] = Figure(card.debit_total) + heading + kDebitMarker;
    cells[17] = Figure(card.credit_total) + heading + kCreditMarker;
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

  if (want(1)) cells[0] = std::to_string(8 + ReadInteger(SliceField(line, field::B100(1366))));
  if (want(6)) cells[5] = cell(field::B100(1362));
  if (want(9)) cells[8] = cell(field::B100(1363));
  if (want(12)) cells[11] = cell(field::B100(1361));
  if (want(16)) cells[15] = Figure(credit ? -amount : amount);
  if (want(17)) cells[16] = credit ? std::string() : Figure(amount) + kDebitMarker;
  if (want(18)) cells[17] = credit ? Figure(amount) + kCreditMarker : std::string();
  if (want(19)) cells[18] = Figure(r.balance);
  if (want(20)) cells[19] = Figure(credit ? -amount_fx : amount_fx);
  if (want(21)) cells[20] = credit ? std::string() : Figure(amount_fx) + kDebitMarker;
  if (want(22)) cells[21] = credit ? Figure(amount_fx) + kCreditMarker : std::string();
  if (want(25)) cells[24] = cell(field::B100(1375));
  if (r.opening) return cells;

  if (want(2)) cells[1] = cell(field::B100(1353));
  if (want(3)) cells[2] = cell(field::B100(1354));
  if (want(4)) cells[3] = cell(field::B100(1355));
  if (want(5)) cells[4] = cell(field::B100(1356));
  if (want(7)) cells[6] = cell(field::B100(1357));
  if (want(8)) cells[7] = cell(field::B100(1358));
  if (want(10)) cells[9] = cell(field::B100(1359));
  if (want(11)) cells[10] = cell(field::B100(1360));
  if (want(13)) cells[12] = cell(field::B100(1365));
  if (want(14) && r.counter_name) cells[13] = *r.counter_name;
  if (want(15)) cells[14] = cell(field::B100(1367));
  if (want(23)) cells[22] = cell(field::B100(1371));
  if (want(24)) cells[23] = cell(field::B100(1372));
  if (want(26)) cells[25] = cell(field::B100(1376));
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
