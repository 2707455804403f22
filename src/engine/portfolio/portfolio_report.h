#pragma once

// Private to portfolio/: the rest of the program includes portfolio/portfolio.h.
//
// The portfolio report: the summary of a RESULTS folder for a partner's desk. On paper and in
// the HTML forms a cover with the run (the first client's start, the analyses' version, the
// weights, the clients by status and by band), the clients worst first, then the clients not
// analysed with their reasons (in red); in a workbook the summary's three sheets, the run
// sheet ending with the clients by band and a column chart of them.

#include <filesystem>

#include "engine/portfolio/summary.h"
#include "engine/report/report.h"

namespace tallyscan::portfolio {

// The summary's lines are read from `results` as WriteSummary reads them. Returns false when
// the stream was stopped before the end.
bool WritePortfolioReport(const std::filesystem::path& results, const SummaryInputs& inputs,
                          ReportStream& stream);

// The workbook's creation time for `results`: the clients' last end, as the summary's own.
std::int64_t PortfolioReportCreated(const std::filesystem::path& results,
                                    const SummaryInputs& inputs);

}  // namespace tallyscan::portfolio
