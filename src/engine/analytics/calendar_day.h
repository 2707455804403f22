#pragma once

// Private to analytics/.
//
// Days of the Gregorian calendar as whole numbers, so that "more than 30 days later" and
// "within 30 days" are integer comparisons. A day number counts days from 1970-01-01 (day
// 0); the years 1-9999 are covered.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tallyscan::analytics {

using DayNumber = std::int32_t;

// The day of a date field: eight digits YYYYMMDD that form a real day of a year 1-9999.
// nullopt for anything else ("00000000", a blank, a 31st of April, a short field).
std::optional<DayNumber> ReadDateField(std::string_view yyyymmdd);

// The same for "YYYY-MM-DD".
std::optional<DayNumber> ReadIsoDate(std::string_view text);

// The day of year, month, day; nullopt when they form no real day of a year 1-9999.
std::optional<DayNumber> DayOf(int year, int month, int day);

struct CivilDate {
  int year;
  int month;
  int day;
};
CivilDate DateOf(DayNumber day);

// "YYYY-MM-DD".
std::string IsoDate(DayNumber day);

// 0 Sunday .. 6 Saturday.
int WeekdayOf(DayNumber day);

}  // namespace tallyscan::analytics
