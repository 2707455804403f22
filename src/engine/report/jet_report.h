#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// "Jet": the evidence report of a run of the journal-entry tests, made from the result and
// the data file the run read, so that a reviewer can reproduce it: the product's version, each
// file read with its size and SHA-256, the period used and why, the run's date, every
// parameter, the population gate, the summary and the sufficiency of every test, then per test
// its rule and the risk it answers, its state, hit count, hit amount and its first
// `report_hits` hits (a line says how many more there are), the digit tables of every
// population, and the ranking. The same result and `run_date` give the same lines.
//
// A workbook gets the same opening on a sheet "סיכום" without the hits, then a sheet per test
// named by its caption with every hit; the chart of each digit test's population "all" follows its
// table (pages draw it, the workbook charts the table's cells, the HTML forms leave it out).

#include <string_view>

#include "engine/analytics/analytics.h"
#include "engine/report/report_stream.h"

namespace tallyscan {

// `run_date` is "YYYY-MM-DD". Reads the hit lines from the data file of `store` (the set the
// result was made from). Returns false when the stream was stopped or a hit line could not
// be read.
bool WriteJetReport(const RecordStore& store, const JetResult& result, std::string_view run_date,
                    ReportStream& stream);

}  // namespace tallyscan
