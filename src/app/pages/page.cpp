#include "app/pages/page.h"

#include <QItemSelectionModel>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QToolButton>

#include "app/images.h"
#include "app/shared_fonts.h"
#include "app/widgets/drawing.h"
#include "app/widgets/grid.h"

namespace tallyscan {

Page::Page(AppContext& app, PageHost& host, PageId id, QWidget* parent)
    : QWidget(parent), app_(app), host_(host), id_(id) {
  setObjectName(QStringLiteral("page%1").arg(Number()));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void Page::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintPageBand(painter, rect(), layoutDirection());
}

void SaveGridView(const Grid& grid, PageView& view) {
  const QModelIndex current = grid.selectionModel()->currentIndex();
  const bool chosen = current.isValid() && grid.selectionModel()->isRowSelected(current.row(), {});
  view.row = chosen ? current.row() : -1;
  view.column = chosen ? current.column() : 0;
  view.vertical_scroll = grid.verticalScrollBar()->value();
  view.horizontal_scroll = grid.horizontalScrollBar()->value();
  view.sort_field = grid.SortIndex();
}

void RestoreGridView(Grid& grid, const PageView& view) {
  if (view.row >= 0 && view.row < grid.model()->rowCount()) {
    grid.selectionModel()->setCurrentIndex(
        grid.model()->index(view.row, view.column),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  grid.verticalScrollBar()->setValue(view.vertical_scroll);
  grid.horizontalScrollBar()->setValue(view.horizontal_scroll);
}

QToolButton* MakeToolButton(const QString& caption, const QString& tooltip, const QString& picture,
                            const QString& name, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setText(caption);
  button->setToolTip(tooltip);
  button->setIcon(QIcon(QPixmap::fromImage(Picture(picture))));
  button->setIconSize(QSize(24, 24));
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  button->setAutoRaise(true);
  return button;
}

}  // namespace tallyscan
