#pragma once

// Private to checks/: the rest of the program includes checks/checks.h.
//
// The checks of journal movements (B100) and accounts (B110). Each appends its rows to the
// run and leaves its sums in the run for the checks after it.

#include "engine/checks/check_run.h"

namespace tallyscan::checks {

// Index balance: the accounts' opening balances and totals, and the missing-section count.
void CheckIndexBalance(CheckRun& run);

// One pass in batch order that serves the movement totals and the per-batch rows.
void CheckMovementsBalance(CheckRun& run, bool movement_totals, bool batch_rows);

// The index totals against the movement totals, then the two cross-checks when ticked.
void CheckIndexAgainstMovements(CheckRun& run);

// Every movement's account exists (each missing account reported once).
void CheckMovementKeys(CheckRun& run);

// Each account's totals against the sum of its movements.
void CheckAccountBalances(CheckRun& run);

// Income-tax section codes present, then the profit or loss of the previous and current year.
void CheckTaxSections(CheckRun& run);

// Dealer numbers of the accounts.
void CheckAccountDealerNumbers(CheckRun& run);

}  // namespace tallyscan::checks
