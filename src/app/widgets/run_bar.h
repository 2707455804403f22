#pragma once

// The row over a run of the analysis page's tabs: "הפעל" and "עצור", the tab's own buttons
// after them, the progress bar while the work reads and the line saying how it went. The tab
// owns the run; the bar only shows its state.

#include <QString>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QPushButton;

namespace tallyscan {

class PercentProgressBar;

// What tells one tab's bar from another's: the buttons' tips and the names the parts are found
// by.
struct RunBarParts {
  QString run_tip;
  QString stop_tip;
  QString run_name = QStringLiteral("runButton");
  QString stop_name = QStringLiteral("stopButton");
  QString progress_name = QStringLiteral("progressBar");
  QString status_name = QStringLiteral("runStatus");
};

class RunBar : public QWidget {
  Q_OBJECT
 public:
  RunBar(const RunBarParts& parts, QWidget* parent);

  // A button of the tab, after "עצור" and the buttons added before it.
  void AddButton(QPushButton* button);
  // "הפעל" while no run goes on, "עצור" while one does; the progress bar while `reading` (the
  // run, or other work of the tab that reports on the same bar).
  void ShowRunning(bool running, bool reading);

  QPushButton* RunButton() const { return run_button_; }
  QPushButton* StopButton() const { return stop_button_; }
  PercentProgressBar* Progress() const { return progress_; }
  QLabel* Status() const { return status_; }

 private:
  QHBoxLayout* buttons_ = nullptr;
  QPushButton* run_button_ = nullptr;
  QPushButton* stop_button_ = nullptr;
  int added_ = 0;
  PercentProgressBar* progress_ = nullptr;
  QLabel* status_ = nullptr;
};

}  // namespace tallyscan
