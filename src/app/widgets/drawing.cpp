#include "app/widgets/drawing.h"

#include <QLinearGradient>
#include <QPainter>
#include <QStyle>

namespace tallyscan {

void DrawTransparentBitmap(QPainter& painter, const QImage& bitmap, int x, int y,
                           long long transparent) {
  if (bitmap.isNull()) return;
  QImage image = bitmap.convertToFormat(QImage::Format_ARGB32);
  const QRgb key =
      transparent < 0 ? (image.pixel(0, 0) & 0xFFFFFFu) : static_cast<QRgb>(transparent & 0xFFFFFF);
  for (int row = 0; row < image.height(); ++row) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
    for (int col = 0; col < image.width(); ++col) {
      if ((line[col] & 0xFFFFFFu) == key) line[col] = 0;
    }
  }
  // A picture made for another density than the target's is scaled: smoothly, not by
  // dropping pixels.
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(x, y, image);
  painter.restore();
}

void PaintPageBand(QPainter& painter, const QRect& rect, Qt::LayoutDirection direction) {
  const bool rtl = direction == Qt::RightToLeft;
  QLinearGradient gradient(rtl ? rect.topRight() : rect.topLeft(),
                           rtl ? rect.topLeft() : rect.topRight());
  gradient.setColorAt(0, QColor(224, 224, 224));
  gradient.setColorAt(1, QColor(180, 195, 218));
  painter.fillRect(rect, gradient);
}

void PaintMainBand(QPainter& painter, const QRect& client, Qt::LayoutDirection direction) {
  const QRect band = QStyle::visualRect(
      direction, client, QRect(client.left(), client.top(), kMainBandWidth, client.height()));
  QLinearGradient gradient(band.topLeft(), band.bottomLeft());
  gradient.setColorAt(0, QColor(65, 123, 174));
  gradient.setColorAt(1, QColor(180, 195, 218));
  painter.fillRect(band, gradient);
}

}  // namespace tallyscan
