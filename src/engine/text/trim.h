#pragma once

// Private to text/: the rest of the program includes text/text.h.

#include <string_view>

namespace tallyscan {

// Surrounding spaces removed (only the space character; fields are space padded).
std::string_view TrimSpaces(std::string_view text);

// Leading blanks and zeros removed: the display form of key fields ("  00012 " -> "12").
// Trailing spaces are removed too, since a key is shown without its padding; a key of only
// zeros and spaces shows as empty.
std::string_view StripLeadingBlanksAndZeros(std::string_view text);

}  // namespace tallyscan
