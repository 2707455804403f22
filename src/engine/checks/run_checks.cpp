#include "engine/checks/run_checks.h"

#include <array>
#include <cstdio>
#include <ctime>

#include "engine/checks/bookkeeping_checks.h"
#include "engine/checks/check_run.h"
#include "engine/checks/document_checks.h"
#include "engine/checks/record_facts.h"
#include "engine/checks/result_rows.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr std::array<std::string_view, 8> kBookkeepingTexts = {
    "כל בדיקות הנהלת חשבונות",
    "בדיקת איזון אינדקס",
    "בדיקת איזון תנועות",
    "איזון מנות",
    "הצלבת מפתחות תנועות/כרטיסים",
    "הצלבת יתרות  תנועות/כרטיסים",
    "סעיפי מס הכנסה",
    "חוקיות מספרי עוסק",
};

constexpr std::array<std::string_view, 9> kDocumentTexts = {
    "כל בדיקות המסמכים",          "סיכומי תעודות",           "סיכומי תנועות מסמכים",
    "הצלבת סיכומי תנועות מסמכים", "בדיקת קיום לקוח באינדקס", "חוקיות מספרי עוסק",
    "בדיקת מספרי שקים",           "בדיקת נתוני בנק",         "הצלבת מקטים תעודות/מלאי",
};

std::string TimeText(const Clock& clock) {
  const TimeOfDay now = clock.Now();
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", now.hours % 100, now.minutes % 100,
                now.seconds % 100);
  return text;
}

}  // namespace

CheckTicks::CheckTicks() : bookkeeping(kBookkeepingTexts), documents(kDocumentTexts) {}

TimeOfDay SystemClock::Now() const {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_hour, local.tm_min, local.tm_sec};
}

bool RunChecks(const RecordStore& store, const CheckTicks& ticks, const Clock& clock,
               ProgressMonitor& monitor, CheckResultRows& rows, CheckRunListener* listener) {
  using namespace checks;
  rows.clear();
  const bool totals = ticks.Ticked(BookkeepingItem::kMovementsBalance);
  const bool batches = ticks.Ticked(BookkeepingItem::kBatchBalance);
  bool any_document_item = false;
  for (std::size_t item = 1; item < ticks.documents.size(); ++item) {
    any_document_item = any_document_item || ticks.documents.Ticked(item);
  }
  // The movements and the documents are read while the checks before them run.
  RecordFacts facts(store, totals || batches, any_document_item);
  CheckRun run(store, ticks, monitor, rows, listener, facts);
  run.Append(HeadingRow("תחילת הבדיקה - " + TimeText(clock)));
  run.ShowRows();

  // After each step the progress goes back to 0; a stop ends the run there. The monitor is
  // asked afresh: a stop pressed after the step's last record must not let the next begin.
  auto step_ended = [&run]() {
    run.ResetProgress();
    if (!run.PollStop()) return false;
    run.Append(CheckRow(RowStatus::kStopped,
                        {.text = "הבדיקה הופסקה ע'י המשתמש" + std::string(kHeadingMarker)}));
    run.ShowRows();
    return true;
  };

  if (ticks.Ticked(BookkeepingItem::kIndexBalance)) {
    CheckIndexBalance(run);
    if (step_ended()) return false;
  }
  if (totals || batches) {
    CheckMovementsBalance(run, totals, batches);
    if (step_ended()) return false;
  }
  // The cross-checks compare with the sums of the index balance: they run only after it.
  if ((run.index_debit != 0 || run.index_credit != 0) && (totals || batches)) {
    CheckIndexAgainstMovements(run);
    if (step_ended()) return false;
  }
  if (ticks.Ticked(BookkeepingItem::kTaxSections)) {
    CheckTaxSections(run);
    if (step_ended()) return false;
  }
  if (ticks.Ticked(BookkeepingItem::kDealerNumbers)) {
    CheckAccountDealerNumbers(run);
    if (step_ended()) return false;
  }
  if (any_document_item) {
    CheckDocuments(run);
    if (step_ended()) return false;
  }

  run.Append(HeadingRow("סיום הבדיקה - " + TimeText(clock)));
  run.ShowRows();
  return true;
}

namespace checks {

std::int64_t WholeNumber(std::string_view field) {
  if (const auto value = ParseSignedDecimal(field)) return *value;
  return ReadInteger(TrimSpaces(field));
}

MovementAmount MovementAmountOf(std::string_view run) {
  constexpr Positions kSign = field::Within(kMovementAmountRun, field::B100(1366));
  constexpr Positions kAmount = field::Within(kMovementAmountRun, field::B100(1368));
  return {ReadAmount(SliceField(run, kAmount)), SliceField(run, kSign) == "2"};
}

std::string TrimmedForRow(std::string_view field) {
  return SafeCellText(Cp1255ToUtf8(TrimSpaces(field)));
}

std::string AsStoredForRow(std::string_view field) { return SafeCellText(Cp1255ToUtf8(field)); }

std::string KeyForRow(std::string_view field) { return SafeCellText(KeyDisplay(field)); }

}  // namespace checks
}  // namespace tallyscan
