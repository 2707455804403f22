#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.

#include <cstdint>
#include <string>

#include "engine/common/amount_sum.h"

namespace tallyscan {

// An amount in agorot as a browser shows it. Zero gives an empty text. Without the sense:
// the amount divided by 100 as "#,.00", minus sign included. With the sense: the absolute
// amount as "#,.00" followed by " ח" and the debit marker when positive, or by " ז" and the
// credit marker when negative. A single amount or a sum of any size, shown whole.
std::string BalanceText(AmountSum agorot, bool with_sense);

}  // namespace tallyscan
