#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// The reports of the field statistics and of the producer's summaries, printed from their
// result rows (analytics/field_statistics_rows.h) with the markers left out: a row with the
// error status prints in red, a totals row (heading status) in the totals style.

#include <span>
#include <string>

#include "engine/report/report_stream.h"

namespace tallyscan {

// Title "10" + "סטטיסטיקת שדות"; the cells of a field row but its kind, the counts of
// positive and negative values and the absolute total.
bool WriteFieldStatisticsReport(std::span<const std::string> rows, ReportStream& stream);

// Title "10" + "סיכום מסמכים לפי סוג"; type, name, documents, cancelled, totals, numbers.
bool WriteDocumentSummaryReport(std::span<const std::string> rows, ReportStream& stream);

// Title "10" + "סיכום רשומות לפי סוג"; record, caption, in the file, in INI.TXT, difference.
bool WriteRecordCountsReport(std::span<const std::string> rows, ReportStream& stream);

}  // namespace tallyscan
