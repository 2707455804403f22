#pragma once

// Private to analytics/: the rest of the program includes analytics/analytics.h.
//
// The Israeli holidays of the holiday test, for those outside the journal-entry tests that
// need the same calendar (the generator keeps its ledgers' postings off them): Rosh Hashana
// (1 and 2 Tishrei), Yom Kippur (10 Tishrei), the first day of Sukkot (15 Tishrei), Shemini
// Atzeret (22 Tishrei), the first and seventh days of Pesach (15 and 21 Nisan), Shavuot
// (6 Sivan) and Independence Day (5 Iyar, brought forward to 4 or 3 Iyar when 5 Iyar falls
// on a Friday or a Saturday, put off to 6 Iyar when it falls on a Monday). Neither the eves
// nor a user's own days are among them.

namespace tallyscan {

// Whether the Gregorian day is one of those holidays; false for a day that does not exist
// or lies outside the years 1-9999.
bool IsIsraeliHoliday(int year, int month, int day);

}  // namespace tallyscan
