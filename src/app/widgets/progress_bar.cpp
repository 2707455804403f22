#include "app/widgets/progress_bar.h"

#include <QPainter>
#include <QPixmap>

namespace tallyscan {
namespace {

const QColor kFilled(49, 106, 197);
const QColor kFilledText(255, 255, 0);
const QColor kEmpty(255, 255, 255);
const QColor kEmptyText(0, 0, 128);
const QColor kFrame(0, 60, 116);

}  // namespace

PercentProgressBar::PercentProgressBar(QWidget* parent) : QProgressBar(parent) {
  setRange(0, 100);
  setValue(0);
  setAttribute(Qt::WA_OpaquePaintEvent);  // no background erase: every pixel is painted
}

void PercentProgressBar::paintEvent(QPaintEvent*) {
  const QRect whole = rect();
  const int span = maximum() - minimum();
  const int done = span <= 0 ? 0 : (value() - minimum()) * 100 / span;
  const QString text = QString::number(std::max(0, done)) + QLatin1Char('%');
  const int inner_width = whole.width() - 2;
  const int filled_width = span <= 0 ? 0 : inner_width * (value() - minimum()) / span;

  // Each part is drawn whole with its own text colour and then clipped to its share.
  QPixmap canvas(whole.size());
  QPainter painter(&canvas);
  painter.setFont(font());
  const QRect inner = whole.adjusted(1, 1, -1, -1);
  const bool rtl = layoutDirection() == Qt::RightToLeft;
  const QRect filled(rtl ? inner.right() - filled_width + 1 : inner.left(), inner.top(),
                     filled_width, inner.height());

  painter.fillRect(inner, kEmpty);
  painter.setPen(kEmptyText);
  painter.drawText(inner, Qt::AlignCenter, text);

  painter.setClipRect(filled);
  painter.fillRect(inner, kFilled);
  painter.setPen(kFilledText);
  painter.drawText(inner, Qt::AlignCenter, text);
  painter.setClipping(false);

  painter.setPen(kFrame);
  painter.drawRect(whole.adjusted(0, 0, -1, -1));
  painter.end();

  QPainter(this).drawPixmap(0, 0, canvas);
}

}  // namespace tallyscan
