#include "engine/uniform/field_tests.h"

namespace tallyscan {
namespace {

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The number formed by two characters known to be digits.
constexpr int Digits2(const char* p) { return (p[0] - '0') * 10 + (p[1] - '0'); }

}  // namespace

bool IsAllZeros(std::string_view value) {
  if (value.empty()) return false;
  for (char c : value) {
    if (c != '0') return false;
  }
  return true;
}

bool IsPlausibleDate(std::string_view value) {
  if (value.size() != 8 || !IsAllDigits(value)) return false;
  if (IsAllZeros(value)) return true;
  const char* p = value.data();
  const int year = Digits2(p) * 100 + Digits2(p + 2);
  const int month = Digits2(p + 4);
  const int day = Digits2(p + 6);
  return year >= 2000 && year <= 2049 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

bool IsDateInDetailRange(std::string_view value) {
  return !IsAllDigits(value) || IsPlausibleDate(value);
}

bool PassesLuhn(std::string_view digits) {
  if (digits.empty()) return false;
  int sum = 0;
  bool doubled = false;  // position 1 is the last digit, and odd positions stay as they are
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (!IsDigit(*it)) return false;
    int d = *it - '0';
    if (doubled) {
      d *= 2;
      if (d > 9) d = d % 10 + 1;
    }
    sum += d;
    doubled = !doubled;
  }
  return sum % 10 == 0;
}

bool IsValidIdNumber(std::string_view value) { return IsAllDigits(value) && PassesLuhn(value); }

}  // namespace tallyscan
