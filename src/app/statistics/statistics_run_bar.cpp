#include "app/statistics/statistics_run_bar.h"

#include <QLabel>
#include <QPushButton>

#include "app/statistics/statistics_run.h"
#include "app/widgets/progress_bar.h"

namespace tallyscan {

StatisticsRunBar::StatisticsRunBar(StatisticsRun& run, QWidget* parent)
    : RunBar({.run_tip = QStringLiteral("חישוב סטטיסטיקת השדות וסיכומי היצרן (F5)"),
              .stop_tip = QStringLiteral("עצירת החישוב (Esc)")},
             parent),
      run_(run) {
  connect(RunButton(), &QPushButton::clicked, &run_, &StatisticsRun::Run);
  connect(StopButton(), &QPushButton::clicked, &run_, &StatisticsRun::Stop);
  connect(&run_, &StatisticsRun::Progress, Progress(), &QProgressBar::setValue);
  connect(&run_, &StatisticsRun::Started, this, &StatisticsRunBar::ShowState);
  connect(&run_, &StatisticsRun::Ended, this, &StatisticsRunBar::ShowState);
  ShowState();
}

void StatisticsRunBar::AddResultButton(QPushButton* button) {
  AddButton(button);
  result_buttons_.push_back(button);
  ShowState();
}

void StatisticsRunBar::ShowState() {
  const bool running = run_.Running();
  ShowRunning(running, running);
  for (QPushButton* button : result_buttons_) {
    button->setEnabled(!running && run_.Result() != nullptr);
  }
  Status()->setText(run_.StatusText());
}

}  // namespace tallyscan
