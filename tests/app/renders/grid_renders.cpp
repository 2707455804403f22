// Renders the checks page after a run over a million movements with faults and the import
// page with its errors alone, each at 1366 x 768 and 1920 x 1080, the source-record viewer,
// the field-selection dialog and a grid of signed amounts to PNG files in the build folder
// (app-renders/), so that a person can look at them. Not a test: `make renders` builds and
// runs it.
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "app/dialogs/field_selection_dialog.h"
#include "app/dialogs/record_detail_dialog.h"
#include "app/main_window.h"
#include "app/pages/checks_page.h"
#include "app/pages/import_page.h"
#include "app/widgets/grid.h"
#include "app/widgets/result_list.h"
#include "app_test_support.h"
#include "engine/browse/browse.h"
#include "engine/uniform/import.h"
#include "large_sets.h"

namespace tallyscan::test {
namespace {

QString Save(const QImage& image, const QString& name) {
  QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
  const QString path = QStringLiteral(TALLYSCAN_RENDER_DIR "/") + name;
  return image.save(path) ? path : QString();
}

}  // namespace

class GridRenders : public QObject {
  Q_OBJECT
 private slots:
  // The checks page after a run over a million movements with faults, at the two screen
  // sizes a laptop and a desktop have, the row of the widest figure in view and selected.
  void ChecksPageAfterAMillionMovementRun() {
    TestApp t;
    SilentProgress silent;
    QVERIFY(ImportFolder(t.store, MillionMovementsWithFaults().string(), silent).status.ok());
    MainWindow window(t.app, StoredSize(1366, 768));
    window.setGeometry(0, 0, 1366, 768);  // as maximised on such a screen
    window.show();
    window.PressButton(PageId::kChecks);
    auto* page = window.PageOf<ChecksPage>();
    page->Start();
    QVERIFY(page->Rows().size() > 10);
    Grid* grid = page->ResultGrid();
    int widest_row = 0;
    int widest = 0;
    for (int row = 0; row < grid->Model().rowCount(); ++row) {
      for (int column = 2; column <= 4; ++column) {
        const QModelIndex cell = grid->Model().index(row, column);
        if (!cell.data(kFigureRole).toBool()) continue;
        const int needed = grid->WidthNeeded(cell.data().toString(), false);
        if (needed > widest) {
          widest = needed;
          widest_row = row;
        }
      }
    }
    grid->setFocus();
    grid->setCurrentIndex(grid->Model().index(widest_row, 1));
    grid->scrollTo(grid->Model().index(widest_row, 1), QAbstractItemView::PositionAtCenter);
    for (const QSize size : {QSize(1366, 768), QSize(1920, 1080)}) {
      window.setGeometry(QRect(QPoint(0, 0), size));
      QCoreApplication::processEvents();
      const QString path =
          Save(window.grab().toImage(),
               QStringLiteral("checks_page_%1x%2.png").arg(size.width()).arg(size.height()));
      QVERIFY(!path.isEmpty());
      qInfo("rendered %s", qPrintable(path));
    }
  }

  // The import page after reading the same set, its errors alone.
  void ImportPageWithTheErrorsOnly() {
    TestApp t;
    MainWindow window(t.app, StoredSize(1366, 768));
    window.setGeometry(0, 0, 1366, 768);
    window.show();
    auto* page = window.PageOf<ImportPage>();
    page->findChild<QLineEdit*>(QStringLiteral("folderEdit"))
        ->setText(QString::fromStdString(MillionMovementsWithFaults().string()));
    page->Start();
    QVERIFY(t.messages.empty());
    page->Results()->SetErrorsOnly(true);
    QVERIFY(page->Results()->ErrorCount() > 5);
    page->Results()->NextError(false);
    for (const QSize size : {QSize(1366, 768), QSize(1920, 1080)}) {
      window.setGeometry(QRect(QPoint(0, 0), size));
      QCoreApplication::processEvents();
      const QString path =
          Save(window.grab().toImage(),
               QStringLiteral("import_errors_%1x%2.png").arg(size.width()).arg(size.height()));
      QVERIFY(!path.isEmpty());
      qInfo("rendered %s", qPrintable(path));
    }
    // The record of the last error row, in the source-record viewer.
    ResultList* results = page->Results();
    RecordDetailDialog* dialog =
        page->OpenRow(results->SourceRow(results->grid()->Model().rowCount() - 1));
    QVERIFY(dialog);
    const QString path = Save(dialog->grab().toImage(), QStringLiteral("record_detail.png"));
    QVERIFY(!path.isEmpty());
    qInfo("rendered %s", qPrintable(path));
    delete dialog;
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

QTEST_MAIN(tallyscan::test::GridRenders)
#include "grid_renders.moc"
