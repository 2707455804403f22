#pragma once

// Private to analytics/: the rest of the program includes analytics/analytics.h.
//
// Two periods side by side: this year's opening balances proved against last year's closing
// balances, and this year's figures against last year's. Both sets are loaded each in a
// store of its own, as the import loads them; the comparison reads each data file once and is
// a pure function of the pair and the parameters.
//
//   CompareRun run = RunCompare(prior, SourceFilesOf(a), current, SourceFilesOf(b), parameters,
//                               CompareOptions{}, monitor);
//   if (run.status.ok()) WriteCompareResultJson(*run.result, std::cout);
//
// Account keys are compared trimmed, as the index compares them. Amounts are agorot, summed
// in 128 bits; dates "YYYY-MM-DD".

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/analytics/jet.h"

namespace tallyscan {

struct CompareOptions {
  bool other_company = false;  // two different dealer numbers are compared all the same
  bool annualise = false;      // last year's figures scaled to this year's months
};

struct ComparePeriodFacts {
  std::string dealer_number;  // A000 1003, trimmed
  std::string identifier;     // A000 1004, trimmed (shown, not compared)
  JetPeriod period;
  std::optional<std::int64_t> months;  // calendar months from the first to the last, inclusive
};

struct CompareIdentity {
  ComparePeriodFacts prior;
  ComparePeriodFacts current;
  // "תקופות רצופות", "פער של N ימים", "חפיפה של N ימים"; "לא ידוע" when a period is unknown.
  std::string relation;
  // The days between the periods: 0 consecutive, N a gap, -N an overlap; none when unknown.
  std::optional<std::int64_t> days;
  bool other_company = false;
  std::optional<std::string> warning;  // both dealer numbers blank
};

enum class CompareStatus { kOk, kError, kInfo };
std::string_view CompareStatusText(CompareStatus status);  // "ok", "error", "info"

struct OpeningRow {
  std::string key;             // trimmed, UTF-8
  std::string name;            // 1404 of CURRENT, else of PRIOR
  std::string classification;  // 1417 of CURRENT, else of PRIOR, trimmed
  bool carries = false;
  std::optional<AmountSum> prior_closing;    // none for an account new in CURRENT
  std::optional<AmountSum> current_opening;  // none for an account missing from CURRENT
  AmountSum expected = 0;
  AmountSum difference = 0;  // the opening (0 when missing) less the expected
  CompareStatus status = CompareStatus::kOk;
  std::string note;
};

struct OpeningReconciliation {
  AmountSum prior_result = 0;
  std::optional<std::string> result_account;  // none found: an error
  AmountSum remaining = 0;                    // the differences of the other rows
};

struct ComparePartState {
  JetState state = JetState::kRun;
  std::string reason;  // empty when it ran in full
};

struct OpeningsPart {
  ComparePartState state;
  std::string form;  // "opening+totals" or "totals"
  std::vector<OpeningRow> rows;
  OpeningReconciliation reconciliation;
};

struct ReviewRow {
  std::string key;
  std::string caption;
  AmountSum prior = 0;  // scaled when annualised
  AmountSum current = 0;
  AmountSum change = 0;
  std::optional<double> share;  // of |prior|; none when prior is 0
  bool flagged = false;
};

struct ReviewPart {
  ComparePartState state;
  bool annualised = false;
  std::vector<ReviewRow> accounts, codes, groups;
};

struct AccountChangeRow {
  std::string kind;  // "new", "dropped", "renamed", "recoded", "reclassified"
  std::string key;
  std::string prior;    // the text of PRIOR (the closing of a dropped account)
  std::string current;  // the text of CURRENT (the movements' count of a new account)
};

struct AccountsPart {
  ComparePartState state;
  std::vector<AccountChangeRow> rows;
};

struct CounterpartyRow {
  std::string key;
  std::string name;
  std::string dealer_number;
  AmountSum total = 0;  // Σ|amount| of its movements in CURRENT
  std::int64_t lines = 0;
  std::optional<std::string> first_date;
};

struct CounterpartiesPart {
  ComparePartState state;
  std::vector<CounterpartyRow> rows;
};

struct CompareResult {
  std::string version;
  std::vector<JetSourceFile> prior_source, current_source;
  JetParameters parameters;
  CompareIdentity identity;
  OpeningsPart openings;
  ReviewPart review;
  AccountsPart accounts;
  CounterpartiesPart counterparties;

  // Whether a part has an error row, an unreconciled result or a flagged row.
  bool HasFindings() const;
};

struct CompareRun {
  // kRefused: the two sets belong to different dealers (the message says which); kIoError: a
  // file cannot be read to its end; kInterrupted: the monitor asked to stop. No result then.
  Status status;
  std::optional<CompareResult> result;
};

CompareRun RunCompare(const RecordStore& prior, const SourceFiles& prior_sources,
                      const RecordStore& current, const SourceFiles& current_sources,
                      const JetParameters& parameters, const CompareOptions& options,
                      ProgressMonitor& monitor);

inline constexpr std::string_view kCompareStoppedText = "השוואת התקופות הופסקה - אין תוצאה";

// The whole result as one JSON document (two-space indent, ends with a newline).
void WriteCompareResultJson(const CompareResult& result, std::ostream& out);

// The parts a command prints, in their order.
enum class ComparePart { kIdentity, kOpenings, kReview, kAccounts, kCounterparties };
std::string_view ComparePartName(ComparePart part);  // "identity", "openings", ...
bool FindComparePart(std::string_view name, ComparePart& part);

// The rows of a part (result_row.h), one per row of its JSON form with the same names in the
// same order: each table of the part begins with a heading row naming it (the part, or "part
// table" for the part's second and third tables, with the part's state and reason), then a
// heading row of the column names. An error or flagged row has the error status.
std::vector<std::string> CompareRows(const CompareResult& result, ComparePart part);

}  // namespace tallyscan
