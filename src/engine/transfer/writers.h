#pragma once

// Private to transfer/: the writers, one per target file, each run once by the transfer in
// the order below. Each writes into the staging folder only, refuses its step (through the
// run) when the target file holds data it must not add to, and answers a failure that stops
// the transfer.

#include <map>
#include <string>

#include "engine/transfer/transfer_run.h"

namespace tallyscan {

// The accounts (24.Ndx with its index 24.Ism), then their groups (24.Kvu).
Status WriteAccounts(TransferRun& run);
Status WriteGroups(TransferRun& run);
// The movements (24.Trn), then the opening balances appended to them.
Status WriteMovements(TransferRun& run);
Status WriteOpeningBalances(TransferRun& run);
// The accounts' debits, credits, balances and counts from the movements written.
Status RebuildBalances(TransferRun& run);
// The item catalogue (24.Prt with its index 24.Pis).
Status WriteCatalogue(TransferRun& run);
// The documents with their lines and payments, each type into its file, then the summary.
Status WriteDocuments(TransferRun& run);

// After a bulk load of an index file: the record manager counts as many records as the data
// file holds, and its stack is set past the last.
Status CheckIndexedRecords(TransferRun& run, int slot, const std::string& index,
                           std::uint32_t written, std::string_view what);

// What the documents writer added to one document file.
struct DocumentCounts {
  std::int64_t documents = 0, lines = 0, payments = 0, skipped = 0;
};
// The document file summary (GFN1yy.001): the rows of files not written now stay, a row of a
// file written grows by what was added.
Status WriteSummary(TransferRun& run, const std::map<std::string, DocumentCounts>& counts);

}  // namespace tallyscan
