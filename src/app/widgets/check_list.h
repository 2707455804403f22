#pragma once

#include <QStyledItemDelegate>

class QListWidget;

namespace tallyscan {

// Item data role holding an item's check state: 0 or 1.
inline constexpr int kCheckRole = Qt::UserRole;

// Draws the items of a tick list on the tooltip colour, text in blue, each behind a check
// box: the style's own when `themed`, a plain framed box otherwise. A click on the box or
// the space bar on the current item toggles it.
class CheckListDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  CheckListDelegate(bool themed, QObject* parent);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

  // Where the check box of an item drawn in `item` lies.
  static QRect CheckRect(const QRect& item, Qt::LayoutDirection direction);

 private:
  bool themed_;
};

// Makes `list` a tick list drawn by CheckListDelegate; `themed` is the context's
// is_modern_windows.
void MakeCheckList(QListWidget* list, bool themed);

}  // namespace tallyscan
