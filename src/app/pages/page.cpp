#include "app/pages/page.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/images.h"
#include "app/shared_fonts.h"
#include "app/widgets/drawing.h"
#include "app/widgets/grid.h"

namespace tallyscan {

Page::Page(AppContext& app, PageHost& host, int number, bool needs_data, QWidget* parent)
    : QWidget(parent), app_(app), host_(host), number_(number), needs_data_(needs_data) {
  setObjectName(QStringLiteral("page%1").arg(number));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void Page::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintPageBand(painter, rect(), layoutDirection());
}

EmptyPage::EmptyPage(AppContext& app, PageHost& host, int number, bool needs_data,
                     const QString& note, QWidget* parent)
    : Page(app, host, number, needs_data, parent) {
  note_ = new QLabel(note, this);
  note_->setObjectName(QStringLiteral("note"));
  note_->setFont(host.Fonts().Tahoma13);
  note_->setAlignment(Qt::AlignCenter);
  note_->setWordWrap(true);
  note_->setMaximumWidth(560);
  auto* layout = new QVBoxLayout(this);
  layout->addStretch(1);
  layout->addWidget(note_, 0, Qt::AlignCenter);
  layout->addStretch(1);
}

QString EmptyPage::Note() const { return note_->text(); }

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
