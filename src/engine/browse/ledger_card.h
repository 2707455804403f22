#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// The ledger card of an account: every movement (B100) posted to it in file order, with the
// running balance after each, an opening-balance row in front when the movements lack the
// account's opening balance, a totals row, and after it a difference row when the index's
// balance differs from the card's in any other way. Also the choice of cards by typed
// keys (compared trimmed), the next and previous card, and the source document of a movement.
// Cell texts are those every ledger view prints (the page, the reports, `view ledger`).

#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/browse/accounts_index.h"
#include "engine/common/progress.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

inline constexpr int kLedgerFieldCount = LedgerColumns::kFieldCount;

inline constexpr std::string_view kNoFirstCard = "יש לציין את מספר הכרטיס הראשון";
inline constexpr std::string_view kNoCardsToPrint = "לא נמצאו כרטיסים מתאימים להדפסה";
inline constexpr std::string_view kNoCardsToShow = "לא נמצאו כרטיסים מתאימים להצגה";
inline constexpr std::string_view kNoSourceDocument = "לא ניתן להציג את מסמך המקור";
// "תנועת מקור" on the opening-balance row, which is made up from the account's record.
inline constexpr std::string_view kNoSourceRecord =
    "לשורת יתרת הפתיחה אין רשומה בקובץ התנועות: היא מחושבת מיתרת הפתיחה שבכרטיס החשבון";
inline constexpr std::string_view kCardTitle = "כרטיס חשבון - ";
inline constexpr std::string_view kCardTotalsCaption = "סה'כ תנועות בכרטיס";
inline constexpr std::string_view kCardIndexDifference = "הפרש בין הכרטיס לאינדקס";

struct LedgerRow {
  // The B100 line (or the opening-balance row's made-up line), in the bytes its card keeps.
  std::string_view line;
  std::int64_t offset = -1;  // the line's offset in the data file; -1 for the opening balance
  AmountSum balance = 0;     // running balance after this row, agorot, exact
  bool opening = false;      // the opening-balance row
  // The counter account's name (field 14), UTF-8, shared by the rows that name the account;
  // null when the movement names none.
  std::shared_ptr<const std::string> counter_name;
};

struct LedgerCard {
  std::int64_t account = 0;  // AccountIndex element; 0 when no card is loaded
  std::string header;        // key " - " name
  std::vector<LedgerRow> rows;
  AmountSum debit_total = 0;  // exact for any card
  AmountSum credit_total = 0;
  // The index's balance (opening + debit - credit) less the card's final balance, when more
  // than 0.99 either way: the card never makes it up, it shows it in a row after the totals.
  // 0 when the two agree.
  AmountSum difference = 0;
  // The bytes of the rows' lines, shared by the cards read together and by copies of a card.
  std::vector<std::shared_ptr<const std::string>> line_bytes;

  // Rows after the movement rows: the totals row, then the difference row when there is one.
  int TrailingRows() const { return difference != 0 ? 2 : 1; }
  // Rows of the grid: the movement rows, then the trailing rows.
  std::int64_t RowCount() const { return static_cast<std::int64_t>(rows.size()) + TrailingRows(); }
};

// The names of counter accounts by their key as a movement stores it, kept by a caller that
// loads many cards of one store so that each name is read and held once. Every movement asks
// for its counter account: the keys sit in one flat table, where a look-up costs one probe.
class CounterNames {
 public:
  using Name = std::shared_ptr<const std::string>;
  // The name held under `key` (a counter-account field as stored, at most 15 bytes), made by
  // `read` the first time the key is asked for.
  template <typename Read>
  const Name& Of(std::string_view key, Read read) {
    Slot& slot = Find(key);
    if (!slot.taken) {
      slot.taken = true;
      slot.length = static_cast<std::uint8_t>(key.size());
      key.copy(slot.key, sizeof slot.key);
      slot.name = read();
      Grown();
    }
    return Find(key).name;
  }

 private:
  struct Slot {
    char key[15];
    std::uint8_t length = 0;
    bool taken = false;
    Name name;
  };
  Slot& Find(std::string_view key);
  void Grown();  // doubles the table once it is half full

  std::vector<Slot> slots_;
  std::size_t used_ = 0;
};

// Loads the card of AccountIndex element `account` (1..Count). The movements are the run of
// MovementIndex entries under the account's key, put in file order (record number, then
// offset). An element out of range gives an empty card with account 0. `counter_names`, when
// given, is used and filled; it belongs to this store and must be emptied when it changes.
LedgerCard LoadCard(const RecordStore& store, std::int64_t account,
                    CounterNames* counter_names = nullptr);
// The same, reporting the share of movements read: false, `card` untouched, when the monitor
// asked to stop. Reads the store only, so it may run off the window's thread.
bool LoadCard(const RecordStore& store, std::int64_t account, ProgressMonitor& monitor,
              LedgerCard* card);

// The cards of AccountIndex elements `first`, `first` + 1 ... up to `last`, as many as hold
// about `row_budget` movements together (at least one card; fewer when the range ends), read
// in one pass over the data file: the way to load many cards (a report of a range), which
// reading card by card would make a read per movement. Each card is as LoadCard gives it.
// The movements a caller of LoadCards holds at once: about 50 MB of lines.
inline constexpr std::int64_t kCardRowsAtOnce = 100000;
std::vector<LedgerCard> LoadCards(const RecordStore& store, std::int64_t first, std::int64_t last,
                                  std::int64_t row_budget, CounterNames* counter_names);

// Cells of grid row `row` (1..rows, then the totals row and the difference row); empty cells
// for any other row.
// The fields a caller wants of a row, bit f for field f (1..kLedgerFieldCount): a report of eleven
// columns need not make the other fifteen cells of every row.
using LedgerFieldMask = std::uint32_t;
inline constexpr LedgerFieldMask kAllLedgerFields = ~LedgerFieldMask{0};
RowCells LedgerRowCells(const RecordStore& store, const LedgerCard& card, std::int64_t row,
                        LedgerFieldMask fields = kAllLedgerFields);

// The first AccountIndex element whose key, trimmed, equals `typed`, trimmed; 0 when none.
std::int64_t FindAccount(const RecordStore& store, std::string_view typed);

// The cards from the first account whose trimmed key equals `from` to the last whose trimmed
// key equals `to` (`from` alone when `to` is empty), as AccountIndex elements [first, last].
// `message` is empty on success, otherwise the page's message (nothing typed, nothing found,
// "to" before "from").
struct CardRange {
  std::int64_t first = 0;
  std::int64_t last = -1;
  std::string_view message;
};
CardRange FindCardRange(const RecordStore& store, std::string_view from, std::string_view to);

// The cards of a range in order, a batch of LoadCards at a time: the next batch is read on a
// thread of its own while the caller goes through the one it has, so that reading the file and
// making the rows overlap, as long as the two batches together hold at most `rows_held`
// movements (a larger card is read when the caller asks for it, after the batch before it is
// released). The store must outlive the object and stay unchanged while it lives; the
// destructor waits for a batch still being read. Not for use from two threads at once.
class CardBatches {
 public:
  CardBatches(const RecordStore& store, const CardRange& range,
              std::int64_t rows_held = kCardRowsAtOnce * 3 / 2);
  CardBatches(const CardBatches&) = delete;
  CardBatches& operator=(const CardBatches&) = delete;
  ~CardBatches();

  // Releases what `cards` holds and fills it with the next cards of the range; false once every
  // card was given.
  bool Next(std::vector<LedgerCard>& cards);

 private:
  const RecordStore& store_;
  std::int64_t next_ = 0;  // the first account not yet asked for
  std::int64_t last_;
  std::int64_t rows_held_;
  CounterNames names_;  // used by one batch at a time, on its thread
  std::future<std::vector<LedgerCard>> loading_;
};

// The neighbour card of `account` (step +1 or -1); 0 when there is none.
std::int64_t NeighbourCard(const RecordStore& store, std::int64_t account, int step);

// The DocumentIndex element of the document that produced a movement: the first whose number
// and the movement's reference are equal without leading blanks and zeros and trailing
// blanks, with the movement's date and account as the document's date and customer key.
// 0 when there is none (also for a blank reference).
std::int64_t FindSourceDocument(const RecordStore& store, std::string_view b100_line);

}  // namespace tallyscan
