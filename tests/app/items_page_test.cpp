// The item catalogue page: its grid over the loaded items, the sort by a header click, the
// search in the sort column, and the source record's refusal without a chosen row.
#include <filesystem>

#include <QHeaderView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "app/dialogs/record_detail_dialog.h"
#include "app/main_window.h"
#include "app/pages/items_page.h"
#include "app/widgets/grid.h"
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
    ItemsPage* page = static_cast<ItemsPage*>(window.PageAt(8));
    Fixture() {
      DataSetOptions options;
      options.seed = 21;
      GeneratedDataSet generated;
      const std::filesystem::path folder = dir.path().toStdString();
      if (!GenerateDataSet(options, folder, &generated).ok()) qFatal("no data set");
      SilentProgress silent;
      if (!ImportFolder(t.store, folder.string(), silent).status.ok()) qFatal("no import");
      window.show();
      window.PressButton(2006);
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
    QCOMPARE(f.window.CurrentPage(), 8);
    Grid* list = f.page->List();
    QCOMPARE(list->Model().rowCount(), 30);
    QCOMPARE(list->Model().headerData(f.ColumnOf(12), Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("יתרת כמות"));
    QCOMPARE(f.page->SortField(), kItemInitialSort);
    QVERIFY(f.page->findChild<QToolButton*>(QStringLiteral("printButton"))->isEnabled());
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
