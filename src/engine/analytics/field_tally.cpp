#include "engine/analytics/field_tally.h"

#include "engine/analytics/calendar_day.h"
#include "engine/analytics/field_rules.h"
#include "engine/uniform/field_rule.h"

namespace tallyscan::analytics {

namespace {

constexpr std::string_view kNoDate = "00000000";

int Digits(std::string_view text) {
  int value = 0;
  for (const char c : text) value = value * 10 + (c - '0');
  return value;
}

}  // namespace

bool IsCountedKind(FieldKind kind) {
  switch (kind) {
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
  if (IsBlank(slice)) return FieldReading::kBlank;
  // A field the line's end cuts short is no value of its kind, whatever its characters are.
  if (slice.size() != static_cast<std::size_t>(field.width)) return FieldReading::kInvalid;
  if (field.kind == FieldKind::kDate && slice == kNoDate) return FieldReading::kBlank;
  if (!PassesFieldRule(field.kind, slice)) return FieldReading::kInvalid;
  if (field.kind == FieldKind::kDate) {
    const int year = Digits(slice.substr(0, 4));
    const int month = Digits(slice.substr(4, 2));
    const int day = Digits(slice.substr(6, 2));
    // The import's rule lets a 31st of April through; a date counted must be a real day.
    if (!DayOf(year, month, day)) return FieldReading::kInvalid;
    value = year * 10000 + month * 100 + day;
    return FieldReading::kValue;
  }
  const bool signed_kind = field.kind == FieldKind::kAmount || field.kind == FieldKind::kQty4;
  AmountSum magnitude = 0;
  for (const char c : signed_kind ? slice.substr(1) : slice) magnitude = magnitude * 10 + (c - '0');
  value = signed_kind && slice.front() == '-' ? -magnitude : magnitude;
  return FieldReading::kValue;
}

}  // namespace tallyscan::analytics
