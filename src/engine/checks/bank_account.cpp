#include "engine/checks/bank_account.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tallyscan {
namespace {

// Branches where a remainder of 2 is accepted for the banks of the 12 family; the three
// branch digits are looked for as a substring.
constexpr std::string_view kBranchList =
    "120,121,123,124,125,130,131,132,133,140,149,154,166,178,183,191,192,361,362,363,384,385,"
    "500,514,515,531,535,569,582,590,591,595,600,601,607,608,609"
    ",611,613,618,620,627,628,632,634,638,639,640,642,644,645,650"
    ",655,658,661,668,685,686,700,713,714,716,723,726,727,736,739,773,783,795";

bool OneOf(std::int64_t value, std::initializer_list<std::int64_t> set) {
  return std::find(set.begin(), set.end(), value) != set.end();
}

// Digits of `value` right-aligned in `width`, leftmost first; only the last `width`
// digits of a longer (or negative) value take part.
template <std::size_t N>
std::array<int, N> DigitsOf(std::int64_t value) {
  std::uint64_t v =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  std::array<int, N> digits{};
  for (std::size_t i = N; i-- > 0;) {
    digits[i] = static_cast<int>(v % 10);
    v /= 10;
  }
  return digits;
}

// Sum of digits weighted 1, 2, 3 ... from the rightmost one.
template <std::size_t N>
int WeightedFromRight(const std::array<int, N>& digits) {
  int sum = 0;
  for (std::size_t i = 0; i < N; ++i) sum += digits[N - 1 - i] * static_cast<int>(i + 1);
  return sum;
}

// The nine digits S1 S2 S3 A4 ... A9.
std::array<int, 9> BranchAndAccountTail(const std::array<int, 3>& s, const std::array<int, 9>& a) {
  return {s[0], s[1], s[2], a[3], a[4], a[5], a[6], a[7], a[8]};
}

bool InBranchList(const std::array<int, 3>& s) {
  const std::string digits{static_cast<char>('0' + s[0]), static_cast<char>('0' + s[1]),
                           static_cast<char>('0' + s[2])};
  return kBranchList.find(digits) != std::string_view::npos;
}

}  // namespace

bool ValidBankAccount(std::int64_t bank, std::int64_t branch, std::int64_t account) {
  const std::array<int, 9> a = DigitsOf<9>(account);
  const std::array<int, 3> s = DigitsOf<3>(branch);

  if (OneOf(bank, {10, 13, 34, 53, 92})) {
    const int sum = 2 * a[6] + 3 * a[5] + 4 * a[4] + 5 * a[3] + 6 * a[2] + 7 * a[1] + 8 * s[2] +
                    9 * s[1] + 10 * s[0] + (a[7] * 10 + a[8]);
    return OneOf(sum % 100, {90, 70, 60, 20});
  }
  if (OneOf(bank, {12, 4, 14, 24, 28, 46, 91})) {
    const int r = WeightedFromRight(BranchAndAccountTail(s, a)) % 11;
    if (r == 0) return true;
    if ((r == 2 || r == 4) && OneOf(branch, {361, 600, 362, 363, 612, 615, 616, 690, 761}))
      return true;
    if ((r == 2 || r == 4 || r == 6) && OneOf(branch, {612, 631})) return true;
    return r == 2 && InBranchList(s);
  }
  if (OneOf(bank, {11, 17, 33})) {
    const int r = WeightedFromRight(a) % 11;
    return r == 0 || ((r == 2 || r == 4) && (bank == 11 || bank == 17));
  }
  if (bank == 20) {
    const std::array<int, 3> shifted = branch > 400 ? DigitsOf<3>(branch - 400) : s;
    const int r = WeightedFromRight(BranchAndAccountTail(shifted, a)) % 11;
    return r == 0 || r == 2 || (r == 4 && OneOf(branch, {409, 410, 421, 461, 475, 531}));
  }
  if (bank == 31 || bank == 52) return WeightedFromRight(a) % 11 == 0;
  if (bank == 9) {
    const std::array<int, 8> tail{a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8]};
    return WeightedFromRight(tail) % 10 == 0;
  }
  if (bank == 19) {
    if (branch != 1) return false;
    return (2 * a[3] + 3 * a[4] + 6 * a[5] + 7 * a[6] + 8 * a[7]) % 10 == a[8];
  }
  if (bank == 22) {
    if (branch != 1) return false;
    const int sum =
        3 * a[0] + 2 * a[1] + 7 * a[2] + 6 * a[3] + 5 * a[4] + 4 * a[5] + 3 * a[6] + 2 * a[7];
    return 11 - sum % 11 == a[8];
  }
  if (bank == 7) {
    // Luhn over the twelve digits of branch and account.
    const std::array<int, 12> digits{s[0], s[1], s[2], a[0], a[1], a[2],
                                     a[3], a[4], a[5], a[6], a[7], a[8]};
    int total = 0;
    for (std::size_t i = 0; i < digits.size(); ++i) {
      int d = digits[i];
      if (i % 2 == 0) {
        d *= 2;
        if (d > 9) d = d / 10 + d % 10;
      }
      total += d;
    }
    return total % 10 == 0;
  }
  return true;
}

}  // namespace tallyscan
