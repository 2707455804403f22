#include "engine/analytics/calendar_day.h"

#include <chrono>
#include <cstdio>

namespace tallyscan::analytics {

namespace {

bool ReadDigits(std::string_view text, int& value) {
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return !text.empty();
}

}  // namespace

std::optional<DayNumber> DayOf(int year, int month, int day) {
  if (year < 1 || year > 9999) return std::nullopt;
  const std::chrono::year_month_day date{std::chrono::year(year),
                                         std::chrono::month(static_cast<unsigned>(month)),
                                         std::chrono::day(static_cast<unsigned>(day))};
  if (month < 1 || day < 1 || !date.ok()) return std::nullopt;
  return static_cast<DayNumber>(std::chrono::sys_days(date).time_since_epoch().count());
}

std::optional<DayNumber> ReadDateField(std::string_view yyyymmdd) {
  int year = 0;
  int month = 0;
  int day = 0;
  if (yyyymmdd.size() != 8 || !ReadDigits(yyyymmdd.substr(0, 4), year) ||
      !ReadDigits(yyyymmdd.substr(4, 2), month) || !ReadDigits(yyyymmdd.substr(6, 2), day)) {
    return std::nullopt;
  }
  return DayOf(year, month, day);
}

std::optional<DayNumber> ReadIsoDate(std::string_view text) {
  int year = 0;
  int month = 0;
  int day = 0;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-' ||
      !ReadDigits(text.substr(0, 4), year) || !ReadDigits(text.substr(5, 2), month) ||
      !ReadDigits(text.substr(8, 2), day)) {
    return std::nullopt;
  }
  return DayOf(year, month, day);
}

CivilDate DateOf(DayNumber day) {
  const std::chrono::year_month_day date{std::chrono::sys_days(std::chrono::days(day))};
  return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
          static_cast<int>(static_cast<unsigned>(date.day()))};
}

std::string IsoDate(DayNumber day) {
  const CivilDate date = DateOf(day);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

int WeekdayOf(DayNumber day) {
  return static_cast<int>(
      std::chrono::weekday(std::chrono::sys_days(std::chrono::days(day))).c_encoding());
}

}  // namespace tallyscan::analytics
