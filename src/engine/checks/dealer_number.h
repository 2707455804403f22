#pragma once

// Private to checks/: the rest of the program includes checks/checks.h.

#include <string_view>

namespace tallyscan {

// The nine-digit identity check of dealer numbers, counted from the left: digits at even
// positions are doubled (a doubled value above 9 becomes the sum of its digits) and the
// total must be a multiple of 10. An empty text, or one with any character other than a
// digit (blanks included), is invalid.
bool ValidDealerNumber(std::string_view text);

}  // namespace tallyscan
