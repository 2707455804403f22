#pragma once

namespace tallyscan::gen {

// The date YYYYMMDD of day `day` (0-based, clamped to the year) of `year`.
int DateOfYear(int year, int day);
int DaysInYear(int year);

}  // namespace tallyscan::gen
