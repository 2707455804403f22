#pragma once

// The transfer of a loaded data set into the bookkeeping product's files: the accounts with
// their groups, the movements with the balances, the opening-balance movements, the item
// catalogue and the documents. The byte maps are in transfer_format.h. This is what transfer/
// offers the rest of the program, with the byte maps and the account numbers and groups of
// the key update (account_numbers.h). Every other header of transfer/ is private to it.
//
// Nothing half-made ever reaches the target folder: every file is written in a staging
// folder inside it (a file the transfer adds to, or whose records it updates, is copied there
// first) and all of them are moved into place only when the whole transfer has completed. A
// stop, a failure or a crash leaves the target folder as it was; the next transfer into the
// folder removes a staging folder left behind, or, when the crash came after the transfer had
// completed, finishes moving its files into place and does nothing else.
//
// One transfer at a time writes into a folder: a transfer holds an exclusive lock on the
// target folder from before it makes its staging folder until that folder is gone, and a
// second one is refused at once, touching nothing. The staging folder is always made new by
// the transfer itself; anything else found under its name (a link, a file, a folder of
// another user) is refused and left alone.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/progress.h"
#include "engine/common/status.h"
#include "engine/transfer/account_numbers.h"
#include "engine/transfer/transfer_file_calls.h"
#include "engine/transfer/transfer_format.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

struct TransferOptions {
  std::string target_folder;
  bool accounts = true;
  bool movements = true;
  bool opening_balances = true;
  bool items = true;
  bool documents = true;
  // The calls that change files; the system's when null.
  TransferFileCalls* file_calls = nullptr;
};

// One file the transfer wrote, and how many records it added to it.
struct TransferredFile {
  std::string name;  // within the target folder
  std::int64_t records = 0;
  // Documents left out because the file already held a document of the same type and
  // number (a document file that is added to).
  std::int64_t skipped = 0;
};

struct TransferResult {
  // kRefused when the account numbers were rejected (nothing was written; `problems` names
  // the accounts); kInterrupted after a stop; kIoError or kCorrupt when a file could not be
  // written. In all these the target folder is as it was. kOk otherwise, refused steps
  // included.
  Status status;
  std::vector<std::string> problems;
  std::vector<std::string> refusals;  // each refused step's message, in the order met
  std::vector<TransferredFile> files;
  std::vector<std::string> warnings;  // what the record manager reported
  // Set when the transfer only finished moving the files of an earlier one that was cut
  // off after it had completed: the message says so (status kOk, no step was run).
  std::string notice;
};

// The name of each step as the status line shows it (UTF-8).
using TransferStepSink = std::function<void(std::string_view step)>;

// Runs the ticked steps in order, each on its own: a refused step does not stop the ones
// after it. `monitor` is asked once per record whether to stop. The account numbers are the
// ShortKeys of the store's AccountListIndex; they are checked before anything is written.
TransferResult RunTransfer(const RecordStore& store, const TransferOptions& options,
                           ProgressMonitor& monitor, const TransferStepSink& on_step = {});

// The status line after a transfer of `tax_year` that ended as asked (status kOk): how many
// records went into how many files (the document summary, which only counts the others, not
// among them) and how many refusals there were (each refused step, and each refused document
// type, is one). UTF-8.
std::string TransferStatusLine(const TransferResult& result, std::int32_t tax_year);

// The product's account kind of an account's classification code (B110 field 1417).
std::int16_t AccountKindOf(std::int32_t classification);

// The staging folder of a target folder.
std::string StagingFolderOf(const std::string& target_folder);

}  // namespace tallyscan
