#pragma once

// Private to analytics/.
//
// What the field statistics count of one field while the data file is read, one line at a
// time, and how a field's characters are read: blank, invalid or a value.

#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/common/amount_sum.h"
#include "engine/uniform/layouts.h"

namespace tallyscan::analytics {

enum class FieldReading { kBlank, kInvalid, kValue };

// Reads `slice`, the characters of `field` in a line (SliceField: shorter than the field
// when the line ends inside it). A value is set into `value` (a date as YYYYMMDD).
FieldReading ReadCountedField(const FieldLayout& field, std::string_view slice, AmountSum& value);

// Whether a field of this kind is counted.
bool IsCountedKind(FieldKind kind);

// The dates of a field by day, for the month counts once the period is known: one slot per
// (year, month, day) of the years a valid date can have (2000-2049), 31 days to every month.
class DateSlots {
 public:
  static constexpr int kFirstYear = 2000;
  static constexpr int kYears = 50;
  static constexpr int kSlots = kYears * 12 * 31;

  void Add(int yyyymmdd) {
    if (counts_.empty()) counts_.assign(kSlots, 0);
    ++counts_[static_cast<std::size_t>(SlotOf(yyyymmdd))];
  }
  // Calls each(yyyymmdd, count) for every day counted, in date order.
  template <typename Each>
  void ForEachDay(Each each) const {
    for (std::size_t slot = 0; slot < counts_.size(); ++slot) {
      if (counts_[slot] == 0) continue;
      const int s = static_cast<int>(slot);
      each((kFirstYear + s / 372) * 10000 + (s / 31 % 12 + 1) * 100 + s % 31 + 1, counts_[slot]);
    }
  }

 private:
  static int SlotOf(int yyyymmdd) {
    return (yyyymmdd / 10000 - kFirstYear) * 372 + (yyyymmdd / 100 % 100 - 1) * 31 +
           yyyymmdd % 100 - 1;
  }
  std::vector<std::int64_t> counts_;  // empty until the first date
};

class FieldTally {
 public:
  explicit FieldTally(const FieldLayout& field) : field_(&field) {}

  void Add(std::int64_t line, std::string_view slice) {
    AmountSum value = 0;
    switch (ReadCountedField(*field_, slice, value)) {
      case FieldReading::kBlank:
        ++blanks;
        return;
      case FieldReading::kInvalid:
        ++invalid;
        return;
      case FieldReading::kValue:
        AddValue(line, value);
        return;
    }
  }

  const FieldLayout& field() const { return *field_; }

  std::int64_t blanks = 0;
  std::int64_t invalid = 0;
  std::int64_t zeros = 0;
  std::int64_t positive = 0;
  std::int64_t negative = 0;
  AmountSum positive_total = 0;
  AmountSum negative_total = 0;
  bool any = false;
  AmountSum smallest = 0;
  AmountSum largest = 0;
  std::int64_t smallest_line = 0;
  std::int64_t largest_line = 0;
  DateSlots dates;

 private:
  void AddValue(std::int64_t line, AmountSum value) {
    if (!any) {
      any = true;
      smallest = largest = value;
      smallest_line = largest_line = line;
    } else if (value < smallest) {
      smallest = value;
      smallest_line = line;
    } else if (value > largest) {
      largest = value;
      largest_line = line;
    }
    if (field_->kind == FieldKind::kDate) {
      dates.Add(static_cast<int>(value));
    } else if (value > 0) {
      ++positive;
      positive_total += value;
    } else if (value < 0) {
      ++negative;
      negative_total += value;
    } else {
      ++zeros;
    }
  }

  const FieldLayout* field_;
};

}  // namespace tallyscan::analytics
