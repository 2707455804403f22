#pragma once

// Private to checks/: the rest of the program includes checks/checks.h.

#include <cstdint>

namespace tallyscan {

// Whether a cheque's bank, branch and account numbers (the whole-number values of their
// fields) pass the check-digit rule of that bank. The branch takes part as three digits
// and the account as nine (right-aligned, missing leading digits counting as 0; only the
// last nine digits of a longer account). Banks without a rule of their own are valid.
bool ValidBankAccount(std::int64_t bank, std::int64_t branch, std::int64_t account);

}  // namespace tallyscan
