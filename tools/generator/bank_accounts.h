#pragma once

// Bank details of cheque lines: accounts built to satisfy the check-digit rule of their
// bank, and one that breaks it.

#include <cstdint>

#include "random.h"

namespace tallyscan::gen {

struct BankAccount {
  int bank;
  int branch;
  std::int64_t account;  // at most nine digits
};

// A bank, branch and account that the bank's rule accepts (banks 10, 11, 12, 20, 31, 99).
BankAccount MakeValidBankAccount(Random& random);

// Bank 10 with an account whose weighted sum ends in 91, which its rule rejects.
BankAccount MakeInvalidBankAccount(Random& random);

}  // namespace tallyscan::gen
