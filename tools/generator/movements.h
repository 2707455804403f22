#pragma once

// The journal of a data set as a stream of movements: balanced transactions grouped in
// balanced batches, the first batch carrying the opening balances. The stream is a pure
// function of its inputs, so it can be run once to total the accounts and again to write
// the lines.

#include <cstdint>
#include <string>
#include <vector>

#include "chart.h"
#include "data_set.h"
#include "random.h"

namespace tallyscan::gen {

struct Movement {
  std::int64_t index = 0;  // 0-based among all movements
  std::int64_t transaction = 0;
  int line = 0;  // within the transaction, 1-based
  std::int64_t batch = 0;
  int kind = 0;  // MovementKind
  std::int64_t reference = 0;
  int reference_type = 0;
  int date = 0;
  int value_date = 0;
  int account = -1;  // index into the chart; -1: the unknown key below
  int counter = -1;  // counter account, -1 for none
  std::string_view unknown_key;
  bool credit = false;
  std::int64_t amount = 0;  // agorot, positive
  bool opening = false;
  bool regular = true;  // may carry a line fault (not opening, not a fault transaction)
  // A fault the stream built into this movement (unknown account, unbalanced batch).
  bool faulty = false;
  FaultKind fault = FaultKind::kUnknownAccount;
  std::int64_t fault_rank = 0;  // 1-based among faults of its kind
};

// The words of each kind of movement, in the bytes of the data file.
struct MovementWords {
  std::string type_text;
  std::string details;
};

class MovementStream {
 public:
  // `unknown_accounts` and `unbalanced_batches`: how many of these faults to build in.
  MovementStream(const Chart& chart, const DataSetOptions& options, int unknown_accounts,
                 int unbalanced_batches);

  // The next movement; false at the end.
  bool Next(Movement* movement);

  // After the stream ended: whether every requested fault found room.
  bool AllFaultsPlaced() const {
    return unknown_placed_ == unknown_target_count_ && unbalanced_placed_ == unbalanced_count_;
  }
  const std::vector<MovementWords>& words() const { return words_; }
  // The keys used for movements of unknown accounts; they sort after every real key.
  static std::string UnknownKey(std::int64_t rank);

 private:
  void Plan();
  void MakeTransaction();
  void AddLine(int account, bool credit, std::int64_t amount, int counter);

  const Chart& chart_;
  std::int64_t total_;
  int year_;
  Random random_;
  std::vector<MovementWords> words_;
  std::vector<std::string> unknown_keys_;

  std::vector<std::pair<int, std::int64_t>> openings_;  // account, signed amount
  std::int64_t batch_size_ = 0;

  std::int64_t emitted_ = 0;
  std::int64_t transaction_ = 0;
  std::int64_t batch_ = 0;
  std::int64_t batch_lines_ = 0;
  std::int64_t references_ = 10000;
  std::vector<Movement> pending_;
  std::size_t pending_next_ = 0;

  int unknown_target_count_;
  int unknown_placed_ = 0;
  int unbalanced_count_;
  int unbalanced_placed_ = 0;
  bool batch_needs_fault_ = false;
};

}  // namespace tallyscan::gen
