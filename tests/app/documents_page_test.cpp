// The documents page: a type's run paged with beeps at its ends, the jump, the register
// driving the panel, and renders of an invoice, a receipt and the register of all types.
#include <filesystem>

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include "app/main_window.h"
#include "app/pages/documents_page.h"
#include "app/widgets/filter_box.h"
#include "app/widgets/grid.h"
#include "app/widgets/grid_search.h"
#include "app_test_support.h"
#include "engine/program/program.h"
#include "engine/uniform/import.h"
#include "generator/data_set.h"

namespace tallyscan::test {
namespace {

// Selector items of the types used here, in the selector's order after "000 - טרם נבחר".
constexpr int kTaxInvoice = 6;  // 305
constexpr int kReceipt = 12;    // 400
constexpr int kAllTypesItem = 28;

// A real click in the middle of the header of the grid's column `column`, wherever right to
// left puts it.
void ClickHeader(Grid* grid, int column) {
  QHeaderView* header = grid->horizontalHeader();
  int first = -1;
  int last = -1;
  for (int x = 0; x < header->viewport()->width(); ++x) {
    if (header->logicalIndexAt(x) != column) continue;
    if (first < 0) first = x;
    last = x;
  }
  QVERIFY2(first >= 0, "the column's header is not shown");
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint((first + last) / 2, header->height() / 2));
}

// A figure, a number or a date as the register shows it, in an order that compares as the
// sort should order it.
double Amount(const QString& shown) { return QString(shown).remove(u',').toDouble(); }
double Number(const QString& shown) { return shown.toDouble(); }
double Date(const QString& shown) {  // DD/MM/YYYY
  return shown.mid(6, 4).toDouble() * 10000 + shown.mid(3, 2).toDouble() * 100 +
         shown.left(2).toDouble();
}

// Presses Ctrl+F on `focus` and answers the search box that opens with what row `row` of `grid`
// shows in the column the box names. The column searched, -1 when no box opened or it named no
// column of `grid`.
int SearchByCtrlF(QWidget* focus, Grid* grid, int row) {
  int column = -1;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<GridSearchBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    const auto& columns = grid->Model().Columns();
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (columns[c].field > 1 && box->Prompt().endsWith(columns[c].caption)) {
        column = static_cast<int>(c);
      }
    }
    // Inserted as typed text is (QTest types Latin-1 only).
    if (column >= 0) box->Field()->insert(grid->Model().ShownText(row, column));
    box->accept();
  });
  QTest::keyClick(focus, Qt::Key_F, Qt::ControlModifier);
  return column;
}

}  // namespace

class DocumentsPageTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    QTemporaryDir dir;
    TestApp t;
    MainWindow window{t.app, StoredSize(1366, 768)};
    DocumentsPage* page = window.PageOf<DocumentsPage>();
    Fixture() {
      DataSetOptions options;
      options.seed = 31;
      GeneratedDataSet generated;
      const std::filesystem::path folder = dir.path().toStdString();
      if (!GenerateDataSet(options, folder, &generated).ok()) qFatal("no data set");
      SilentProgress silent;
      if (!ImportFolder(t.store, folder.string(), silent).status.ok()) qFatal("no import");
      window.resize(1366, 768);
      window.show();
      window.PressButton(PageId::kDocuments);
    }
    QString Value(PanelField field) { return page->PanelValue(field)->text(); }
    // The type chosen, its register in.
    void Select(int index) {
      page->SelectType(index);
      QTRY_VERIFY(!page->Working());
    }
    void Render(const QString& name) {
      QTRY_VERIFY(page->MarksShown() || page->Register() == nullptr);  // the register's marks
      QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
      QVERIFY(window.grab().toImage().save(QStringLiteral(TALLYSCAN_RENDER_DIR "/") + name));
    }
  };

 private slots:
  void PagesThroughTheRunAndJumps() {
    Fixture f;
    QCOMPARE(f.window.CurrentPage(), PageId::kDocuments);
    QCOMPARE(f.page->Current(), std::int64_t{0});
    QVERIFY(!f.page->Move(DocumentMove::kNext));  // no current document
    f.Select(kTaxInvoice);
    const ElementRange run = DocumentTypeRun(f.t.store, "305");
    QVERIFY(run.size() > 2);
    QCOMPARE(f.page->Current(), run.first);
    QVERIFY(!f.page->Move(DocumentMove::kPrevious));
    QVERIFY(f.page->Move(DocumentMove::kNext));
    QCOMPARE(f.page->Current(), run.first + 1);
    QVERIFY(f.page->Move(DocumentMove::kLast));
    QVERIFY(!f.page->Move(DocumentMove::kNext));
    QCOMPARE(f.page->Current(), run.last - 1);
    QCOMPARE(f.page->JumpBox()->text(),
             QString::fromStdString(DocumentNumberText(f.t.store.DocumentIndex[run.last - 1])));

    const QString second =
        QString::fromStdString(DocumentNumberText(f.t.store.DocumentIndex[run.first + 1]));
    QVERIFY(f.page->Jump(second));
    QCOMPARE(f.page->Current(), run.first + 1);
    QCOMPARE(f.Value(PanelField::kNumber), second);
    QVERIFY(!f.page->Jump(QStringLiteral("99999999")));  // past the run
    QCOMPARE(f.page->Current(), run.first + 1);
    QCOMPARE(f.page->JumpBox()->text(),
             QString::fromStdString(DocumentNumberText(f.t.store.DocumentIndex[run.last - 1])));
    QCOMPARE(f.page->LinesGrid()->Model().rowCount(),
             static_cast<int>(f.page->Document().lines.size()) + 1);
    f.Render(QStringLiteral("documents_invoice.png"));
  }

  // Leaving the page and coming back by its button shows the same type and document, the
  // register at the same scroll with the same row chosen.
  void ComingBackByTheButtonKeepsThePlace() {
    Fixture f;
    f.Select(kTaxInvoice);
    const ElementRange run = DocumentTypeRun(f.t.store, "305");
    QVERIFY(run.size() > 2);
    QVERIFY(f.page->Move(DocumentMove::kLast));
    Grid* grid = f.page->RegisterGrid();
    const int row = grid->selectionModel()->currentIndex().row();
    const int scroll = grid->verticalScrollBar()->value();
    QVERIFY(row > 0);
    f.window.PressButton(PageId::kAccountsIndex);
    f.window.PressButton(PageId::kDocuments);
    QCOMPARE(f.page->TypeBox()->currentIndex(), kTaxInvoice);
    QCOMPARE(f.page->Current(), run.last - 1);
    QCOMPARE(grid->selectionModel()->currentIndex().row(), row);
    QCOMPARE(grid->verticalScrollBar()->value(), scroll);
    QTRY_VERIFY(f.page->MarksShown());
  }

  void RegisterDrivesThePanel() {
    Fixture f;
    f.Select(kReceipt);
    const DocumentRegister* list = f.page->Register();
    QVERIFY(list != nullptr);
    QCOMPARE(f.page->RegisterGrid()->Model().rowCount(), list->RowCount());
    Grid* grid = f.page->RegisterGrid();
    grid->selectionModel()->setCurrentIndex(
        grid->model()->index(2, 1),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QCOMPARE(f.page->Current(), list->ElementOf(2));
    QCOMPARE(f.Value(PanelField::kNumber), QString::fromStdString(list->Cell(2, 3)));
    QVERIFY(f.page->ReceiptGrid()->isVisible());
    QVERIFY(f.page->ReceiptGrid()->Model().rowCount() >= 2);  // its lines and their total
    f.Render(QStringLiteral("documents_receipt.png"));

    // The filter keeps the documents whose row shows the typed number, and the totals row;
    // choosing the one left shows it in the panel.
    const QString number = QString::fromStdString(list->Cell(3, 3));
    f.page->RegisterFilter()->SetText(number);
    const int shown = f.page->RegisterFilter()->ShownRows();
    QVERIFY(shown >= 2 && shown < list->RowCount());
    QCOMPARE(f.page->RegisterFilter()->SourceRow(shown - 1), list->RowCount() - 1);
    grid->selectionModel()->setCurrentIndex(
        grid->model()->index(0, 1),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QVERIFY(f.Value(PanelField::kNumber).contains(number));
    f.page->RegisterFilter()->SetText(QString());
    QCOMPARE(grid->Model().rowCount(), list->RowCount());

    f.Select(kAllTypesItem);
    QCOMPARE(f.page->Register()->DocumentCount(),
             static_cast<int>(f.t.store.DocumentIndex.Count()));
    f.Render(QStringLiteral("documents_register.png"));
  }

  void TypeChosenByMouseAndTheRegisterSortedByItsHeaders() {
    Fixture f;
    QComboBox* box = f.page->TypeBox();
    // Each item shows the picture of its type's family.
    const auto picture = [&](int item) { return box->itemIcon(item).pixmap(20).toImage(); };
    for (int item = 0; item < box->count(); ++item) QVERIFY(!picture(item).isNull());
    QVERIFY(picture(kTaxInvoice) != picture(kReceipt));
    QVERIFY(picture(kTaxInvoice) != picture(kAllTypesItem));
    QCOMPARE(picture(kTaxInvoice), picture(kTaxInvoice - 1));  // 300 and 305, both invoices
    box->showPopup();
    QAbstractItemView* popup = box->view();
    QTRY_VERIFY(popup->isVisible());
    const QModelIndex item = box->model()->index(kTaxInvoice, 0);
    popup->scrollTo(item);
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, popup->visualRect(item).center());
    QTRY_VERIFY(!popup->isVisible());
    QTRY_VERIFY(!f.page->Working());
    const ElementRange run = DocumentTypeRun(f.t.store, "305");
    QCOMPARE(box->currentIndex(), kTaxInvoice);
    QCOMPARE(f.page->Current(), run.first);
    QCOMPARE(f.Value(PanelField::kNumber),
             QString::fromStdString(DocumentNumberText(f.t.store.DocumentIndex[run.first])));
    Grid* grid = f.page->RegisterGrid();
    const int rows = static_cast<int>(run.size()) + 1;
    QCOMPARE(grid->Model().rowCount(), rows);
    QCOMPARE(grid->Model().ShownText(0, 2), f.Value(PanelField::kNumber));

    // The marks come from a pass of their own; once shown they are the document check's.
    QTRY_VERIFY(f.page->MarksShown());
    SilentProgress silent;
    DocumentMarks marks;
    QVERIFY(FindDocumentMarks(f.t.store, silent, &marks));
    for (int row = 0; row + 1 < rows; ++row) {
      const auto at = static_cast<std::size_t>(f.page->Register()->ElementOf(row));
      QCOMPARE(f.page->Register()->Cell(row, 1), std::string(marks[at] != 0 ? "1" : "0"));
    }

    // Each header sorts the rows by its field, ascending, again the same on a second click;
    // the totals row stays last.
    const struct {
      int field;
      double (*key)(const QString&);
    } kSorts[] = {{9, Amount}, {3, Number}, {4, Date}, {7, Amount}, {3, Number}};
    for (const auto& sort : kSorts) {
      ClickHeader(grid, sort.field - 1);
      QTRY_VERIFY(!f.page->Working());
      QCOMPARE(grid->SortIndex(), sort.field);
      for (int row = 1; row + 1 < rows; ++row) {
        QVERIFY2(sort.key(grid->Model().ShownText(row - 1, sort.field - 1)) <=
                     sort.key(grid->Model().ShownText(row, sort.field - 1)),
                 qPrintable(QStringLiteral("field %1 row %2").arg(sort.field).arg(row)));
      }
      QCOMPARE(grid->Model().ShownText(rows - 1, 4), QStringLiteral("סה'כ לתעודות ברשימה"));
    }
  }

  // Ctrl+F searches the grid that has the focus (the register by its sort column), and the
  // register from elsewhere on the page; the row found is the one chosen. The page's shortcut
  // acts in the active window.
  void CtrlFSearchesEachOfTheGrids() {
    Fixture f;
    f.Select(kReceipt);
    Grid* grid = f.page->RegisterGrid();
    ClickHeader(grid, 2);
    QTRY_VERIFY(!f.page->Working());
    QCOMPARE(grid->SortIndex(), 3);
    const struct {
      int type;  // the selector item shown: receipts have no lines, invoices no receipt lines
      Grid* grid;
      QWidget* focus;
      int expected_column;  // -1: any
    } kCases[] = {
        {kReceipt, f.page->RegisterGrid(), f.page->RegisterGrid(), 2},
        {kReceipt, f.page->RegisterGrid(), f.page->TypeBox(), 2},
        {kReceipt, f.page->ReceiptGrid(), f.page->ReceiptGrid(), -1},
        {kTaxInvoice, f.page->LinesGrid(), f.page->LinesGrid(), -1},
    };
    for (const auto& c : kCases) {
      if (f.page->TypeBox()->currentIndex() != c.type) f.Select(c.type);
      const int rows = c.grid->Model().rowCount();
      QVERIFY(rows >= 2);
      c.grid->setCurrentIndex({});
      f.window.activateWindow();  // again once the box before has closed
      QVERIFY(QTest::qWaitForWindowActive(&f.window));
      c.focus->setFocus();
      const int target = rows - 2;  // the last row above the totals
      const int column = SearchByCtrlF(c.focus, c.grid, target);
      QVERIFY2(column >= 0, qPrintable(c.focus->objectName()));
      if (c.expected_column >= 0) QCOMPARE(column, c.expected_column);
      const QModelIndex found = c.grid->currentIndex();
      QVERIFY2(found.isValid(), qPrintable(c.grid->objectName()));
      QVERIFY(c.grid->Model()
                  .ShownText(found.row(), column)
                  .contains(c.grid->Model().ShownText(target, column)));
      QVERIFY(f.t.messages.empty());
    }
  }

  // The receipt grid's widths are kept as a field list under "KabFields", read back by the
  // next page.
  void ReceiptWidthsAreKeptInTheirFieldList() {
    Fixture f;
    f.Select(kReceipt);
    QCOMPARE(f.t.settings.ReadReg(kParams, "KabFields"), std::string());
    f.page->ReceiptGrid()->horizontalHeader()->resizeSection(2, 95);
    QCOMPARE(f.t.settings.ReadReg(kParams, "KabFields"),
             std::string("30,1;80,2;95,3;80,4;50,5;70,6;90,7;100,8"));
    f.t.settings.WriteReg(kParams, "KabFields", "30,1;80,2;120,3");
    DocumentsPage again(f.t.app, f.window, nullptr);
    QCOMPARE(again.ReceiptGrid()->Model().Columns()[2].width, 120);
    QCOMPARE(again.ReceiptGrid()->Model().Columns()[7].width, 100);
  }

  // The register's count beside the filter box shows whole in the window's first-start size on
  // a 1366×768 screen, for the set's own count and for a million documents.
  void TheCountShowsWholeAtTheFirstStartSize() {
    Fixture f;
    const ScreenRect place =
        PlaceMainWindow(MainDlgPos{}, ScreenRect{0, 0, 1366, 768}, FrameMargins{8, 32, 8, 8});
    f.window.setGeometry(place.x, place.y, place.width, place.height);
    f.Select(kAllTypesItem);
    QLabel* count = f.page->findChild<FilterBox*>()->CountLabel();
    const QString shown = count->text();
    QVERIFY(shown.endsWith(QString::number(f.page->Register()->RowCount() - 1)));
    for (const QString& text : {shown, QStringLiteral("1000000 מתוך 1000000")}) {
      count->setText(text);
      QCoreApplication::processEvents();
      QVERIFY2(count->isVisible(), qPrintable(text));
      const int needed = count->fontMetrics().horizontalAdvance(text);
      QVERIFY2(needed <= count->contentsRect().width(),
               qPrintable(QStringLiteral("%1: %2 of %3 pixels")
                              .arg(text)
                              .arg(count->contentsRect().width())
                              .arg(needed)));
      // Inside the page, not under its edge.
      const QRect on_page(count->mapTo(f.page, QPoint(0, 0)), count->size());
      QVERIFY2(f.page->rect().contains(on_page), qPrintable(text));
    }
    f.Render(QStringLiteral("documents_count_first_start.png"));
  }

  void LinesGridTakesTheRoomOfAHiddenReceiptGrid() {
    // Measured at once, without letting events through: what the page shows (and what a grab
    // of it draws) is laid out when the document changes.
    Fixture f;
    f.Select(kReceipt);
    QVERIFY(f.page->ReceiptGrid()->isVisible());
    QVERIFY(f.page->ReceiptGrid()->width() > 100);
    const QRect shared = f.page->LinesGrid()->geometry();
    f.Select(kTaxInvoice);
    QVERIFY(f.page->ReceiptGrid()->isHidden());
    QVERIFY(f.page->LinesGrid()->width() > shared.width() * 3 / 2);
    // The panel above grows or shrinks a few pixels with its texts; the row keeps its foot.
    QCOMPARE(f.page->LinesGrid()->geometry().bottom(), shared.bottom());
    f.Select(kReceipt);
    QCOMPARE(f.page->LinesGrid()->width(), shared.width());
    QCOMPARE(f.page->LinesGrid()->geometry().bottom(), shared.bottom());
    f.Select(kTaxInvoice);
    f.Render(QStringLiteral("documents_lines_full_width.png"));
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::DocumentsPageTest)
#include "documents_page_test.moc"
