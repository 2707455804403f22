// Renders the checks page after a run that found errors, the field-selection dialog and a
// grid of signed amounts to PNG files in the build folder (app-renders/), so that a person
// can look at them.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "app/dialogs/field_selection_dialog.h"
#include "app/main_window.h"
#include "app/pages/checks_page.h"
#include "app/widgets/grid.h"
#include "app_test_support.h"
#include "engine/browse/grid.h"
#include "engine/uniform/import.h"
#include "generator/data_set.h"

namespace tallyscan::test {
namespace {

QString Save(const QImage& image, const QString& name) {
  QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
  const QString path = QStringLiteral(TALLYSCAN_RENDER_DIR "/") + name;
  return image.save(path) ? path : QString();
}

}  // namespace

class GridRenderTest : public QObject {
  Q_OBJECT
 private slots:
  void ChecksPageAfterARunWithErrors() {
    QTemporaryDir dir;
    DataSetOptions options;
    options.movements = 600;
    options.seed = 3;
    options.faults = {{FaultKind::kUnbalancedBatch, 1},
                      {FaultKind::kAccountTotals, 1},
                      {FaultKind::kDocumentArithmetic, 1},
                      {FaultKind::kMissingCheque, 1}};
    GeneratedDataSet generated;
    QVERIFY(GenerateDataSet(options, dir.path().toStdString(), &generated).ok());
    TestApp t;
    SilentProgress silent;
    QVERIFY(ImportFolder(t.store, dir.path().toStdString(), silent).status.ok());
    MainWindow window(t.app, StoredSize(1000, 700));
    window.resize(1000, 700);  // larger than the test screen
    window.show();
    window.PressButton(2002);
    auto* page = static_cast<ChecksPage*>(window.PageAt(2));
    page->Start();
    QVERIFY(page->Rows().size() > 10);
    const QString path = Save(window.grab().toImage(), QStringLiteral("checks_page_run.png"));
    QVERIFY(!path.isEmpty());
    qInfo("rendered %s", qPrintable(path));
  }

  void FieldSelectionDialog_() {
    TestApp t;
    FieldSelectionDialog dialog(t.app, AccountIndexCatalogue(), nullptr);
    dialog.show();
    const QString path = Save(dialog.grab().toImage(), QStringLiteral("field_selection.png"));
    QVERIFY(!path.isEmpty());
    qInfo("rendered %s", qPrintable(path));
  }

  void SignedAmountsRightToLeft() {
    std::vector<std::string> rows;
    for (std::int64_t agorot : {123450LL, -123450LL, -5LL, 987654321LL, -987654321LL}) {
      rows.push_back("9\t" + BalanceText(agorot, false) + "\t" + BalanceText(agorot, true) +
                     "\tהפרש " + BalanceText(agorot, false) + " בכרטיס");
    }
    TabRowSource source(rows);
    Grid grid;
    grid.setLayoutDirection(Qt::RightToLeft);
    grid.SetColumns(FixedColumns({QStringLiteral("30,#"), QStringLiteral("120,סכום"),
                                  QStringLiteral("140,יתרה"), QStringLiteral("200,פרטים")}));
    grid.SetSource(&source);
    grid.SetRowCount(static_cast<int>(rows.size()));
    grid.resize(540, 160);
    grid.show();
    const QString path = Save(grid.grab().toImage(), QStringLiteral("grid_amounts.png"));
    QVERIFY(!path.isEmpty());
    qInfo("rendered %s", qPrintable(path));
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::GridRenderTest)
#include "grid_render_test.moc"
