#include "app/widgets/strip_animation.h"

#include <QPainter>

namespace tallyscan {

StripAnimation::StripAnimation(const QImage& strip, int frame_width, int interval_ms,
                               QWidget* parent)
    : QWidget(parent),
      strip_(strip),
      frame_width_(frame_width),
      frames_(frame_width > 0 ? strip.width() / frame_width : 0) {
  timer_.setInterval(interval_ms);
  connect(&timer_, &QTimer::timeout, this, [this] {
    if (frames_ > 0) frame_ = (frame_ + 1) % frames_;
    update();
  });
}

void StripAnimation::Start() { timer_.start(); }

void StripAnimation::Stop() {
  timer_.stop();
  frame_ = 0;
  update();
}

QSize StripAnimation::sizeHint() const { return {frame_width_, strip_.height()}; }

void StripAnimation::paintEvent(QPaintEvent*) {
  if (frames_ == 0) return;
  QPainter painter(this);
  const QRect source(frame_ * frame_width_, 0, frame_width_, strip_.height());
  const QPoint place((width() - frame_width_) / 2, (height() - strip_.height()) / 2);
  painter.drawImage(place, strip_, source);
}

}  // namespace tallyscan
