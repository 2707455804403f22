// Renders "סריקת תיק" on the companies page over a small generated portfolio (six clients:
// one with a cut data file, one with its header file alone, not analysed and red): the page
// during a run with its progress and the summary after it, each at 1366 x 768 and
// 1920 x 1080, to PNG files in the build folder (app-renders/), so that a person can look at
// them. Not a test: `make renders` builds and runs it.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "app/main_window.h"
#include "app/pages/companies_page.h"
#include "app/portfolio/portfolio_view.h"
#include "app/widgets/grid.h"
#include "app_test_support.h"
#include "generator/data_set.h"

namespace tallyscan::test {
namespace {

QString Save(const QImage& image, const QString& name) {
  QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
  const QString path = QStringLiteral(TALLYSCAN_RENDER_DIR "/") + name;
  if (!image.save(path)) return {};
  qInfo("rendered %s", qPrintable(path));
  return path;
}

bool Generate(const QString& folder, std::uint64_t seed, bool faults) {
  DataSetOptions options;
  options.profile = DataProfile::kAudit;
  options.movements = 1500;
  options.seed = seed;
  if (faults) {
    for (const FaultInfo& fault : JournalFaults()) options.faults.push_back({fault.kind, 2});
  }
  QDir().mkpath(folder);
  GeneratedDataSet generated;
  return GenerateDataSet(options, folder.toStdString(), &generated).ok();
}

}  // namespace

class PortfolioRenders : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir scratch_;
  QString input_;

 private slots:
  void initTestCase() {
    QVERIFY(scratch_.isValid());
    input_ = scratch_.filePath(QStringLiteral("portfolio"));
    QVERIFY(Generate(input_ + QStringLiteral("/north/bakery"), 41, true));
    QVERIFY(Generate(input_ + QStringLiteral("/north/garage"), 42, false));
    QVERIFY(Generate(input_ + QStringLiteral("/south/clinic"), 43, true));
    QVERIFY(Generate(input_ + QStringLiteral("/south/printer"), 44, false));
    QVERIFY(Generate(input_ + QStringLiteral("/cut"), 45, false));
    QFile cut(input_ + QStringLiteral("/cut/BKMVDATA.TXT"));
    QVERIFY(cut.open(QIODevice::ReadWrite));
    QVERIFY(cut.resize(cut.size() / 2 + 7));
    // A folder with the header file alone: not analysed, its row red.
    QVERIFY(QDir().mkpath(input_ + QStringLiteral("/header-only")));
    QVERIFY(QFile::copy(input_ + QStringLiteral("/cut/INI.TXT"),
                        input_ + QStringLiteral("/header-only/INI.TXT")));
    qputenv("TALLYSCAN_CLI", TALLYSCAN_CLI);
  }

  void Summary_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("1366x768") << QSize(1366, 768);
    QTest::newRow("1920x1080") << QSize(1920, 1080);
  }

  void Summary() {
    QFETCH(QSize, size);
    QTemporaryDir home;
    TestApp t;
    t.app.user_data_folder = (home.path() + QStringLiteral("/")).toStdString();
    t.app.companies_folder = (home.path() + QStringLiteral("/Zevavu")).toStdString();
    MainWindow window(t.app, StoredSize(size.width(), size.height()));
    window.setGeometry(QRect(QPoint(0, 0), size));  // as maximised on such a screen
    window.show();
    window.PressButton(PageId::kCompanies);
    const QString name = QStringLiteral("_%1x%2.png").arg(size.width()).arg(size.height());
    PortfolioView* view = window.PageOf<CompaniesPage>()->Portfolio();
    view->FolderEdit()->setText(input_);
    view->ScanFolder(input_);
    QVERIFY(QTest::qWaitFor(
        [view] { return !view->Counts()->text().contains(QStringLiteral("מתחיל")); }, 60000));
    QVERIFY(!Save(window.grab().toImage(), QStringLiteral("portfolio_running") + name).isEmpty());
    QVERIFY(QTest::qWaitFor([view] { return !view->Running(); }, 120000));
    QVERIFY(t.messages.empty());
    QTRY_VERIFY_WITH_TIMEOUT(!view->SummaryGrid()->Measuring(), 30000);
    view->SummaryGrid()->selectRow(2);
    QVERIFY(!Save(window.grab().toImage(), QStringLiteral("portfolio_summary") + name).isEmpty());
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::PortfolioRenders)
#include "portfolio_renders.moc"
