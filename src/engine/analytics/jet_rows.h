#pragma once

// The journal-entry tests as result rows (result_row.h: a status digit, then TAB-separated
// cells), for the command line's text, raw and CSV forms and for the pages that list rows.
//
// Summary: one row per test run, population first: id, caption, state, hits, and the figure
// that matters (for the population whether it reconciles and why not). A test whose hits
// are findings, and a population that does not reconcile, have the error status.
//
// Hit rows: one per hit line, read back from the data file: line, record type, transaction,
// account, date (YYYY-MM-DD), amount ("#,.00" with its sign), and a cell of the test's own
// (README). The gap tests give their ranges first, one row each: from, to (and the type).

#include <string>
#include <vector>

#include "engine/analytics/jet.h"

namespace tallyscan {

std::vector<std::string> JetSummaryRows(const JetResult& result);

// The hit rows of `test` (which must have run). Reads the data file up to the last hit
// line; kInterrupted when the monitor asked to stop, kIoError when it cannot be read.
Status JetHitRows(const RecordStore& store, const JetResult& result, JetTest test,
                  ProgressMonitor& monitor, std::vector<std::string>& rows);

// The movement lines counted for one digit (a first or second digit, a pair 10-99, an ending
// 0-99) of a digit test's population, as hit rows whose own cell is the digit. Refused
// (kOutOfRange) for a digit the test does not count; otherwise as JetHitRows.
Status JetDigitLineRows(const RecordStore& store, const JetParameters& parameters, JetTest test,
                        JetPopulationKind population, int digit, ProgressMonitor& monitor,
                        std::vector<std::string>& rows);

}  // namespace tallyscan
