// The item catalogue page: its grid over the loaded items, the sort by a header click, the
// search in the sort column, and the source record's refusal without a chosen row.
#include <filesystem>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "app/dialogs/record_detail_dialog.h"
#include "app/main_window.h"
#include "app/pages/items_page.h"
#include "app/widgets/grid.h"
#include "app/widgets/grid_search.h"
#include "app_test_support.h"
#include "engine/browse/browse.h"
#include "engine/uniform/import.h"
#include "generator/data_set.h"

namespace tallyscan::test {

class ItemsPageTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    QTemporaryDir dir;
    TestApp t;
    MainWindow window{t.app, StoredSize(1366, 768)};
    ItemsPage* page = window.PageOf<ItemsPage>();
    Fixture() {
      DataSetOptions options;
      options.seed = 21;
      GeneratedDataSet generated;
      const std::filesystem::path folder = dir.path().toStdString();
      if (!GenerateDataSet(options, folder, &generated).ok()) qFatal("no data set");
      SilentProgress silent;
      if (!ImportFolder(t.store, folder.string(), silent).status.ok()) qFatal("no import");
      window.show();
      window.PressButton(PageId::kItems);
    }
    QString Cell(int row, int field) {
      return QString::fromStdString(ItemRows(t.store).Cell(row, field));
    }
    int ColumnOf(int field) {
      const auto& columns = page->List()->Model().Columns();
      for (std::size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].field == field) return static_cast<int>(c);
      }
      return -1;
    }
  };

 private slots:
  void ShowsTheItemsWithTheirFieldList() {
    Fixture f;
    QCOMPARE(f.window.CurrentPage(), PageId::kItems);
    Grid* list = f.page->List();
    QCOMPARE(list->Model().rowCount(), 30);
    QCOMPARE(list->Model().headerData(f.ColumnOf(12), Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("יתרת כמות"));
    QCOMPARE(f.page->SortField(), kItemInitialSort);
    QVERIFY(f.page->findChild<QToolButton*>(QStringLiteral("printButton"))->isEnabled());
    const auto* title = f.page->findChild<QLabel*>(QStringLiteral("pageTitle"));
    QVERIFY(title != nullptr);
    QCOMPARE(title->text(), QStringLiteral("קטלוג פריטים"));
  }

  void HeaderClickSortsAndTheSearchFindsInTheSortColumn() {
    Fixture f;
    Grid* list = f.page->List();
    const int column = f.ColumnOf(5);
    QVERIFY(column >= 0);
    const QRect header =
        QRect(list->horizontalHeader()->sectionViewportPosition(column), 0,
              list->horizontalHeader()->sectionSize(column), list->horizontalHeader()->height());
    QTest::mouseClick(list->horizontalHeader()->viewport(), Qt::LeftButton, {}, header.center());
    QCOMPARE(f.page->SortField(), 5);
    QCOMPARE(f.page->property("SortParit").toInt(), 5);
    for (int row = 1; row < list->Model().rowCount(); ++row) {
      // Hebrew letters come in the same order in code page 1255 and in UTF-8.
      QVERIFY2(f.Cell(row - 1, 5).toStdString() <= f.Cell(row, 5).toStdString(),
               qPrintable(f.Cell(row, 5)));
    }
    // The grid shows what the engine holds after the sort.
    QCOMPARE(list->Model().data(list->Model().index(0, column), Qt::DisplayRole).toString(),
             f.Cell(0, 5));

    const QString wanted = f.Cell(17, 5);
    QVERIFY(f.page->FindWord(wanted.mid(1, 4)));
    const int found = list->selectionModel()->selectedRows().front().row();
    QVERIFY(found <= 17);
    QVERIFY(f.Cell(found, 5).contains(wanted.mid(1, 4)));
    QVERIFY(!f.page->FindWord(QStringLiteral("אין כזה פריט")));
    QCOMPARE(list->selectionModel()->selectedRows().front().row(), found);

    // The quantity balance sorts by its value.
    f.page->SortBy(12);
    for (int row = 1; row < list->Model().rowCount(); ++row) {
      const auto value = [&](int r) { return f.Cell(r, 12).remove(QLatin1Char(',')).toDouble(); };
      QVERIFY(value(row - 1) <= value(row));
    }
  }

  // A second click on the sorted column reverses the order and the header says so; the
  // field dialog keeps the sort; a new reading returns to the index's own order, and the
  // search then looks in the item key (the sort field is not shown), as its prompt says.
  void SortStateFollowsClicksTheFieldDialogAndANewReading() {
    Fixture f;
    Grid* list = f.page->List();
    QHeaderView* header = list->horizontalHeader();
    const int column = f.ColumnOf(5);
    const auto click = [&] {
      QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                        QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    };
    click();
    QCOMPARE(header->sortIndicatorSection(), column);
    QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    QVERIFY(header->isSortIndicatorShown());
    const QString first = f.Cell(0, 5);
    click();
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(f.Cell(list->Model().rowCount() - 1, 5), first);
    for (int row = 1; row < list->Model().rowCount(); ++row) {
      QVERIFY(f.Cell(row - 1, 5).toStdString() >= f.Cell(row, 5).toStdString());
    }
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    f.page->ChooseFields();
    QCOMPARE(f.page->SortField(), 5);
    QCOMPARE(header->sortIndicatorSection(), f.ColumnOf(5));

    QTemporaryDir other;
    DataSetOptions options;
    options.seed = 22;
    GeneratedDataSet generated;
    QVERIFY(GenerateDataSet(options, other.path().toStdString(), &generated).ok());
    SilentProgress silent;
    const auto load = f.t.store.LoadNumber;
    f.t.store.Clear();
    QVERIFY(ImportFolder(f.t.store, other.path().toStdString(), silent).status.ok());
    QVERIFY(f.t.store.LoadNumber != load);
    f.window.PressButton(PageId::kAccountsIndex);
    f.window.PressButton(PageId::kItems);
    QCOMPARE(f.page->SortField(), kItemInitialSort);
    QCOMPARE(f.page->SearchColumn(), f.ColumnOf(2));
    QVERIFY(!header->isSortIndicatorShown());
    const QString key = f.Cell(7, 2);
    QVERIFY(f.page->FindWord(key));
    QCOMPARE(list->currentIndex().row(), 7);
  }

  // The demo's own codes, typed into the search box as a user types them, are found by the
  // manufacturer's and the internal code; Ctrl+F opens the box from the grid and from the
  // toolbar alike.
  void SearchFindsTheDemosCodesFromCtrlF_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("from_grid");
    QTest::newRow("manufacturer") << 3 << QStringLiteral("MK274943") << true;
    QTest::newRow("internal") << 4 << QStringLiteral("100-0001") << true;
    QTest::newRow("internal, toolbar focused") << 4 << QStringLiteral("100-0002") << false;
  }
  void SearchFindsTheDemosCodesFromCtrlF() {
    QFETCH(int, field);
    QFETCH(QString, code);
    QFETCH(bool, from_grid);
    const QString demo = QStringLiteral(TALLYSCAN_SOURCE_DIR "/samples/demo");
    if (!QFileInfo::exists(demo + "/INI.TXT"))
      QSKIP("the demonstration set is not in this checkout");
    TestApp t;
    t.settings.WriteReg(kParams, "PrtFields", "30,1;100,2;100,3;100,4;180,5");
    SilentProgress silent;
    QVERIFY(ImportFolder(t.store, demo.toStdString(), silent).status.ok());
    MainWindow window{t.app, StoredSize(1366, 768)};
    window.show();
    window.activateWindow();  // the page's shortcuts act in the active window
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.PressButton(PageId::kItems);
    auto* page = window.PageOf<ItemsPage>();
    page->SortBy(field);
    QWidget* focus = page->List();
    if (!from_grid) focus = page->findChild<QToolButton*>(QStringLiteral("printButton"));
    focus->setFocus();
    QString prompt;
    QString typed;
    Qt::InputMethodHints hints;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<GridSearchBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      QTest::keyClicks(box->Field(), code);
      prompt = box->Prompt();
      typed = box->Text();
      hints = box->Field()->inputMethodHints();
      box->accept();
    });
    QTest::keyClick(focus, Qt::Key_F, Qt::ControlModifier);
    QVERIFY2(!prompt.isEmpty(), "Ctrl+F opened no search box");
    QVERIFY(
        prompt.endsWith(QString::fromStdString(std::string(ItemFieldCatalogue().Caption(field)))));
    QCOMPARE(typed, code);
    QVERIFY(hints.testFlag(Qt::ImhPreferNumbers));
    QVERIFY(t.messages.empty());
    const QModelIndex current = page->List()->currentIndex();
    QVERIFY(current.isValid());
    QCOMPARE(QString::fromStdString(ItemRows(t.store).Cell(current.row(), field)), code);
  }

  void SourceRecordWantsAChosenRow() {
    Fixture f;
    f.page->ShowSource();
    QCOMPARE(f.t.messages.size(), std::size_t{1});
    QCOMPARE(f.t.messages.back().text, QStringLiteral("יש לבחור קודם שורה להצגה"));
    QSignalSpy spy(f.page, &ItemsPage::SourceRecord);
    // Not selectRow: in a right-to-left view before its first layout it finds no column.
    Grid* list = f.page->List();
    list->selectionModel()->setCurrentIndex(
        list->model()->index(2, 1),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    f.page->ShowSource();
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.front().front().toLongLong(), ItemRows(f.t.store).OffsetOf(2));
    // The window shows the record in the source-record viewer.
    const auto viewers = f.page->findChildren<RecordDetailDialog*>();
    QCOMPARE(viewers.size(), 1);
    QVERIFY(!viewers.front()->Rows().empty());
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::ItemsPageTest)
#include "items_page_test.moc"
