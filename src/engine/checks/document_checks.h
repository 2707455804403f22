#pragma once

// Private to checks/: the rest of the program includes checks/checks.h.
//
// The pass over the document headers (C100) with their lines (D110) and receipt lines
// (D120), doing the ticked document checks.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/checks/check_run.h"

namespace tallyscan::checks {

void CheckDocuments(CheckRun& run);

// How close a computed value y comes to a summary value x, in percent: the smaller over the
// larger, as an absolute value; 0 when that is undefined (both 0, or a zero divisor) or
// above 100 (values of opposite sign). Formatted "#.00".
std::string Accuracy(double x, double y);

// A document as the pass names it in its caption row ("בעיה ב " + this): the type's name
// (or "לא ידוע"), " מספר - " and the number without leading blanks and zeros. `type` and
// `number` are the parts of a DocumentIndex key.
std::string DocumentDescription(std::string_view type, std::string_view number);

// The comparisons of "הצלבת סיכומי תנועות מסמכים", for those who show where the pass finds a
// disagreement. A computed figure is off its summary figure when they differ by more than
// 99 agorot and, unless the summary figure is 0, by more than 2 percent of it.
bool DeviatesFromSummary(double summary, double computed);
// The VAT a document's lines imply: the VAT-bearing lines (sum of all lines less the lines
// without a rate) with the document discount, at the last non-zero rate of the run (in
// hundredths of a percent), in agorot.
double LinesVat(double lines_sum, double exempt_sum, std::int64_t discount,
                std::int64_t last_vat_rate);
// Receipt lines against the total: more than 99 agorot apart, with no percentage test.
bool ReceiptsDeviate(std::int64_t total, AmountSum receipt_sum);

}  // namespace tallyscan::checks
