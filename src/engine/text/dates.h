#pragma once

// Private to text/: the rest of the program includes text/text.h.

#include <string>
#include <string_view>

namespace tallyscan {

// "YYYYMMDD" -> "DD/MM/YYYY", built from characters 7-8, 5-6 and 1-4 as they stand
// ("00000000" -> "00/00/0000"). A value shorter than 8 characters yields what exists.
std::string FormatDate(std::string_view yyyymmdd);

// "HHMM" -> "HH:MM".
std::string FormatTime(std::string_view hhmm);

}  // namespace tallyscan
