#pragma once

// Private to analytics/.
//
// The period a data set covers, the same for every analysis of it: INI.TXT's data range (A000
// 1024 to 1025) when both are real days and in order; else the tax year 1023 (1 January to
// 31 December) when it is four digits and not 0000; else the first to the last usable
// movement date (B100 1362, a real day); else none.

#include <optional>
#include <string_view>

#include "engine/analytics/calendar_day.h"
#include "engine/analytics/jet.h"

namespace tallyscan::analytics {

struct SetPeriod {
  JetPeriodSource source = JetPeriodSource::kNone;
  std::optional<DayNumber> from, to;  // both given, or neither (kNone)
};

// The period the header gives by itself: its range or its tax year; kNone when neither.
SetPeriod PeriodOfHeader(std::string_view a000);

// The period of the set, once its movements were read: the header's, else that of the first
// and last usable movement dates (kMovements), else none.
SetPeriod PeriodOfSet(const SetPeriod& header, std::optional<DayNumber> first_movement,
                      std::optional<DayNumber> last_movement);

// As results name it: the ends "YYYY-MM-DD" and the source.
JetPeriod PeriodNamed(const SetPeriod& period);

}  // namespace tallyscan::analytics
