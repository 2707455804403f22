#include "app/widgets/button_style.h"

#include <algorithm>

#include <QPainter>
#include <QStyleOptionButton>

namespace tallyscan {

void ButtonStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const {
  const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
  if (element != CE_PushButtonLabel || button == nullptr || button->icon.isNull() ||
      button->text.isEmpty() || button->direction != Qt::RightToLeft) {
    QProxyStyle::drawControl(element, option, painter, widget);
    return;
  }
  const bool enabled = (button->state & State_Enabled) != 0;
  const QIcon::Mode mode = !enabled                                ? QIcon::Disabled
                           : (button->state & State_HasFocus) != 0 ? QIcon::Active
                                                                   : QIcon::Normal;
  const QIcon::State state = (button->state & State_On) != 0 ? QIcon::On : QIcon::Off;
  const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1;
  const QPixmap pixmap = button->icon.pixmap(button->iconSize, ratio, mode, state);
  const QSize picture = (pixmap.deviceIndependentSize()).toSize();

  int flags = Qt::AlignVCenter | Qt::TextShowMnemonic;
  if (proxy()->styleHint(SH_UnderlineShortcut, button, widget) == 0) flags |= Qt::TextHideMnemonic;
  constexpr int kSpacing = 4;
  QRect area = button->rect;
  const int text_width = button->fontMetrics.boundingRect(area, flags, button->text).width();
  const int group = picture.width() + kSpacing + text_width;
  if ((button->state & (State_On | State_Sunken)) != 0) {
    area.translate(proxy()->pixelMetric(PM_ButtonShiftHorizontal, option, widget),
                   proxy()->pixelMetric(PM_ButtonShiftVertical, option, widget));
  }
  // The caption at the left of the group, the picture at its right: where reading starts.
  const int left = area.left() + std::max(0, (area.width() - group) / 2);
  const QRect text_rect(left, area.top(), text_width, area.height());
  const QPoint picture_at(left + text_width + kSpacing,
                          area.top() + (area.height() - picture.height()) / 2);
  painter->drawPixmap(picture_at, pixmap);
  proxy()->drawItemText(painter, text_rect, flags | Qt::AlignLeft | Qt::AlignAbsolute,
                        button->palette, enabled, button->text, QPalette::ButtonText);
}

}  // namespace tallyscan
