#pragma once

// Private to uniform/.
//
// Pure tests of a field's characters, shared by the import's validators and the
// record-detail view. They run on every field of every line, so they do no allocation.

#include <cstdint>
#include <cstring>
#include <string_view>

namespace tallyscan {

// Not empty and every character "0"-"9". Inline: it runs on most fields of every line.
inline bool IsAllDigits(std::string_view value) {
  if (value.empty()) return false;
  // Eight characters at a time: a byte is a digit exactly when its high half is 3 both as
  // it stands and after adding 6 (0x3A-0x3F carry into the high half). A carry out of a
  // byte happens only from a byte that already failed the first test.
  constexpr std::uint64_t kHigh = 0xF0F0F0F0F0F0F0F0ull;
  constexpr std::uint64_t kThrees = 0x3030303030303030ull;
  constexpr std::uint64_t kSixes = 0x0606060606060606ull;
  const char* p = value.data();
  std::size_t left = value.size();
  for (; left >= 8; p += 8, left -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if ((word & kHigh) != kThrees || ((word + kSixes) & kHigh) != kThrees) return false;
  }
  for (; left > 0; ++p, --left) {
    if (*p < '0' || *p > '9') return false;
  }
  return true;
}

// Every character "0" (an empty value is not all zeros).
bool IsAllZeros(std::string_view value);

// A date as the import accepts it: eight digits YYYYMMDD that are either all zeros (no
// date) or have day 1-31, month 1-12 and year 2000-2049. Whether the day exists in its
// month is not tested. A value of another length is not a plausible date.
bool IsPlausibleDate(std::string_view value);

// The detail view's date test: it only objects to a value made of digits that is not a
// plausible date; a value with other characters is the digits test's business.
bool IsDateInDetailRange(std::string_view value);

// The Luhn check over a string of digits: from the last digit, every second digit doubled
// (a result above 9 replaced by its digit sum); passes when the total divides by 10.
// Characters other than digits make it fail.
bool PassesLuhn(std::string_view digits);

// An identification number as the detail view accepts it: all digits and passes Luhn.
bool IsValidIdNumber(std::string_view value);

}  // namespace tallyscan
