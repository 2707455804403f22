#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// "השוואת תקופות" on paper: a cover with the two periods and how they meet, the product's
// version and the files read, the comparison's parameters and the openings' reconciliation in
// words, then each table of the comparison (error and flagged rows marked as errors), and the
// ten largest changes by classification group as a chart (drawn on pages, a native chart in
// the workbook). A workbook gets the cover on a sheet "שער" and each table on a sheet named by
// its caption. The same result and `run_date` give the same lines.

#include <string_view>

#include "engine/analytics/analytics.h"
#include "engine/report/report_stream.h"

namespace tallyscan {

// `run_date` is "YYYY-MM-DD". Returns false when the stream was stopped.
bool WriteCompareReport(const CompareResult& result, std::string_view run_date,
                        ReportStream& stream);

}  // namespace tallyscan
