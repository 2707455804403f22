#include "engine/analytics/field_tally.h"

#include <algorithm>
#include <cstring>

#include "engine/analytics/calendar_day.h"
#include "engine/analytics/field_rules.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {

namespace {

constexpr std::string_view kNoDate = "00000000";

}  // namespace

bool IsCountedField(const FieldLayout& field) {
  if (&field == &field::A100(1103) || &field == &field::Z900(1153)) return false;
  switch (field.kind) {
    case FieldKind::kAmount:
    case FieldKind::kQty4:
    case FieldKind::kUdec:
    case FieldKind::kDigits:
    case FieldKind::kDate:
      return true;
    default:
      return false;
  }
}

FieldReading ReadCountedField(const FieldLayout& field, std::string_view slice, AmountSum& value) {
  // A field the line's end cuts short is no value of its kind, whatever its characters are.
  if (slice.size() != static_cast<std::size_t>(field.width)) {
    return IsBlank(slice) ? FieldReading::kBlank : FieldReading::kInvalid;
  }
  if (field.kind == FieldKind::kDate && slice == kNoDate) return FieldReading::kBlank;
  // Blanks fail every rule, so the rule is asked first: most fields hold a value.
  if (!PassesFieldRule(field.kind, slice)) {
    return IsBlank(slice) ? FieldReading::kBlank : FieldReading::kInvalid;
  }
  if (field.kind == FieldKind::kDate) {
    const auto year = static_cast<int>(DigitsValue(slice.substr(0, 4)));
    const auto month = static_cast<int>(DigitsValue(slice.substr(4, 2)));
    const auto day = static_cast<int>(DigitsValue(slice.substr(6, 2)));
    // The import's rule lets a 31st of April through; a date counted must be a real day.
    if (!DayOf(year, month, day)) return FieldReading::kInvalid;
    value = year * 10000 + month * 100 + day;
    return FieldReading::kValue;
  }
  const bool signed_kind = field.kind == FieldKind::kAmount || field.kind == FieldKind::kQty4;
  const AmountSum magnitude = DigitsValue(signed_kind ? slice.substr(1) : slice);
  value = signed_kind && slice.front() == '-' ? -magnitude : magnitude;
  return FieldReading::kValue;
}

void DateSlots::Join(const DateSlots& other) {
  if (other.counts_.empty()) return;
  if (counts_.empty()) {
    counts_ = other.counts_;
    return;
  }
  std::transform(counts_.begin(), counts_.end(), other.counts_.begin(), counts_.begin(),
                 [](std::int64_t a, std::int64_t b) { return a + b; });
}

void FieldTally::Join(const FieldTally& later, std::int64_t lines_before) {
  blanks += later.blanks;
  invalid += later.invalid;
  zeros += later.zeros;
  positive += later.positive;
  negative += later.negative;
  positive_total += later.positive_total;
  negative_total += later.negative_total;
  dates.Join(later.dates);
  if (!later.any) return;
  if (!any || later.smallest < smallest) {
    smallest = later.smallest;
    smallest_line = lines_before + later.smallest_line;
  }
  if (!any || later.largest > largest) {
    largest = later.largest;
    largest_line = lines_before + later.largest_line;
  }
  any = true;
}

}  // namespace tallyscan::analytics
