// The accounts (24.Ndx, indexed by 24.Ism) and, once the movements are written, their
// balances rebuilt from them.
#include <cstring>
#include <filesystem>

#include "engine/text/text.h"
#include "engine/transfer/account_numbers.h"
#include "engine/transfer/record_files.h"
#include "engine/transfer/target_fields.h"
#include "engine/transfer/writers.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr std::string_view kStepAccounts = "קליטת אינדקס חשבונות";
constexpr std::string_view kStepAccountsRebuild = "שיחזור אינדקס חשבונות";
constexpr std::string_view kStepBalances = "שיחזור התנועות והיתרות";

// The account record of a B110 line; its name as written comes back in `name`.
void FillAccount(TransferRun& run, const ListEntry& entry, std::string_view line,
                 TargetRecord& record, std::string& name) {
  const auto f = [&](Positions p) { return SliceField(line, p); };
  record.Fill(0);
  const auto number = static_cast<std::int32_t>(AccountNumberOf(entry.ShortKeyView()));
  const std::int32_t classification = NumberOf(f(field::B110(1417)));
  const std::int64_t opening = ReadAmount(f(field::B110(1414)));
  const std::int64_t debit = ReadAmount(f(field::B110(1415)));
  const std::int64_t credit = ReadAmount(f(field::B110(1416)));
  const std::int64_t balance = opening + debit - credit;
  name = run.Text(target::Account("name"), f(field::B110(1404)));
  record.Number(target::Account("account number"), number);
  record.Text(target::Account("name"), name);
  record.Text(target::Account("street"), run.Text(target::Account("street"), f(field::B110(1407))));
  record.Text(target::Account("city"), run.Text(target::Account("city"), f(field::B110(1409))));
  record.Text(target::Account("postal code"),
              run.Text(target::Account("postal code"), f(field::B110(1410))));
  record.Text(target::Account("dealer number"), TrimSpaces(f(field::B110(1419))));
  record.Number(target::Account("trial-balance code"), NumberOf(f(field::B110(1405))));
  record.Number(balance >= 0 ? target::Account("classification debit")
                             : target::Account("classification credit"),
                classification);
  record.Number(target::Account("account kind"), AccountKindOf(classification));
  record.Number(target::Account("opening balance"), opening);
  record.Number(target::Account("opening balance currency"), ReadAmount(f(field::B110(1422))));
  record.Number(target::Account("debit"), debit);
  record.Number(target::Account("credit"), credit);
  record.Number(target::Account("balance"), balance);
  record.Text(target::Account("account key"), TrimSpaces(f(field::B110(1403))));
}

// 1 the account number, 2 the name, 3 the trial-balance code and the number.
KeyBlock AccountKeys(const TargetRecord& record, std::string_view name, std::uint32_t at) {
  const std::int64_t number = record.NumberAt(target::Account("account number"));
  KeyBlock keys;
  keys.Set(1, NumberKey(number));
  keys.Set(2, TrimSpaces(name));
  keys.Set(
      3, RightAligned(std::to_string(record.NumberAt(target::Account("trial-balance code"))), 11) +
             RightAligned(std::to_string(number), 6));
  keys.SetRecord(at);
  return keys;
}

}  // namespace

Status CheckIndexedRecords(TransferRun& run, int slot, const std::string& index,
                           std::uint32_t written, std::string_view what) {
  std::uint32_t indexed = 0;
  Status failure = FromIsam(run.records().GetRecords(slot, indexed), index);
  if (failure.ok() && indexed != written) {
    failure = Status::Corrupt("the " + std::string(what) + " index lost records");
  }
  if (failure.ok()) failure = FromIsam(run.records().PutStack(slot, written + 1), index);
  return failure;
}

Status WriteAccounts(TransferRun& run) {
  run.Step(kStepAccounts);
  if (run.TargetHoldsData(kAccountRecordsExtension)) {
    run.Refuse(std::string("קיימים כבר נתונים קודמים בקובץ האינדקס") + std::string(kNewLine) +
               "העברת האינדקס לא תתבצע");
    return Status::Ok();
  }
  RecordFile data(kAccountRecordSize, run.calls());
  if (Status s = data.Open(run.Staged(kAccountRecordsExtension)); !s.ok()) return s;
  const std::string index = run.Staged(kAccountIndexExtension);
  RecordManager& rm = run.records();
  if (Status s = FromIsam(rm.OpenDb(index, kAccountsFileNumber, kAccountsKeys, IsamOpenMode::kBulk),
                          index);
      !s.ok()) {
    return s;
  }
  TargetRecord record(kAccountRecordSize);
  std::string name;
  Status failure;
  for (const ListEntry& entry : run.store().AccountListIndex.Entries()) {
    FillAccount(run, entry, run.Line(entry.Offset, RecordType::kB110), record, name);
    const KeyBlock keys = AccountKeys(record, name, data.Append(record.bytes()));
    if (failure = FromIsam(rm.DbInsert(kAccountsFileNumber, keys.View()), index); !failure.ok()) {
      break;
    }
    if (!run.Tick()) break;
  }
  const std::uint32_t written = data.Count();
  if (failure.ok() && !run.stopped()) {
    run.Step(kStepAccountsRebuild);
    failure = CheckIndexedRecords(run, kAccountsFileNumber, index, written, "accounts");
  }
  const Status closed = FromIsam(rm.CloseDb(kAccountsFileNumber), index);
  const Status data_closed = data.Close();
  if (!failure.ok()) return failure;
  if (!closed.ok()) return closed;
  if (!data_closed.ok()) return data_closed;
  if (run.stopped()) return Status::Ok();
  run.Wrote(run.FileName(kAccountRecordsExtension), written);
  return WriteGroups(run);
}

Status RebuildBalances(TransferRun& run) {
  run.Step(kStepBalances);
  // The accounts written now, or those already in the target folder (copied to be updated).
  if (!std::filesystem::exists(run.Staged(kAccountRecordsExtension)) &&
      !run.TargetHoldsData(kAccountRecordsExtension)) {
    return Status::Ok();
  }
  if (Status s = run.Stage(kAccountRecordsExtension); !s.ok()) return s;
  if (Status s = run.Stage(kAccountIndexExtension); !s.ok()) return s;
  RecordFile data(kAccountRecordSize, run.calls());
  if (Status s = data.Open(run.Staged(kAccountRecordsExtension)); !s.ok()) return s;
  const std::string index = run.Staged(kAccountIndexExtension);
  RecordManager& rm = run.records();
  if (Status s = FromIsam(rm.OpenDb(index, kAccountsFileNumber, kAccountsKeys), index); !s.ok()) {
    return s;
  }
  // The staged copy is this transfer's alone: one lock for the whole walk, where each search
  // would take and give back its own. CloseDb releases it.
  Status failure = FromIsam(rm.DbLock(kAccountsFileNumber, 0), index);
  TargetRecord record(kAccountRecordSize);
  for (const auto& [number, sums] : run.sums) {
    if (!failure.ok()) break;
    IsamEntry entry;
    const std::string key = NumberKey(number);
    std::memcpy(entry.key.data(), key.data(), kIsamKeyLength);
    int selector = 1;
    if (failure = FromIsam(rm.Search(kAccountsFileNumber, entry, selector), index); !failure.ok()) {
      break;
    }
    if (selector != 0 || entry.pointer < 1 || entry.pointer > data.Count()) continue;
    if (!data.Read(entry.pointer, record.bytes())) {
      failure = Status::IoError(SystemError("cannot read", data.path()));
      break;
    }
    const std::int64_t opening = record.NumberAt(target::Account("opening balance"));
    record.Number(target::Account("debit"), sums.debit);
    record.Number(target::Account("credit"), sums.credit);
    record.Number(target::Account("balance"), opening + sums.debit - sums.credit);
    record.Number(target::Account("movements"), sums.movements);
    if (!data.Write(entry.pointer, record.bytes())) {
      failure = Status::IoError(SystemError("cannot write", data.path()));
      break;
    }
  }
  const Status closed = FromIsam(rm.CloseDb(kAccountsFileNumber), index);
  const Status data_closed = data.Close();
  if (!failure.ok()) return failure;
  return closed.ok() ? data_closed : closed;
}

}  // namespace tallyscan
