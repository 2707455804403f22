#include "bank_accounts.h"

#include <array>

namespace tallyscan::gen {
namespace {

using Digits9 = std::array<int, 9>;  // A1 ... A9, from the left

std::int64_t ToNumber(const Digits9& a) {
  std::int64_t value = 0;
  for (int d : a) value = value * 10 + d;
  return value;
}

Digits9 RandomDigits(Random& random, int leading_zeros) {
  Digits9 a{};
  for (int i = leading_zeros; i < 9; ++i)
    a[static_cast<std::size_t>(i)] = static_cast<int>(random.Between(0, 9));
  return a;
}

std::array<int, 3> BranchDigits(int branch) {
  return {branch / 100, branch / 10 % 10, branch % 10};
}

// Bank 10 and its group: the weighted sum plus the last two digits must end in one of a
// few values; the last two digits are chosen to reach `target`.
BankAccount Bank10(Random& random, int target) {
  const int branch = static_cast<int>(random.Between(100, 999));
  Digits9 a = RandomDigits(random, 1);
  const auto s = BranchDigits(branch);
  const int partial = 2 * a[6] + 3 * a[5] + 4 * a[4] + 5 * a[3] + 6 * a[2] + 7 * a[1] + 8 * s[2] +
                      9 * s[1] + 10 * s[0];
  const int last_two = ((target - partial) % 100 + 100) % 100;
  a[7] = last_two / 10;
  a[8] = last_two % 10;
  return {10, branch, ToNumber(a)};
}

// Weights 1-9 from the right over nine digits, sum divisible by 11: the last digit has
// weight 1, so it is chosen to close the sum (and the eighth changed when it would be 10).
void CloseModulo11(std::array<int, 9>& digits, Random& random) {
  for (;;) {
    int sum = 0;
    for (int i = 0; i < 8; ++i) sum += digits[static_cast<std::size_t>(i)] * (9 - i);
    const int last = (11 - sum % 11) % 11;
    if (last < 10) {
      digits[8] = last;
      return;
    }
    digits[7] = static_cast<int>(random.Between(0, 9));
  }
}

// Banks whose rule runs over the branch and the last six account digits.
BankAccount BranchAndAccount(Random& random, int bank, int branch) {
  Digits9 a = RandomDigits(random, 3);
  const auto s = BranchDigits(branch);
  std::array<int, 9> run = {s[0], s[1], s[2], a[3], a[4], a[5], a[6], a[7], a[8]};
  CloseModulo11(run, random);
  for (int i = 3; i < 9; ++i) a[static_cast<std::size_t>(i)] = run[static_cast<std::size_t>(i)];
  return {bank, branch, ToNumber(a)};
}

// Banks whose rule runs over the nine account digits alone.
BankAccount AccountOnly(Random& random, int bank) {
  Digits9 a = RandomDigits(random, 2);
  CloseModulo11(a, random);
  return {bank, static_cast<int>(random.Between(1, 199)), ToNumber(a)};
}

}  // namespace

BankAccount MakeValidBankAccount(Random& random) {
  switch (random.Between(0, 5)) {
    case 0:
      return Bank10(random, 90);
    case 1:
      return BranchAndAccount(random, 12, static_cast<int>(random.Between(100, 799)));
    case 2:
      return AccountOnly(random, 11);
    case 3:
      // Bank 20 treats a branch above 400 as branch - 400; stay below it.
      return BranchAndAccount(random, 20, static_cast<int>(random.Between(100, 399)));
    case 4:
      return AccountOnly(random, 31);
    default:
      return {99, static_cast<int>(random.Between(1, 999)), random.Between(10000, 999999)};
  }
}

BankAccount MakeInvalidBankAccount(Random& random) { return Bank10(random, 91); }

}  // namespace tallyscan::gen
