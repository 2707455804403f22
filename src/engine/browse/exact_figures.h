#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// Figures computed from integer fields (agorot, ten-thousandths) and rounded once, half away
// from zero, to the unit shown: never through binary floating point, so that every output
// of a computed percentage or amount can be compared exactly.

#include <cstdint>

#include "engine/common/amount_sum.h"

namespace tallyscan {

// Products of two 64-bit figures, which never overflow 128 bits.
using WideFigure = AmountSum;

// numerator / denominator rounded half away from zero; 0 when the denominator is 0. The
// result saturates at the 64-bit limits.
std::int64_t RoundedQuotient(WideFigure numerator, WideFigure denominator);

}  // namespace tallyscan
