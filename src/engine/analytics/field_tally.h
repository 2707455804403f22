#pragma once

// Private to analytics/.
//
// What the field statistics count of one field while the data file is read, one line at a
// time, and how a field's characters are read: blank, invalid or a value.

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "engine/common/amount_sum.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {

enum class FieldReading { kBlank, kInvalid, kValue };

// Reads `slice`, the characters of `field` in a line (SliceField: shorter than the field
// when the line ends inside it). A value is set into `value` (a date as YYYYMMDD).
FieldReading ReadCountedField(const FieldLayout& field, std::string_view slice, AmountSum& value);

// The number eight digit characters spell, all eight at once (the first is the highest, in
// the lowest byte of the word read).
static_assert(std::endian::native == std::endian::little);
inline std::uint64_t EightDigits(const char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  v -= 0x3030303030303030;
  v = v * 10 + (v >> 8);  // pairs of digits in every other byte
  v = ((v & 0x000000FF000000FF) * (100 + (std::uint64_t{1000000} << 32)) +
       ((v >> 16) & 0x000000FF000000FF) * (1 + (std::uint64_t{10000} << 32))) >>
      32;
  return v;
}

// The number written by characters known to be digits (at most 20 of them).
inline AmountSum DigitsValue(std::string_view digits) {
  const char* p = digits.data();
  std::size_t left = digits.size();
  AmountSum high = 0;  // the digits beyond the 18 that 64 bits hold (the widest fields have 20)
  for (; left > 18; --left) high = high * 10 + (*p++ - '0');
  std::uint64_t value = 0;
  for (; left % 8 != 0; --left) value = value * 10 + static_cast<std::uint64_t>(*p++ - '0');
  for (; left > 0; left -= 8, p += 8) value = value * 100000000 + EightDigits(p);
  return high == 0 ? static_cast<AmountSum>(value)
                   : high * 1000000000000000000 + static_cast<AmountSum>(value);
}

// Whether a field is counted: one of a kind that holds figures or dates, but for the file's
// primary identifier, a number that names the file and whose sums mean nothing.
bool IsCountedField(const FieldLayout& field);

// The dates of a field by day, for the month counts once the period is known: one slot per
// (year, month, day) of the years a valid date can have (2000-2049), 31 days to every month.
class DateSlots {
 public:
  static constexpr int kFirstYear = 2000;
  static constexpr int kYears = 50;
  static constexpr int kSlots = kYears * 12 * 31;

  // The slot of a valid date.
  static int SlotOf(int yyyymmdd) {
    return (yyyymmdd / 10000 - kFirstYear) * 372 + (yyyymmdd / 100 % 100 - 1) * 31 +
           yyyymmdd % 100 - 1;
  }

  void AddAt(int slot) {
    if (counts_.empty()) counts_.assign(kSlots, 0);
    ++counts_[static_cast<std::size_t>(slot)];
  }
  // Adds the days another counted.
  void Join(const DateSlots& other);
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
  std::vector<std::int64_t> counts_;  // empty until the first date
};

// Whether two runs of `n` bytes are equal: the compare of every field of every line, so it
// goes eight bytes at a time rather than through a call.
inline bool SameBytes(const char* a, const char* b, std::size_t n) {
  std::uint64_t x, y;
  if (n < 8) {
    for (std::size_t i = 0; i < n; ++i) {
      if (a[i] != b[i]) return false;
    }
    return true;
  }
  for (std::size_t i = 0; i + 8 < n; i += 8) {
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    if (x != y) return false;
  }
  // The last eight bytes, overlapping the words before when n is no multiple of eight.
  std::memcpy(&x, a + n - 8, 8);
  std::memcpy(&y, b + n - 8, 8);
  return x == y;
}

class FieldTally {
 public:
  explicit FieldTally(const FieldLayout& field)
      : field_(&field),
        begin_(static_cast<std::size_t>(field.start - 1)),
        width_(static_cast<std::size_t>(field.width)),
        date_(field.kind == FieldKind::kDate) {}

  const FieldLayout& field() const { return *field_; }

  // The field in `line`, a line of the field's record type without its line end. Neighbouring
  // lines often hold the same characters in a field (their dates, a zero quantity): the
  // reading of the last whole field is kept and taken again for the same characters.
  FieldReading Add(std::int64_t number, std::string_view line) {
    AmountSum value = 0;
    if (line.size() < begin_ + width_ || width_ > sizeof last_) {
      const FieldReading reading = ReadCountedField(*field_, SliceField(line, *field_), value);
      Count(number, reading, value, value);
      return reading;
    }
    const char* bytes = line.data() + begin_;
    if (!have_last_ || !SameBytes(bytes, last_, width_)) {
      last_reading_ = ReadCountedField(*field_, std::string_view(bytes, width_), last_value_);
      std::memcpy(last_, bytes, width_);
      have_last_ = true;
      if (date_ && last_reading_ == FieldReading::kValue) {
        last_slot_ = DateSlots::SlotOf(static_cast<int>(last_value_));
      }
    }
    Count(number, last_reading_, last_value_, last_slot_);
    return last_reading_;
  }

  // The value of the last whole field added, when it held one.
  AmountSum last_value() const { return last_value_; }

  // Adds the tally of the same field over the lines that follow these in the file, its line
  // numbers counted from the first of them: `lines_before` is the number of the line before.
  // A smallest or largest value both hold stays at its first line, as one tally keeps it.
  void Join(const FieldTally& later, std::int64_t lines_before);

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
  // `slot` is the date's slot (DateSlots::SlotOf) when the field is a date holding a value.
  void Count(std::int64_t number, FieldReading reading, AmountSum value, AmountSum slot) {
    if (reading == FieldReading::kBlank) {
      ++blanks;
      return;
    }
    if (reading == FieldReading::kInvalid) {
      ++invalid;
      return;
    }
    if (!any) {
      any = true;
      smallest = largest = value;
      smallest_line = largest_line = number;
    } else if (value < smallest) {
      smallest = value;
      smallest_line = number;
    } else if (value > largest) {
      largest = value;
      largest_line = number;
    }
    if (date_) {
      dates.AddAt(static_cast<int>(slot));
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
  std::size_t begin_;
  std::size_t width_;
  bool date_;
  char last_[20];  // the widest counted field
  bool have_last_ = false;
  FieldReading last_reading_ = FieldReading::kBlank;
  AmountSum last_value_ = 0;
  AmountSum last_slot_ = 0;
};

}  // namespace tallyscan::analytics
