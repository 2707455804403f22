#pragma once

// The pass over the document headers (C100) with their lines (D110) and receipt lines
// (D120), doing the ticked document checks.

#include <string>

#include "engine/checks/check_run.h"

namespace tallyscan::checks {

void CheckDocuments(CheckRun& run);

// How close a computed value y comes to a summary value x, in percent: the smaller over the
// larger, as an absolute value; 0 when that is undefined (both 0, or a zero divisor) or
// above 100 (values of opposite sign). Formatted "#.00".
std::string Accuracy(double x, double y);

}  // namespace tallyscan::checks
