#pragma once

// The row above each statistics tab: "הפעל" and "עצור" of the shared run, the tab's own
// buttons after them, the progress bar while the run reads and the line saying how the last
// run ended. Every bar over the same run shows the same state.

#include <vector>

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QPushButton;

namespace tallyscan {

class PercentProgressBar;
class StatisticsRun;

class StatisticsRunBar final : public QWidget {
  Q_OBJECT
 public:
  // `run` must outlive the bar.
  StatisticsRunBar(StatisticsRun& run, QWidget* parent);

  // A button of the tab, after "עצור"; it is enabled only while a result is shown.
  void AddResultButton(QPushButton* button);

  QPushButton* RunButton() const { return run_button_; }
  QPushButton* StopButton() const { return stop_button_; }
  PercentProgressBar* Progress() const { return progress_; }
  QLabel* Status() const { return status_; }

 private:
  void ShowState();

  StatisticsRun& run_;
  QHBoxLayout* buttons_ = nullptr;
  QPushButton* run_button_ = nullptr;
  QPushButton* stop_button_ = nullptr;
  std::vector<QPushButton*> result_buttons_;
  PercentProgressBar* progress_ = nullptr;
  QLabel* status_ = nullptr;
};

}  // namespace tallyscan
