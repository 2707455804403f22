#pragma once

// Private to analytics/.
//
// What the one reading of the data file leaves for the tests. The pass reads the fields the
// tests share once per line and hands them to each test's own reader (jet_unit.h); tests
// that decide on a line by itself decide while the line is read. Tests that compare lines
// with each other (duplicates, reversals, the period's last days, the digit-pair hits, the
// ranking) get a few compact columns per movement line, grouped by sorting after the
// reading. No text of a line is kept: keys are interned ids, or 64-bit hashes where an id
// would cost a table as large as the data.
//
// Movement lines are known by their ordinal (0 for the first B100 line of the file, 1 for
// the next ...); LineRuns turns an ordinal into the line number.

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/analytics/calendar_day.h"
#include "engine/analytics/jet.h"
#include "engine/analytics/key_table.h"

namespace tallyscan {

class RecordStore;

namespace analytics {

inline constexpr DayNumber kNoDay = INT32_MIN;
inline constexpr std::uint32_t kNoId = 0xFFFFFFFF;

// A movement's amount, side and whether the amount is usable, in one word.
struct Money {
  static constexpr std::uint64_t kMagnitude = (std::uint64_t{1} << 47) - 1;  // |A|: 14 digits
  static constexpr std::uint64_t kNegative = std::uint64_t{1} << 47;
  static constexpr std::uint64_t kCredit = std::uint64_t{1} << 48;
  static constexpr std::uint64_t kUsable = std::uint64_t{1} << 49;

  static std::uint64_t Of(std::optional<std::int64_t> amount, bool credit) {
    std::uint64_t bits = credit ? kCredit : 0;
    if (amount) {
      bits |= kUsable | static_cast<std::uint64_t>(*amount < 0 ? -*amount : *amount);
      if (*amount < 0) bits |= kNegative;
    }
    return bits;
  }
  static bool Usable(std::uint64_t m) { return (m & kUsable) != 0; }
  static bool Credit(std::uint64_t m) { return (m & kCredit) != 0; }
  static std::uint64_t Magnitude(std::uint64_t m) { return m & kMagnitude; }
  // Signed amount and side: what equal movements share.
  static std::uint64_t SignedAndSide(std::uint64_t m) {
    return m & (kMagnitude | kNegative | kCredit);
  }
};

// A line's transaction as one number: an all-digit key is its value; another key is
// kTextTransaction with the id of its text; a blank 1353 makes the line a transaction of its
// own, kBlankTransaction with the line's ordinal.
inline constexpr std::uint64_t kTextTransaction = std::uint64_t{1} << 62;
inline constexpr std::uint64_t kBlankTransaction = std::uint64_t{1} << 63;

// Ordinal -> line number, kept as the runs of consecutive lines.
class LineRuns {
 public:
  void Add(std::uint32_t ordinal, std::uint32_t line) {
    if (runs_.empty() || line - runs_.back().second != ordinal - runs_.back().first) {
      runs_.emplace_back(ordinal, line);
    }
  }
  std::uint32_t LineOf(std::uint32_t ordinal) const;

 private:
  std::vector<std::pair<std::uint32_t, std::uint32_t>> runs_;  // (first ordinal, its line)
};

// Frees a vector's storage. (Assigning `{}` would empty it and keep the storage.)
template <typename T>
void GiveBack(std::vector<T>& values) {
  std::vector<T>().swap(values);
}

struct MovementColumns {
  std::vector<std::uint32_t> account;      // id of 1364 trimmed; kNoId when blank
  std::vector<std::uint32_t> counter;      // id of 1365 trimmed; kNoId when blank
  std::vector<std::uint64_t> reference;    // hash of 1357 trimmed; 0 when blank
  std::vector<std::uint64_t> transaction;  // see kTextTransaction
  std::vector<std::uint64_t> money;        // Money
  std::vector<DayNumber> date;             // 1362; kNoDay when not usable
  LineRuns lines;
  std::size_t size() const { return money.size(); }
};

// What a test counts of the lines of its record type.
struct TestCounts {
  std::int64_t usable = 0;
  JetLineSet hits;  // B100 tests: ordinals; others: line numbers
};

struct AccountState {
  AmountSum debit = 0;  // movements' signed amounts by side
  AmountSum credit = 0;
  bool has_card = false;       // a B110 line names the account
  std::int64_t movements = 0;  // B100 lines naming it
  std::int64_t usable_amounts = 0;
  std::uint64_t largest = 0;  // |A|, the first in file order among equals
  std::uint32_t largest_ordinal = 0;
  std::uint64_t second = 0;
};

// A date field read through the last one: neighbouring lines mostly share their dates.
class DateReader {
 public:
  std::optional<DayNumber> Read(std::string_view field) {
    if (field.size() != 8) return ReadDateField(field);
    std::uint64_t raw;
    std::memcpy(&raw, field.data(), 8);
    if (raw != last_raw_) {
      last_raw_ = raw;
      last_ = ReadDateField(field);
    }
    return last_;
  }

 private:
  std::uint64_t last_raw_ = 0;  // eight NULs: no date field holds them and reads as a day
  std::optional<DayNumber> last_;
};

class JetReader;
struct LineItem;
struct LineBatch;
template <typename Batch>
class BatchHandoff;

// The reading in two halves on two threads: the thread that reads the file parses the fields
// every test shares, interns the keys and fills the columns; a thread of its own keeps the
// accounts' states and runs the tests' readers over the same lines in the same order
// (jet_handoff.h).
class JetPass {
 public:
  // The period is that of INI.TXT's header when it gives one (nullopt otherwise).
  JetPass(const RecordStore& store, const JetParameters& parameters,
          std::optional<DayNumber> period_from, std::optional<DayNumber> period_to);
  JetPass(const JetPass&) = delete;
  JetPass& operator=(const JetPass&) = delete;
  ~JetPass();

  // Fails when a line number or ordinal passes 32 bits.
  bool OnLine(std::int64_t number, std::string_view head);
  // Whether the readers' thread failed: the reading should end, and Settle says why.
  bool Failed() const;
  // After the last line: waits for the readers (throwing what they threw) and gives back the
  // room the lists grew into while the file was read.
  void Settle();
  // The reader of a test; null when the test reads nothing of its own.
  JetReader* ReaderOf(JetTest test) const { return readers_[JetIndex(test)].get(); }

  // What the reading found. Tests read these after it; while it runs, the readers read only
  // the store, the parameters, the period, the documents' tables and what their own thread
  // keeps (account_states, first_date, last_date).
  const RecordStore& store;
  const JetParameters& parameters;
  std::optional<DayNumber> period_from, period_to;  // fixed before the reading, or none
  std::int64_t movement_lines = 0;
  std::int64_t document_lines = 0;
  std::array<TestCounts, kJetTestCount> counts;
  MovementColumns columns;

  // 1364, 1403 and the non-blank 1365, trimmed (a blank 1364 included): an account and a
  // counter account of the same key have the same id. A counter account that is no line's
  // account keeps an empty state.
  SlotKeyTable<15> accounts;
  std::vector<AccountState> account_states;
  KeyTable<TextKey<10>> text_transactions;
  std::optional<DayNumber> first_date, last_date;  // usable 1362

  // Documents: the (type, number) pairs of the file and how often each occurs, from the
  // store's document index; the types that have documents.
  KeyTable<TextKey<23>> documents;
  std::vector<std::int64_t> document_counts;
  KeyTable<TextKey<3>> document_types;

 private:
  // On the reading thread: a line's shared fields into the batch filled, the columns.
  void OnMovement(std::uint32_t line, std::string_view head);
  void OnCard(std::uint32_t line, std::string_view head);
  void OnDocument(std::uint32_t line, std::string_view head);
  // The line's transaction as one number (kTextTransaction); whether it is all digits.
  std::uint64_t TransactionCode(std::uint32_t ordinal, std::string_view head, bool& numbered);
  // Hands the batch over once it is full.
  void Added();
  // On the readers' thread: a batch's lines, in file order.
  void Examine(const LineBatch& batch);
  void ExamineMovement(const LineItem& item, std::string_view head);
  void ExamineCard(std::uint32_t account, std::uint32_t line, std::string_view head);
  // An account state for every id up to `id`.
  void HaveStateOf(std::uint32_t id);
  void IndexDocuments();
  void StartReaders();

  std::array<std::unique_ptr<JetReader>, kJetTestCount> readers_;
  std::vector<JetReader*> movement_readers_, document_readers_, card_readers_;
  DateReader moved_dates_, entered_dates_;
  std::uint32_t movement_type_;  // the first four bytes of a line, upper-cased
  std::uint32_t card_type_;
  std::uint32_t document_type_;
  std::unique_ptr<BatchHandoff<LineBatch>> handoff_;  // last: its thread stops first
};

// Packs a document's type and normalised number as the documents table keys them.
TextKey<23> DocumentKey(std::string_view type, std::string_view number);

}  // namespace analytics
}  // namespace tallyscan
