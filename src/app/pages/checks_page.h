#pragma once

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/pages/page.h"
#include "engine/checks/checks.h"

namespace tallyscan {

class Grid;
class MainButton;
class PercentProgressBar;
class RecordDetailDialog;
class ResultList;

// Page 2: the user ticks the checks to run in two lists (bookkeeping, documents), presses
// "בדוק" and reads the findings in the result list, which fills while the run goes on.
// During a run "עצור" takes the place of "בדוק" beside the title of the running check and
// the progress bar. The rows stay until the next run or the next import. A finding about one
// record opens that record's detail (Enter or a double-click on its row).
class ChecksPage final : public Page {
  Q_OBJECT
 public:
  static constexpr PageId kId = PageId::kChecks;

  ChecksPage(AppContext& app, PageHost& host, QWidget* parent);
  ~ChecksPage() override;

  QWidget* DefaultFocus() override;
  void RunMainAction() override;
  void StopRun() override { Stop(); }
  void BusyChanged(bool busy) override;

  // "בדוק": runs the ticked checks over the loaded data set; returns when the run has ended.
  void Start();
  // "עצור": the run ends at its next record with the stopped row.
  void Stop();
  bool Running() const { return running_; }

  // Empties the rows and the result list (a new data set is being read).
  void ClearResults();
  // "הדפס": the findings through the output dialog (report "Checks").
  void Print();

  const CheckResultRows& Rows() const { return rows_; }
  CheckTicks& Ticks() { return ticks_; }
  Grid* ResultGrid() const;
  ResultList* Results() const { return results_; }
  // The records the finding on row `row` is about (none for most rows).
  std::vector<RecordReference> RecordsOfRow(int row) const;
  // Opens the record of row `row` in the source-record viewer; null when it names none.
  RecordDetailDialog* OpenRow(int row);
  // The clock of the start and end rows; tests give a fixed one. Null restores the system's.
  void SetClock(const Clock* clock) { clock_ = clock ? clock : &system_clock_; }

 private:
  void ShowRunning(bool running);
  void FillList(QListWidget* list, const TickList& ticks);
  // The user toggled an item: the list's rule applies, then every item shows its state.
  void Toggled(QListWidget* list, TickList& ticks, int item);
  void ShowTicks(QListWidget* list, const TickList& ticks);

  CheckTicks ticks_;
  CheckResultRows rows_;
  // The rows about one record, by row, in the order the run wrote them.
  std::vector<std::pair<std::size_t, RecordReference>> record_rows_;
  SystemClock system_clock_;
  const Clock* clock_ = &system_clock_;

  QLabel* caption_ = nullptr;
  QListWidget* bookkeeping_list_ = nullptr;  // control 1036
  QListWidget* documents_list_ = nullptr;    // control 1037
  MainButton* run_button_ = nullptr;
  MainButton* stop_button_ = nullptr;
  QPushButton* print_button_ = nullptr;
  QLabel* status_label_ = nullptr;
  PercentProgressBar* progress_bar_ = nullptr;
  ResultList* results_ = nullptr;
  bool running_ = false;
  bool stop_requested_ = false;  // StopRequested of the run going on
  bool showing_ticks_ = false;
};

}  // namespace tallyscan
