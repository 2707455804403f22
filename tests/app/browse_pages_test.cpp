// The accounts index and ledger pages on a generated set: the index's rows are the engine's,
// a header click sorts, the commands without a chosen row say so, Enter opens the card, the
// card pages on and opens its movements' source records and source documents (on the
// documents page, Back returning to the card); renders of both pages at 1366×768
// (app-renders/accounts_index_page.png, app-renders/ledger_page.png).
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "app/dialogs/account_chooser_dialog.h"
#include "app/dialogs/record_detail_dialog.h"
#include "app/main_window.h"
#include "app/pages/accounts_index_page.h"
#include "app/pages/documents_page.h"
#include "app/pages/import_page.h"
#include "app/pages/items_page.h"
#include "app/pages/ledger_page.h"
#include "app/shared_fonts.h"
#include "app/widgets/filter_box.h"
#include "app/widgets/grid.h"
#include "app_test_support.h"
#include "engine/browse/browse.h"
#include "engine/common/texts.h"
#include "engine/program/program.h"
#include "engine/uniform/uniform.h"
#include "generator/data_set.h"

namespace tallyscan::test {
namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

struct Fixture {
  QTemporaryDir sets;
  TestApp t;
  MainWindow window{t.app, StoredSize(1366, 768)};
  AccountsIndexPage* index = window.PageOf<AccountsIndexPage>();
  LedgerPage* ledger = window.PageOf<LedgerPage>();

  // Until the pages' work off the window's thread is in (a card, a register).
  bool Settle() {
    auto* documents = window.PageOf<DocumentsPage>();
    return QTest::qWaitFor(
        [&] { return !ledger->Working() && !documents->Working() && !index->Working(); });
  }

  // With `linked`, the first document is made the source document of a movement (the
  // generator ties none): its number, date and customer are the movement's.
  bool Load(bool linked = false) {
    DataSetOptions options;
    options.movements = 600;
    options.accounts = 60;
    return LoadSet(options, linked ? &Link : nullptr);
  }
  // A generated set whose data file `edit` changes before it is read.
  bool LoadSet(const DataSetOptions& options, bool (*edit)(const QString& data_file)) {
    const QString folder = sets.filePath(QStringLiteral("set"));
    GeneratedDataSet generated;
    if (!GenerateDataSet(options, folder.toStdString(), &generated).ok()) return false;
    if (edit != nullptr && !edit(folder + QStringLiteral("/BKMVDATA.TXT"))) return false;
    window.resize(1366, 768);
    window.show();
    window.activateWindow();  // the window's shortcuts (Alt+Left) act in the active window
    if (!QTest::qWaitForWindowActive(&window)) return false;
    window.PageOf<ImportPage>()->ReadFolder(folder);
    return !t.store.LoadedFolder.empty();
  }
  static bool Link(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    const auto slice = [](const QByteArray& line, const FieldLayout& f) {
      return line.mid(f.start - 1, f.width);
    };
    // The fields copied have equal widths: the value goes in as it stands.
    const auto put = [](QByteArray& line, const FieldLayout& f, const QByteArray& value) {
      line.replace(f.start - 1, f.width, value);
    };
    QByteArray* document = nullptr;
    const QByteArray* movement = nullptr;
    for (QByteArray& line : lines) {
      const QByteArray code = line.mid(kRecordCode.start - 1, kRecordCode.width);
      if (code == "C100" && document == nullptr) document = &line;
      if (code == "B100" && !slice(line, field::B100(1357)).trimmed().isEmpty()) movement = &line;
    }
    if (document == nullptr || movement == nullptr) return false;
    put(*document, field::C100(1204), slice(*movement, field::B100(1357)));
    put(*document, field::C100(1230), slice(*movement, field::B100(1362)));
    put(*document, field::C100(1225), slice(*movement, field::B100(1364)));
    return file.open(QIODevice::WriteOnly) && file.write(lines.join('\n')) > 0;
  }
  // The accounts in the middle of the file get the widest figures their fields hold, beyond
  // the rows a grid measures at once: opening balances, debit and credit totals of 14 digits
  // with either sign, balances past what one field holds.
  static bool ExtremeFigures(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    const auto put = [](QByteArray& line, const FieldLayout& f, const QByteArray& value) {
      line.replace(f.start - 1, f.width, value);
    };
    std::vector<QByteArray*> accounts;
    for (QByteArray& line : lines) {
      if (line.mid(kRecordCode.start - 1, kRecordCode.width) == "B110") accounts.push_back(&line);
    }
    if (accounts.size() < 3 * static_cast<std::size_t>(Grid::kMeasuredAtOnce)) return false;
    QByteArray& debtor = *accounts[accounts.size() / 2];
    put(debtor, field::B110(1414), "+99999999999999");
    put(debtor, field::B110(1415), "+99999999999999");
    put(debtor, field::B110(1416), "-99999999999999");
    QByteArray& creditor = *accounts[accounts.size() / 2 + 1];
    put(creditor, field::B110(1414), "-99999999999999");
    put(creditor, field::B110(1415), "-99999999999999");
    put(creditor, field::B110(1416), "+99999999999999");
    put(creditor, field::B110(1422), "-99999999999999");
    return file.open(QIODevice::WriteOnly) && file.write(lines.join('\n')) > 0;
  }
  // The first account without an opening balance gets one in its record that no movement
  // carries: its card shows the made-up opening row.
  static bool OpeningNotInTheMovements(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    const FieldLayout& opening = field::B110(1414);
    for (QByteArray& line : lines) {
      if (line.mid(kRecordCode.start - 1, kRecordCode.width) != "B110") continue;
      if (line.mid(opening.start, opening.width - 1).toLongLong() != 0) continue;
      line.replace(opening.start - 1, opening.width, "+00000000123456");
      return file.open(QIODevice::WriteOnly) && file.write(lines.join('\n')) > 0;
    }
    return false;
  }
  static void Choose(Grid* grid, int row) {
    grid->selectionModel()->setCurrentIndex(
        grid->model()->index(row, 1),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  // The column of a grid that shows `field`.
  static int ColumnOf(const Grid* grid, int field) {
    for (int c = 0; c < grid->Model().columnCount(); ++c) {
      if (grid->Model().FieldOf(c) == field) return c;
    }
    return -1;
  }
  QString LastMessage() const { return t.messages.empty() ? QString() : t.messages.back().text; }
  void Render(const QString& name) {
    QApplication::processEvents();
    QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
    const QString path = QStringLiteral(TALLYSCAN_RENDER_DIR "/") + name;
    QVERIFY(window.grab().toImage().save(path));
    qInfo("rendered %s", qPrintable(path));
  }
};

}  // namespace

class BrowsePagesTest : public QObject {
  Q_OBJECT

 private slots:
  // A chart too large to measure row by row: the figure columns take their widths from the
  // engine's figure shapes, so that no figure in it is cut, wherever it stands.
  void IndexFigureColumnsHoldTheirWidestFigures() {
    Fixture f;
    DataSetOptions options;
    options.movements = 8000;
    options.accounts = 4000;
    QVERIFY(f.LoadSet(options, &Fixture::ExtremeFigures));
    f.window.PressButton(PageId::kAccountsIndex);
    QVERIFY(f.Settle());
    QVERIFY(f.index->SearchMade());
    Grid* list = f.index->List();
    QVERIFY(!list->Measuring());
    int figures = 0;
    for (int column = 0; column < list->Model().columnCount(); ++column) {
      const int field = list->Model().FieldOf(column);
      if (field < kFirstIndexFigure || field > kLastIndexFigure) continue;
      int widest = 0;
      for (int row = 0; row < list->model()->rowCount(); ++row) {
        const GridModel::CellSize cell = list->Model().SizeOfCell(row, column);
        if (!cell.figure) continue;
        ++figures;
        widest = std::max(widest, list->WidthNeeded(cell.text, cell.bold));
      }
      QVERIFY2(list->columnWidth(column) >= widest, qPrintable(QString::number(field)));
    }
    QVERIFY(figures > 4000);
  }

  // Index: the engine's rows and totals row, a header click, the messages without a chosen
  // row, the source record of an account, and Enter opening its card on the ledger page.
  void IndexShowsSortsAndOpensCards() {
    Fixture f;
    QVERIFY(f.Load());
    f.window.PressButton(PageId::kAccountsIndex);
    QCOMPARE(f.window.CurrentPage(), PageId::kAccountsIndex);
    Grid* list = f.index->List();
    const std::int64_t accounts = f.t.store.AccountListIndex.Count();
    QCOMPARE(list->model()->rowCount(), static_cast<int>(accounts + 1));
    const int name_column = Fixture::ColumnOf(list, 3);
    QVERIFY(name_column > 0);
    AccountsIndexRows rows(f.t.store);
    QCOMPARE(list->Model().ShownText(static_cast<int>(accounts), name_column),
             Q(LookOfCell(rows.Row(accounts + 1)[2]).shown));
    QCOMPARE(list->Model().ShownText(static_cast<int>(accounts), name_column),
             QStringLiteral("סה'כ למאזן בוחן"));
    list->scrollToBottom();  // the totals row in view
    f.Render(QStringLiteral("accounts_index_page.png"));

    // Without a chosen row (the totals row is none) 1001 and 1002 say so and do nothing.
    f.index->ShowCard();
    f.index->ShowSourceRecord();
    QCOMPARE(f.t.messages.size(), std::size_t{2});
    QCOMPARE(f.LastMessage(), Q(kNoRowSelected));
    Fixture::Choose(list, static_cast<int>(accounts));
    f.index->ShowCard();
    QCOMPARE(f.t.messages.size(), std::size_t{3});
    QCOMPARE(f.window.CurrentPage(), PageId::kAccountsIndex);

    // A click on the name's header sorts by name; the rows are the engine's in that order,
    // and stay so, the header saying so, after "מבנה הדו'ח".
    list->horizontalHeader()->sectionClicked(name_column);
    QCOMPARE(list->SortIndex(), 3);
    const QString first_name = list->Model().ShownText(0, name_column);
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    f.index->findChild<QToolButton*>(QStringLiteral("fieldsButton"))->click();
    QCOMPARE(list->SortIndex(), 3);
    QCOMPARE(list->horizontalHeader()->sortIndicatorSection(), name_column);
    QCOMPARE(list->Model().ShownText(0, name_column), first_name);
    rows.Forget();
    for (int row = 0; row + 1 < list->model()->rowCount(); ++row) {
      QCOMPARE(list->Model().ShownText(row, name_column),
               Q(LookOfCell(rows.Row(row + 1)[2]).shown));
    }
    // "הדפס אינדקס" carries its picture, as the tools beside it.
    QVERIFY(!f.index->findChild<QPushButton*>(QStringLiteral("printButton"))->icon().isNull());

    Fixture::Choose(list, 4);
    f.index->ShowSourceRecord();
    const auto viewers = f.index->findChildren<RecordDetailDialog*>();
    QCOMPARE(viewers.size(), 1);
    QVERIFY(!viewers.front()->Rows().empty());
    viewers.front()->close();

    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(f.Settle());
    QCOMPARE(f.window.CurrentPage(), PageId::kLedger);
    const LedgerCard& card = f.ledger->Card();
    QVERIFY(card.account > 0);
    QCOMPARE(f.ledger->FromField()->text(), f.ledger->ToField()->text());
    QCOMPARE(FindAccount(f.t.store, f.ledger->FromField()->text().toStdString()), card.account);
    QCOMPARE(f.ledger->List()->model()->rowCount(), static_cast<int>(card.RowCount()));
    QCOMPARE(f.ledger->Header()->text(), Q(card.header));
  }

  // Ledger: the show button's messages, a card with its running balance, paging to the
  // neighbours, and the source record of a movement.
  void LedgerShowsPagesAndOpensSourceRecords() {
    Fixture f;
    QVERIFY(f.Load());
    f.window.PressButton(PageId::kLedger);
    QCOMPARE(f.window.CurrentPage(), PageId::kLedger);
    f.ledger->ShowFromCard();
    QVERIFY(f.Settle());
    QCOMPARE(f.LastMessage(), Q(kNoFirstCard));
    f.ledger->FromField()->setText(QStringLiteral("no such key"));
    f.ledger->ShowFromCard();
    QVERIFY(f.Settle());
    QCOMPARE(f.LastMessage(), Q(kNoCardsToPrint));
    const std::size_t messages = f.t.messages.size();

    // The account with the most movements.
    std::int64_t busiest = 1;
    std::size_t most = 0;
    for (std::int64_t a = 1; a <= f.t.store.AccountIndex.Count(); ++a) {
      const std::size_t n = LoadCard(f.t.store, a).rows.size();
      if (n > most) {
        most = n;
        busiest = a;
      }
    }
    QVERIFY(most > 2);
    const std::string key =
        ReadRecordField(f.t.store, f.t.store.AccountIndex[busiest].Offset, field::B110(1403));
    // The chooser finds the account by its name and gives its key as stored, trimmed.
    {
      AccountChooserDialog chooser(f.t.store, f.ledger);
      QCOMPARE(chooser.List()->model()->rowCount(),
               static_cast<int>(f.t.store.AccountIndex.Count()));
      chooser.FindName(chooser.List()->Model().ShownText(static_cast<int>(busiest) - 1, 2));
      QCOMPARE(chooser.ChosenKey(), QString::fromStdString(key).trimmed());
    }
    f.ledger->FromField()->setText(QString::fromStdString(key).trimmed());
    QVERIFY(f.ledger->findChild<QLabel*>(QStringLiteral("fromName"))->text().size() >
            QStringLiteral("מכרטיס - ").size());
    f.ledger->ShowFromCard();
    QVERIFY(f.Settle());
    QCOMPARE(f.t.messages.size(), messages);
    QCOMPARE(f.ledger->Card().account, busiest);
    Grid* list = f.ledger->List();
    QCOMPARE(list->model()->rowCount(), static_cast<int>(most + 1));
    const int balance_column = Fixture::ColumnOf(list, 19);
    if (balance_column >= 0) {
      const RowCells last = LedgerRowCells(f.t.store, f.ledger->Card(), static_cast<int>(most));
      QCOMPARE(list->Model().ShownText(static_cast<int>(most) - 1, balance_column),
               Q(LookOfCell(last[18]).shown));
    }
    f.Render(QStringLiteral("ledger_page.png"));

    f.ledger->ShowSourceRecord();  // nothing chosen
    QCOMPARE(f.LastMessage(), Q(kNoRowSelected));
    Fixture::Choose(list, 0);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(f.Settle());
    const auto viewers = f.ledger->findChildren<RecordDetailDialog*>();
    QCOMPARE(viewers.size(), 1);
    QVERIFY(!viewers.front()->Rows().empty());
    viewers.front()->close();

    const std::int64_t next = NeighbourCard(f.t.store, busiest, 1);
    f.ledger->StepCard(1);
    QVERIFY(f.Settle());
    QCOMPARE(f.ledger->Card().account, next == 0 ? busiest : next);
    f.ledger->ShowCard(f.t.store.AccountIndex.Count());
    QVERIFY(f.Settle());
    const std::size_t before = f.t.messages.size();
    f.ledger->StepCard(1);
    QVERIFY(f.Settle());
    QCOMPARE(f.t.messages.size(), before + 1);
    QCOMPARE(f.LastMessage(), Q(kNoCardsToShow));
    QCOMPARE(f.ledger->Card().account, f.t.store.AccountIndex.Count());
  }

  // "הצג" shows the "מכרטיס" card whatever "עד כרטיס" holds and stays where it is while the
  // name labels change; paging opens a card at its top with its first row chosen, so that
  // Enter drills down at once; a new reading empties the range.
  void LedgerShowsTheFromCardAndPagesToTheTop() {
    Fixture f;
    QVERIFY(f.Load());
    f.window.PressButton(PageId::kLedger);
    const auto key = [&](std::int64_t account) {
      return QString::fromStdString(ReadRecordField(f.t.store,
                                                    f.t.store.AccountIndex[account].Offset,
                                                    field::B110(1403)))
          .trimmed();
    };
    auto* show = f.ledger->findChild<QWidget*>(QStringLiteral("showButton"));
    const QPoint place = show->mapTo(&f.window, QPoint());
    for (const QString& to : {key(1), QStringLiteral("no such key"), QString()}) {
      f.ledger->FromField()->setText(key(3));
      f.ledger->ToField()->setText(to);
      QApplication::processEvents();
      QCOMPARE(show->mapTo(&f.window, QPoint()), place);
      f.ledger->ShowFromCard();
      QVERIFY(f.Settle());
      QCOMPARE(f.ledger->Card().account, std::int64_t{3});
    }
    QVERIFY(f.t.messages.empty());

    Grid* list = f.ledger->List();
    list->scrollToBottom();
    f.ledger->StepCard(1);
    QVERIFY(f.Settle());
    QCOMPARE(f.ledger->Card().account, NeighbourCard(f.t.store, 3, 1));
    QCOMPARE(list->verticalScrollBar()->value(), 0);
    QCOMPARE(f.ledger->ChosenRow(), 0);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(list));
    // The first row is a movement (its record opens) or the opening balance (nothing stands
    // behind it): either way not "no row chosen".
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(f.Settle());
    const auto viewers = f.ledger->findChildren<RecordDetailDialog*>();
    QVERIFY(viewers.size() == 1 || f.LastMessage() == Q(kNoSourceRecord));
    for (RecordDetailDialog* viewer : viewers) viewer->close();

    f.window.PressButton(PageId::kImport);
    f.window.PageOf<ImportPage>()->ReadFolder(f.sets.filePath(QStringLiteral("set")));
    f.window.PressButton(PageId::kLedger);
    QVERIFY(f.ledger->FromField()->text().isEmpty());
    QVERIFY(f.ledger->ToField()->text().isEmpty());
  }

  // The browsers' grids are drawn in the window's small grid font; at the first-start size on a
  // 1366×768 screen each shows its default columns across the viewport, without scrolling to
  // the side, and every figure in view whole.
  void BrowserGridsUseTheSmallFontAndFitTheFirstStartSize() {
    Fixture f;
    QVERIFY(f.Load());
    const ScreenRect place =
        PlaceMainWindow(MainDlgPos{}, ScreenRect{0, 0, 1366, 768}, FrameMargins{8, 32, 8, 8});
    f.window.setGeometry(place.x, place.y, place.width, place.height);
    f.window.PressButton(PageId::kLedger);
    f.ledger->ShowCard(1);
    QVERIFY(f.Settle());
    auto* documents = f.window.PageOf<DocumentsPage>();
    f.window.PressButton(PageId::kDocuments);
    documents->SelectType(6);  // 305, with its lines
    QVERIFY(f.Settle());
    const struct {
      PageId page;
      Grid* grid;
    } kGrids[] = {
        {PageId::kAccountsIndex, f.index->List()},
        {PageId::kLedger, f.ledger->List()},
        {PageId::kDocuments, documents->RegisterGrid()},
        {PageId::kDocuments, documents->LinesGrid()},
        {PageId::kItems, f.window.PageOf<ItemsPage>()->List()},
    };
    const QFont& small = f.window.Fonts().Tahoma8;
    for (const auto& g : kGrids) {
      f.window.PressButton(g.page);
      QVERIFY(f.Settle());
      QCoreApplication::processEvents();
      const QString name = g.grid->objectName();
      int columns = 0;
      for (int c = 0; c < g.grid->Model().columnCount(); ++c) columns += g.grid->columnWidth(c);
      qInfo("%s: columns %d of %d pixels, %d rows in view", qPrintable(name), columns,
            g.grid->viewport()->width(), g.grid->viewport()->height() / g.grid->rowHeight(0));
      QCOMPARE(g.grid->font().pointSizeF(), small.pointSizeF());
      QVERIFY2(!g.grid->horizontalScrollBar()->isVisible(), qPrintable(name));
      for (int c = 0; c < g.grid->Model().columnCount(); ++c) {
        if (g.grid->Model().FieldOf(c) <= 1) continue;
        for (int row = 0; row < std::min(g.grid->Model().rowCount(), 40); ++row) {
          const GridModel::CellSize cell = g.grid->Model().SizeOfCell(row, c);
          if (!cell.figure) continue;
          QVERIFY2(g.grid->WidthNeeded(cell.text, cell.bold) <= g.grid->columnWidth(c),
                   qPrintable(name + QStringLiteral(": ") + cell.text));
        }
      }
    }
  }

  // "הדפס" prints the range typed while the card on screen is in it, and the card on screen
  // alone once the user has paged beyond the range; "תנועת מקור" (and Enter) on the made-up
  // opening row says that no record stands behind it.
  void LedgerPrintsTheCardOnScreenAndTheOpeningRowHasNoRecord() {
    Fixture f;
    DataSetOptions options;
    options.movements = 600;
    options.accounts = 60;
    QVERIFY(f.LoadSet(options, &Fixture::OpeningNotInTheMovements));
    f.window.PressButton(PageId::kLedger);
    const auto key = [&](std::int64_t account) {
      return QString::fromStdString(ReadRecordField(f.t.store,
                                                    f.t.store.AccountIndex[account].Offset,
                                                    field::B110(1403)))
          .trimmed();
    };
    const struct {
      std::int64_t from, to;  // 0: "עד כרטיס" empty
      int steps;              // "כרטיס קדימה" presses after "הצג"
      std::int64_t first, last;
    } kCases[] = {
        {3, 0, 0, 3, 3},                   // the card shown is the one typed
        {3, 0, 1, 4, 4},                   // paged beyond it: the card on screen
        {3, 3, 2, 5, 5}, {2, 6, 2, 2, 6},  // paged within the range: the range
        {2, 6, 5, 7, 7},                   // and beyond it
    };
    for (const auto& c : kCases) {
      f.ledger->FromField()->setText(key(c.from));
      f.ledger->ToField()->setText(c.to == 0 ? QString() : key(c.to));
      f.ledger->ShowFromCard();
      QVERIFY(f.Settle());
      for (int step = 0; step < c.steps; ++step) {
        f.ledger->StepCard(1);
        QVERIFY(f.Settle());
      }
      const CardRange range = f.ledger->PrintRange();
      QVERIFY(range.message.empty());
      QCOMPARE(range.first, c.first);
      QCOMPARE(range.last, c.last);
    }
    QVERIFY(f.t.messages.empty());

    std::int64_t account = 0;
    for (std::int64_t a = 1; a <= f.t.store.AccountIndex.Count() && account == 0; ++a) {
      const LedgerCard card = LoadCard(f.t.store, a);
      if (!card.rows.empty() && card.rows.front().opening) account = a;
    }
    QVERIFY(account != 0);
    f.ledger->ShowCard(account);
    QVERIFY(f.Settle());
    Grid* list = f.ledger->List();
    for (const bool by_enter : {false, true}) {
      Fixture::Choose(list, 0);
      if (by_enter) {
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
      } else {
        f.ledger->findChild<QToolButton*>(QStringLiteral("sourceButton"))->click();
      }
      QVERIFY(f.Settle());
      QCOMPARE(f.LastMessage(), Q(kNoSourceRecord));
      QVERIFY(f.ledger->findChildren<RecordDetailDialog*>().isEmpty());
    }
  }

  // Drill-down index → card, Back with Alt+Left to the index as it stood (chosen row, scroll
  // and sort, even after another sort meanwhile), Forward with Alt+Right to the same card.
  void BackAndForwardRestoreWhereThePageStood() {
    Fixture f;
    QVERIFY(f.Load());
    f.window.PressButton(PageId::kAccountsIndex);
    Grid* list = f.index->List();
    const int name_column = Fixture::ColumnOf(list, 3);
    f.index->SortBy(3);
    Fixture::Choose(list, 40);
    list->scrollTo(list->model()->index(40, name_column));
    const int scroll = list->verticalScrollBar()->value();
    QVERIFY(scroll > 0);
    const QString chosen = list->Model().ShownText(40, name_column);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(f.Settle());
    QCOMPARE(f.window.CurrentPage(), PageId::kLedger);
    const std::int64_t card = f.ledger->Card().account;
    QVERIFY(card > 0);
    Fixture::Choose(f.ledger->List(), 1);

    QTest::keyClick(f.ledger->List(), Qt::Key_Left, Qt::AltModifier);
    QVERIFY(f.Settle());
    QCOMPARE(f.window.CurrentPage(), PageId::kAccountsIndex);
    QCOMPARE(list->SortIndex(), 3);
    QCOMPARE(f.index->ChosenRow(), 40);
    QCOMPARE(list->Model().ShownText(40, name_column), chosen);
    QCOMPARE(list->verticalScrollBar()->value(), scroll);
    QVERIFY(f.window.CanGoForward());

    QTest::keyClick(list, Qt::Key_Right, Qt::AltModifier);
    QVERIFY(f.Settle());
    QCOMPARE(f.window.CurrentPage(), PageId::kLedger);
    QCOMPARE(f.ledger->Card().account, card);
    QCOMPARE(f.ledger->ChosenRow(), 1);

    // Another sort of the index meanwhile: Back twice returns to the sort by name.
    f.window.PressButton(PageId::kAccountsIndex);
    f.index->SortBy(2);
    f.window.findChild<QToolButton*>(QStringLiteral("backButton"))->click();
    QVERIFY(f.Settle());
    QCOMPARE(f.window.CurrentPage(), PageId::kLedger);
    f.window.GoBack();
    QVERIFY(f.Settle());
    QCOMPARE(f.window.CurrentPage(), PageId::kAccountsIndex);
    QCOMPARE(list->SortIndex(), 3);
    QCOMPARE(list->Model().ShownText(40, name_column), chosen);
  }

  // Drill-down index → card → "מסמך מקור": the documents page shows the movement's document
  // with its type chosen; Alt+Left returns to the card with its row, Forward to the document,
  // whose source records open in the viewer.
  void SourceDocumentOpensOnTheDocumentsPageAndBackReturns() {
    Fixture f;
    QVERIFY(f.Load(true));
    auto* documents = f.window.PageOf<DocumentsPage>();
    Grid* index = f.index->List();
    int row = -1;
    std::int64_t document = 0;
    f.window.PressButton(PageId::kAccountsIndex);
    for (int r = 0; r < index->model()->rowCount() - 1 && document == 0; ++r) {
      f.window.PressButton(PageId::kAccountsIndex);
      Fixture::Choose(index, r);
      index->setFocus();
      QTest::keyClick(index, Qt::Key_Return);
      QVERIFY(f.Settle());
      QCOMPARE(f.window.CurrentPage(), PageId::kLedger);
      const std::vector<LedgerRow>& rows = f.ledger->Card().rows;
      // From the last row up, so the row Back restores is seldom the first.
      for (std::size_t m = rows.size(); m-- > 0 && document == 0;) {
        if (rows[m].offset < 0) continue;
        document = FindSourceDocument(f.t.store, rows[m].line);
        row = static_cast<int>(m);
      }
    }
    QVERIFY(document != 0);
    const std::int64_t card = f.ledger->Card().account;
    Fixture::Choose(f.ledger->List(), row);
    f.ledger->findChild<QToolButton*>(QStringLiteral("documentButton"))->click();
    QVERIFY(f.Settle());
    QCOMPARE(f.window.CurrentPage(), PageId::kDocuments);
    QCOMPARE(documents->Current(), document);
    const std::string type(f.t.store.DocumentIndex[document].Part(kKeyDocumentType));
    QVERIFY(documents->findChild<QComboBox*>(QStringLiteral("typeBox"))
                ->currentText()
                .startsWith(Q(type + " - ")));
    QCOMPARE(documents->Register()->ElementOf(documents->RegisterGrid()->currentIndex().row()),
             document);

    QTest::keyClick(documents->RegisterGrid(), Qt::Key_Left, Qt::AltModifier);
    QVERIFY(f.Settle());
    QCOMPARE(f.window.CurrentPage(), PageId::kLedger);
    QCOMPARE(f.ledger->Card().account, card);
    QCOMPARE(f.ledger->ChosenRow(), row);
    // Enter on the movement drills down to the same document.
    f.ledger->List()->setFocus();
    QTest::keyClick(f.ledger->List(), Qt::Key_Return);
    QVERIFY(f.Settle());
    QCOMPARE(f.window.CurrentPage(), PageId::kDocuments);
    QCOMPARE(documents->Current(), document);
    f.window.GoBack();
    QVERIFY(f.Settle());
    f.window.GoForward();
    QVERIFY(f.Settle());
    QCOMPARE(f.window.CurrentPage(), PageId::kDocuments);
    QCOMPARE(documents->Current(), document);
    // "תנועת מקור" of the document opens its records in the source-record viewer.
    documents->findChild<QToolButton*>(QStringLiteral("sourceButton"))->click();
    QVERIFY(f.Settle());
    const auto viewers = documents->findChildren<RecordDetailDialog*>();
    QCOMPARE(viewers.size(), 1);
    QVERIFY(!viewers.front()->Rows().empty());
  }

  // The filter: rows whose shown text holds the typed text, figures also as plain digits, the
  // count beside it, the totals row kept and saying it covers every row; commands act on the
  // row chosen among those shown.
  void FilterKeepsMatchingRowsAndTheTotals() {
    Fixture f;
    QVERIFY(f.Load());
    f.window.PressButton(PageId::kAccountsIndex);
    Grid* list = f.index->List();
    FilterBox* filter = f.index->Filter();
    const int accounts = static_cast<int>(f.t.store.AccountListIndex.Count());
    QCOMPARE(filter->CountLabel()->text(), QStringLiteral("%1 מתוך %1").arg(accounts));
    const int name_column = Fixture::ColumnOf(list, 3);
    const int debit_column = Fixture::ColumnOf(list, 15);
    QVERIFY(debit_column > 0);

    const QString word = QStringLiteral("בע\"מ");
    filter->SetText(word);
    const int shown = list->model()->rowCount();
    QVERIFY(shown > 2 && shown < accounts);
    for (int row = 0; row + 1 < shown; ++row) {
      bool found = false;
      for (int c = 1; c < list->model()->columnCount(); ++c) {
        found = found || list->Model().ShownText(row, c).contains(word);
      }
      QVERIFY(found);
    }
    QCOMPARE(filter->CountLabel()->text(),
             QStringLiteral("%1 מתוך %2").arg(shown - 1).arg(accounts));
    QVERIFY(
        list->Model().ShownText(shown - 1, name_column).endsWith(QStringLiteral("(לכל השורות)")));
    f.Render(QStringLiteral("accounts_index_filtered.png"));

    // A figure typed without its separators finds its row; the row chosen is the index's.
    filter->SetText(QString());
    QCOMPARE(list->model()->rowCount(), accounts + 1);
    int figure_row = -1;
    for (int row = accounts - 1; row >= 0 && figure_row < 0; --row) {
      if (list->Model().ShownText(row, debit_column).contains(QLatin1Char(','))) figure_row = row;
    }
    QVERIFY(figure_row >= 0);
    const QString figure = list->Model().ShownText(figure_row, debit_column);
    const QString name = list->Model().ShownText(figure_row, name_column);
    filter->SetText(QString(figure).remove(QLatin1Char(',')).remove(QLatin1Char('.')));
    QVERIFY(list->model()->rowCount() >= 2);
    int at = -1;
    for (int row = 0; row + 1 < list->model()->rowCount(); ++row) {
      if (list->Model().ShownText(row, name_column) == name) at = row;
    }
    QVERIFY(at >= 0);
    Fixture::Choose(list, at);
    QCOMPARE(f.index->ChosenRow(), figure_row);
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::BrowsePagesTest)
#include "browse_pages_test.moc"
