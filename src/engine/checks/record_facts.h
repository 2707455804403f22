#pragma once

// Private to checks/: the rest of the program includes checks/checks.h.
//
// What the checks need of the movements (B100) and of the documents with their lines (C100,
// D110, D120), gathered by reading the data file once in file order, in large windows. The
// checks walk their indexes in key or batch order; reading line by line in that order would
// read the file many times over (each document type sweeps the whole document part of the
// file). Gathered first, the facts let the checks walk without reading; a row that quotes a
// text of the file reads that one line back.
//
// The movements and the documents are gathered side by side, each on a thread of its own
// (a few thousand records on the run's own thread, when they are taken), while the run goes
// on with the checks that need neither. The threads only read the store
// and its data file; nothing else touches what they fill until Movements() or Documents()
// hands it over. A run that ends early cancels them and waits for them to stop.
//
// The run's thread waits for them asking its monitor every few milliseconds, as the import
// does while its parts are read: the app pumps its window through the monitor, so the
// window answers and its Stop is seen while the facts are read.

#include <atomic>
#include <cstdint>
#include <future>
#include <optional>
#include <vector>

#include "engine/checks/check_run.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

class RecordStore;

namespace checks {

// A movement as the batch check walks it: its batch number (as WholeNumber reads field
// 1355) and its amount with its side in one word (an amount has at most 15 characters).
class BatchedMovement {
 public:
  BatchedMovement() = default;
  BatchedMovement(std::int64_t batch, const MovementAmount& movement)
      : batch_(batch), amount_(movement.amount * 2 + (movement.credit ? 1 : 0)) {}

  std::int64_t batch() const { return batch_; }
  MovementAmount movement() const { return {amount_ >> 1, (amount_ & 1) != 0}; }

 private:
  std::int64_t batch_ = 0;
  std::int64_t amount_ = 0;
};
static_assert(field::B100(1368).width <= 18, "twice an amount and its side fit one word");

struct MovementFacts {
  // Every movement's amount, by element of MovementIndex (element 1 first).
  std::vector<MovementAmount> amounts;
  // Every movement in the order the batch check walks them: by batch number, within a batch
  // in file order.
  std::vector<BatchedMovement> by_batch;
};

// Whether a document's dealer number (C100 field 1215) is missing, valid or not.
enum class DealerState : char { kMissing, kValid, kInvalid };

struct DocumentFact {
  std::int64_t before = 0;        // 1219
  std::int64_t discount = 0;      // 1220
  std::int64_t after = 0;         // 1221
  std::int64_t vat = 0;           // 1222
  std::int64_t total = 0;         // 1223
  bool customer_missing = false;  // 1225 is the key of no account in the index
  DealerState dealer = DealerState::kMissing;
};

struct DocumentLineFact {
  std::int64_t quantity = 0;  // 1264, ten-thousandths
  std::int64_t price = 0;     // 1265
  std::int64_t discount = 0;  // 1266
  std::int64_t total = 0;     // 1267
  std::int64_t rate = 0;      // 1268, hundredths of a percent
  bool item_unknown = false;  // 1259 names an item the catalogue does not have
};

struct ReceiptLineFact {
  std::int64_t amount = 0;        // 1312
  bool cheque = false;            // 1306 is "2"
  bool no_cheque_number = false;  // 1310 reads as 0
  std::int64_t bank = 0;          // 1307
  std::int64_t branch = 0;        // 1308
  std::int64_t account = 0;       // 1309
};

struct DocumentFacts {
  // By element (element 1 first) of DocumentIndex, DocumentLineIndex and ReceiptLineIndex.
  std::vector<DocumentFact> documents;
  std::vector<DocumentLineFact> lines;
  std::vector<ReceiptLineFact> receipts;
};

class RecordFacts {
 public:
  // Starts gathering the movements' facts when `movements`, the documents' when `documents`.
  // `store` must outlive this object and stay unchanged while it lives.
  RecordFacts(const RecordStore& store, bool movements, bool documents);
  RecordFacts(const RecordFacts&) = delete;
  RecordFacts& operator=(const RecordFacts&) = delete;
  // Cancels what is still being gathered and waits for it.
  ~RecordFacts();

  // Wait until the facts are gathered and hand them over (once each; only when they were
  // asked for). While waiting, `run`'s monitor is asked for a stop at once and then every
  // few milliseconds, and shown the share gathered so far; the progress is back at 0 when
  // they are handed over. A stop cancels the gathering, waits for it to end and gives
  // nothing (run.stopped() is then true). Throw std::bad_alloc when memory ran out while
  // gathering.
  std::optional<MovementFacts> TakeMovements(CheckRun& run);
  std::optional<DocumentFacts> TakeDocuments(CheckRun& run);

 private:
  std::atomic<bool> cancelled_{false};
  // Records gathered so far, counted in steps of a few thousand, and of how many.
  std::atomic<std::int64_t> movements_gathered_{0};
  std::atomic<std::int64_t> documents_gathered_{0};
  std::int64_t movements_total_ = 0;
  std::int64_t documents_total_ = 0;
  std::future<MovementFacts> movements_;
  std::future<DocumentFacts> documents_;
};

// The entries of an index in the order of their offsets, that is of their lines in the file:
// the offset and the element of each, packed into one word where both fit.
class FileOrder {
 public:
  // Sorts the entries by offset; a sort that sees `cancelled` ends early, cancelled() true
  // and the order of no use.
  explicit FileOrder(const RecordIndex<IndexEntry>& index,
                     const std::atomic<bool>& cancelled = std::atomic<bool>(false));
  bool cancelled() const { return cancelled_; }

  std::size_t size() const { return keys_.size(); }
  std::int64_t Offset(std::size_t i) const {
    return packed_ ? static_cast<std::int64_t>(keys_[i] >> element_bits_)
                   : index_[static_cast<std::int64_t>(keys_[i])].Offset;
  }
  std::int64_t Element(std::size_t i) const {
    return static_cast<std::int64_t>(packed_ ? keys_[i] & element_mask_ : keys_[i]);
  }

 private:
  const RecordIndex<IndexEntry>& index_;
  // Offset << element_bits_ | element when packed_, otherwise the element alone.
  std::vector<std::uint64_t> keys_;
  bool packed_ = false;
  int element_bits_ = 0;
  std::uint64_t element_mask_ = 0;
  bool cancelled_ = false;
};

}  // namespace checks
}  // namespace tallyscan
