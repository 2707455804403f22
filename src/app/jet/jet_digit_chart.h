#pragma once

// The chart of one digit test's population: the actual proportions as bars, the expected
// ones as a line over them, N, MAD with its class, χ² and p in the title. Two boxes choose
// the test (first, second, first-two, last-two digits) and the population (all, debit,
// credit). A click on a bar asks for the lines of that digit.

#include <memory>

#include <QWidget>

#include "engine/analytics/jet.h"

class QBarSet;
class QChart;
class QChartView;
class QComboBox;

namespace tallyscan {

class JetDigitChart final : public QWidget {
  Q_OBJECT
 public:
  explicit JetDigitChart(QWidget* parent = nullptr);

  // The result to chart; null empties the chart.
  void SetResult(std::shared_ptr<const JetResult> result);
  // Shows `test` (a digit test) and `population`.
  void Choose(JetTest test, JetPopulationKind population);
  JetTest Test() const;
  JetPopulationKind Population() const;

  QChart* Chart() const { return chart_; }
  QChartView* View() const { return view_; }
  // The actual proportions' bars; null while nothing is charted.
  QBarSet* ActualBars() const { return actual_; }

 signals:
  // The bar of `digit` (a digit, a pair 10-99 or an ending 0-99) was clicked.
  void BarClicked(JetTest test, JetPopulationKind population, int digit);

 private:
  void Redraw();

  std::shared_ptr<const JetResult> result_;
  QComboBox* test_box_ = nullptr;
  QComboBox* population_box_ = nullptr;
  QChart* chart_ = nullptr;
  QChartView* view_ = nullptr;
  QBarSet* actual_ = nullptr;
};

// The chart's title: the caption, the population, N, MAD and its class, χ², and p, figures as
// the grids write them ("—" where the population has none).
QString DigitChartTitle(const JetDigitResult& digits, JetPopulationKind population);

}  // namespace tallyscan
