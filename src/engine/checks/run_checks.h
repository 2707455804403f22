#pragma once

// Private to checks/: the rest of the program includes checks/checks.h.
//
// The integrity checks: the two tick lists of the checks page, the run that executes the
// ticked checks in their fixed order over a loaded record store, and the rows it leaves.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/checks/check_columns.h"
#include "engine/checks/tick_list.h"
#include "engine/common/progress.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

class RecordStore;

// The rows of the last run, one text per row: up to five TAB-separated cells (status,
// text, debit, credit, balance; a row may stop after any cell). Status "0" heading, "1"
// error, "3" information, "4" stopped by the user. Inside cells, 0x1C follows an amount
// in the debit sense, 0x1D one in the credit sense, and U+200E ends a heading's text.
// The document pass, from its title row on, puts the figures it compares in those cells and
// marks with 0x1D the values it draws red (a compared figure, a wrong key): no credits.
using CheckResultRows = std::vector<std::string>;

// The title (and heading row) of the document pass, the last check of a run.
inline constexpr std::string_view kDocumentPassTitle = "בדיקת תעודות";

// Items of the bookkeeping list, in list order; the first stands for the whole list.
enum class BookkeepingItem : std::size_t {
  kAll,
  kIndexBalance,
  kMovementsBalance,
  kBatchBalance,
  kKeyCrossCheck,
  kBalanceCrossCheck,
  kTaxSections,
  kDealerNumbers,
};

// Items of the documents list, in list order; the first stands for the whole list.
enum class DocumentItem : std::size_t {
  kAll,
  kSummaries,
  kLineTotals,
  kLinesAgainstSummary,
  kCustomerKey,
  kDealerNumbers,
  kChequeNumbers,
  kBankDetails,
  kItemCodes,
};

// The two lists as the page shows them, all items ticked.
struct CheckTicks {
  CheckTicks();

  bool Ticked(BookkeepingItem item) const {
    return bookkeeping.Ticked(static_cast<std::size_t>(item));
  }
  bool Ticked(DocumentItem item) const { return documents.Ticked(static_cast<std::size_t>(item)); }

  TickList bookkeeping;
  TickList documents;
};

// The time of day written into the start and end rows. Behind an interface so that a run
// can be replayed exactly.
struct TimeOfDay {
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual TimeOfDay Now() const = 0;
};

// The local time of the machine.
class SystemClock final : public Clock {
 public:
  TimeOfDay Now() const override;
};

// The record a finding is about: its type and the byte offset of its line in the data file,
// as the store's index entry holds it.
struct RecordReference {
  RecordType type = RecordType::kB100;
  std::int64_t offset = 0;

  bool operator==(const RecordReference&) const = default;
};

// What a run tells its page besides progress and stop (which go through the
// ProgressMonitor): the title of the check now running, that rows were appended so that
// they can appear while the run goes on, and which rows are about one record (a movement, an
// account, a document or one of its lines), so that the page can open that record from the
// row. All default to doing nothing.
class CheckRunListener {
 public:
  virtual ~CheckRunListener() = default;
  virtual void OnTitle(std::string_view /*title*/) {}
  virtual void OnRowsAdded(std::size_t /*row_count*/) {}
  // Row `row` (0-based in the run's rows, already appended) is about `record`.
  virtual void OnRecordRow(std::size_t /*row*/, const RecordReference& /*record*/) {}
};

// Runs the ticked checks over the loaded store: clears `rows`, writes the start row, the
// bookkeeping checks, the document pass and the end row. A stop (the monitor's
// StopRequested) ends the check that is running after it writes its closing rows for
// what it scanned; the run then appends the stopped row and no end row. Returns true when
// the run completed, false when it was stopped. The store is only read; everything found
// is a row.
bool RunChecks(const RecordStore& store, const CheckTicks& ticks, const Clock& clock,
               ProgressMonitor& monitor, CheckResultRows& rows,
               CheckRunListener* listener = nullptr);

}  // namespace tallyscan
