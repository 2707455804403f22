#pragma once

// The row above each statistics tab: the run bar over the shared run, the tab's own buttons
// after "עצור". Every bar over the same run shows the same state.

#include <vector>

#include "app/widgets/run_bar.h"

namespace tallyscan {

class StatisticsRun;

class StatisticsRunBar final : public RunBar {
  Q_OBJECT
 public:
  // `run` must outlive the bar.
  StatisticsRunBar(StatisticsRun& run, QWidget* parent);

  // A button of the tab, after "עצור"; it is enabled only while a result is shown.
  void AddResultButton(QPushButton* button);

 private:
  void ShowState();

  StatisticsRun& run_;
  std::vector<QPushButton*> result_buttons_;
};

}  // namespace tallyscan
