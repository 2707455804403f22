#pragma once

// What a page shows while its work runs off the window's thread (ReadTask): the percentage on
// a bar and "עצור" beside it. The widget appears once any task it watches has run for a moment
// (quick work does not flash it) and hides when none runs; "עצור", or Esc on the page, stops
// every task it watches. It owns none of them: a task destroyed first is simply forgotten.

#include <vector>

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QPushButton;
class QShortcut;

namespace tallyscan {

class PercentProgressBar;
class ReadTask;

class WorkProgress final : public QWidget {
  Q_OBJECT
 public:
  // `page` is where Esc stops the work (the widget's parent, usually).
  explicit WorkProgress(QWidget* page);

  void Watch(ReadTask& task);
  // Any task watched runs.
  bool Running() const;
  // Stops every task watched that runs (each calls its own `done` with false).
  void StopAll();

  PercentProgressBar* Bar() const { return bar_; }
  QPushButton* StopButton() const { return stop_; }

  // How long work runs before the widget shows.
  static constexpr int kShowAfterMs = 150;

 private:
  void Update();

  std::vector<QPointer<ReadTask>> tasks_;
  PercentProgressBar* bar_ = nullptr;
  QPushButton* stop_ = nullptr;
  QShortcut* escape_ = nullptr;
  QTimer show_timer_;
};

}  // namespace tallyscan
