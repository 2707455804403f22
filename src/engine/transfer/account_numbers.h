#pragma once

// Private to transfer/: the rest of the program includes transfer/transfer.h.
//
// Account numbers and groups for the transfer. Every account carries the number it will have
// in the bookkeeping product: the ShortKey of its AccountListIndex entry, six characters,
// right-aligned. The key update computes those numbers from the account keys; the group
// change gives a trial-balance code a new value in the data file itself.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/common/amount_sum.h"
#include "engine/common/status.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

enum class KeyBasis { kAccountKey, kAccountGroup };
enum class KeyOperation { kNone, kMultiply, kDivide, kAdd, kSubtract };

struct KeyUpdate {
  KeyBasis basis = KeyBasis::kAccountKey;
  std::int64_t from = 0;  // the range, both ends included
  std::int64_t to = 0;
  KeyOperation operation = KeyOperation::kNone;
  std::int64_t amount = 1;
  std::int64_t start_counter = 0;
  std::int64_t step = 0;
};

inline constexpr std::int64_t kLargestAccountNumber = 999999;

// The amounts and the steps a key update offers: the key-update dialog lists these, and the
// command line accepts no other.
inline constexpr std::int64_t kKeyUpdateAmounts[] = {1, 10, 100, 1000, 10000};
inline constexpr std::int64_t kKeyUpdateSteps[] = {0, 1, 10, 100};

// Renumbers the accounts of the store's AccountListIndex. Each entry's account key is read
// from its B110 line (the entry's Key may hold sort text). An account whose key (or, with
// kAccountGroup, whose trial-balance code) is within the range gets the key with the operation
// applied (division rounds to the nearest whole number), plus the counter after it went up by
// the step; a result below 0 or above 999999 becomes 0, for any numbers given (the arithmetic
// cannot overflow). The accounts whose key is a whole number come first, in the list's order;
// then those whose key is not, in key order, each counted as the key 0 and, with
// kAccountKey, within every range: with a step they take the next numbers of the counter. An
// account outside the range keeps its number, as does one whose trial-balance code, with
// kAccountGroup, is not a whole number.
//
// A numbering that would give two accounts one number (above 0) is refused, naming both,
// and changes nothing.
struct KeyUpdateResult {
  Status status;
  std::int64_t renumbered = 0;  // accounts given a number
};
KeyUpdateResult ApplyKeyUpdate(RecordStore& store, const KeyUpdate& update);

// The words of that refusal, followed by the number and the two accounts.
inline constexpr std::string_view kKeyUpdateClashMessage =
    "המספור לא בוצע: הוא נותן לשני כרטיסים מספר אחד";

// The value of a ShortKey: its digits as a number, or -1 when it holds anything else.
std::int64_t AccountNumberOf(std::string_view short_key);

// The accounts whose number the transfer cannot take: a number outside 1..999999, or one
// that two accounts share. Empty when every number is sound. Each problem is one line naming
// the account key and its number, UTF-8.
std::vector<std::string> AccountNumberProblems(const RecordStore& store);

// The message of the transfer's refusal, followed by the problem lines.
inline constexpr std::string_view kAccountNumbersMessage =
    "לא כל מספרי הכרטיסים הוגדרו כראוי - בדוק";

// The trial-balance codes present, trimmed, in ascending order without repeats.
std::vector<std::string> GroupsPresent(const RecordStore& store);

struct GroupChange {
  Status status;                 // refused (empty group), or the file could not be written
  std::int64_t changed = 0;      // account lines rewritten
  std::string backup_path;       // where the copy kept before the first change lies
  bool backup_made_now = false;  // this change made it (tell the user where)
};

inline constexpr std::string_view kEmptyNewGroupMessage = "יש לתת ערך לקבוצה החדשה";

// Whether the store's data file is a copy extracted from BKMVDATA.ZIP rather than the data
// folder's own BKMVDATA.TXT: a change then goes into that copy.
bool DataFileIsExtractedCopy(const RecordStore& store);

// Gives every account whose trimmed trial-balance code equals `old_group` the code
// `new_group`, right-aligned in 15 characters, by rewriting those characters of its line in
// the store's data file in place; the file is synced before returning. Before the first
// change ever made to a data file a copy of it is kept beside it (NAME.orig) or, when its
// folder cannot be written, in `fallback_folder`; an existing copy is never replaced. A
// new group of 0 is refused; a data file that cannot be written, or a copy that cannot be
// made, changes nothing. The store reads the new code at once (it reads the same file).
GroupChange ChangeGroup(RecordStore& store, std::string_view old_group, std::int64_t new_group,
                        const std::string& fallback_folder);

// The per-user folder for copies of data files: $XDG_DATA_HOME/Norva/Tallyscan/backups, else
// under $HOME/.local/share; empty when neither variable is set.
std::string DefaultBackupFolder();

}  // namespace tallyscan
