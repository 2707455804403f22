#include "app/widgets/run_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "app/widgets/progress_bar.h"

namespace tallyscan {

RunBar::RunBar(const RunBarParts& parts, QWidget* parent) : QWidget(parent) {
  run_button_ = new QPushButton(QStringLiteral("הפעל"), this);
  run_button_->setObjectName(parts.run_name);
  run_button_->setToolTip(parts.run_tip);
  stop_button_ = new QPushButton(QStringLiteral("עצור"), this);
  stop_button_->setObjectName(parts.stop_name);
  stop_button_->setToolTip(parts.stop_tip);
  progress_ = new PercentProgressBar(this);
  progress_->setObjectName(parts.progress_name);
  progress_->setRange(0, 100);
  progress_->setFixedHeight(20);
  status_ = new QLabel(this);
  status_->setObjectName(parts.status_name);
  buttons_ = new QHBoxLayout(this);
  buttons_->setContentsMargins(0, 0, 0, 0);
  buttons_->addWidget(run_button_);
  buttons_->addWidget(stop_button_);
  buttons_->addWidget(progress_, 1);
  buttons_->addWidget(status_, 1);
}

void RunBar::AddButton(QPushButton* button) {
  buttons_->insertWidget(buttons_->indexOf(stop_button_) + 1 + added_, button);
  ++added_;
}

void RunBar::ShowRunning(bool running, bool reading) {
  run_button_->setEnabled(!running);
  stop_button_->setEnabled(running);
  progress_->setVisible(reading);
}

}  // namespace tallyscan
