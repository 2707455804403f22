// Renders the analysis page after a run of the journal-entry tests over a generated audit set
// with every journal fault planted (the tests list with the hits of a test, the digit charts of
// the first digit, the first two and the last two with the lines of a bar, the sufficiency
// panel), each at 1366 x 768 and 1920 x 1080, the parameters dialog, and the
// first two pages of the evidence report's PDF (`tallyscan-cli report jet --format pdf`, made
// into pictures with pdftoppm) to PNG files in the build folder (app-renders/), so that a
// person can look at them. Not a test: `make renders` builds and runs it.
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <QBarSet>
#include <QChartView>

#include "app/jet/jet_digit_chart.h"
#include "app/jet/jet_parameters_dialog.h"
#include "app/jet/jet_tab.h"
#include "app/main_window.h"
#include "app/pages/analysis_page.h"
#include "app/pages/import_page.h"
#include "app/widgets/grid.h"
#include "app_test_support.h"
#include "generator/data_set.h"

namespace tallyscan::test {
namespace {

constexpr int kDigitsTab = 1;
constexpr int kSufficiencyTab = 2;
constexpr int kTestIdColumn = 5;

QString Save(const QImage& image, const QString& name) {
  QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
  const QString path = QStringLiteral(TALLYSCAN_RENDER_DIR "/") + name;
  if (!image.save(path)) return {};
  qInfo("rendered %s", qPrintable(path));
  return path;
}

// An audit set of 20,000 movements with each journal fault planted twice.
bool MakeSet(const QString& folder) {
  DataSetOptions options;
  options.profile = DataProfile::kAudit;
  options.movements = 20000;
  options.accounts = 150;
  for (const FaultInfo& fault : JournalFaults()) options.faults.push_back({fault.kind, 2});
  GeneratedDataSet generated;
  return GenerateDataSet(options, folder.toStdString(), &generated).ok();
}

}  // namespace

class AnalysisRenders : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir scratch_;
  QString folder_;

 private slots:
  void initTestCase() {
    QVERIFY(scratch_.isValid());
    folder_ = scratch_.filePath(QStringLiteral("set"));
    QVERIFY(MakeSet(folder_));
  }

  void PageAfterARun_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("1366x768") << QSize(1366, 768);
    QTest::newRow("1920x1080") << QSize(1920, 1080);
  }

  // The hits of the weekend test, a digit chart with the lines of its highest bar, the
  // sufficiency panel and the parameters dialog over the window.
  void PageAfterARun() {
    QFETCH(QSize, size);
    TestApp t;
    MainWindow window(t.app, StoredSize(size.width(), size.height()));
    window.setGeometry(QRect(QPoint(0, 0), size));  // as maximised on such a screen
    window.show();
    window.PageOf<ImportPage>()->ReadFolder(folder_);
    QVERIFY(!t.store.LoadedFolder.empty());
    window.PressButton(PageId::kAnalysis);
    JetTab* jet = window.PageOf<AnalysisPage>()->Jet();
    QSignalSpy ended(jet, &JetTab::RunEnded);
    jet->Run();
    QVERIFY(ended.wait(60000) && jet->Result() != nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(!jet->HitsLoading(), 30000);

    Grid* tests = jet->TestsGrid();
    for (int row = 0; row < tests->model()->rowCount(); ++row) {
      if (tests->Model().ShownText(row, kTestIdColumn) != QStringLiteral("weekend")) continue;
      QSignalSpy shown(jet, &JetTab::LinesShown);
      tests->selectionModel()->setCurrentIndex(
          tests->model()->index(row, 1),
          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      QVERIFY(shown.wait(30000));
    }
    QVERIFY(jet->HitsGrid()->model()->rowCount() > 0);
    QTRY_VERIFY_WITH_TIMEOUT(!jet->HitsGrid()->Measuring(), 30000);
    const QString name = QStringLiteral("_%1x%2.png").arg(size.width()).arg(size.height());
    QVERIFY(!Save(window.grab().toImage(), QStringLiteral("analysis_page") + name).isEmpty());

    jet->Details()->setCurrentIndex(kDigitsTab);
    JetDigitChart* chart = jet->DigitChart();
    chart->Choose(JetTest::kBenfordFirst, JetPopulationKind::kAll);
    QBarSet* bars = chart->ActualBars();
    QVERIFY(bars != nullptr && bars->count() > 0);
    int highest = 0;
    for (int i = 1; i < bars->count(); ++i) {
      if (bars->at(i) > bars->at(highest)) highest = i;
    }
    QSignalSpy listed(jet, &JetTab::LinesShown);
    emit bars->clicked(highest);
    QVERIFY(listed.wait(30000));
    QVERIFY(!Save(window.grab().toImage(), QStringLiteral("analysis_digits") + name).isEmpty());
    // The pairs and the endings, a bar chosen with the keyboard and its lines listed.
    for (const auto& [test, picture] :
         {std::pair{JetTest::kBenfordFirstTwo, QStringLiteral("analysis_digits_first_two")},
          std::pair{JetTest::kLastTwo, QStringLiteral("analysis_digits_last_two")}}) {
      chart->Choose(test, JetPopulationKind::kAll);
      chart->View()->setFocus();
      QTest::keyClick(chart->View(), Qt::Key_Home);
      for (int step = 0; step < 33; ++step) QTest::keyClick(chart->View(), Qt::Key_Right);
      QSignalSpy lines(jet, &JetTab::LinesShown);
      QTest::keyClick(chart->View(), Qt::Key_Return);
      QVERIFY(lines.wait(30000));
      QVERIFY(!Save(window.grab().toImage(), picture + name).isEmpty());
    }

    jet->Details()->setCurrentIndex(kSufficiencyTab);
    QVERIFY(
        !Save(window.grab().toImage(), QStringLiteral("analysis_sufficiency") + name).isEmpty());

    JetParametersDialog dialog(t.app, jet->Parameters(), &window);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(
        !Save(dialog.grab().toImage(), QStringLiteral("jet_parameters_dialog") + name).isEmpty());
  }

  // The evidence report as the command line writes it, its first two pages as pictures.
  void ReportPdfFirstPages() {
    const QString pdf = scratch_.filePath(QStringLiteral("jet.pdf"));
    QProcess cli;
    cli.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    cli.start(QStringLiteral(TALLYSCAN_CLI),
              {QStringLiteral("report"), QStringLiteral("jet"), QStringLiteral("--format"),
               QStringLiteral("pdf"), QStringLiteral("--out"), pdf, folder_});
    QVERIFY(cli.waitForFinished(120000));
    QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
    QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
    const QString stem = QStringLiteral(TALLYSCAN_RENDER_DIR "/jet_report_pdf");
    QProcess pages;
    pages.start(
        QStringLiteral("pdftoppm"),
        {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-f"),
         QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("2"), pdf, stem});
    if (!pages.waitForStarted()) QSKIP("pdftoppm (poppler-utils) is not installed");
    QVERIFY(pages.waitForFinished(120000));
    QCOMPARE(pages.exitCode(), 0);
    for (const QString& page : QDir(QStringLiteral(TALLYSCAN_RENDER_DIR))
                                   .entryList({QStringLiteral("jet_report_pdf-*.png")})) {
      qInfo("rendered %s/%s", TALLYSCAN_RENDER_DIR, qPrintable(page));
    }
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::AnalysisRenders)
#include "analysis_renders.moc"
