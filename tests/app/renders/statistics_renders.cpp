// Renders the analysis page's field statistics (with the month chart) and producer's summaries
// tabs at 1366 x 768 and 1920 x 1080 after reading a generated set with faults (a bad date, a blank
// sign, a letter in a number, a record count INI.TXT states wrongly, a VAT off), into app-renders/.
// Not a test: `make renders` builds and runs it.
#include <QDir>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/main_window.h"
#include "app/pages/analysis_page.h"
#include "app/pages/import_page.h"
#include "app/statistics/field_statistics_tab.h"
#include "app/statistics/producer_summaries_tab.h"
#include "app/statistics/statistics_run.h"
#include "app_test_support.h"
#include "generator/data_set.h"

namespace tallyscan::test {

class StatisticsRenders : public QObject {
  Q_OBJECT
 private:
  static QString Save(const QImage& image, const QString& name) {
    QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
    const QString path = QStringLiteral(TALLYSCAN_RENDER_DIR "/") + name;
    return image.save(path) ? path : QString();
  }

 private slots:
  void BothTabsAfterReadingASetWithFaults_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("1366x768") << QSize(1366, 768);
    QTest::newRow("1920x1080") << QSize(1920, 1080);
  }

  void BothTabsAfterReadingASetWithFaults() {
    QFETCH(QSize, size);
    QTemporaryDir scratch;
    DataSetOptions options;
    options.movements = 20000;
    options.accounts = 120;
    options.documents = 400;
    for (const char* name : {"bad-date", "bad-sign", "bad-numeric", "ini-type-count", "vat"}) {
      options.faults.push_back({FindFault(name)->kind, 1});
    }
    GeneratedDataSet generated;
    const QString folder = scratch.filePath(QStringLiteral("set"));
    QVERIFY(GenerateDataSet(options, folder.toStdString(), &generated).ok());
    TestApp t;
    MainWindow window(t.app, StoredSize(size.width(), size.height()));
    window.setGeometry(QRect(QPoint(0, 0), size));  // as maximised on such a screen
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.PageOf<ImportPage>()->ReadFolder(folder);
    QVERIFY(!t.store.LoadedFolder.empty());
    window.PressButton(PageId::kAnalysis);
    auto* page = window.PageOf<AnalysisPage>();
    page->Tabs()->setCurrentWidget(page->Fields());
    QSignalSpy ended(page->Statistics(), &StatisticsRun::Ended);
    page->RunMainAction();
    QVERIFY(ended.wait(120000));
    QVERIFY(page->Statistics()->Result() != nullptr);
    // The chart of the value date, the field the planted bad date is in.
    page->Fields()->ChooseDateField(1363);
    QTest::qWait(200);  // the chart's animation-free layout settles on the next events
    const QString suffix = QStringLiteral("_%1x%2.png").arg(size.width()).arg(size.height());
    for (const auto& [tab, name] :
         {std::pair<QWidget*, QString>{page->Fields(),
                                       QStringLiteral("analysis_field_statistics") + suffix},
          std::pair<QWidget*, QString>{page->Summaries(),
                                       QStringLiteral("analysis_producer_summaries") + suffix}}) {
      page->Tabs()->setCurrentWidget(tab);
      QCoreApplication::processEvents();
      const QImage image = window.grab().toImage();
      QCOMPARE(image.size(), size);
      const QString path = Save(image, name);
      QVERIFY(!path.isEmpty());
      qInfo("rendered %s", qPrintable(path));
    }
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::StatisticsRenders)
#include "statistics_renders.moc"
