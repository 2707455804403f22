// The item catalogue (24.Prt, indexed by 24.Pis).
#include "engine/text/text.h"
#include "engine/transfer/record_files.h"
#include "engine/transfer/target_fields.h"
#include "engine/transfer/writers.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr std::string_view kStepItems = "קליטת קטלוג הפריטים";
constexpr std::string_view kStepItemsRebuild = "שיחזור קטלוג פריטים";

// The item record of an M100 line, and its keys: 1 the internal code, 2 the name, 3 the
// universal code, 4 the sort code and the internal code.
KeyBlock FillItem(TransferRun& run, std::string_view line, TargetRecord& record) {
  const auto f = [&](Positions p) { return SliceField(line, p); };
  record.Fill(' ');
  const std::string_view internal = TrimSpaces(f(field::M100(1455)));
  const std::string_view universal = TrimSpaces(f(field::M100(1453)));
  const std::string name = run.Text(target::Item("name"), f(field::M100(1456)));
  const std::int32_t sort_code = NumberOf(f(field::M100(1457)));
  record.Text(target::Item("internal code"), internal);
  record.Text(target::Item("universal code"), universal);
  record.Text(target::Item("name"), name);
  record.Number(target::Item("sort code"), sort_code);
  record.Text(target::Item("unit"), run.Text(target::Item("unit"), f(field::M100(1459))));
  record.Number(target::Item("cost price"), ReadAmount(f(field::M100(1463))));
  KeyBlock keys;
  keys.Set(1, RightAligned(internal, kIsamKeyLength));
  keys.Set(2, TrimSpaces(name));
  keys.Set(3, RightAligned(universal, kIsamKeyLength));
  keys.Set(4, RightAligned(std::to_string(sort_code), 7) + RightAligned(internal, 10));
  return keys;
}

}  // namespace

Status WriteCatalogue(TransferRun& run) {
  run.Step(kStepItems);
  if (run.TargetHoldsData(kItemRecordsExtension)) {
    run.Refuse(std::string("קיימים כבר נתונים קודמים בקטלוג הפריטים") + std::string(kNewLine) +
               "העברת הקטלוג לא תתבצע");
    return Status::Ok();
  }
  RecordFile data(kItemRecordSize, run.calls());
  if (Status s = data.Open(run.Staged(kItemRecordsExtension)); !s.ok()) return s;
  const std::string index = run.Staged(kItemIndexExtension);
  RecordManager& rm = run.records();
  if (Status s = FromIsam(
          rm.OpenDb(index, kCatalogueFileNumber, kCatalogueKeys, IsamOpenMode::kBulk), index);
      !s.ok()) {
    return s;
  }
  TargetRecord record(kItemRecordSize);
  Status failure;
  for (const IndexEntry& entry : run.store().ItemIndex.Entries()) {
    KeyBlock keys = FillItem(run, run.Line(entry.Offset, RecordType::kM100), record);
    keys.SetRecord(data.Append(record.bytes()));
    if (failure = FromIsam(rm.DbInsert(kCatalogueFileNumber, keys.View()), index); !failure.ok()) {
      break;
    }
    if (!run.Tick()) break;
  }
  const std::uint32_t written = data.Count();
  if (failure.ok() && !run.stopped()) {
    run.Step(kStepItemsRebuild);
    failure = CheckIndexedRecords(run, kCatalogueFileNumber, index, written, "catalogue");
  }
  const Status closed = FromIsam(rm.CloseDb(kCatalogueFileNumber), index);
  const Status data_closed = data.Close();
  if (!failure.ok()) return failure;
  if (!closed.ok()) return closed;
  if (!data_closed.ok()) return data_closed;
  if (!run.stopped()) run.Wrote(run.FileName(kItemRecordsExtension), written);
  return Status::Ok();
}

}  // namespace tallyscan
