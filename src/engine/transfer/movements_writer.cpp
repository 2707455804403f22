// The movements (24.Trn): one per B100 in file order, then one per non-zero opening balance.
#include <algorithm>
#include <vector>

#include "engine/text/text.h"
#include "engine/transfer/account_numbers.h"
#include "engine/transfer/record_files.h"
#include "engine/transfer/target_fields.h"
#include "engine/transfer/writers.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr std::string_view kStepMovements = "קליטת תנועות הנה'ח";
constexpr std::string_view kOpeningDetails = "יתרת פתיחה";

constexpr std::string_view kMovementsHeld = "קיימים כבר נתונים קודמים בקובץ התנועות";

// Returns the account whose sums the movement counts in.
TransferRun::KeyedAccount& FillMovement(TransferRun& run, std::string_view line,
                                        TargetRecord& record) {
  const auto f = [&](Positions p) { return SliceField(line, p); };
  TransferRun::KeyedAccount& account = run.AccountOfKey(f(field::B100(1364)));
  record.Fill(' ');
  record.Text(target::Movement("debit/credit"), f(field::B100(1366)));
  record.Number(target::Movement("account number"), account.number);
  record.Number(target::Movement("counter-account number"),
                run.AccountNumberOfKey(f(field::B100(1365))));
  record.Number(target::Movement("line in movement"), NumberOf(f(field::B100(1354))));
  record.Number(target::Movement("batch"), NumberOf(f(field::B100(1355))));
  record.Number(target::Movement("source"), kMovementFromData);
  record.Text(target::Movement("reference 1"),
              TrimSpaces(StripLeadingBlanksAndZeros(f(field::B100(1357)))));
  record.Text(target::Movement("reference 2"),
              TrimSpaces(StripLeadingBlanksAndZeros(f(field::B100(1359)))));
  record.Text(target::Movement("details"),
              run.Text(target::Movement("details"), f(field::B100(1361))));
  record.Text(target::Movement("date"), TargetDate(f(field::B100(1362))));
  record.Text(target::Movement("value date"), TargetDate(f(field::B100(1363))));
  record.Number(target::Movement("amount"), ReadAmount(f(field::B100(1368))));
  record.Number(target::Movement("amount currency"), ReadAmount(f(field::B100(1369))));
  return account;
}

// The opening-balance movement of a B110 line dated the first of the tax year.
void FillOpening(const ListEntry& entry, std::string_view line, std::int64_t opening,
                 const std::string& date, TargetRecord& record) {
  record.Fill(' ');
  record.Text(target::Movement("debit/credit"), opening > 0 ? "1" : "2");
  record.Number(target::Movement("account number"), AccountNumberOf(entry.ShortKeyView()));
  record.Number(target::Movement("counter-account number"), 0);
  record.Number(target::Movement("line in movement"), 0);
  record.Number(target::Movement("batch"), 0);
  record.Number(target::Movement("source"), kMovementOpening);
  record.Text(target::Movement("reference 1"), "");
  record.Text(target::Movement("reference 2"), "");
  record.Text(target::Movement("details"), WinToDos(Utf8ToCp1255(kOpeningDetails)));
  record.Text(target::Movement("date"), date);
  record.Text(target::Movement("value date"), date);
  record.Number(target::Movement("amount"), opening < 0 ? -opening : opening);
  record.Number(target::Movement("amount currency"),
                ReadAmount(SliceField(line, field::B110(1422))));
}

}  // namespace

Status WriteMovements(TransferRun& run) {
  run.Step(kStepMovements);
  if (run.TargetHoldsData(kMovementsExtension)) {
    run.Refuse(std::string(kMovementsHeld) + std::string(kNewLine) + "העברת התנועות לא תתבצע");
    return Status::Ok();
  }
  RecordFile file(kMovementRecordSize, run.calls());
  if (Status s = file.Open(run.Staged(kMovementsExtension)); !s.ok()) return s;
  // In file order, as the data set lists them.
  std::vector<std::int64_t> offsets;
  offsets.reserve(static_cast<std::size_t>(run.store().MovementIndex.Count()));
  for (const IndexEntry& e : run.store().MovementIndex.Entries()) offsets.push_back(e.Offset);
  std::sort(offsets.begin(), offsets.end());
  TargetRecord record(kMovementRecordSize);
  for (const std::int64_t offset : offsets) {
    const std::string_view line = run.Line(offset, RecordType::kB100);
    TransferRun::KeyedAccount& account = FillMovement(run, line, record);
    file.Append(record.bytes());
    // The sums go by the number as the record holds it, the same for every movement of a key.
    if (account.sums == nullptr) {
      account.sums =
          &run.sums[static_cast<std::int32_t>(record.NumberAt(target::Movement("account number")))];
    }
    AccountSums& sums = *account.sums;
    const std::int64_t amount = record.NumberAt(target::Movement("amount"));
    (SliceField(line, field::B100(1366)) == "2" ? sums.credit : sums.debit) += amount;
    ++sums.movements;
    if (!run.Tick()) break;
  }
  const std::uint32_t written = file.Count();
  if (Status s = file.Close(); !s.ok()) return s;
  if (run.stopped()) return Status::Ok();
  run.movements_written = true;
  run.Wrote(run.FileName(kMovementsExtension), written);
  return Status::Ok();
}

Status WriteOpeningBalances(TransferRun& run) {
  if (!run.movements_written && run.TargetHoldsData(kMovementsExtension)) {
    run.Refuse(std::string(kMovementsHeld) + std::string(kNewLine) + "העברת יתרות הפתיחה לא תתבצע");
    return Status::Ok();
  }
  RecordFile file(kMovementRecordSize, run.calls());
  if (Status s = file.Open(run.Staged(kMovementsExtension)); !s.ok()) return s;
  const std::uint32_t before = file.Count();
  TargetRecord record(kMovementRecordSize);
  // The tax year as four digits: a year the file leaves out reads "0000", never blanks.
  const std::string date =
      "01/01/" + FormatNumber("0000", std::max(run.store().TaxYear, 0) % 10000, 0);
  for (const ListEntry& entry : run.store().AccountListIndex.Entries()) {
    const std::string_view line = run.Line(entry.Offset, RecordType::kB110);
    const std::int64_t opening = ReadAmount(SliceField(line, field::B110(1414)));
    if (opening == 0) continue;
    FillOpening(entry, line, opening, date, record);
    file.Append(record.bytes());
  }
  const std::uint32_t written = file.Count() - before;
  if (Status s = file.Close(); !s.ok()) return s;
  run.Wrote(run.FileName(kMovementsExtension), written);
  return Status::Ok();
}

}  // namespace tallyscan
