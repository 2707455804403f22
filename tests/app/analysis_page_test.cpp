// The analysis page's journal-entry tests on a generated audit set with every journal fault:
// the run on the worker with its progress and a stop that leaves no result, a hit (and a
// gap) opening the ledger card at its movement (or the document before the gap) with Back
// returning to the same hit, a bar of a digit chart listing its lines, and the parameters
// dialog refusing a value out of range (or a list with an empty item) and saving what the
// command line prints; the lists, the chart and the dialog in Hebrew where the command line
// keeps the engine's words.
#include <string>
#include <tuple>
#include <vector>

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QValueAxis>

#include "app/jet/jet_digit_chart.h"
#include "app/jet/jet_parameters_dialog.h"
#include "app/jet/jet_tab.h"
#include "app/main_window.h"
#include "app/pages/analysis_page.h"
#include "app/pages/documents_page.h"
#include "app/pages/import_page.h"
#include "app/pages/ledger_page.h"
#include "app/statistics/statistics_run.h"
#include "app/widgets/filter_box.h"
#include "app/widgets/grid.h"
#include "app/widgets/progress_bar.h"
#include "app_test_support.h"
#include "engine/analytics/analytics.h"
#include "engine/program/program.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"
#include "generator/data_set.h"

namespace tallyscan::test {
namespace {

struct Fixture {
  QTemporaryDir sets;
  TestApp t;
  MainWindow window{t.app, StoredSize(1366, 768)};
  AnalysisPage* page = window.PageOf<AnalysisPage>();
  JetTab* jet = page->Jet();
  GeneratedDataSet generated;
  QString folder;

  // An audit set with every journal fault; `plain`: a plain set of 40,000 movements, whose
  // documents are mostly missing (tens of thousands of hits).
  bool Load(bool plain = false) {
    DataSetOptions options;
    if (plain) {
      options.movements = 40000;
      options.accounts = 200;
    } else {
      options.profile = DataProfile::kAudit;
      options.movements = 6000;
      options.accounts = 80;
      for (const FaultInfo& fault : JournalFaults()) options.faults.push_back({fault.kind, 1});
    }
    return LoadSet(options);
  }

  bool LoadSet(const DataSetOptions& options) {
    folder = sets.filePath(QStringLiteral("set"));
    if (!GenerateDataSet(options, folder.toStdString(), &generated).ok()) return false;
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) return false;
    window.PageOf<ImportPage>()->ReadFolder(folder);
    if (t.store.LoadedFolder.empty()) return false;
    window.PressButton(PageId::kAnalysis);
    return window.CurrentPage() == PageId::kAnalysis;
  }

  // The window as it first starts on a 1366×768 screen (a window manager's frame around it).
  void PlaceAtFirstStartSize() {
    const ScreenRect place =
        PlaceMainWindow(MainDlgPos{}, ScreenRect{0, 0, 1366, 768}, FrameMargins{8, 32, 8, 8});
    window.setGeometry(place.x, place.y, place.width, place.height);
    QCoreApplication::processEvents();
  }

  bool RunToEnd() {
    QSignalSpy ended(jet, &JetTab::RunEnded);
    jet->Run();
    return ended.wait(60000) && jet->Result() != nullptr;
  }

  // Chooses the test `id` in the tests list and waits for its hits.
  bool ChooseTest(std::string_view id) {
    Grid* tests = jet->TestsGrid();
    for (int row = 0; row < tests->model()->rowCount(); ++row) {
      if (tests->Model().ShownText(row, 5).toStdString() != id) continue;
      QSignalSpy shown(jet, &JetTab::LinesShown);
      tests->selectionModel()->setCurrentIndex(
          tests->model()->index(row, 1),
          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      return shown.wait(30000);
    }
    return false;
  }

  // Line `n` (1-based) of the data file.
  QByteArray DataLine(std::int64_t n) const {
    QFile file(folder + QStringLiteral("/BKMVDATA.TXT"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    for (std::int64_t i = 1; i < n; ++i) file.readLine();
    return file.readLine().trimmed();
  }

  std::int64_t ManifestLine(std::string_view test) const {
    for (const ManifestEntry& entry : generated.manifest) {
      if (ManifestName(entry.kind) == test) return entry.line;
    }
    return 0;
  }

  // Presses Enter on row `row` of `grid`.
  static void Open(Grid* grid, int row) {
    grid->setFocus();
    grid->selectionModel()->setCurrentIndex(
        grid->model()->index(row, 1),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QTest::keyClick(grid, Qt::Key_Return);
  }
};

}  // namespace

class AnalysisPageTest : public QObject {
  Q_OBJECT

 private slots:
  void RunShowsProgressAndTheEnginesResultAndAStopLeavesNone() {
    Fixture f;
    QVERIFY(f.Load());
    QSignalSpy progress(f.jet->Progress(), &QProgressBar::valueChanged);
    QSignalSpy ended(f.jet, &JetTab::RunEnded);
    f.jet->Run();
    // While the worker reads, a reading is refused with the reason in the status bar.
    QVERIFY(f.jet->Running());
    QVERIFY(!f.t.app.readers.Idle());
    QVERIFY(!f.window.PageOf<ImportPage>()
                 ->findChild<QWidget*>(QStringLiteral("runButton"))
                 ->isEnabled());
    QVERIFY(f.window.findChild<QStatusBar*>(QStringLiteral("statusBar"))
                ->currentMessage()
                .contains(QStringLiteral("ניתוח פקודות היומן")));
    // Another page stays usable meanwhile.
    f.window.PressButton(PageId::kLedger);
    QCOMPARE(f.window.CurrentPage(), PageId::kLedger);
    f.window.PressButton(PageId::kAnalysis);
    QVERIFY(ended.wait(60000));
    int most = 0;
    for (const QList<QVariant>& value : progress) most = std::max(most, value.at(0).toInt());
    QCOMPARE(most, 100);
    QVERIFY(f.jet->Result() != nullptr);
    const JetResult& result = *f.jet->Result();
    QCOMPARE(f.jet->TestsGrid()->model()->rowCount(), static_cast<int>(kJetTestCount));
    for (int row = 0; row < static_cast<int>(result.tests.size()); ++row) {
      const JetTestResult& test = result.tests[static_cast<std::size_t>(row)];
      QCOMPARE(f.jet->TestsGrid()->Model().ShownText(row, 5).toStdString(),
               std::string(JetTestId(test.test)));
      QCOMPARE(f.jet->TestsGrid()->Model().ShownText(row, 3), QString::number(test.hits));
    }
    QCOMPARE(f.jet->Gate()->text() == QStringLiteral("האוכלוסיה מתאזנת"),
             result.population.reconciles);
    QCOMPARE(f.jet->SufficiencyGrid()->model()->rowCount(), static_cast<int>(kJetTestCount));
    QCOMPARE(f.jet->RankingGrid()->model()->rowCount(), static_cast<int>(result.ranking.size()));

    // A stop answers at once and leaves no result; the store is released once the worker ends.
    f.jet->Run();
    QVERIFY(f.jet->Running());
    QTest::keyClick(&f.window, Qt::Key_Escape);
    QVERIFY(!f.jet->Running());
    QVERIFY(f.jet->Result() == nullptr);
    QCOMPARE(f.jet->TestsGrid()->model()->rowCount(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(
        f.t.app.readers.Idle() && f.window.PageOf<ImportPage>()
                                      ->findChild<QWidget*>(QStringLiteral("runButton"))
                                      ->isEnabled(),
        30000);
  }

  // The journal-entry tests and the field statistics run at once: Esc stops both, and when one
  // ends the other still holds the window (a reading refused, its reason shown, Esc its own).
  void BothRunsHoldTheWindowUntilTheLastEndsAndEscStopsEach() {
    Fixture f;
    QVERIFY(f.Load());
    StatisticsRun* statistics = f.page->Statistics();
    const auto* status_bar = f.window.findChild<QStatusBar*>(QStringLiteral("statusBar"));
    const QWidget* read =
        f.window.PageOf<ImportPage>()->findChild<QWidget*>(QStringLiteral("runButton"));
    statistics->Run();
    f.jet->RunButton()->click();
    QVERIFY(statistics->Running());
    QVERIFY(f.jet->Running());
    QTest::keyClick(&f.window, Qt::Key_Escape);
    QVERIFY(!statistics->Running());
    QVERIFY(!f.jet->Running());

    statistics->Run();
    f.jet->RunButton()->click();
    QVERIFY(f.jet->Running());
    f.jet->Stop();
    QVERIFY(statistics->Running());
    QVERIFY(!read->isEnabled());
    QVERIFY2(status_bar->currentMessage().contains(QStringLiteral("סטטיסטיקת השדות")),
             qPrintable(status_bar->currentMessage()));
    QTest::keyClick(&f.window, Qt::Key_Escape);
    QVERIFY(!statistics->Running());
    QTRY_VERIFY_WITH_TIMEOUT(f.t.app.readers.Idle() && read->isEnabled(), 30000);
  }

  // A hit opens the ledger card at its movement, a transaction gap the movement before it, a
  // document gap the document before it; Back returns each time to the same hit.
  void HitsOpenTheirLinesAndBackReturnsToTheHit() {
    Fixture f;
    QVERIFY(f.Load());
    QVERIFY(f.RunToEnd());
    // A weekend hit names its day in the page's words.
    QVERIFY(f.ChooseTest("weekend"));
    QVERIFY(f.jet->HitsGrid()->model()->rowCount() > 0);
    const QString day = f.jet->HitsGrid()->Model().ShownText(0, 7);
    QVERIFY2(day == QStringLiteral("יום שישי") || day == QStringLiteral("שבת"), qPrintable(day));
    LedgerPage* ledger = f.window.PageOf<LedgerPage>();
    struct Case {
      std::string_view test;
      PageId page;
    };
    for (const Case& c :
         {Case{"late-entry", PageId::kLedger}, Case{"transaction-gap", PageId::kLedger},
          Case{"document-gap", PageId::kDocuments}}) {
      QVERIFY2(f.ChooseTest(c.test), c.test.data());
      Grid* hits = f.jet->HitsGrid();
      QVERIFY(hits->model()->rowCount() > 0);
      const int row = hits->model()->rowCount() - 1;
      Fixture::Open(hits, row);
      QCOMPARE(f.window.CurrentPage(), c.page);
      // The line opened: a hit row names its own line; a gap the line the generator notes.
      const std::int64_t line = c.test == "late-entry"
                                    ? hits->Model().ShownText(row, 1).toLongLong()
                                    : f.ManifestLine(c.test);
      QVERIFY(line > 0);
      const QByteArray expected = f.DataLine(line);
      // The card and the document load on workers.
      QTRY_VERIFY_WITH_TIMEOUT(f.t.app.readers.Idle(), 30000);
      if (c.page == PageId::kLedger) {
        QTRY_VERIFY_WITH_TIMEOUT(ledger->ChosenRow() >= 0, 30000);
        const int chosen = ledger->ChosenRow();
        QVERIFY(chosen >= 0);
        const std::string_view line_of_row =
            ledger->Card().rows[static_cast<std::size_t>(chosen)].line;
        QCOMPARE(
            QByteArray(line_of_row.data(), static_cast<qsizetype>(line_of_row.size())).trimmed(),
            expected);
      } else {
        // The type's register is built on a worker; the document shows when it is in.
        DocumentsPage* documents = f.window.PageOf<DocumentsPage>();
        const auto shown_line = [&] {
          const std::int64_t shown = documents->Current();
          if (shown < 1) return QByteArray();
          return QByteArray::fromStdString(ReadRecordLine(f.t.store,
                                                          f.t.store.DocumentIndex[shown].Offset,
                                                          RecordType::kC100))
              .trimmed();
        };
        QTRY_VERIFY_WITH_TIMEOUT(!documents->Working(), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(shown_line(), expected.left(shown_line().size()).trimmed(),
                                  30000);
      }
      f.window.GoBack();
      QCOMPARE(f.window.CurrentPage(), PageId::kAnalysis);
      QCOMPARE(std::string(JetTestId(*f.jet->ChosenTest())), std::string(c.test));
      QCOMPARE(hits->selectionModel()->currentIndex().row(), row);
    }
  }

  void ABarClickListsTheLinesOfItsDigit() {
    Fixture f;
    QVERIFY(f.Load());
    QVERIFY(f.RunToEnd());
    JetDigitChart* chart = f.jet->DigitChart();
    const JetResult& result = *f.jet->Result();
    for (const auto& [test, population] :
         {std::pair{JetTest::kBenfordFirst, JetPopulationKind::kAll},
          std::pair{JetTest::kLastTwo, JetPopulationKind::kCredit}}) {
      chart->Choose(test, population);
      QVERIFY(chart->ActualBars() != nullptr);
      const JetDigitResult* digits = nullptr;
      for (const JetDigitResult& d : result.digits) {
        if (d.test == test) digits = &d;
      }
      QVERIFY(digits != nullptr);
      const auto& counts = digits->populations[static_cast<std::size_t>(population)].counts;
      QCOMPARE(chart->ActualBars()->count(), static_cast<int>(counts.size()));
      QVERIFY(chart->Chart()->title().contains(QStringLiteral("MAD")));
      const int index = 3;
      QSignalSpy shown(f.jet, &JetTab::LinesShown);
      emit chart->ActualBars()->clicked(index);
      QVERIFY(shown.wait(30000));
      QCOMPARE(f.jet->DigitLinesGrid()->model()->rowCount(),
               static_cast<int>(counts[static_cast<std::size_t>(index)]));
    }
  }

  // At the first-start size every digit chart names its digits legibly (each bar, or every
  // fifth digit and the spikes where they are many), titles both axes and ticks round
  // proportions; a bar chosen with the arrows lists its lines on Enter, with their count, and
  // another chart empties that list.
  void DigitChartsAreReadableAndABarIsChosenWithTheKeyboard() {
    Fixture f;
    QVERIFY(f.Load());
    f.PlaceAtFirstStartSize();
    QVERIFY(f.RunToEnd());
    f.jet->Details()->setCurrentIndex(1);
    JetDigitChart* chart = f.jet->DigitChart();
    QTRY_VERIFY(chart->View()->isVisible());
    const JetResult& result = *f.jet->Result();
    struct Case {
      JetTest test;
      JetPopulationKind population;
      int bars;
    };
    for (const Case& c : {
             Case{JetTest::kBenfordFirst, JetPopulationKind::kAll, 9},
             Case{JetTest::kBenfordSecond, JetPopulationKind::kDebit, 10},
             Case{JetTest::kBenfordFirstTwo, JetPopulationKind::kAll, 90},
             Case{JetTest::kLastTwo, JetPopulationKind::kCredit, 100},
         }) {
      chart->Choose(c.test, c.population);
      QTest::qWait(50);  // the chart lays out its new axes on the next events
      QVERIFY(chart->ActualBars() != nullptr);
      QCOMPARE(chart->ActualBars()->count(), c.bars);
      QCategoryAxis* axis = chart->DigitAxis();
      QVERIFY(axis != nullptr);
      const QStringList labels = axis->categoriesLabels();
      const JetDigitResult* digits = nullptr;
      for (const JetDigitResult& d : result.digits) {
        if (d.test == c.test) digits = &d;
      }
      QVERIFY(digits != nullptr);
      const JetDigitPopulation& p = digits->populations[static_cast<std::size_t>(c.population)];
      // Each label names the digit of the bar it stands under.
      for (const QString& label : labels) {
        QCOMPARE(axis->endValue(label), label.toDouble() - digits->first_digit);
        if (c.bars > 10) QCOMPARE(label.size(), 2);
      }
      if (c.bars <= 10) {
        QCOMPARE(labels.size(), c.bars);
      } else {
        QVERIFY(labels.size() >= c.bars / 5 - 3);
        // The bar that stands highest above its expected share is named.
        int spike = 0;
        for (int place = 1; place < c.bars; ++place) {
          const auto at = static_cast<std::size_t>(place);
          const auto top = static_cast<std::size_t>(spike);
          if (p.actual[at] - p.expected[at] > p.actual[top] - p.expected[top]) spike = place;
        }
        QVERIFY(labels.contains(c.test == JetTest::kLastTwo
                                    ? QStringLiteral("%1").arg(spike, 2, 10, QLatin1Char('0'))
                                    : QString::number(digits->first_digit + spike)));
      }
      // No two labels closer than the widest of them, in the plot as laid out now.
      const double per_bar = chart->Chart()->plotArea().width() / c.bars;
      const QFontMetrics metrics(axis->labelsFont());
      for (qsizetype i = 1; i < labels.size(); ++i) {
        const double apart = (axis->endValue(labels[i]) - axis->endValue(labels[i - 1])) * per_bar;
        QVERIFY2(apart > metrics.horizontalAdvance(labels[i]) + 2,
                 qPrintable(labels[i - 1] + QStringLiteral(" ") + labels[i]));
      }
      QVERIFY(!axis->titleText().isEmpty());
      const auto* y = qobject_cast<QValueAxis*>(chart->Chart()->axes(Qt::Vertical).value(0));
      QVERIFY(y != nullptr && !y->titleText().isEmpty());
      const double step = (y->max() - y->min()) / (y->tickCount() - 1);
      QVERIFY2(std::abs(step * 1000 - std::round(step * 1000)) < 1e-9,
               qPrintable(QString::number(step)));

      // The keyboard: Home, then two bars to the right; Enter lists the third bar's lines.
      const auto& counts = p.counts;
      chart->View()->setFocus();
      QTest::keyClick(chart->View(), Qt::Key_Home);
      QTest::keyClick(chart->View(), Qt::Key_Right);
      QTest::keyClick(chart->View(), Qt::Key_Right);
      QCOMPARE(chart->ChosenBar(), 2);
      QVERIFY(chart->ActualBars()->isBarSelected(2));
      const QString digit = c.test == JetTest::kLastTwo ? QStringLiteral("02")
                                                        : QString::number(digits->first_digit + 2);
      QVERIFY2(chart->Readout()->text().startsWith(digit + QStringLiteral(": מספר ")),
               qPrintable(chart->Readout()->text()));
      QSignalSpy shown(f.jet, &JetTab::LinesShown);
      QTest::keyClick(chart->View(), Qt::Key_Return);
      QVERIFY(shown.wait(30000));
      QCOMPARE(f.jet->DigitLinesGrid()->model()->rowCount(), static_cast<int>(counts[2]));
      QVERIFY2(
          f.jet->DigitLinesCount()->text().endsWith(QString::fromStdString(FormatCount(counts[2]))),
          qPrintable(f.jet->DigitLinesCount()->text()));
      QVERIFY(f.jet->DigitLinesCount()->text().contains(digit));
    }
    // Another chart: the lines listed were of the one before.
    QVERIFY(f.jet->DigitLinesGrid()->model()->rowCount() > 0);
    chart->Choose(JetTest::kLastTwo, JetPopulationKind::kAll);
    QCOMPARE(f.jet->DigitLinesGrid()->model()->rowCount(), 0);
    QVERIFY(!f.jet->DigitLinesCount()->text().contains(QStringLiteral("02")));
    QCOMPARE(chart->ChosenBar(), -1);
  }

  // Tens of thousands of hits are sorted off the window's thread: the header shows the order
  // at once, the rows follow it when the sort is in, a second click made meanwhile turns the
  // new order, and a filter typed then keeps it.
  void ManyHitsAreSortedAndFilteredInTheOrderAskedForOffTheWindowThread() {
    Fixture f;
    QVERIFY(f.Load(/*plain=*/true));
    QVERIFY(f.RunToEnd());
    QVERIFY(f.ChooseTest("missing-document"));
    Grid* hits = f.jet->HitsGrid();
    QVERIFY2(hits->model()->rowCount() > 20000,
             qPrintable(QString::number(hits->model()->rowCount())));
    const auto amount = [&](int row) {
      return hits->Model().ShownText(row, 6).remove(QLatin1Char(',')).toDouble();
    };
    const auto descending = [&] {
      for (int row = 1; row < hits->model()->rowCount(); ++row) {
        if (amount(row - 1) < amount(row)) return false;
      }
      return true;
    };
    QVERIFY(!descending());
    emit hits->horizontalHeader()->sectionClicked(6);
    QVERIFY(f.jet->Sorting());
    QCOMPARE(hits->SortIndex(), 7);
    emit hits->horizontalHeader()->sectionClicked(6);
    QVERIFY(hits->SortDescending());
    QTRY_VERIFY_WITH_TIMEOUT(!f.jet->Sorting(), 30000);
    QVERIFY(descending());
    // A filter typed then matches off the thread and keeps the order.
    const std::int64_t line = hits->Model().ShownText(0, 1).toLongLong();
    f.jet->HitsFilter()->SetText(QString::number(line));
    QTRY_VERIFY_WITH_TIMEOUT(!f.jet->HitsFilter()->Working(), 30000);
    QVERIFY(hits->model()->rowCount() >= 1);
    QVERIFY(descending());
    QCOMPARE(hits->Model().ShownText(0, 1).toLongLong(), line);
    // New hits come in the engine's order, the header showing no order.
    QVERIFY(f.ChooseTest("weekend"));
    QCOMPARE(hits->SortIndex(), 0);
  }

  // Back to sorted (and filtered) hits that were loaded again since: the same hit is chosen,
  // in the same order, under the same filter, though the hits are many enough to be sorted
  // and matched off the window's thread.
  void BackToSortedHitsLoadedAgainChoosesTheSameHitInTheSameOrder() {
    Fixture f;
    QVERIFY(f.Load(/*plain=*/true));
    QVERIFY(f.RunToEnd());
    Grid* hits = f.jet->HitsGrid();
    FilterBox* filter = f.jet->HitsFilter();
    const auto amount = [&](int row) {
      return hits->Model().ShownText(row, 6).remove(QLatin1Char(',')).toDouble();
    };
    const auto descending = [&] {
      for (int row = 1; row < hits->model()->rowCount(); ++row) {
        if (amount(row - 1) < amount(row)) return false;
      }
      return true;
    };
    const auto settled = [&] {
      return !f.jet->HitsLoading() && !f.jet->Sorting() && !filter->Working();
    };
    QVERIFY(f.ChooseTest("missing-document"));
    QVERIFY(hits->model()->rowCount() > 20000);
    // A date some hundred hits share, far down the engine's order.
    const QString date = hits->Model().ShownText(hits->model()->rowCount() / 2, 5);
    for (const QString& text : {QString(), date}) {
      // The hits anew, in the engine's order.
      QVERIFY(f.ChooseTest("weekend"));
      QVERIFY(f.ChooseTest("missing-document"));
      filter->SetText(text);
      QTRY_VERIFY_WITH_TIMEOUT(settled(), 30000);
      emit hits->horizontalHeader()->sectionClicked(6);
      emit hits->horizontalHeader()->sectionClicked(6);
      QTRY_VERIFY_WITH_TIMEOUT(settled(), 30000);
      QVERIFY(hits->model()->rowCount() > 3);
      QVERIFY(descending());
      const int row = 2;
      const QString line = hits->Model().ShownText(row, 1);
      Fixture::Open(hits, row);
      QVERIFY(f.window.CurrentPage() != PageId::kAnalysis);
      QTRY_VERIFY_WITH_TIMEOUT(f.t.app.readers.Idle(), 30000);
      // Another test chosen meanwhile: Back loads the hits again.
      f.window.PressButton(PageId::kAnalysis);
      QVERIFY(f.ChooseTest("weekend"));
      f.window.GoBack();
      QTRY_VERIFY_WITH_TIMEOUT(f.t.app.readers.Idle(), 30000);
      f.window.GoBack();
      QCOMPARE(f.window.CurrentPage(), PageId::kAnalysis);
      QTRY_VERIFY_WITH_TIMEOUT(f.jet->ChosenTest() == JetTest::kMissingDocument &&
                                   hits->model()->rowCount() > 3 && settled() &&
                                   hits->selectionModel()->currentIndex().isValid(),
                               30000);
      QCOMPARE(filter->Text(), text);
      QCOMPARE(hits->SortIndex(), 7);
      QVERIFY(hits->SortDescending());
      QCOMPARE(hits->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
      QVERIFY(descending());
      QCOMPARE(hits->selectionModel()->currentIndex().row(), row);
      QCOMPARE(hits->Model().ShownText(row, 1), line);
      // Straight back, the hits kept as they are.
      Fixture::Open(hits, row);
      QTRY_VERIFY_WITH_TIMEOUT(f.t.app.readers.Idle(), 30000);
      hits->selectionModel()->clearSelection();
      f.window.GoBack();
      QTRY_VERIFY_WITH_TIMEOUT(settled() && hits->selectionModel()->hasSelection(), 30000);
      QCOMPARE(hits->selectionModel()->currentIndex().row(), row);
      QCOMPARE(hits->Model().ShownText(row, 1), line);
    }
  }

  // The tests list, the digit chart, the ranking and the sufficiency panel speak the page's
  // words: classes, populations, tests and fields in Hebrew, no id or code alone.
  void ListsAndChartSpeakHebrew() {
    Fixture f;
    QVERIFY(f.Load());
    QVERIFY(f.RunToEnd());
    const JetResult& result = *f.jet->Result();
    const QRegularExpression english(QStringLiteral("[a-z]{3,}"));
    Grid* tests = f.jet->TestsGrid();
    int classes = 0;
    for (int row = 0; row < tests->model()->rowCount(); ++row) {
      JetTest test;
      QVERIFY(FindJetTest(tests->Model().ShownText(row, 5).toStdString(), test));
      const JetTestResult* t = result.Find(test);
      QVERIFY(t != nullptr);
      QCOMPARE(tests->Model().ShownText(row, 2).toStdString(),
               std::string(JetStateCaption(t->state)));
      const QString figure = tests->Model().ShownText(row, 4);
      QVERIFY2(!figure.contains(english), qPrintable(figure));
      for (const JetFigure& named : t->figures) {
        const auto* mad_class = std::get_if<std::string>(&named.value);
        if (named.name != "class" || mad_class == nullptr) continue;
        QVERIFY2(figure.contains(QStringLiteral("(%1)").arg(
                     QString::fromStdString(std::string(JetClassCaption(*mad_class))))),
                 qPrintable(figure));
        ++classes;
      }
    }
    QVERIFY(classes > 0);

    JetDigitChart* chart = f.jet->DigitChart();
    for (const JetDigitResult& digits : result.digits) {
      for (const JetPopulationKind population :
           {JetPopulationKind::kAll, JetPopulationKind::kDebit, JetPopulationKind::kCredit}) {
        chart->Choose(digits.test, population);
        const QString title = chart->Chart()->title();
        QVERIFY2(
            title.contains(QString::fromStdString(std::string(JetPopulationCaption(population)))),
            qPrintable(title));
        const auto& mad_class = digits.populations[static_cast<std::size_t>(population)].mad_class;
        if (mad_class) {
          const QString caption = QString::fromStdString(std::string(JetClassCaption(*mad_class)));
          QVERIFY2(title.contains(QStringLiteral("(%1)").arg(caption)), qPrintable(title));
        }
        QVERIFY2(!title.contains(english), qPrintable(title));
      }
    }

    Grid* ranking = f.jet->RankingGrid();
    QVERIFY(ranking->model()->rowCount() > 0);
    for (int row = 0; row < ranking->model()->rowCount(); ++row) {
      const JetRankedTransaction& ranked = result.ranking[static_cast<std::size_t>(row)];
      QStringList captions;
      for (const JetTest test : ranked.tests) {
        captions << QString::fromStdString(std::string(JetCaption(test)));
      }
      QCOMPARE(ranking->Model().ShownText(row, 4), captions.join(QStringLiteral(", ")));
    }

    Grid* sufficiency = f.jet->SufficiencyGrid();
    for (int row = 0; row < sufficiency->model()->rowCount(); ++row) {
      if (sufficiency->Model().ShownText(row, 1) != QStringLiteral("late-entry")) continue;
      QCOMPARE(sufficiency->Model().ShownText(row, 3),
               QStringLiteral("B100:1375 תאריך הרישום, B100:1362 תאריך התנועה"));
    }
  }

  // At the first-start size: under the tests a line says that the digit tests judge the
  // population and where their lines are; each figure says what it is and in which unit; the
  // hits grid heads its date and its own cell by what they hold for the test shown, dates a
  // line DD/MM/YYYY (and sorts by the day) and names the line's document.
  void TestsAndHitsSayWhatTheyHold() {
    Fixture f;
    QVERIFY(f.Load());
    f.PlaceAtFirstStartSize();
    QVERIFY(f.RunToEnd());
    QLabel* note = f.jet->DigitNote();
    QTRY_VERIFY(note->isVisible());
    QCOMPARE(note->text().toStdString(), std::string(kJetDigitNote));
    QVERIFY(!note->visibleRegion().isEmpty());
    QVERIFY(note->mapTo(&f.window, QPoint(0, note->height())).y() <= f.window.height());

    Grid* tests = f.jet->TestsGrid();
    const auto figure_of = [&](std::string_view id) {
      for (int row = 0; row < tests->model()->rowCount(); ++row) {
        if (tests->Model().ShownText(row, 5).toStdString() == id) {
          return tests->Model().ShownText(row, 4);
        }
      }
      return QString();
    };
    const struct {
      std::string_view id;
      QStringList says;
    } figures[] = {
        {"benford-first", {QStringLiteral("MAD "), QStringLiteral("p = "), QStringLiteral("N = ")}},
        {"benford-second", {QStringLiteral("MAD "), QStringLiteral("p = ")}},
        {"benford-first-two", {QStringLiteral("MAD "), QStringLiteral("N = ")}},
        {"last-two", {QStringLiteral("p = "), QStringLiteral(" סכומים")}},
        {"late-entry", {QStringLiteral("סכום הפגיעות: "), QStringLiteral(" ש\"ח")}},
        {"rare-operator", {QStringLiteral("סף: "), QStringLiteral(" שורות")}},
        {"high-value", {QStringLiteral("הקטן שבהם: "), QStringLiteral(" ש\"ח")}},
        {"below-limit", {QStringLiteral("סף "), QStringLiteral(" מתחתיו")}},
    };
    for (const auto& c : figures) {
      const QString figure = figure_of(c.id);
      for (const QString& part : c.says) {
        QVERIFY2(figure.contains(part), qPrintable(QString::fromUtf8(c.id.data()) + ": " + figure));
      }
    }

    Grid* hits = f.jet->HitsGrid();
    const QRegularExpression date(QStringLiteral("^\\d\\d/\\d\\d/\\d{4}$"));
    const auto heading = [&](int column) {
      return hits->model()->headerData(column, Qt::Horizontal).toString();
    };
    const struct {
      std::string_view id;
      QString date_heading;
      QString own_heading;
      bool own_is_date;
    } headings[] = {
        {"late-entry", QStringLiteral("תאריך התנועה"), QStringLiteral("תאריך הרישום"), true},
        {"weekend", QStringLiteral("תאריך התנועה"), QStringLiteral("יום הרישום"), false},
        {"rare-operator", QStringLiteral("תאריך התנועה"), QStringLiteral("מבצע הפעולה"), false},
        {"missing-document", QStringLiteral("תאריך התנועה"), QStringLiteral("סוג/מספר האסמכתא"),
         false},
        {"after-hours", QStringLiteral("תאריך המסמך"), QStringLiteral("שעת ההפקה"), false},
    };
    for (const auto& c : headings) {
      QVERIFY2(f.ChooseTest(c.id), c.id.data());
      QCOMPARE(heading(5), c.date_heading);
      QCOMPARE(heading(7), c.own_heading);
      QCOMPARE(heading(8), QStringLiteral("מסמך"));
      QVERIFY(hits->model()->rowCount() > 0);
      for (int row = 0; row < hits->model()->rowCount(); ++row) {
        const QString shown = hits->Model().ShownText(row, 5);
        QVERIFY2(date.match(shown).hasMatch(), qPrintable(shown));
        if (c.own_is_date) QVERIFY(date.match(hits->Model().ShownText(row, 7)).hasMatch());
        if (c.id == "missing-document") {
          // "305/123" in the own cell is "חשבונית מס (305) 123" in the document's.
          const QStringList own = hits->Model().ShownText(row, 7).split(QLatin1Char('/'));
          QCOMPARE(own.size(), 2);
          QVERIFY(hits->Model().ShownText(row, 8).endsWith(
              QStringLiteral("(%1) %2").arg(own[0], own[1])));
        }
      }
    }

    // Dates sort by the day, not by their text.
    QVERIFY(f.ChooseTest("weekend"));
    QVERIFY(hits->model()->rowCount() > 2);
    emit hits->horizontalHeader()->sectionClicked(5);
    QTRY_VERIFY_WITH_TIMEOUT(!f.jet->Sorting(), 30000);
    const auto day = [&](int row) {
      return QDate::fromString(hits->Model().ShownText(row, 5), QStringLiteral("dd/MM/yyyy"));
    };
    for (int row = 1; row < hits->model()->rowCount(); ++row) {
      QVERIFY2(day(row - 1) <= day(row), qPrintable(hits->Model().ShownText(row, 5)));
    }
  }

  // The gate's hits are its unbalanced batches beside its cards, each batch said in words and
  // leading to its first movement.
  void TheGateListsItsUnbalancedBatchesAmongItsHits() {
    Fixture f;
    DataSetOptions options;
    options.movements = 3000;
    options.accounts = 60;
    options.faults = {{FaultKind::kUnbalancedBatch, 2}, {FaultKind::kAccountTotals, 1}};
    QVERIFY(f.LoadSet(options));
    f.PlaceAtFirstStartSize();
    QVERIFY(f.RunToEnd());
    const JetPopulation& population = f.jet->Result()->population;
    QCOMPARE(population.batches_off.size(), std::size_t{2});
    QCOMPARE(f.jet->TestsGrid()->Model().ShownText(0, 5), QStringLiteral("population"));
    QCOMPARE(f.jet->TestsGrid()->Model().ShownText(0, 3).toLongLong(),
             static_cast<long long>(population.batches_off.size()) + population.accounts_off);
    QTRY_VERIFY_WITH_TIMEOUT(f.jet->ChosenTest() == JetTest::kPopulation && !f.jet->HitsLoading() &&
                                 f.jet->HitsGrid()->model()->rowCount() > 0,
                             30000);
    Grid* hits = f.jet->HitsGrid();
    QStringList batches;
    for (int row = 0; row < hits->model()->rowCount(); ++row) {
      const QString own = hits->Model().ShownText(row, 7);
      if (own.startsWith(QStringLiteral("מנה "))) batches << own.section(QLatin1Char(' '), 1, 1);
    }
    QStringList planted;
    for (const ManifestEntry& entry : f.generated.manifest) {
      if (entry.kind != FaultKind::kUnbalancedBatch) continue;
      // "סה'כ למנה 31"
      planted << QString::fromStdString(entry.message).section(QLatin1Char(' '), -1);
    }
    planted.sort();
    batches.sort();
    QCOMPARE(batches, planted);

    // The first batch row opens its batch's first movement in the ledger.
    Fixture::Open(hits, 0);
    QCOMPARE(f.window.CurrentPage(), PageId::kLedger);
    QTRY_VERIFY_WITH_TIMEOUT(f.t.app.readers.Idle(), 30000);
    LedgerPage* ledger = f.window.PageOf<LedgerPage>();
    QTRY_VERIFY_WITH_TIMEOUT(ledger->ChosenRow() >= 0, 30000);
    const std::string_view line =
        ledger->Card().rows[static_cast<std::size_t>(ledger->ChosenRow())].line;
    QCOMPARE(QByteArray(line.data(), static_cast<qsizetype>(line.size())).trimmed(),
             f.DataLine(population.batches_off.front().first_line));
  }

  // A refusal names the field as the dialog captions it and marks that field alone; the
  // weekend days are typed and shown by their Hebrew names.
  void ParametersDialogNamesAndMarksTheRefusedFieldAndTakesHebrewDays() {
    TestApp t;
    JetParametersDialog dialog(t.app, JetParameters{}, nullptr);
    QLineEdit* weekend = dialog.Field("weekend_days");
    QVERIFY(weekend != nullptr);
    QCOMPARE(weekend->text(), QStringLiteral("יום שישי, שבת"));
    struct Case {
      std::string key;
      QString typed;
      QString named;  // empty: taken
    };
    for (const Case& c : {
             Case{"late_days", QStringLiteral("-1"), QStringLiteral("\"ימי איחור ברישום\": ")},
             Case{"late_days", QStringLiteral("30"), {}},
             Case{"weekend_days", QStringLiteral("שבת, יום ראשון"), {}},
             Case{"weekend_days", QStringLiteral("שבתון"),
                  QStringLiteral("\"ימי סוף שבוע\": יום לא מוכר: \"שבתון\"")},
             Case{"weekend_days", QStringLiteral("saturday"), {}},
             Case{"work_end", QStringLiteral("25:00"), QStringLiteral("\"סוף יום העבודה\": ")},
         }) {
      QLineEdit* field = dialog.Field(c.key);
      field->setText(c.typed);
      emit field->textEdited(field->text());
      if (c.named.isEmpty()) {
        QVERIFY2(dialog.Refusal().isEmpty(), qPrintable(dialog.Refusal()));
        QVERIFY(dialog.RefusedField() == nullptr);
        QVERIFY(field->styleSheet().isEmpty());
        continue;
      }
      QVERIFY2(dialog.Refusal().startsWith(c.named), qPrintable(dialog.Refusal()));
      QVERIFY(!dialog.Refusal().contains(QString::fromStdString(c.key)));
      QVERIFY(dialog.RefusedField() == field);
      QVERIFY(!field->styleSheet().isEmpty());
      QCOMPARE(dialog.Field("report_hits")->styleSheet(), QString());
      field->setText(c.key == "work_end" ? QStringLiteral("20:00") : QStringLiteral("שבת"));
      emit field->textEdited(field->text());
    }
    QVERIFY(dialog.Parameters());
    QCOMPARE(dialog.Parameters()->weekend_days, std::vector<int>{6});
    dialog.Show(*dialog.Parameters());
    QCOMPARE(weekend->text(), QStringLiteral("שבת"));
  }

  void ParametersDialogRefusesOutOfRangeAndSavesWhatTheCommandLinePrints() {
    TestApp t;
    JetParametersDialog dialog(t.app, JetParameters{}, nullptr);
    QLineEdit* late = dialog.Field("late_days");
    QVERIFY(late != nullptr);
    late->setText(QStringLiteral("-1"));
    emit late->textEdited(late->text());
    QVERIFY(dialog.Refusal().contains(QStringLiteral("ימי איחור ברישום")));
    QVERIFY(!dialog.OkButton()->isEnabled());
    QVERIFY(!dialog.Parameters());

    // A file of other values, loaded and saved again, is what the command line prints for it.
    QTemporaryDir scratch;
    const QString given = scratch.filePath(QStringLiteral("given.json"));
    QFile out(given);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(R"({"weights": {"weekend": 5}, "keywords": ["תיקון", "שונה"], "late_days": 45,
                 "limits": ["2500.50"], "benford_z": "2.5", "holiday_eves": true,
                 "extra_holidays": ["2024-03-05"], "work_end": "18:30",
                 "portfolio_weights": {"import": 35, "digits": 0}})");
    out.close();
    QVERIFY(dialog.LoadFrom(given));
    QVERIFY(dialog.Refusal().isEmpty());
    const QString saved = scratch.filePath(QStringLiteral("saved.json"));
    QVERIFY(dialog.SaveTo(saved));
    QProcess cli;
    cli.start(QStringLiteral(TALLYSCAN_CLI),
              {QStringLiteral("jet"), QStringLiteral("--print-params"), QStringLiteral("--params"),
               given});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    QFile back(saved);
    QVERIFY(back.open(QIODevice::ReadOnly));
    QCOMPARE(back.readAll(), cli.readAllStandardOutput());

    // A list with an empty item warns and is not taken; an emptied list is an empty list.
    for (const auto& [key, typed, taken] : std::vector<std::tuple<std::string, QString, bool>>{
             {"weekend_days", QStringLiteral("friday,"), false},
             {"weekend_days", QStringLiteral(",friday"), false},
             {"weights", QStringLiteral("weekend: 5,, keyword: 2"), false},
             {"weekend_days", QStringLiteral("friday, saturday"), true},
             {"extra_holidays", QStringLiteral(" "), true}}) {
      QLineEdit* field = dialog.Field(key);
      field->setText(typed);
      emit field->textEdited(typed);
      QCOMPARE(dialog.OkButton()->isEnabled(), taken);
      // The refusal names the field by its caption, as the dialog shows it.
      const std::string caption(JetParameterCaption(key));
      QCOMPARE(dialog.Refusal().contains(QString::fromStdString("\"" + caption + "\"")), !taken);
      field->clear();
      emit field->textEdited(QString());
      QVERIFY(dialog.OkButton()->isEnabled());
    }
    // A folder named as a parameter file is refused at once, naming it.
    QVERIFY(!dialog.LoadFrom(scratch.path()));
    QVERIFY(!t.messages.empty());
    QVERIFY(t.messages.back().text.contains(scratch.path()));
    QVERIFY(t.messages.back().text.contains(QStringLiteral("אינו קובץ רגיל")));

    // A typed weight out of range is refused; the defaults button puts the defaults back.
    QLineEdit* weights = dialog.Field("weights");
    weights->setText(QStringLiteral("weekend: 101"));
    emit weights->textEdited(weights->text());
    QVERIFY(dialog.Refusal().contains(QStringLiteral("משקלות בדירוג")));
    dialog.findChild<QPushButton*>(QStringLiteral("defaultsButton"))->click();
    QVERIFY(dialog.Parameters());
    QCOMPARE(JetParametersJson(*dialog.Parameters()), JetParametersJson(JetParameters{}));
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::AnalysisPageTest)
#include "analysis_page_test.moc"
