#include "app/widgets/main_button.h"

#include <algorithm>

#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

#include "app/widgets/drawing.h"

namespace tallyscan {
namespace {

constexpr int kCaptionMax = 64;
const QColor kTop(161, 192, 219);
const QColor kBottom(59, 91, 120);
const QColor kFrame(0, 60, 116);
const QColor kDefaultRing(149, 180, 232);
const QColor kHotRing(252, 210, 121);

void DrawInnerRing(QPainter& painter, const QRect& rect, const QColor& colour) {
  painter.setPen(QPen(colour, 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(QRectF(rect).adjusted(4, 4, -4, -4), 1.5, 1.5);
}

}  // namespace

void PaintMainButton(QPainter& painter, const MainButtonLook& look) {
  const QRect& r = look.rect;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath clip;
  clip.addRoundedRect(QRectF(r), 3, 3);
  painter.setClipPath(clip);

  QLinearGradient gradient(r.topLeft(), r.bottomLeft());
  gradient.setColorAt(0, look.pressed ? kBottom : kTop);
  gradient.setColorAt(1, look.pressed ? kTop : kBottom);
  painter.fillRect(r, gradient);

  painter.setPen(QPen(kFrame, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(QRectF(r).adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
  if (look.is_default) DrawInnerRing(painter, r, kDefaultRing);
  if (look.hot && !look.pressed) DrawInnerRing(painter, r, kHotRing);
  painter.setRenderHint(QPainter::Antialiasing, false);

  if (look.focused) {
    // Two tones, so that the mark shows on the light top and on the dark bottom of the
    // gradient alike: a white ring broken by black dashes.
    const QRectF ring = QRectF(r).adjusted(6, 6, -6, -6);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawRect(ring);
    QPen dashes(Qt::black, 2, Qt::CustomDashLine);
    dashes.setDashPattern({2, 2});
    painter.setPen(dashes);
    painter.drawRect(ring);
  }

  // Laid out from the left edge, then mirrored for a right-to-left window.
  int caption_start = 4;
  if (!look.picture.isNull()) {
    // In logical pixels: a picture for a dense screen has twice as many of its own.
    const QSize picture = look.picture.deviceIndependentSize().toSize();
    const int y = std::max(0, (r.height() - picture.height()) / 2);
    const QRect place =
        QStyle::visualRect(look.direction, r, QRect(QPoint(r.left() + 4, r.top() + y), picture));
    DrawTransparentBitmap(painter, look.picture, place.x(), place.y(), -1);
    caption_start = 4 + picture.width() + 8;
  }
  QRect caption(r.left() + caption_start, r.top() + 4, r.width() - caption_start - 4,
                r.height() - 8);
  if (look.pressed) caption.translate(-1, -1);
  caption = QStyle::visualRect(look.direction, r, caption);
  const Qt::Alignment align =
      look.picture.isNull()
          ? Qt::AlignCenter
          : QStyle::visualAlignment(look.direction, Qt::AlignLeft | Qt::AlignVCenter);
  painter.setFont(look.font);
  painter.setPen(look.enabled ? QColor(Qt::black) : QColor(192, 192, 192));
  painter.setLayoutDirection(look.direction);
  painter.drawText(caption, static_cast<int>(align) | Qt::TextSingleLine,
                   look.caption.left(kCaptionMax));
  painter.restore();
}

MainButton::MainButton(int id, const QString& caption, const QImage& picture, QWidget* parent)
    : QPushButton(caption, parent), id_(id), picture_(picture) {
  // The bar makes the buttons lower on a low window (ButtonBarButtonHeight).
  setFixedWidth(kMainButtonWidth);
  setMaximumHeight(kMainButtonHeight);
  resize(kMainButtonWidth, kMainButtonHeight);
  // Not auto-default: that would take the default mark of the current page's button away
  // when the focus leaves it. Enter is handled below instead.
  setAutoDefault(false);
  setObjectName(QStringLiteral("button%1").arg(id));
}

void MainButton::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (isEnabled()) click();
    event->accept();
    return;
  }
  QPushButton::keyPressEvent(event);
}

MainButtonLook MainButton::Look() const {
  MainButtonLook look;
  look.rect = rect();
  look.pressed = isDown();
  look.is_default = isDefault();
  look.hot = hot_;
  look.focused = hasFocus();
  look.enabled = isEnabled();
  look.picture = picture_;
  look.caption = text();
  look.font = font();
  look.direction = layoutDirection();
  return look;
}

void MainButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintMainButton(painter, Look());
}

void MainButton::enterEvent(QEnterEvent* event) {
  hot_ = true;
  update();
  QPushButton::enterEvent(event);
}

void MainButton::leaveEvent(QEvent* event) {
  hot_ = false;
  update();
  QPushButton::leaveEvent(event);
}

}  // namespace tallyscan
