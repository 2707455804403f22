#include "app/pages/page.h"

#include <QPainter>

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

}  // namespace tallyscan
