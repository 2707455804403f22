// Every grid of the window at its first-start size on a 1366×768 screen, over the million
// movements with faults (the widest figures the generator writes): each figure shows whole,
// the text columns having given way. Renders the documents page of type 400 and the items
// page after a search (app-renders/first_start_*.png).
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QTest>
#include <QtTest>

#include "app/main_window.h"
#include "app/pages/accounts_index_page.h"
#include "app/pages/checks_page.h"
#include "app/pages/documents_page.h"
#include "app/pages/import_page.h"
#include "app/pages/items_page.h"
#include "app/pages/ledger_page.h"
#include "app/widgets/grid.h"
#include "app/widgets/grid_delegate.h"
#include "app/widgets/result_list.h"
#include "app_test_support.h"
#include "engine/browse/browse.h"
#include "engine/program/program.h"
#include "engine/uniform/uniform.h"
#include "large_sets.h"

namespace tallyscan::test {
namespace {

// A 1366×768 screen, and the frame a window manager draws.
constexpr ScreenRect kLaptopScreen{0, 0, 1366, 768};
constexpr FrameMargins kFrame{8, 32, 8, 8};

QString Save(QWidget& widget, const QString& name) {
  QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
  const QString path = QStringLiteral(TALLYSCAN_RENDER_DIR "/") + name;
  return widget.grab().save(path) ? path : QString();
}

// The figures of the rows in view: each drawn whole, in a column inside the viewport.
void ExpectFiguresWhole(Grid* grid, const char* name, bool any = true) {
  QCoreApplication::processEvents();
  QVERIFY2(grid->isVisible(), name);
  const QRect visible = grid->viewport()->rect();
  const int first = std::max(0, grid->rowAt(0));
  int last = grid->rowAt(visible.bottom());
  if (last < 0) last = grid->Model().rowCount() - 1;
  int figures = 0;
  for (int row = first; row <= last; ++row) {
    for (int column = 0; column < grid->Model().columnCount(); ++column) {
      const QModelIndex cell = grid->Model().index(row, column);
      if (!cell.data(kFigureRole).toBool()) continue;
      ++figures;
      QFont font = grid->font();
      if (const QVariant bold = cell.data(Qt::FontRole); bold.isValid()) {
        font = bold.value<QFont>().resolve(font);
      }
      const QString figure = cell.data().toString();
      const QString shown =
          GridDelegate::FigureShown(QFontMetrics(font), figure, grid->visualRect(cell), visible);
      QVERIFY2(shown == figure, qPrintable(QStringLiteral("%1: %2 shows %3 (column %4)")
                                               .arg(QLatin1String(name), figure, shown)
                                               .arg(column)));
    }
  }
  QVERIFY2(figures > 0 || !any, name);
}

}  // namespace

class FirstStartFiguresTest : public QObject {
  Q_OBJECT
 private slots:
  void EveryGridShowsItsFiguresWholeAtTheFirstStartSize() {
    const ScreenRect place = PlaceMainWindow(MainDlgPos{}, kLaptopScreen, kFrame);
    QCOMPARE(QSize(place.width, place.height), QSize(1215, 655));
    TestApp t;
    MainWindow window(t.app, MainDlgPos{});
    window.setGeometry(place.x, place.y, place.width, place.height);
    window.show();
    auto* import = window.PageOf<ImportPage>();
    import->ReadFolder(QString::fromStdString(MillionMovementsWithFaults().string()));
    QVERIFY(!t.store.LoadedFolder.empty());
    QCOMPARE(window.size(), QSize(1215, 655));
    ExpectFiguresWhole(import->Results()->grid(), "import results");

    window.PressButton(PageId::kAccountsIndex);
    auto* index = window.PageOf<AccountsIndexPage>();
    Grid* index_grid = index->findChild<Grid*>(QStringLiteral("indexList"));
    ExpectFiguresWhole(index_grid, "index");
    // The last rows: the totals, the widest figures of all.
    index_grid->scrollToBottom();
    ExpectFiguresWhole(index_grid, "index totals");

    // The card of the account with the largest balance.
    std::int64_t widest_account = 1;
    std::size_t widest = 0;
    for (std::int64_t e = 1; e <= t.store.AccountListIndex.Count(); ++e) {
      const RowCells cells = AccountRowCells(
          ReadRecordLine(t.store, t.store.AccountListIndex[e].Offset, RecordType::kB110),
          t.store.DosCodePage);
      if (cells[16].size() > widest) {
        widest = cells[16].size();
        widest_account = e;
      }
    }
    window.PressButton(PageId::kLedger);
    auto* ledger = window.PageOf<LedgerPage>();
    ledger->ShowCard(widest_account);
    QTRY_VERIFY(!ledger->Working());
    ExpectFiguresWhole(ledger->List(), "ledger");
    ledger->List()->scrollToBottom();
    ExpectFiguresWhole(ledger->List(), "ledger end");

    window.PressButton(PageId::kDocuments);
    auto* documents = window.PageOf<DocumentsPage>();
    auto* types = documents->findChild<QComboBox*>(QStringLiteral("typeBox"));
    int receipts = -1;
    for (int i = 0; i < types->count(); ++i) {
      if (types->itemText(i).contains(QStringLiteral("400"))) receipts = i;
    }
    QVERIFY(receipts > 0);
    documents->SelectType(receipts);
    QTRY_VERIFY(!documents->Working());
    ExpectFiguresWhole(documents->RegisterGrid(), "register");
    // The receipt with the most lines of payment.
    for (int step = 0; step < 200 && documents->ReceiptGrid()->Model().rowCount() < 4; ++step) {
      if (!documents->Move(DocumentMove::kNext)) break;
    }
    ExpectFiguresWhole(documents->LinesGrid(), "document lines", /*any=*/false);
    ExpectFiguresWhole(documents->ReceiptGrid(), "receipts");
    qInfo("rendered %s", qPrintable(Save(window, QStringLiteral("first_start_documents_400.png"))));

    window.PressButton(PageId::kItems);
    auto* items = window.PageOf<ItemsPage>();
    items->SortBy(13);
    items->List()->scrollToBottom();  // the dearest items
    ExpectFiguresWhole(items->List(), "items");
    const QModelIndex last =
        items->List()->Model().index(items->List()->Model().rowCount() - 1, items->SearchColumn());
    items->List()->setCurrentIndex(items->List()->Model().index(0, 1));
    QVERIFY(items->FindWord(last.data(kShownRole).toString().remove(QLatin1Char(','))));
    ExpectFiguresWhole(items->List(), "items after a search");
    qInfo("rendered %s", qPrintable(Save(window, QStringLiteral("first_start_items_search.png"))));

    window.PressButton(PageId::kChecks);
    auto* checks = window.PageOf<ChecksPage>();
    checks->Start();
    ExpectFiguresWhole(checks->ResultGrid(), "check results");

    window.PressButton(PageId::kTransfer);
    ExpectFiguresWhole(
        window.PageAt(PageId::kTransfer)->findChild<Grid*>(QStringLiteral("accountList")),
        "transfer list");
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::FirstStartFiguresTest)
#include "first_start_figures_test.moc"
