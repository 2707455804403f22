#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

namespace tallyscan {

// Plays the frames of a picture strip (frames of equal width side by side) in a loop while
// it runs; shows the first frame when stopped.
class StripAnimation final : public QWidget {
  Q_OBJECT
 public:
  StripAnimation(const QImage& strip, int frame_width, int interval_ms, QWidget* parent);

  void Start();
  void Stop();
  bool Running() const { return timer_.isActive(); }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage strip_;
  int frame_width_;
  int frames_;
  int frame_ = 0;
  QTimer timer_;
};

}  // namespace tallyscan
