#include "app/widgets/grid_delegate.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QTextOption>

#include "app/widgets/grid.h"

namespace tallyscan {

int FigureWidth(const QFontMetrics& metrics, const QString& figure) {
  return metrics.horizontalAdvance(figure) + 2 * kFigureMargin;
}

QString GridDelegate::FigureShown(const QFontMetrics& metrics, const QString& figure, int width) {
  if (FigureWidth(metrics, figure) <= width) return figure;
  const int room = width - 2 * kFigureMargin;
  const int hash = metrics.horizontalAdvance(QLatin1Char('#'));
  return QString(std::max(1, hash > 0 ? room / hash : 1), QLatin1Char('#'));
}

QString GridDelegate::FigureShown(const QFontMetrics& metrics, const QString& figure,
                                  const QRect& cell, const QRect& visible) {
  if (cell.left() >= visible.left() && cell.right() <= visible.right()) {
    return FigureShown(metrics, figure, cell.width());
  }
  const int shown = std::min(cell.right(), visible.right()) - std::max(cell.left(), visible.left());
  const int hash = metrics.horizontalAdvance(QLatin1Char('#'));
  const int room = shown + 1 - 2 * kFigureMargin;
  return QString(std::max(1, hash > 0 ? room / hash : 1), QLatin1Char('#'));
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  if (!index.data(kFigureRole).toBool()) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  QStyleOptionViewItem cell = option;
  initStyleOption(&cell, index);
  const QString figure = cell.text;
  cell.text.clear();
  const QWidget* widget = option.widget;
  QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

  const QFontMetrics metrics(cell.font);
  const auto* view = qobject_cast<const QAbstractItemView*>(widget);
  QRect room = cell.rect;
  QString shown;
  if (view != nullptr) {
    const QRect visible = view->viewport()->rect();
    shown = FigureShown(metrics, figure, cell.rect, visible);
    room = cell.rect.intersected(
        QRect(visible.left(), cell.rect.top(), visible.width(), cell.rect.height()));
  } else {
    shown = FigureShown(metrics, figure, cell.rect.width());
  }
  painter->save();
  painter->setFont(cell.font);
  const bool selected = cell.state & QStyle::State_Selected;
  painter->setPen(
      cell.palette.color(cell.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled,
                         selected ? QPalette::HighlightedText : QPalette::Text));
  QTextOption layout(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
  layout.setTextDirection(cell.direction);
  layout.setWrapMode(QTextOption::NoWrap);
  painter->drawText(QRectF(room.adjusted(kFigureMargin, 0, -kFigureMargin, 0)), shown, layout);
  painter->restore();
}

}  // namespace tallyscan
