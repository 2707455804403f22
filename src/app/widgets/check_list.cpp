#include "app/widgets/check_list.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

namespace tallyscan {
namespace {

constexpr int kBoxSize = 13;
constexpr int kBoxMargin = 3;

}  // namespace

CheckListDelegate::CheckListDelegate(bool themed, QObject* parent)
    : QStyledItemDelegate(parent), themed_(themed) {}

QRect CheckListDelegate::CheckRect(const QRect& item, Qt::LayoutDirection direction) {
  const QRect box(item.left() + kBoxMargin, item.top() + (item.height() - kBoxSize) / 2, kBoxSize,
                  kBoxSize);
  return QStyle::visualRect(direction, item, box);
}

void CheckListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  painter->save();
  const bool selected = option.state & QStyle::State_Selected;
  const QColor back = option.palette.color(QPalette::ToolTipBase);
  const QColor text_colour(0, 0, 255);
  painter->fillRect(option.rect, selected ? QColor(~back.rgb() & 0xFFFFFF) : back);

  const bool checked = index.data(kCheckRole).toInt() == 1;
  const QRect box = CheckRect(option.rect, option.direction);
  if (themed_) {
    QStyleOptionButton check;
    check.rect = box;
    check.state = QStyle::State_Enabled | (checked ? QStyle::State_On : QStyle::State_Off);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &check, painter, widget);
  } else {
    painter->setPen(Qt::black);
    painter->setBrush(Qt::white);
    painter->drawRect(box.adjusted(0, 0, -1, -1));
    if (checked) {
      painter->setPen(QPen(Qt::black, 2));
      painter->drawLine(box.left() + 3, box.center().y(), box.center().x() - 1, box.bottom() - 3);
      painter->drawLine(box.center().x() - 1, box.bottom() - 3, box.right() - 3, box.top() + 3);
    }
  }

  const QRect text_rect = QStyle::visualRect(
      option.direction, option.rect,
      QRect(option.rect.left() + kBoxSize + 2 * kBoxMargin, option.rect.top(),
            option.rect.width() - kBoxSize - 2 * kBoxMargin, option.rect.height()));
  painter->setPen(selected ? QColor(~text_colour.rgb() & 0xFFFFFF) : text_colour);
  painter->setFont(option.font);
  painter->drawText(
      text_rect,
      static_cast<int>(QStyle::visualAlignment(option.direction, Qt::AlignLeft | Qt::AlignVCenter)),
      index.data(Qt::DisplayRole).toString());
  if (option.state & QStyle::State_HasFocus) {
    painter->setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
  }
  painter->restore();
}

QSize CheckListDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  size.setHeight(std::max(size.height(), kBoxSize + 2 * kBoxMargin));
  return size;
}

bool CheckListDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                    const QStyleOptionViewItem& option, const QModelIndex& index) {
  bool toggle = false;
  if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    const bool on_box =
        mouse->button() == Qt::LeftButton &&
        CheckRect(option.rect, option.direction).contains(mouse->position().toPoint());
    if (on_box && event->type() == QEvent::MouseButtonPress) return true;
    toggle = on_box;
  } else if (event->type() == QEvent::KeyPress) {
    toggle = static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space;
  }
  if (!toggle) return QStyledItemDelegate::editorEvent(event, model, option, index);
  model->setData(index, index.data(kCheckRole).toInt() == 1 ? 0 : 1, kCheckRole);
  return true;
}

void MakeCheckList(QListWidget* list, bool themed) {
  list->setItemDelegate(new CheckListDelegate(themed, list));
}

}  // namespace tallyscan
