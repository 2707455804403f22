// Renders the analysis page's "השוואת תקופות" after comparing a generated year with the next
// one, every fault of the comparison planted: the openings (the result account's row marked,
// the error rows red), the review by account and by group, the accounts that came and went and
// the new counterparties, each at 1366 x 768 and 1920 x 1080; and the pages of the comparison
// report's PDF (`tallyscan-cli report compare --format pdf`, made into pictures with pdftoppm),
// to PNG files in the build folder (app-renders/). Not a test: `make renders` builds and runs it.
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/compare/compare_tab.h"
#include "app/main_window.h"
#include "app/pages/analysis_page.h"
#include "app/pages/import_page.h"
#include "app_test_support.h"
#include "generator/data_set.h"
#include "generator/next_year.h"

namespace tallyscan::test {
namespace {

QString Save(const QImage& image, const QString& name) {
  QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
  const QString path = QStringLiteral(TALLYSCAN_RENDER_DIR "/") + name;
  if (!image.save(path)) return {};
  qInfo("rendered %s", qPrintable(path));
  return path;
}

}  // namespace

class CompareRenders : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir scratch_;
  QString prior_, current_;

 private slots:
  void initTestCase() {
    prior_ = scratch_.filePath(QStringLiteral("prior"));
    current_ = scratch_.filePath(QStringLiteral("current"));
    DataSetOptions options;
    options.movements = 3000;
    options.seed = 31;
    GeneratedDataSet generated;
    QVERIFY(GenerateDataSet(options, prior_.toStdString(), &generated).ok());
    NextYearOptions next;
    next.seed = 201;
    for (const NextYearFault& fault : NextYearFaults()) next.faults.push_back(fault.name);
    QVERIFY(WriteNextYear(prior_.toStdString(), current_.toStdString(), next).ok());
  }

  void TablesAfterARun_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("1366x768") << QSize(1366, 768);
    QTest::newRow("1920x1080") << QSize(1920, 1080);
  }

  void TablesAfterARun() {
    QFETCH(QSize, size);
    TestApp t;
    MainWindow window(t.app, StoredSize(size.width(), size.height()));
    window.setGeometry(QRect(QPoint(0, 0), size));  // as maximised on such a screen
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.PageOf<ImportPage>()->ReadFolder(current_);
    QVERIFY(!t.store.LoadedFolder.empty());
    window.PressButton(PageId::kAnalysis);
    auto* page = window.PageOf<AnalysisPage>();
    CompareTab* compare = page->Compare();
    page->Tabs()->setCurrentWidget(compare);
    compare->PriorFolder()->setText(prior_);
    QSignalSpy ended(compare, &CompareTab::RunEnded);
    page->RunMainAction();
    QVERIFY(ended.wait(120000));
    QVERIFY(compare->Result() != nullptr);
    const QString suffix = QStringLiteral("_%1x%2.png").arg(size.width()).arg(size.height());
    const std::pair<CompareTable, const char*> shots[] = {
        {CompareTable::kOpenings, "compare_openings"},
        {CompareTable::kReviewAccounts, "compare_review_accounts"},
        {CompareTable::kReviewGroups, "compare_review_groups"},
        {CompareTable::kAccounts, "compare_accounts"},
        {CompareTable::kCounterparties, "compare_counterparties"}};
    for (const auto& shot : shots) {
      compare->ShowTable(shot.first);
      QCoreApplication::processEvents();
      const QImage image = window.grab().toImage();
      QCOMPARE(image.size(), size);
      QVERIFY(!Save(image, QString::fromLatin1(shot.second) + suffix).isEmpty());
    }
  }

  void ReportPdfPages() {
    const QString pdf = scratch_.filePath(QStringLiteral("compare.pdf"));
    QProcess cli;
    cli.start(QStringLiteral(TALLYSCAN_CLI),
              {QStringLiteral("report"), QStringLiteral("compare"), QStringLiteral("--format"),
               QStringLiteral("pdf"), QStringLiteral("--out"), pdf, prior_, current_});
    QVERIFY(cli.waitForFinished(120000));
    QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
    QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
    QProcess pages;
    pages.start(QStringLiteral("pdftoppm"),
                {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"), pdf,
                 QStringLiteral(TALLYSCAN_RENDER_DIR "/compare_report_pdf")});
    if (!pages.waitForStarted()) QSKIP("pdftoppm (poppler-utils) is not installed");
    QVERIFY(pages.waitForFinished(120000));
    QCOMPARE(pages.exitCode(), 0);
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::CompareRenders)
#include "compare_renders.moc"
