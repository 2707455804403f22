#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// The two reports made from result rows, for what an auditor files first: "Checks", the
// findings of the checks page, and "Import", the import log. Rows are the lists' own
// TAB-separated texts (status digit first); the markers are left out of the cells, the
// status digit gives way to the row's number, status-0 rows (headings) take the sub-title
// style and status-1 rows (errors) print in red.

#include <span>
#include <string>

#include "engine/report/report_stream.h"

namespace tallyscan {

// Title "10" + "תוצאות בדיקות תקינות"; columns "#", "פרטים", "חובה" (debit amounts),
// "זכות" (credit amounts), "יתרה" (signed balances). Returns false when the stream was
// stopped before the last row.
bool WriteChecksReport(std::span<const std::string> rows, ReportStream& stream);

// Title "10" + "יומן קליטת הקובץ"; columns "#", "הפעולה", "התוצאה".
bool WriteImportReport(std::span<const std::string> rows, ReportStream& stream);

}  // namespace tallyscan
