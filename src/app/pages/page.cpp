#include "app/pages/page.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "app/shared_fonts.h"
#include "app/widgets/drawing.h"

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

}  // namespace tallyscan
