#pragma once

// Private to checks/: the rest of the program includes checks/checks.h.
//
// The context of one check run, shared by every check step: where rows go, the stop flag,
// progress, and the sums that one check leaves for another.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/checks/record_reader.h"
#include "engine/checks/run_checks.h"
#include "engine/common/amount_sum.h"
#include "engine/common/progress.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::checks {

// A movement's amount in agorot and its side.
struct MovementAmount {
  std::int64_t amount = 0;
  bool credit = false;
};

// A movement's debit/credit sign (1366) through its amount (1368), read as one run, and the
// amount that run gives.
inline constexpr Positions kMovementAmountRun = field::Run(field::B100(1366), field::B100(1368));
MovementAmount MovementAmountOf(std::string_view run);

class RecordFacts;

class CheckRun {
 public:
  // `facts` gathers what the movements pass and the document pass need (record_facts.h).
  CheckRun(const RecordStore& store, const CheckTicks& ticks, ProgressMonitor& monitor,
           CheckResultRows& rows, CheckRunListener* listener, RecordFacts& facts)
      : store_(store),
        reader_(store),
        ticks_(ticks),
        monitor_(monitor),
        rows_(rows),
        listener_(listener),
        facts_(facts) {}

  const RecordStore& store() const { return store_; }
  const RecordReader& reader() const { return reader_; }
  const CheckTicks& ticks() const { return ticks_; }
  ProgressMonitor& monitor() { return monitor_; }
  RecordFacts& facts() { return facts_; }

  void Append(std::string row) { rows_.push_back(std::move(row)); }
  // A row about one record.
  void Append(std::string row, const RecordReference& record) {
    rows_.push_back(std::move(row));
    if (listener_ != nullptr) listener_->OnRecordRow(rows_.size() - 1, record);
  }
  // Lets the page show the rows appended so far.
  void ShowRows() {
    if (listener_ != nullptr) listener_->OnRowsAdded(rows_.size());
  }
  // A check with a title shows it and starts its progress from 0.
  void BeginCheck(std::string_view title) {
    if (listener_ != nullptr) listener_->OnTitle(title);
    ResetProgress();
  }
  void ResetProgress() { monitor_.OnProgress(0); }

  // Asks the monitor once; a stop once seen stays for the rest of the run.
  bool PollStop() {
    if (!stopped_) stopped_ = monitor_.StopRequested();
    return stopped_;
  }
  bool stopped() const { return stopped_; }

  // Sums one check leaves for another, in agorot, exact; all start at zero with the run.
  AmountSum index_debit = 0;
  AmountSum index_credit = 0;
  AmountSum movement_debit = 0;
  AmountSum movement_credit = 0;
  // The accounts with an opening balance or a credit and no income-tax section, in index
  // order, as the index balance found them: the income-tax check lists these and no others.
  struct AccountWithoutSection {
    std::string key;  // for a row (TrimmedForRow)
    RecordReference record;
  };
  std::vector<AccountWithoutSection> accounts_without_section;
  // Every movement as the movements pass read it, by element of MovementIndex (element 1
  // first); empty unless that pass read them all.
  std::vector<MovementAmount> movement_amounts;
  // The last non-zero VAT rate of any document line in this run, in hundredths of a percent.
  std::int64_t last_vat_rate = 0;

 private:
  const RecordStore& store_;
  RecordReader reader_;
  const CheckTicks& ticks_;
  ProgressMonitor& monitor_;
  CheckResultRows& rows_;
  CheckRunListener* listener_;
  RecordFacts& facts_;
  bool stopped_ = false;
};

// The per-record loop convention: before record i of n (1-based) the progress is set to
// i * 100 / n and the stop flag polled; Stop(i) is true when the loop must end before it.
class RecordLoop {
 public:
  RecordLoop(CheckRun& run, std::int64_t n) : run_(run), tracker_(run.monitor(), n) {}
  bool Stop(std::int64_t i) {
    tracker_.Advance(i);
    return run_.PollStop();
  }

 private:
  CheckRun& run_;
  ProgressTracker tracker_;
};

// The whole-number value of a field as the checks take it: surrounding blanks ignored, a
// sign allowed; a field that is not a number counts as the value of its leading digits (0
// when it does not begin with one).
std::int64_t WholeNumber(std::string_view field);

// A key or text for a row: blanks trimmed on both sides, then as UTF-8 made safe for a cell
// (SafeCellText). Every text of the file that a check row quotes passes through one of
// these two.
std::string TrimmedForRow(std::string_view field);
// A field for a row as it stands (padding kept), as UTF-8 made safe for a cell.
std::string AsStoredForRow(std::string_view field);
// A key shown without leading blanks and zeros, made safe for a cell.
std::string KeyForRow(std::string_view field);

}  // namespace tallyscan::checks
