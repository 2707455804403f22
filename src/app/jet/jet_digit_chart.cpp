#include "app/jet/jet_digit_chart.h"

#include <algorithm>
#include <vector>

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include "app/app_texts.h"
#include "engine/analytics/analytics.h"
#include "engine/text/text.h"

namespace tallyscan {
namespace {

constexpr JetTest kDigitTests[] = {JetTest::kBenfordFirst, JetTest::kBenfordSecond,
                                   JetTest::kBenfordFirstTwo, JetTest::kLastTwo};
constexpr JetPopulationKind kPopulations[] = {JetPopulationKind::kAll, JetPopulationKind::kDebit,
                                              JetPopulationKind::kCredit};
// Up to this many bars each has its label.
constexpr int kBarsLabelledEach = 12;
constexpr int kSpikesLabelled = 3;

QString Figure(const std::optional<double>& value, std::string_view mask) {
  return value ? FromStd(FormatNumber(mask, *value)) : QStringLiteral("—");
}

// A digit's label: pairs and endings in two places ("05"), single digits as they are.
QString DigitLabel(const JetDigitResult& digits, std::size_t place) {
  const int digit = digits.first_digit + static_cast<int>(place);
  return digits.test == JetTest::kLastTwo ? QStringLiteral("%1").arg(digit, 2, 10, QLatin1Char('0'))
                                          : QString::number(digit);
}

QString DigitsTitle(JetTest test) {
  switch (test) {
    case JetTest::kBenfordFirst:
      return QStringLiteral("הספרה הראשונה");
    case JetTest::kBenfordSecond:
      return QStringLiteral("הספרה השנייה");
    case JetTest::kBenfordFirstTwo:
      return QStringLiteral("שתי הספרות הראשונות");
    default:
      break;
  }
  return QStringLiteral("שתי הספרות האחרונות של השקלים");
}

// The places labelled on the digits' axis, ascending: every place when the bars are few; else
// the bars that stand highest above their expected share, and every fifth digit that stands
// more than two places from them and from each other spike (their labels would touch).
std::vector<int> LabelledPlaces(const JetDigitResult& digits, const JetDigitPopulation& p) {
  const int count = static_cast<int>(p.expected.size());
  std::vector<int> places;
  if (count <= kBarsLabelledEach) {
    for (int place = 0; place < count; ++place) places.push_back(place);
    return places;
  }
  std::vector<int> spikes;
  for (int place = 0; place < count && static_cast<std::size_t>(place) < p.actual.size(); ++place) {
    spikes.push_back(place);
  }
  const auto excess = [&](int place) {
    return p.actual[static_cast<std::size_t>(place)] - p.expected[static_cast<std::size_t>(place)];
  };
  std::stable_sort(spikes.begin(), spikes.end(),
                   [&](int a, int b) { return excess(a) > excess(b); });
  const auto near = [&](int place) {
    return std::any_of(places.begin(), places.end(),
                       [&](int other) { return std::abs(other - place) <= 2; });
  };
  for (std::size_t i = 0; i < spikes.size() && static_cast<int>(i) < kSpikesLabelled; ++i) {
    if (excess(spikes[i]) <= 0) break;
    if (!near(spikes[i])) places.push_back(spikes[i]);
  }
  for (int place = 0; place < count; ++place) {
    if ((digits.first_digit + place) % 5 == 0 && !near(place)) places.push_back(place);
  }
  std::sort(places.begin(), places.end());
  return places;
}

// The bars stand at their places 0, 1, …; a label stands under its bar.
QCategoryAxis* DigitAxisOf(const JetDigitResult& digits, const JetDigitPopulation& p,
                           JetTest test) {
  auto* axis = new QCategoryAxis;
  axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  for (const int place : LabelledPlaces(digits, p)) {
    axis->append(DigitLabel(digits, static_cast<std::size_t>(place)), place);
  }
  axis->setRange(-0.5, static_cast<double>(p.expected.size()) - 0.5);
  axis->setTitleText(DigitsTitle(test));
  return axis;
}

// The shares' axis up to a little over the highest share `top`.
QValueAxis* ShareAxis(double top) {
  auto* y = new QValueAxis;
  y->setRange(0, top > 0 ? top * 1.1 : 1);
  y->applyNiceNumbers();
  // Ticks of 0.005 or finer need their third decimal.
  const double step = (y->max() - y->min()) / std::max(1, y->tickCount() - 1);
  y->setLabelFormat(step < 0.01 ? QStringLiteral("%.3f") : QStringLiteral("%.2f"));
  y->setTitleText(QStringLiteral("שיעור מהתנועות"));
  return y;
}

}  // namespace

QString DigitChartTitle(const JetDigitResult& digits, JetPopulationKind population) {
  const JetDigitPopulation& p = digits.populations[static_cast<std::size_t>(population)];
  QString title = FromStd(JetCaption(digits.test)) + QStringLiteral(" — ") +
                  FromStd(JetPopulationCaption(population));
  title += QStringLiteral("   N = ") + FromStd(FormatCount(p.n));
  title += QStringLiteral("   MAD = ") + Figure(p.mad, "#,.000000");
  if (p.mad_class) {
    title += QStringLiteral(" (") + FromStd(JetClassCaption(*p.mad_class)) + QLatin1Char(')');
  }
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
  for (const JetPopulationKind population : kPopulations) {
    population_box_->addItem(FromStd(JetPopulationCaption(population)));
  }
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
  view_->setFocusPolicy(Qt::StrongFocus);
  view_->setToolTip(QStringLiteral("חיצים לבחירת עמודה, Enter להצגת שורותיה"));
  view_->installEventFilter(this);
  readout_ = new QLabel(this);
  readout_->setObjectName(QStringLiteral("digitReadout"));

  auto* boxes = new QHBoxLayout;
  boxes->addWidget(new QLabel(QStringLiteral("בדיקה"), this));
  boxes->addWidget(test_box_);
  boxes->addWidget(new QLabel(QStringLiteral("אוכלוסיה"), this));
  boxes->addWidget(population_box_);
  boxes->addSpacing(12);
  boxes->addWidget(readout_, 1);
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

const JetDigitResult* JetDigitChart::Digits() const {
  if (!result_) return nullptr;
  const JetTest test = Test();
  const auto found = std::find_if(result_->digits.begin(), result_->digits.end(),
                                  [&](const JetDigitResult& d) { return d.test == test; });
  return found == result_->digits.end() ? nullptr : &*found;
}

void JetDigitChart::Redraw() {
  Empty();
  const JetDigitResult* found = Digits();
  if (found == nullptr) return;
  const JetTest test = Test();
  const JetPopulationKind population = Population();
  const JetDigitResult& digits = *found;
  const JetDigitPopulation& p = digits.populations[static_cast<std::size_t>(population)];
  chart_->setTitle(DigitChartTitle(digits, population));

  actual_ = new QBarSet(QStringLiteral("בפועל"));
  actual_->setSelectedColor(QColor(0xC0, 0x30, 0x30));
  auto* expected = new QLineSeries;
  expected->setName(QStringLiteral("צפוי"));
  double top = 0;
  for (std::size_t i = 0; i < p.expected.size(); ++i) {
    const double actual = i < p.actual.size() ? p.actual[i] : 0.0;
    actual_->append(actual);
    expected->append(static_cast<double>(i), p.expected[i]);
    top = std::max({top, actual, p.expected[i]});
  }
  auto* bars = new QBarSeries;
  bars->append(actual_);
  chart_->addSeries(bars);
  chart_->addSeries(expected);
  digit_axis_ = DigitAxisOf(digits, p, test);
  QValueAxis* y = ShareAxis(top);
  chart_->addAxis(digit_axis_, Qt::AlignBottom);
  chart_->addAxis(y, Qt::AlignLeft);
  for (QAbstractSeries* series :
       {static_cast<QAbstractSeries*>(bars), static_cast<QAbstractSeries*>(expected)}) {
    series->attachAxis(digit_axis_);
    series->attachAxis(y);
  }
  connect(actual_, &QBarSet::clicked, this, [this, test, population](int index) {
    const JetDigitResult* shown = Digits();
    ChooseBar(index);
    if (shown != nullptr) emit BarClicked(test, population, shown->first_digit + index);
  });
  connect(actual_, &QBarSet::hovered, this,
          [this](bool over, int index) { ShowReadout(over ? index : -1); });
}

void JetDigitChart::Empty() {
  chart_->removeAllSeries();
  for (QAbstractAxis* axis : chart_->axes()) {
    chart_->removeAxis(axis);
    delete axis;
  }
  actual_ = nullptr;
  digit_axis_ = nullptr;
  chosen_ = -1;
  readout_->clear();
  chart_->setTitle(QString());
  emit Redrawn();
}

void JetDigitChart::ChooseBar(int place) {
  if (actual_ == nullptr || actual_->count() == 0) return;
  if (chosen_ >= 0) actual_->deselectBar(chosen_);
  chosen_ = std::clamp(place, 0, actual_->count() - 1);
  actual_->selectBar(chosen_);
  ShowReadout(-1);
}

void JetDigitChart::ShowReadout(int place) {
  const JetDigitResult* digits = Digits();
  if (place < 0) place = chosen_;
  if (digits == nullptr || place < 0) {
    readout_->clear();
    return;
  }
  const JetDigitPopulation& p = digits->populations[static_cast<std::size_t>(Population())];
  const auto at = static_cast<std::size_t>(place);
  const auto figure = [](const std::vector<double>& values, std::size_t i, std::string_view mask) {
    return i < values.size() ? FromStd(FormatNumber(mask, values[i])) : QStringLiteral("—");
  };
  QString text = DigitLabel(*digits, at) + QStringLiteral(": מספר ") +
                 (at < p.counts.size() ? FromStd(FormatCount(p.counts[at])) : QStringLiteral("—"));
  text += QStringLiteral(", בפועל ") + figure(p.actual, at, "#,.0000");
  text += QStringLiteral(", צפוי ") + figure(p.expected, at, "#,.0000");
  text += QStringLiteral(", Z ") + figure(p.z, at, "#,.00");
  readout_->setText(text);
}

bool JetDigitChart::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_ && event->type() == QEvent::KeyPress && actual_ != nullptr) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    const int last = actual_->count() - 1;
    switch (key) {
      case Qt::Key_Right:
        ChooseBar(chosen_ < 0 ? 0 : chosen_ + 1);
        return true;
      case Qt::Key_Left:
        ChooseBar(chosen_ < 0 ? last : chosen_ - 1);
        return true;
      case Qt::Key_Home:
        ChooseBar(0);
        return true;
      case Qt::Key_End:
        ChooseBar(last);
        return true;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (chosen_ >= 0) {
          const JetDigitResult* digits = Digits();
          if (digits != nullptr)
            emit BarClicked(Test(), Population(), digits->first_digit + chosen_);
        }
        return true;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace tallyscan
