#include "app/jet/jet_digit_chart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include "engine/text/number_format.h"

namespace tallyscan {
namespace {

constexpr JetTest kDigitTests[] = {JetTest::kBenfordFirst, JetTest::kBenfordSecond,
                                   JetTest::kBenfordFirstTwo, JetTest::kLastTwo};
const char* const kPopulationCaptions[] = {"כל התנועות", "חובה", "זכות"};

QString FromStd(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Figure(const std::optional<double>& value, std::string_view mask) {
  return value ? FromStd(FormatNumber(mask, *value)) : QStringLiteral("—");
}

// A digit's label: pairs and endings in two places ("05"), single digits as they are.
QString DigitLabel(const JetDigitResult& digits, std::size_t place) {
  const int digit = digits.first_digit + static_cast<int>(place);
  return digits.test == JetTest::kLastTwo ? QStringLiteral("%1").arg(digit, 2, 10, QLatin1Char('0'))
                                          : QString::number(digit);
}

}  // namespace

QString DigitChartTitle(const JetDigitResult& digits, JetPopulationKind population) {
  const JetDigitPopulation& p = digits.populations[static_cast<std::size_t>(population)];
  QString title = FromStd(JetCaption(digits.test)) + QStringLiteral(" — ") +
                  QString::fromUtf8(kPopulationCaptions[static_cast<std::size_t>(population)]);
  title += QStringLiteral("   N = ") + FromStd(FormatCount(p.n));
  title += QStringLiteral("   MAD = ") + Figure(p.mad, "#,.000000");
  if (p.mad_class) title += QStringLiteral(" (") + FromStd(*p.mad_class) + QLatin1Char(')');
  title += QStringLiteral("   χ² = ") + Figure(p.chi2, "#,.00");
  title += QStringLiteral("   p = ") + Figure(p.p, "#,.0000");
  return title;
}

JetDigitChart::JetDigitChart(QWidget* parent) : QWidget(parent) {
  test_box_ = new QComboBox(this);
  test_box_->setObjectName(QStringLiteral("digitTestBox"));
  for (const JetTest test : kDigitTests) {
    test_box_->addItem(FromStd(JetCaption(test)), static_cast<int>(JetIndex(test)));
  }
  population_box_ = new QComboBox(this);
  population_box_->setObjectName(QStringLiteral("populationBox"));
  for (const char* caption : kPopulationCaptions)
    population_box_->addItem(QString::fromUtf8(caption));
  chart_ = new QChart;
  // On a laptop's screen the page leaves the chart little height: the plot takes what the
  // chart's frame and a legend below it would, the legend standing beside it.
  chart_->legend()->setAlignment(Qt::AlignRight);
  chart_->setMargins(QMargins(2, 2, 2, 2));
  chart_->setBackgroundRoundness(0);
  chart_->layout()->setContentsMargins(0, 0, 0, 0);
  view_ = new QChartView(chart_, this);
  view_->setObjectName(QStringLiteral("digitChart"));
  view_->setRenderHint(QPainter::Antialiasing);

  auto* boxes = new QHBoxLayout;
  boxes->addWidget(new QLabel(QStringLiteral("בדיקה"), this));
  boxes->addWidget(test_box_);
  boxes->addWidget(new QLabel(QStringLiteral("אוכלוסיה"), this));
  boxes->addWidget(population_box_);
  boxes->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(boxes);
  layout->addWidget(view_, 1);
  connect(test_box_, &QComboBox::currentIndexChanged, this, &JetDigitChart::Redraw);
  connect(population_box_, &QComboBox::currentIndexChanged, this, &JetDigitChart::Redraw);
}

void JetDigitChart::SetResult(std::shared_ptr<const JetResult> result) {
  result_ = std::move(result);
  Redraw();
}

void JetDigitChart::Choose(JetTest test, JetPopulationKind population) {
  const int at = test_box_->findData(static_cast<int>(JetIndex(test)));
  if (at >= 0) test_box_->setCurrentIndex(at);
  population_box_->setCurrentIndex(static_cast<int>(population));
}

JetTest JetDigitChart::Test() const {
  return kDigitTests[static_cast<std::size_t>(std::max(0, test_box_->currentIndex()))];
}

JetPopulationKind JetDigitChart::Population() const {
  return static_cast<JetPopulationKind>(std::max(0, population_box_->currentIndex()));
}

void JetDigitChart::Redraw() {
  chart_->removeAllSeries();
  for (QAbstractAxis* axis : chart_->axes()) {
    chart_->removeAxis(axis);
    delete axis;
  }
  actual_ = nullptr;
  chart_->setTitle(QString());
  if (!result_) return;
  const JetTest test = Test();
  const JetPopulationKind population = Population();
  const auto found = std::find_if(result_->digits.begin(), result_->digits.end(),
                                  [&](const JetDigitResult& d) { return d.test == test; });
  if (found == result_->digits.end()) return;
  const JetDigitResult& digits = *found;
  const JetDigitPopulation& p = digits.populations[static_cast<std::size_t>(population)];
  chart_->setTitle(DigitChartTitle(digits, population));

  actual_ = new QBarSet(QStringLiteral("בפועל"));
  auto* expected = new QLineSeries;
  expected->setName(QStringLiteral("צפוי"));
  QStringList categories;
  double top = 0;
  for (std::size_t i = 0; i < p.expected.size(); ++i) {
    categories << DigitLabel(digits, i);
    const double actual = i < p.actual.size() ? p.actual[i] : 0.0;
    actual_->append(actual);
    expected->append(static_cast<double>(i), p.expected[i]);
    top = std::max({top, actual, p.expected[i]});
  }
  auto* bars = new QBarSeries;
  bars->append(actual_);
  chart_->addSeries(bars);
  chart_->addSeries(expected);
  auto* x = new QBarCategoryAxis;
  x->append(categories);
  auto* y = new QValueAxis;
  y->setRange(0, top * 1.1 > 0 ? top * 1.1 : 1);
  y->setLabelFormat(QStringLiteral("%.3f"));
  chart_->addAxis(x, Qt::AlignBottom);
  chart_->addAxis(y, Qt::AlignLeft);
  for (QAbstractSeries* series :
       {static_cast<QAbstractSeries*>(bars), static_cast<QAbstractSeries*>(expected)}) {
    series->attachAxis(x);
    series->attachAxis(y);
  }
  const int first = digits.first_digit;
  connect(actual_, &QBarSet::clicked, this, [this, test, population, first](int index) {
    emit BarClicked(test, population, first + index);
  });
}

}  // namespace tallyscan
