#include "app/statistics/month_chart.h"

#include <algorithm>
#include <vector>

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QVBoxLayout>
#include <QValueAxis>

#include "app/app_texts.h"

namespace tallyscan {

// Short enough to stand whole under a bar of a year's chart at 1366 x 768.
const QString MonthChart::kBeforeCaption = QStringLiteral("לפני");
const QString MonthChart::kAfterCaption = QStringLiteral("אחרי");

MonthChart::MonthChart(QWidget* parent) : QWidget(parent) {
  chart_ = new QChart;
  chart_->legend()->hide();
  view_ = new QChartView(chart_, this);
  view_->setObjectName(QStringLiteral("monthChart"));
  view_->setRenderHint(QPainter::Antialiasing);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
}

void MonthChart::Clear() {
  chart_->removeAllSeries();
  for (QAbstractAxis* axis : chart_->axes()) {
    chart_->removeAxis(axis);
    delete axis;
  }
  bars_ = nullptr;
  categories_.clear();
  chart_->setTitle(QString());
}

void MonthChart::Show(const FieldFigures* field, const JetPeriod& period) {
  Clear();
  if (field == nullptr || !field->IsDate()) return;
  QString title = FromStd(field->field->caption) + QStringLiteral(" (") +
                  QString::number(field->field->code) + QStringLiteral(") — תאריכים לפי חודש");
  if (!period.from || !period.to) {
    chart_->setTitle(title + QStringLiteral(": לקובץ אין תקופה"));
    return;
  }
  title += QStringLiteral(", תקופה ") + FromStd(*period.from) + QStringLiteral(" עד ") +
           FromStd(*period.to) + QStringLiteral(" (באפור: לפני התקופה ואחריה)");
  chart_->setTitle(title);

  // Right to left: the bars are laid from the last category to the first, so that the dates
  // before the period stand at the right, the counts' axis beside them.
  QStringList captions;
  std::vector<std::int64_t> counts;
  captions << kBeforeCaption;
  counts.push_back(field->before.value_or(0));
  for (const MonthCount& month : field->months) {
    captions << FromStd(MonthText(month));
    counts.push_back(month.count);
  }
  captions << kAfterCaption;
  counts.push_back(field->after.value_or(0));
  bars_ = new QBarSet(QStringLiteral("תאריכים"));
  // Each count stands above its bar, where a short bar leaves it room.
  bars_->setLabelColor(Qt::black);
  // The dates outside the period in a colour of their own.
  bars_->setSelectedColor(QColor(0xA0, 0xA0, 0xA0));
  double top = 0;
  for (qsizetype i = captions.size() - 1; i >= 0; --i) {
    categories_ << captions[i];
    const auto count = static_cast<double>(counts[static_cast<std::size_t>(i)]);
    bars_->append(count);
    top = std::max(top, count);
  }
  bars_->selectBars({0, bars_->count() - 1});
  auto* series = new QBarSeries;
  series->append(bars_);
  series->setLabelsVisible(true);
  series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
  series->setLabelsFormat(QStringLiteral("@value"));
  chart_->addSeries(series);
  auto* x = new QBarCategoryAxis;
  x->append(categories_);
  auto* y = new QValueAxis;
  // Room above the highest bar for its count.
  y->setRange(0, top > 0 ? top * 1.15 : 1);
  // Round ticks where they stay whole counts.
  if (top >= 10) y->applyNiceNumbers();
  y->setLabelFormat(QStringLiteral("%d"));
  chart_->addAxis(x, Qt::AlignBottom);
  chart_->addAxis(y, Qt::AlignRight);
  series->attachAxis(x);
  series->attachAxis(y);
}

}  // namespace tallyscan
