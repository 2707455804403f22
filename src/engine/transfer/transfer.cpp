#include "engine/transfer/transfer.h"

#include <filesystem>

#include "engine/text/text.h"
#include "engine/transfer/account_numbers.h"
#include "engine/transfer/staging.h"
#include "engine/transfer/transfer_format.h"
#include "engine/transfer/transfer_run.h"
#include "engine/transfer/writers.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

// What an earlier transfer left in the folder is dealt with first: its finished files are
// moved into place (and that is all this transfer does), an unfinished staging folder goes.
// Then the staging folder is made new.
Status TransferRun::PrepareFolder() {
  switch (LeftStagingOf(lock_.fd())) {
    case LeftStaging::kForeign:
      return Status::Refused("בתיקיה " + options_.target_folder + " קיים כבר " +
                             std::string(kStagingName) + " שלא נוצר בידי התוכנה - הקליטה לא תתבצע");
    case LeftStaging::kComplete:
      if (Status s = MoveIntoPlace(calls_, lock_.fd(), options_.target_folder); !s.ok()) return s;
      result_.notice =
          "הקליטה הקודמת לתיקיה זו נקטעה לפני שכל קבציה הועברו למקומם - "
          "העברתם הושלמה כעת, ולא נעשה דבר נוסף";
      return Status::Ok();
    case LeftStaging::kUnfinished: {
      std::error_code error;
      std::filesystem::remove_all(staging_, error);
      break;
    }
    case LeftStaging::kNone:
      break;
  }
  return MakeStagingFolder(lock_.fd(), options_.target_folder);
}

// The ticked steps in order, each on its own: a refused step does not stop the ones after it;
// a failure or a stop does.
void TransferRun::RunSteps() {
  Status failure;
  const auto run = [&](bool ticked, Status (*step)(TransferRun&)) {
    if (!ticked || !failure.ok() || stopped_) return;
    failure = step(*this);
  };
  run(options_.accounts, &WriteAccounts);
  run(options_.movements, &WriteMovements);
  run(options_.opening_balances, &WriteOpeningBalances);
  run(options_.movements && movements_written, &RebuildBalances);
  run(options_.items, &WriteCatalogue);
  run(options_.documents, &WriteDocuments);
  if (failure.ok() && !stopped_) failure = MarkStagingComplete(calls_, options_.target_folder);
  result_.status =
      stopped_ ? Status::Interrupted("הקליטה הופסקה - לא נכתב דבר בתיקיית היעד") : failure;
}

TransferResult TransferRun::Run() {
  result_.problems = AccountNumberProblems(store_);
  if (!result_.problems.empty()) {
    result_.status = Status::Refused(std::string(kAccountNumbersMessage));
    return result_;
  }
  if (options_.target_folder.empty()) {
    result_.status = Status::NotFound("התיקיה " + options_.target_folder + " אינה קיימת");
    return result_;
  }
  result_.status = lock_.Take(options_.target_folder);
  if (result_.status.ok()) result_.status = PrepareFolder();
  if (!result_.status.ok() || !result_.notice.empty()) return result_;

  for (const auto& name : store_.AccountListIndex.Entries()) {
    const std::string key(TrimSpaces(ReadRecordField(store_, name.Offset, field::B110(1403))));
    numbers_.emplace(key,
                     KeyedAccount{static_cast<std::int32_t>(AccountNumberOf(name.ShortKeyView()))});
  }
  RunSteps();
  if (!result_.status.ok()) {
    std::error_code error;
    std::filesystem::remove_all(staging_, error);
    result_.files.clear();
    return result_;
  }
  result_.status = MoveIntoPlace(calls_, lock_.fd(), options_.target_folder);
  return result_;
}

std::int16_t AccountKindOf(std::int32_t c) {
  if ((c >= 1000 && c <= 1100) || (c >= 5100 && c <= 5300)) return 30;
  if (c >= 7000 && c <= 8889) return 11;
  return c <= 8999 ? 40 : 21;
}

std::string TransferStatusLine(const TransferResult& result, std::int32_t tax_year) {
  std::int64_t records = 0;
  std::int64_t files = 0;
  const std::string summary = SummaryFileName(tax_year);
  for (const TransferredFile& file : result.files) {
    if (file.name == summary) continue;
    records += file.records;
    if (file.records > 0) ++files;
  }
  const auto refused = static_cast<std::int64_t>(result.refusals.size());
  const std::string refusals =
      refused == 1 ? "העברה אחת נדחתה" : FormatCount(refused) + " העברות נדחו";
  if (records == 0) {
    return refused == 0 ? "הקליטה הסתיימה - לא היו נתונים לקליטה" : "לא נקלטו נתונים - " + refusals;
  }
  const std::string written = (records == 1 ? std::string("נקלטה רשומה אחת")
                                            : "נקלטו " + FormatCount(records) + " רשומות") +
                              (files == 1 ? " בקובץ אחד" : " ב-" + FormatCount(files) + " קבצים");
  if (refused == 0) return "הקליטה הסתיימה - " + written;
  return "הקליטה הסתיימה בחלקה - " + written + ", " + refusals;
}

std::string StagingFolderOf(const std::string& target_folder) {
  return JoinPath(target_folder, kStagingName);
}

TransferResult RunTransfer(const RecordStore& store, const TransferOptions& options,
                           ProgressMonitor& monitor, const TransferStepSink& on_step) {
  return TransferRun(store, options, monitor, on_step).Run();
}

}  // namespace tallyscan
