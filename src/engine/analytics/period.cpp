#include "engine/analytics/period.h"

#include "engine/analytics/field_rules.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {

SetPeriod PeriodOfHeader(std::string_view a000) {
  using field::A000;
  const std::optional<DayNumber> from = ReadDateField(SliceField(a000, A000(1024)));
  const std::optional<DayNumber> to = ReadDateField(SliceField(a000, A000(1025)));
  if (from && to && *from <= *to) return {JetPeriodSource::kA000Range, from, to};
  const std::string_view year = SliceField(a000, A000(1023));
  if (year.size() == 4 && AllDigits(year) && year != "0000") {
    const int y =
        (year[0] - '0') * 1000 + (year[1] - '0') * 100 + (year[2] - '0') * 10 + (year[3] - '0');
    return {JetPeriodSource::kTaxYear, DayOf(y, 1, 1), DayOf(y, 12, 31)};
  }
  return {};
}

SetPeriod PeriodOfSet(const SetPeriod& header, std::optional<DayNumber> first_movement,
                      std::optional<DayNumber> last_movement) {
  if (header.source != JetPeriodSource::kNone) return header;
  if (first_movement && last_movement) {
    return {JetPeriodSource::kMovements, first_movement, last_movement};
  }
  return {};
}

JetPeriod PeriodNamed(const SetPeriod& period) {
  JetPeriod named;
  named.source = period.source;
  if (period.from && period.to) {
    named.from = IsoDate(*period.from);
    named.to = IsoDate(*period.to);
  }
  return named;
}

}  // namespace tallyscan::analytics
