#pragma once

// The chart of one digit test's population: the actual proportions as bars, the expected
// ones as a line over them, N, MAD with its class, χ² and p in the title, both axes titled and
// the proportions' ticks at round values. Two boxes choose the test (first, second, first-two,
// last-two digits) and the population (all, debit, credit). Where the bars are too many for a
// label each (pairs and endings), every fifth digit is labelled and so are the largest
// spikes. A readout under the chart gives the figures of the bar under the mouse, or else of
// the bar chosen. A bar is chosen by a click or with the arrows (Home, End) on the chart;
// a click or Enter asks for the lines of that digit.

#include <memory>

#include <QWidget>

#include "engine/analytics/analytics.h"

class QBarSet;
class QCategoryAxis;
class QChart;
class QChartView;
class QComboBox;
class QLabel;

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
  // The digits' axis; null while nothing is charted.
  QCategoryAxis* DigitAxis() const { return digit_axis_; }
  // The place of the bar chosen (0 for the first bar); -1 when none is.
  int ChosenBar() const { return chosen_; }
  // The figures of the bar under the mouse or chosen: "43: מספר 1,234, בפועל 0.0312…".
  QLabel* Readout() const { return readout_; }

 signals:
  // The bar of `digit` (a digit, a pair 10-99 or an ending 0-99) was clicked or Enter was
  // pressed on it.
  void BarClicked(JetTest test, JetPopulationKind population, int digit);
  // Another test or population is charted (or none): the lines of a bar listed before are
  // of another chart.
  void Redrawn();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Redraw();
  // Nothing charted, no bar chosen.
  void Empty();
  // Chooses the bar at `place` (kept within the bars) and shows its figures.
  void ChooseBar(int place);
  // The figures of the bar at `place` in the readout; the chosen bar's when -1.
  void ShowReadout(int place);
  const JetDigitResult* Digits() const;

  std::shared_ptr<const JetResult> result_;
  QComboBox* test_box_ = nullptr;
  QComboBox* population_box_ = nullptr;
  QChart* chart_ = nullptr;
  QChartView* view_ = nullptr;
  QLabel* readout_ = nullptr;
  QBarSet* actual_ = nullptr;
  QCategoryAxis* digit_axis_ = nullptr;
  int chosen_ = -1;
};

// The chart's title: the caption, the population, N, MAD and its class, χ², and p, figures as
// the grids write them ("—" where the population has none).
QString DigitChartTitle(const JetDigitResult& digits, JetPopulationKind population);

}  // namespace tallyscan
