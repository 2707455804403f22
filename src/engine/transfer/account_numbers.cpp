#include "engine/transfer/account_numbers.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>

#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr Positions kAccountKey = field::B110(1403);
constexpr Positions kGroupCode = field::B110(1405);

// A whole number written in the field (blanks around it allowed); nullopt otherwise.
std::optional<std::int64_t> WholeNumber(std::string_view field) {
  return ParseSignedDecimal(TrimSpaces(field));
}

// The operation of the key update; nullopt for a division by zero. Worked in 128 bits, where
// no product, quotient or sum of 64-bit numbers can overflow: a result however far out of
// range is still known to be out of range.
std::optional<AmountSum> Operate(std::int64_t k, KeyOperation operation, std::int64_t amount) {
  const AmountSum key = k;
  const AmountSum by = amount;
  switch (operation) {
    case KeyOperation::kNone:
      return key;
    case KeyOperation::kMultiply:
      return key * by;
    case KeyOperation::kDivide: {
      if (by == 0) return std::nullopt;
      // Rounded to the nearest whole number, halves away from zero.
      const AmountSum q = key / by;
      const AmountSum r = key % by;
      const bool negative = (key < 0) != (by < 0);
      if (2 * (r < 0 ? -r : r) >= (by < 0 ? -by : by)) return negative ? q - 1 : q + 1;
      return q;
    }
    case KeyOperation::kAdd:
      return key + by;
    case KeyOperation::kSubtract:
      return key - by;
  }
  return std::nullopt;
}

void SetShortKey(ListEntry& entry, std::int64_t number) {
  std::string text = std::to_string(number);
  text.insert(0, static_cast<std::size_t>(kShortKeyLength) - text.size(), ' ');
  std::memcpy(entry.ShortKey, text.data(), kShortKeyLength);
}

bool CanWriteFolderOf(const std::string& path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  return ::access(folder.empty() ? "." : folder.c_str(), W_OK) == 0;
}

// The copy of the data file kept in the per-user folder: its whole path made into one name.
std::string FallbackBackupName(const std::string& path) {
  std::string name = std::filesystem::absolute(path).string();
  std::replace(name.begin(), name.end(), '/', '_');
  return name + ".orig";
}

}  // namespace

KeyUpdateResult ApplyKeyUpdate(RecordStore& store, const KeyUpdate& update) {
  struct Account {
    std::size_t entry;
    std::string key;                    // trimmed
    std::optional<std::int64_t> value;  // the key's whole number
  };
  const auto entries = store.AccountListIndex.MutableEntries();
  std::vector<Account> order;
  order.reserve(entries.size());
  for (std::size_t e = 0; e < entries.size(); ++e) {
    const std::string key = ReadRecordField(store, entries[e].Offset, kAccountKey);
    order.push_back({e, std::string(TrimSpaces(key)), WholeNumber(key)});
  }
  // Keys that are no whole number after the others, in key order.
  std::stable_sort(order.begin(), order.end(), [](const Account& a, const Account& b) {
    if (a.value.has_value() != b.value.has_value()) return a.value.has_value();
    return !a.value && a.key < b.key;
  });

  // The counter rises by the step once per account: 128 bits hold it for any count of them.
  AmountSum counter = update.start_counter;
  std::vector<std::optional<std::int64_t>> numbers(entries.size());
  std::int64_t renumbered = 0;
  for (const Account& account : order) {
    std::optional<std::int64_t> tested = account.value;
    if (update.basis == KeyBasis::kAccountGroup) {
      tested = WholeNumber(ReadRecordField(store, entries[account.entry].Offset, kGroupCode));
      if (!tested) continue;
    }
    if (tested && (*tested < update.from || *tested > update.to)) continue;
    std::optional<AmountSum> n =
        Operate(account.value.value_or(0), update.operation, update.amount);
    counter += update.step;
    if (n) *n += counter;
    numbers[account.entry] =
        n && *n >= 0 && *n <= kLargestAccountNumber ? static_cast<std::int64_t>(*n) : 0;
    ++renumbered;
  }

  // Two accounts of one number, one of them renumbered: refused before any entry changes.
  std::map<std::int64_t, std::size_t> holder;
  for (const Account& account : order) {
    const std::int64_t number =
        numbers[account.entry].value_or(AccountNumberOf(entries[account.entry].ShortKeyView()));
    if (number < 1) continue;
    const auto [held, fresh] = holder.emplace(number, account.entry);
    if (fresh || (!numbers[account.entry] && !numbers[held->second])) continue;
    const auto key_of = [&](std::size_t entry) {
      return std::string(TrimSpaces(ReadRecordField(store, entries[entry].Offset, kAccountKey)));
    };
    return {Status::Refused(std::string(kKeyUpdateClashMessage) + "\nמספר כרטיס " +
                            std::to_string(number) + ": מפתח חשבון " + key_of(held->second) +
                            ", מפתח חשבון " + key_of(account.entry)),
            0};
  }
  for (std::size_t e = 0; e < entries.size(); ++e) {
    if (numbers[e]) SetShortKey(entries[e], *numbers[e]);
  }
  return {Status::Ok(), renumbered};
}

std::int64_t AccountNumberOf(std::string_view short_key) {
  const std::string_view digits = TrimSpaces(short_key);
  if (digits.empty()) return -1;
  std::int64_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::vector<std::string> AccountNumberProblems(const RecordStore& store) {
  std::vector<std::string> problems;
  std::map<std::int64_t, std::vector<std::string>> holders;
  for (const ListEntry& entry : store.AccountListIndex.Entries()) {
    const std::string key(TrimSpaces(ReadRecordField(store, entry.Offset, kAccountKey)));
    const std::int64_t number = AccountNumberOf(entry.ShortKeyView());
    if (number < 1 || number > kLargestAccountNumber) {
      problems.push_back("מפתח חשבון " + key + ": מספר כרטיס " +
                         std::string(TrimSpaces(entry.ShortKeyView())));
      continue;
    }
    holders[number].push_back(key);
  }
  for (const auto& [number, keys] : holders) {
    if (keys.size() < 2) continue;
    std::string line = "מספר כרטיס " + std::to_string(number) + " ניתן ליותר מחשבון אחד:";
    for (const std::string& key : keys) line += " " + key;
    problems.push_back(line);
  }
  return problems;
}

std::vector<std::string> GroupsPresent(const RecordStore& store) {
  std::vector<std::string> groups;
  for (const IndexEntry& entry : store.AccountIndex.Entries()) {
    groups.emplace_back(TrimSpaces(ReadRecordField(store, entry.Offset, kGroupCode)));
  }
  std::sort(groups.begin(), groups.end());
  groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
  return groups;
}

bool DataFileIsExtractedCopy(const RecordStore& store) {
  if (!store.DataFile.IsOpen() || store.LoadedFolder.empty()) return false;
  std::error_code error;
  const auto folder = std::filesystem::weakly_canonical(store.LoadedFolder, error);
  const auto file_folder =
      std::filesystem::weakly_canonical(store.DataFile.Path(), error).parent_path();
  return folder != file_folder;
}

std::string DefaultBackupFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
    return std::string(xdg) + "/Norva/Tallyscan/backups";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return std::string(home) + "/.local/share/Norva/Tallyscan/backups";
  }
  return {};
}

namespace {

// The copy before the first change: beside the file, else in the per-user folder. False,
// with the result's status saying why, when no copy could be made.
bool KeepCopyBeforeFirstChange(const std::string& path, const std::string& fallback_folder,
                               GroupChange& result) {
  std::error_code error;
  const std::string beside = path + ".orig";
  const std::string elsewhere =
      fallback_folder.empty() ? std::string() : JoinPath(fallback_folder, FallbackBackupName(path));
  if (std::filesystem::exists(beside, error)) {
    result.backup_path = beside;
  } else if (!elsewhere.empty() && std::filesystem::exists(elsewhere, error)) {
    result.backup_path = elsewhere;
  } else {
    std::string target = beside;
    if (!CanWriteFolderOf(path)) {
      target = elsewhere;
      if (!target.empty()) std::filesystem::create_directories(fallback_folder, error);
    }
    const std::string partial = target + ".partial";
    if (target.empty() ||
        !std::filesystem::copy_file(path, partial,
                                    std::filesystem::copy_options::overwrite_existing, error)) {
      result.status =
          Status::IoError("לא ניתן לשמור עותק של קובץ הנתונים - השינוי לא בוצע\n" + path);
      return false;
    }
    std::filesystem::rename(partial, target, error);
    if (error) {
      std::filesystem::remove(partial, error);
      result.status =
          Status::IoError("לא ניתן לשמור עותק של קובץ הנתונים - השינוי לא בוצע\n" + path);
      return false;
    }
    result.backup_path = target;
    result.backup_made_now = true;
  }
  return true;
}

}  // namespace

GroupChange ChangeGroup(RecordStore& store, std::string_view old_group, std::int64_t new_group,
                        const std::string& fallback_folder) {
  GroupChange result;
  if (new_group == 0) {
    result.status = Status::Refused(std::string(kEmptyNewGroupMessage));
    return result;
  }
  const std::string& path = store.DataFile.Path();
  if (!store.DataFile.IsOpen()) {
    result.status = Status::Refused("לא נקלטו נתונים");
    return result;
  }
  if (::access(path.c_str(), W_OK) != 0) {
    result.status = Status::IoError("לא ניתן לכתוב בקובץ הנתונים - השינוי לא בוצע\n" + path);
    return result;
  }

  if (!KeepCopyBeforeFirstChange(path, fallback_folder, result)) return result;

  std::string replacement = std::to_string(new_group);
  const auto width = static_cast<std::size_t>(kGroupCode.width);
  if (replacement.size() > width) {
    result.status = Status::Refused("קבוצה חדשה ארוכה מ-15 ספרות");
    return result;
  }
  replacement.insert(0, width - replacement.size(), ' ');
  const std::string_view wanted = TrimSpaces(old_group);
  for (const IndexEntry& entry : store.AccountIndex.Entries()) {
    const std::string code = ReadRecordField(store, entry.Offset, kGroupCode);
    if (code.size() != static_cast<std::size_t>(kGroupCode.width) || TrimSpaces(code) != wanted) {
      continue;
    }
    const Status written = store.DataFile.WriteAt(entry.Offset + kGroupCode.start - 1, replacement);
    if (!written.ok()) {
      result.status = written.WithMessage("שינוי הקבוצה נעצר באמצע - העותק נמצא ב " +
                                          result.backup_path + "\n" + written.message());
      return result;
    }
    ++result.changed;
  }
  if (const Status synced = store.DataFile.Sync(); !synced.ok()) result.status = synced;
  return result;
}

}  // namespace tallyscan
