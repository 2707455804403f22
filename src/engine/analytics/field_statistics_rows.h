#pragma once

// Private to analytics/: the rest of the program includes analytics/analytics.h.
//
// The field statistics and the producer's summaries as result rows (result_row.h: a status
// digit, then TAB-separated cells), for the command line's text, raw and CSV forms and for
// the reports. Counts and figures go through the number formatter ("#," for counts and
// integers, "#,.00" for amounts and unsigned decimals, "#,.0000" for quantities); line
// numbers are plain digits, dates YYYY-MM-DD.
//
// The cells of each kind stand as field_statistics_columns.h lists them.
//
// Field rows (kFieldStatisticsColumns), one per counted field of every record type (of `only`
// when given), in the result's order. A date field leaves the sign columns empty, puts its
// earliest and latest dates in smallest and largest and is followed by one row per month of
// the period (kind "month", the month "YYYY-MM" as caption, its dates in lines). B100 ends
// with a row per side of 1368 (kind "debit" and "credit", the caption naming the side: the
// side's lines in lines, its sum in net). A row ends at its last figure. A field with invalid
// values has the error status; the others are information.
//
// Document rows (kDocumentSummaryColumns), one per type; then the totals row (heading
// status, cells marked as totals).
//
// Record count rows (kRecordCountColumns), one per record type: stated is empty when INI.TXT
// states no count, the difference is file − stated. A difference, or a type that INI.TXT
// does not state, has the error status.

#include <optional>
#include <string>
#include <vector>

#include "engine/analytics/field_statistics.h"
#include "engine/analytics/field_statistics_columns.h"

namespace tallyscan {

std::vector<std::string> FieldStatisticsRows(const FieldStatistics& result,
                                             std::optional<RecordType> only = std::nullopt);
std::vector<std::string> DocumentSummaryRows(const FieldStatistics& result);
std::vector<std::string> RecordCountRows(const FieldStatistics& result);

}  // namespace tallyscan
