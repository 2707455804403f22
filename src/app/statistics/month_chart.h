#pragma once

// The dates of one date field by month of the period, as bars read right to left: the dates
// before the period at the right, each month in order, the dates after it at the left, each
// bar's count above it in black, the two bars outside the period in grey (the title says
// so). The chart keeps copies of the figures it shows.

#include <QWidget>

#include "engine/analytics/analytics.h"

class QBarSet;
class QChart;
class QChartView;

namespace tallyscan {

class MonthChart final : public QWidget {
  Q_OBJECT
 public:
  explicit MonthChart(QWidget* parent = nullptr);

  // The captions of the bars of the dates before and after the period.
  static const QString kBeforeCaption;
  static const QString kAfterCaption;

  // The months of `field` (a date field's figures) under `period`; null empties the chart.
  void Show(const FieldFigures* field, const JetPeriod& period);

  QChart* Chart() const { return chart_; }
  QChartView* View() const { return view_; }
  // The bars, one per category (after, the months from the last, before: left to right);
  // null while nothing is charted.
  QBarSet* Bars() const { return bars_; }
  // The bars' captions in the order of the bars.
  const QStringList& Categories() const { return categories_; }

 private:
  void Clear();

  QChart* chart_ = nullptr;
  QChartView* view_ = nullptr;
  QBarSet* bars_ = nullptr;
  QStringList categories_;
};

}  // namespace tallyscan
