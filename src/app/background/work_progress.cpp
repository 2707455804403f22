#include "app/background/work_progress.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>

#include "app/background/read_task.h"
#include "app/widgets/progress_bar.h"

namespace tallyscan {

WorkProgress::WorkProgress(QWidget* page) : QWidget(page) {
  setObjectName(QStringLiteral("workProgress"));
  bar_ = new PercentProgressBar(this);
  bar_->setObjectName(QStringLiteral("workBar"));
  bar_->setRange(0, 100);
  bar_->setFixedWidth(160);
  stop_ = new QPushButton(QStringLiteral("עצור"), this);
  stop_->setObjectName(QStringLiteral("workStopButton"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(bar_);
  layout->addWidget(stop_);
  // Hidden or shown, the widget keeps its room: the controls beside it stay put.
  QSizePolicy policy = sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  setSizePolicy(policy);
  hide();

  escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), page, [this] { StopAll(); });
  escape_->setContext(Qt::WidgetWithChildrenShortcut);
  escape_->setEnabled(false);
  connect(stop_, &QPushButton::clicked, this, &WorkProgress::StopAll);
  show_timer_.setSingleShot(true);
  show_timer_.setInterval(kShowAfterMs);
  connect(&show_timer_, &QTimer::timeout, this, [this] {
    if (Running()) show();
  });
}

void WorkProgress::Watch(ReadTask& task) {
  tasks_.emplace_back(&task);
  connect(&task, &ReadTask::Progress, bar_, &QProgressBar::setValue);
  connect(&task, &ReadTask::RunningChanged, this, &WorkProgress::Update);
}

bool WorkProgress::Running() const {
  for (const QPointer<ReadTask>& task : tasks_) {
    if (task && task->Running()) return true;
  }
  return false;
}

void WorkProgress::StopAll() {
  for (const QPointer<ReadTask>& task : tasks_) {
    if (task) task->Stop();
  }
}

void WorkProgress::Update() {
  const bool running = Running();
  escape_->setEnabled(running);
  if (!running) {
    show_timer_.stop();
    hide();
    return;
  }
  if (isHidden() && !show_timer_.isActive()) {
    bar_->setValue(0);
    show_timer_.start();
  }
}

}  // namespace tallyscan
