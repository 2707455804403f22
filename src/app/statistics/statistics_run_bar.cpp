#include "app/statistics/statistics_run_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "app/statistics/statistics_run.h"
#include "app/widgets/progress_bar.h"

namespace tallyscan {

StatisticsRunBar::StatisticsRunBar(StatisticsRun& run, QWidget* parent)
    : QWidget(parent), run_(run) {
  run_button_ = new QPushButton(QStringLiteral("הפעל"), this);
  run_button_->setObjectName(QStringLiteral("runButton"));
  run_button_->setToolTip(QStringLiteral("חישוב סטטיסטיקת השדות וסיכומי היצרן (F5)"));
  stop_button_ = new QPushButton(QStringLiteral("עצור"), this);
  stop_button_->setObjectName(QStringLiteral("stopButton"));
  stop_button_->setToolTip(QStringLiteral("עצירת החישוב (Esc)"));
  progress_ = new PercentProgressBar(this);
  progress_->setObjectName(QStringLiteral("progressBar"));
  progress_->setRange(0, 100);
  progress_->setFixedHeight(20);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("runStatus"));
  buttons_ = new QHBoxLayout(this);
  buttons_->setContentsMargins(0, 0, 0, 0);
  buttons_->addWidget(run_button_);
  buttons_->addWidget(stop_button_);
  buttons_->addWidget(progress_, 1);
  buttons_->addWidget(status_, 1);
  connect(run_button_, &QPushButton::clicked, &run_, &StatisticsRun::Run);
  connect(stop_button_, &QPushButton::clicked, &run_, &StatisticsRun::Stop);
  connect(&run_, &StatisticsRun::Progress, progress_, &QProgressBar::setValue);
  connect(&run_, &StatisticsRun::Started, this, &StatisticsRunBar::ShowState);
  connect(&run_, &StatisticsRun::Ended, this, &StatisticsRunBar::ShowState);
  ShowState();
}

void StatisticsRunBar::AddResultButton(QPushButton* button) {
  buttons_->insertWidget(
      buttons_->indexOf(stop_button_) + 1 + static_cast<int>(result_buttons_.size()), button);
  result_buttons_.push_back(button);
  ShowState();
}

void StatisticsRunBar::ShowState() {
  const bool running = run_.Running();
  run_button_->setEnabled(!running);
  stop_button_->setEnabled(running);
  for (QPushButton* button : result_buttons_) {
    button->setEnabled(!running && run_.Result() != nullptr);
  }
  progress_->setVisible(running);
  status_->setText(run_.StatusText());
}

}  // namespace tallyscan
