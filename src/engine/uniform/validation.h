#pragma once

// Private to uniform/.
//
// Shallow validation of the indexed record lines: digits where digits belong, a "+" or "-"
// where a sign belongs, plausible dates. The first failing field of a line adds one error
// row to the import's error list and ends that line's validation.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/uniform/layouts.h"

namespace tallyscan {

// The import's error rows, in the order found.
using ErrorRows = std::vector<std::string>;

// Each check returns true when `value` failed and it added its error row for `line_number`.
bool ReportNonNumeric(std::string_view value, std::int64_t line_number, ErrorRows& errors);
bool ReportBadSign(std::string_view value, std::int64_t line_number, ErrorRows& errors);
bool ReportBadDate(std::string_view value, std::int64_t line_number, ErrorRows& errors);

// The text of the first fault of a C100, D110, D120, B100, B110 or M100 line (other types
// pass) into `fault`, for a row that names the line (ValidationErrorRow). Returns true when
// the line failed; `fault` is then set, otherwise untouched. Steps that the newer format
// versions brought run only when `format_version` (ten-thousandths) is above 1.3.
bool FindLineFault(RecordType type, std::string_view line, std::int64_t format_version,
                   std::string& fault);

// FindLineFault with its row added to `errors` for `line_number`. Returns true when the
// line failed.
bool ValidateLine(RecordType type, std::string_view line, std::int64_t format_version,
                  std::int64_t line_number, ErrorRows& errors);

}  // namespace tallyscan
