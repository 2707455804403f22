#pragma once

#include <QTimer>
#include <QWidget>

namespace tallyscan {

// The output dialog's animation while a report is produced: a sheet passing through a printer,
// drawn frame by frame. It moves as long as the window's events are handled, which the long
// run does between its lines.
class ReportAnimation final : public QWidget {
  Q_OBJECT
 public:
  explicit ReportAnimation(QWidget* parent);

  void Start();
  void Stop();
  bool Running() const { return timer_.isActive(); }
  int Frame() const { return frame_; }

  static constexpr int kFrames = 12;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QTimer timer_;
  int frame_ = 0;
};

}  // namespace tallyscan
