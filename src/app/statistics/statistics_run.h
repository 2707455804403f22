#pragma once

// One run of the field statistics for the analysis page's two tabs that show it (the field
// statistics and the producer's summaries): both come from the same reading of the data file,
// so one result serves both. The run reads on a worker (ReadTask) with progress; Stop ends it
// at once and leaves no result. The result stays until the next run or until a reading has
// replaced the set (Refresh, when the page is shown again).
//
// The run is owned by the page's widgets (a QObject child); it tells the window of the page's
// long operation (PageHost::RunStateChanged) while it runs.

#include <memory>

#include <QObject>
#include <QString>

#include "app/app_context.h"
#include "app/background/read_task.h"
#include "engine/analytics/analytics.h"

namespace tallyscan {

class Page;
class PageHost;

class StatisticsRun final : public QObject {
  Q_OBJECT
 public:
  StatisticsRun(AppContext& app, PageHost& host, Page& page, QObject* parent);

  // Starts a run over the loaded set; nothing while one runs, no set is loaded or another long
  // operation holds the program.
  void Run();
  // The run ends at once, with no result (the worker's late result is dropped).
  void Stop();
  bool Running() const { return task_.Running(); }
  // Drops the result of a set read since it was computed.
  void Refresh();

  // Null before a run, while one runs, after a stop or a failure.
  const std::shared_ptr<const FieldStatistics>& Result() const { return result_; }
  // What the last run came to, for the tabs' status line: done, stopped, or why it failed.
  const QString& StatusText() const { return status_text_; }

 signals:
  // A run began: the result went.
  void Started();
  void Progress(int percent);
  // A run ended (completed, stopped or failed; Result() says which), or a result was dropped.
  void Ended();

 private:
  AppContext& app_;
  PageHost& host_;
  Page& page_;
  ReadTask task_;
  std::shared_ptr<const FieldStatistics> result_;
  std::uint64_t result_load_ = 0;  // LoadNumber of the set the result is of
  bool stop_asked_ = false;
  QString status_text_;
};

}  // namespace tallyscan
