#pragma once

namespace tallyscan::gen {

// The date YYYYMMDD of day `day` (0-based, clamped to the year) of `year`.
int DateOfYear(int year, int day);
int DaysInYear(int year);

// Dates YYYYMMDD as a count of days, so that days can be added and subtracted; the count
// starts at an arbitrary day and is meant only for differences and for DateOfDayNumber.
int DayNumber(int yyyymmdd);
int DateOfDayNumber(int day_number);
// Sunday 0 ... Saturday 6.
int Weekday(int yyyymmdd);
// Whether YYYYMMDD is a holiday of the journal-entry tests' calendar, on which no posting of
// a clean ledger falls.
bool IsIsraeliHoliday(int yyyymmdd);

}  // namespace tallyscan::gen
