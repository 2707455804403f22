#pragma once

// The Israeli public holidays on which the books are closed, from the Hebrew calendar.
// The one place the generator reads the Hebrew calendar.

namespace tallyscan::gen {

// Whether the day YYYYMMDD is Rosh Hashana (1 and 2 Tishrei), Yom Kippur (10 Tishrei),
// the first day of Sukkot (15 Tishrei), Shemini Atzeret (22 Tishrei), the first and the
// seventh day of Pesach (15 and 21 Nisan), Shavuot (6 Sivan) or Independence Day (5 Iyar,
// brought forward to 4 Iyar when that is a Friday and to 3 Iyar when a Saturday, put off to
// 6 Iyar when a Monday). Days from 1900 to 2200.
bool IsIsraeliHoliday(int yyyymmdd);

}  // namespace tallyscan::gen
