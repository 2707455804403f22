#pragma once

// Private to analytics/: the rest of the program includes analytics/analytics.h.
//
// The journal-entry tests: every test of the pack run over a loaded data set in one reading
// of its data file, with a data-sufficiency state for each, the digit statistics, and a risk
// ranking of the transactions. The result is one object, the same whoever shows it: the CLI
// prints it as JSON (JetResultJson), the analysis page and the reports show its parts.
//
//   JetRun run = RunJet(store, SourceFilesOf(imported), parameters, AllJetTests(), monitor);
//   if (run.status.ok()) std::cout << JetResultJson(*run.result);
//
// Line numbers are those of the import log: 1-based lines of the data file. Amounts are
// agorot. Sums of amounts can pass 64 bits and are kept as AmountSum.

#include <array>
#include <bitset>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/analytics/jet_line_set.h"
#include "engine/analytics/jet_parameters.h"
#include "engine/analytics/source_files.h"
#include "engine/common/amount_sum.h"
#include "engine/common/progress.h"
#include "engine/common/status.h"

namespace tallyscan {

class RecordStore;
struct ImportResult;

enum class JetState { kRun, kWeak, kNotRun };   // worse to the right
std::string_view JetStateText(JetState state);  // "run", "weak", "not run"

// The Hebrew caption of a test, its rule in words (naming the parameters it compares with)
// and the risk it answers, one sentence each.
std::string_view JetCaption(JetTest test);
std::string_view JetRule(JetTest test);
std::string_view JetRisk(JetTest test);
// Whether a test's hits are findings: false for the tests that hit every sound ledger too.
bool JetHitsAreFindings(JetTest test);

struct JetSourceFile {
  std::string name;  // as on disk
  std::int64_t bytes = 0;
  std::string sha256;  // lower-case hex
};

enum class JetPeriodSource { kA000Range, kTaxYear, kMovements, kNone };
std::string_view JetPeriodSourceText(JetPeriodSource source);

struct JetPeriod {
  std::optional<std::string> from;  // "YYYY-MM-DD"; both empty when the source is kNone
  std::optional<std::string> to;
  JetPeriodSource source = JetPeriodSource::kNone;
};

// A batch whose movements do not balance: its number (1355), its sums by side and its first
// movement line.
struct JetBatch {
  std::int64_t number = 0;
  AmountSum debit = 0;
  AmountSum credit = 0;
  std::uint32_t first_line = 0;

  bool operator==(const JetBatch&) const = default;
};

struct JetPopulation {
  JetPeriod period;
  bool reconciles = false;
  // Why not, when it does not: "movements" (no movement line was read), "totals",
  // "batches", "accounts".
  std::vector<std::string> reasons;
  std::int64_t movements = 0;
  AmountSum debit = 0;   // signed amounts of the debit side (1366 not "2")
  AmountSum credit = 0;  // of the credit side
  std::int64_t unbalanced_batches = 0;
  std::vector<JetBatch> batches_off;  // the unbalanced batches by number; hits beside the cards
  std::int64_t movements_without_account = 0;
  std::int64_t accounts = 0;           // B110 lines compared
  std::int64_t accounts_unusable = 0;  // whose needed totals are not usable
  std::int64_t accounts_off = 0;       // the hits: failing both comparisons
};

// A named figure of a test's own, in the order the test gives them.
struct JetFigure {
  std::string name;
  std::variant<std::monostate, AmountSum, std::string, bool> value;  // monostate: null
};

struct JetLimitFigure {
  std::int64_t limit = 0;  // agorot
  std::int64_t below = 0;  // b
  std::int64_t above = 0;  // a
  bool hit = false;        // the b lines are hits
};

struct JetKeywordFigure {
  std::string keyword;  // UTF-8
  std::int64_t lines = 0;
};

struct JetNumberRange {
  std::uint64_t from = 0;
  std::uint64_t to = 0;
};

struct JetDocumentRange {
  std::string from;  // decimal, no leading zeros
  std::string to;
  std::string type;  // 1203 trimmed, UTF-8
};

struct JetTestResult {
  JetTest test = JetTest::kPopulation;
  JetState state = JetState::kNotRun;
  std::int64_t type_lines = 0;         // lines of the test's record type
  std::int64_t usable_lines = 0;       // of them, those the test can decide on
  std::optional<double> usable_share;  // nullopt when the file has no line of the type
  std::int64_t hits = 0;
  AmountSum hit_amount = 0;
  JetLineSet lines;                                // ascending, each once
  std::vector<JetNumberRange> transaction_ranges;  // transaction-gap
  std::vector<JetDocumentRange> document_ranges;   // document-gap
  std::vector<JetFigure> figures;
  std::vector<JetLimitFigure> limits;      // below-limit
  std::vector<JetKeywordFigure> keywords;  // keyword
};

enum class JetPopulationKind { kAll, kDebit, kCredit };
inline constexpr std::array<std::string_view, 3> kJetPopulationNames = {"all", "debit", "credit"};

struct JetDigitPopulation {
  JetState state = JetState::kNotRun;
  std::int64_t n = 0;
  std::vector<std::int64_t> counts;
  std::vector<double> actual;  // empty when n is 0
  std::vector<double> expected;
  std::optional<double> mad;
  std::optional<std::string> mad_class;
  std::optional<double> chi2;
  int df = 0;
  std::optional<double> p;
  std::vector<double> z;  // empty when n is 0
};

struct JetDigitResult {
  JetTest test = JetTest::kBenfordFirst;
  int first_digit = 1;                            // the digit of counts[0]
  std::array<JetDigitPopulation, 3> populations;  // all, debit, credit
};

struct JetRankedTransaction {
  std::optional<std::string> transaction;  // the key, UTF-8; nullopt for a blank 1353
  std::int64_t score = 0;
  std::vector<JetTest> tests;  // in list order
  std::uint32_t first_line = 0;
};

struct JetResult {
  std::string version;
  std::vector<JetSourceFile> source;
  JetParameters parameters;
  JetPopulation population;
  std::vector<JetTestResult> tests;    // the tests run, in list order, population first
  std::vector<JetDigitResult> digits;  // the digit tests run, in list order
  std::vector<JetRankedTransaction> ranking;

  const JetTestResult* Find(JetTest test) const;
};

using JetSelection = std::bitset<kJetTestCount>;
JetSelection AllJetTests();
// "late-entry,weekend": those tests and the population; nullopt when an id is unknown or
// the list has an empty item (CommaListItems), the empty list among them.
std::optional<JetSelection> ParseJetSelection(std::string_view list);

struct JetRun {
  // Failed when a file cannot be read to its end (kIoError) or the monitor asked to stop
  // (kInterrupted, with the message to show); then there is no result.
  Status status;
  std::optional<JetResult> result;
};

// Runs the selected tests (the population always) over the loaded `store`. The data file
// is read once, in file order; INI.TXT (and the zip) are read for their digests. The monitor
// is told the share of the data file read and asked once per line, and often after the
// reading, whether to stop: a stop ends the run at once with no result.
JetRun RunJet(const RecordStore& store, const SourceFiles& sources, const JetParameters& parameters,
              const JetSelection& selection, ProgressMonitor& monitor);

// The message of a stopped run.
inline constexpr std::string_view kJetStoppedText = "ניתוח פקודות היומן הופסק - אין תוצאה";

// The whole result as one JSON document (two-space indent, ends with a newline): integers
// exact however large, other numbers in the shortest form that reads back the same.
std::string JetResultJson(const JetResult& result);
// The same document written to `out` as it is made: the hit lines, most of a large result,
// are never held as text.
void WriteJetResultJson(const JetResult& result, std::ostream& out);

}  // namespace tallyscan
