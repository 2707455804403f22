#include "app/widgets/report_animation.h"

#include <QPainter>
#include <QPainterPath>

namespace tallyscan {

ReportAnimation::ReportAnimation(QWidget* parent) : QWidget(parent) {
  setFixedSize(72, 56);
  timer_.setInterval(90);
  connect(&timer_, &QTimer::timeout, this, [this] {
    frame_ = (frame_ + 1) % kFrames;
    update();
  });
}

void ReportAnimation::Start() {
  frame_ = 0;
  timer_.start();
  update();
}

void ReportAnimation::Stop() {
  timer_.stop();
  frame_ = 0;
  update();
}

void ReportAnimation::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink(31, 63, 95), paper(250, 250, 245), body(190, 198, 208);
  // The sheet rises out of the printer's top and falls into its tray as the frames go by.
  const double shift = Running() ? frame_ * 2.0 : 0;
  p.setPen(QPen(ink, 1.2));
  p.setBrush(paper);
  p.drawRect(QRectF(22, 4 + shift, 28, 20));
  p.setPen(QPen(QColor(60, 120, 180), 1.2));
  for (int line = 0; line < 3; ++line) {
    const double y = 9 + shift + line * 4;
    p.drawLine(QPointF(26, y), QPointF(46, y));
  }
  QPainterPath printer;
  printer.addRoundedRect(QRectF(6, 22, 60, 22), 4, 4);
  p.setPen(QPen(ink, 1.5));
  p.setBrush(body);
  p.drawPath(printer);
  p.setBrush(Running() && frame_ % 2 == 0 ? QColor(60, 154, 90) : QColor(120, 130, 140));
  p.drawEllipse(QPointF(56, 30), 2.5, 2.5);
  p.setBrush(paper);
  p.drawRect(QRectF(16, 40, 40, 10));
}

}  // namespace tallyscan
