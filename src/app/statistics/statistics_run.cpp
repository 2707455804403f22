#include "app/statistics/statistics_run.h"

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/pages/page.h"
#include "engine/program/program.h"
#include "engine/uniform/import.h"

namespace tallyscan {
namespace {

const QString kBusyStatistics = QStringLiteral(
    "חישוב סטטיסטיקת השדות מתבצע ברקע - קריאת קובץ, קריאת חברה, שינוי קבוצות וקליטה ייפתחו "
    "בסיומו או לאחר עצירתו (Esc)");

}  // namespace

StatisticsRun::StatisticsRun(AppContext& app, PageHost& host, Page& page, QObject* parent)
    : QObject(parent), app_(app), host_(host), page_(page), task_(app.readers) {
  connect(&task_, &ReadTask::Progress, this, &StatisticsRun::Progress);
}

void StatisticsRun::Run() {
  if (Running() || app_.app_busy || app_.store.LoadedFolder.empty()) return;
  result_.reset();
  stop_asked_ = false;
  status_text_ = QStringLiteral("החישוב מתבצע...");
  host_.RunStateChanged(&page_, kBusyStatistics);
  auto run = std::make_shared<FieldStatisticsRun>();
  const RecordStore* store = &app_.store;
  const SourceFiles sources = SourceFilesOfStore(app_.store);
  const std::uint64_t load = app_.store.LoadNumber;
  // The data file is read by as many threads as the import reads it with.
  FieldStatisticsOptions options;
  options.threads = ReadThreadsFrom(app_.settings.ReadReg(kParams, kReadThreads));
  task_.Start(
      [run, store, sources, options](ProgressMonitor& monitor) {
        *run = RunFieldStatistics(*store, sources, monitor, options);
        return run->status.ok();
      },
      [this, run, load](bool completed) {
        host_.RunStateChanged(nullptr, {});
        if (completed && run->result) {
          result_ = std::make_shared<const FieldStatistics>(std::move(*run->result));
          result_load_ = load;
          status_text_ = QStringLiteral("החישוב הסתיים");
        } else if (stop_asked_) {
          // The work may still be running: its result is not looked at.
          status_text_ = FromStd(kFieldStatisticsStoppedText);
        } else {
          status_text_ = FromStd(run->status.message());
          AppMessage(app_, &page_, 1, MessageIcon::kExclamation, status_text_);
        }
        emit Ended();
      });
  emit Started();
  emit Progress(0);
}

void StatisticsRun::Stop() {
  if (!Running()) return;
  stop_asked_ = true;
  task_.Stop();
}

void StatisticsRun::Refresh() {
  if (!result_ || result_load_ == app_.store.LoadNumber) return;
  result_.reset();
  status_text_.clear();
  emit Ended();
}

}  // namespace tallyscan
