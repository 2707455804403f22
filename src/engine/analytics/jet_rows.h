#pragma once

// Private to analytics/: the rest of the program includes analytics/analytics.h.
//
// The journal-entry tests as result rows (result_row.h: a status digit, then TAB-separated
// cells), for the command line's text, raw and CSV forms and for the pages that list rows.
//
// The cells stand as jet_columns.h lists them.
//
// Summary (kJetSummaryColumns): one row per test run, population first, with the figure
// that matters (for the population whether it reconciles and why not). A test whose hits
// are findings, and a population that does not reconcile, have the error status.
//
// Hit rows (kJetHitColumns): one per hit line, read back from the data file, the date
// YYYY-MM-DD, the amount "#,.00" with its sign, and a cell of the test's own (README). The gap
// tests give their ranges first, one row each: from, to (and the type); in the page's words
// (JetWords::kPage) the range is said in the row's own cell instead
// ("חסרים: מ-4219 עד 4219", "חשבונית מס (305): חסר 3050001348"), the other cells empty. The
// population gives its unbalanced batches first, one row each: batch, debit, credit; in the
// page's words the difference under the amount and the batch in words in the own cell. In
// the page's words dates are DD/MM/YYYY, and a last cell names the document of the line (a
// movement's reference, a document's own): "חשבונית מס (305) 3050001348".

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "engine/analytics/jet.h"
#include "engine/analytics/jet_columns.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

// The words a row speaks: the engine's (the command line's and the JSON's: "run",
// "nonconformity", "friday") or the page's (as the page and the evidence report show them:
// "הורצה", "אינו תואם", "יום שישי").
enum class JetWords { kEngine, kPage };

// In the page's words the state is its caption, and the figure says what it is and in which
// unit: a digit test's MAD with its class in Hebrew, its p value and how many amounts it
// judged; an amount in shekels, a count in lines.
std::vector<std::string> JetSummaryRows(const JetResult& result,
                                        JetWords words = JetWords::kEngine);

// The headings of the hit rows' date and own cells for `test`, as the page and the report
// show them: "תאריך התנועה" (or "תאריך המסמך"), and what the own cell holds ("תאריך הרישום",
// "מבצע הפעולה", "חשבון נגדי" ...).
std::string_view JetDateCaption(JetTest test);
std::string_view JetOwnCaption(JetTest test);
// What the own cell of `test` holds, for ordering its rows: a date, an amount, a key, words.
ValueKind JetOwnKind(JetTest test);

// How many hit rows `test` has: its ranges, the gate's unbalanced batches and its lines.
std::int64_t JetHitRowCount(const JetResult& result, const JetTestResult& test);

// A state in the page's and the reports' words: "הורצה", "חלשה", "לא הורצה".
std::string_view JetStateCaption(JetState state);

// Why a test has the state it has, in words; empty for a test that ran in full.
std::string JetStateReason(const JetResult& result, const JetTestResult& test);

// The sufficiency panel (kJetSufficiencyColumns): one row per test run (status kInfo, or
// kError for a test that did not run): id, caption, the fields it needs with their captions
// ("B100:1375 תאריך הרישום, B100:1362 תאריך התנועה"), the share of lines that have them ("87.50%",
// empty when the file has no line of the type), the state (its caption) and why.
std::vector<std::string> JetSufficiencyRows(const JetResult& result);

// The ranking (kJetRankingColumns): one row per ranked transaction, in rank order: the
// transaction empty for a blank one, the captions of the tests hit joined by ", ".
std::vector<std::string> JetRankingRows(const JetResult& result);

// Where a row leads when it is opened: the line it stands for (a movement, an account or a
// document) by its offset in the data file, with the index element that shows it. A gap
// leads to what stands just before it: a transaction gap to the last movement of the
// transaction before the missing range, a document gap to the document of that type numbered
// just before. `type` is kA000 and `offset` -1 for a row that leads nowhere (another record
// type, a line the indexes do not hold).
struct LineTarget {
  RecordType type = RecordType::kA000;
  std::int64_t offset = -1;
  // AccountIndex element for kB100 (the movement's account) and kB110, DocumentIndex element
  // for kC100; 0 when none is found.
  std::int64_t element = 0;
};

// The hit rows of `test` (which must have run). Reads the data file up to the last hit
// line (to its end for a gap test); kInterrupted when the monitor asked to stop, kIoError
// when it cannot be read. A weekend hit's own cell names its day in `days`. `targets`, when
// given, receives one target per row, in the order of the rows.
Status JetHitRows(const RecordStore& store, const JetResult& result, JetTest test,
                  ProgressMonitor& monitor, std::vector<std::string>& rows,
                  std::vector<LineTarget>* targets = nullptr, JetWords days = JetWords::kEngine);

// The same rows one at a time, to `take`, which answers false when it wants no more: the data
// file is then read no further, so that the first rows of a test cost only the lines up to
// them. Errors as JetHitRows.
Status VisitJetHitRows(const RecordStore& store, const JetResult& result, JetTest test,
                       ProgressMonitor& monitor, JetWords days,
                       const std::function<bool(std::string&& row)>& take);

// The targets of lines given by number, ascending (the ranking's first lines sorted): one
// per line, in the order given. Errors as JetHitRows.
Status JetLineTargets(const RecordStore& store, std::span<const std::uint32_t> lines,
                      ProgressMonitor& monitor, std::vector<LineTarget>& targets);

// Whether the digit test `test` counts `digit` (benford-first 1-9, benford-second 0-9,
// benford-first-two 10-99, last-two 0-99); false for a test that is not a digit test.
bool JetCountsDigit(JetTest test, int digit);

// The movement lines counted for one digit (a first or second digit, a pair 10-99, an ending
// 0-99) of a digit test's population, as hit rows whose own cell is the digit. Refused
// (kOutOfRange) for a digit the test does not count; otherwise as JetHitRows.
Status JetDigitLineRows(const RecordStore& store, const JetParameters& parameters, JetTest test,
                        JetPopulationKind population, int digit, ProgressMonitor& monitor,
                        std::vector<std::string>& rows, std::vector<LineTarget>* targets = nullptr,
                        JetWords words = JetWords::kEngine);

}  // namespace tallyscan
