// The grid framework: columns, cells and their markers, sorting by a header click, the
// search box, the card-number edit and the field-selection dialog.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QGlyphRun>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QRawFont>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextLayout>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include "app/dialogs/field_selection_dialog.h"
#include "app/widgets/card_number_edit.h"
#include "app/widgets/grid.h"
#include "app/widgets/grid_delegate.h"
#include "app/widgets/grid_search.h"
#include "app_test_support.h"
#include "engine/browse/browse.h"
#include "engine/text/text.h"

namespace tallyscan::test {
namespace {

// A grid over AccountListIndex: field 2 shows an entry's card number.
class CardNumbers final : public GridRowSource {
 public:
  explicit CardNumbers(const RecordStore& store) : store_(store) {}
  std::string CellText(int row, int field) const override {
    if (field != 2) return {};
    return std::string(TrimSpaces(store_.AccountListIndex[row + 1].ShortKeyView()));
  }

 private:
  const RecordStore& store_;
};

void AddAccounts(RecordStore& store) {
  store.AccountListIndex.Reset(3);
  for (const char* number : {"     1", "    20", "   300"}) {
    ListEntry& entry = store.AccountListIndex.Append();
    std::memset(entry.Key, ' ', kKeyLength);
    std::memcpy(entry.ShortKey, number, kShortKeyLength);
  }
}

std::string ShortKey(const RecordStore& store, int element) {
  return std::string(store.AccountListIndex[element].ShortKeyView());
}

void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// The glyphs of text[from, from + length) laid out on one right-aligned line of a cell, from
// left to right: "font:glyph@x", x counted from the first glyph's left edge.
QStringList PlacedGlyphs(const QString& text, Qt::LayoutDirection direction, int from = -1,
                         int length = -1) {
  QTextLayout layout(text, QGuiApplication::font());
  QTextOption option(Qt::AlignRight | Qt::AlignAbsolute);
  option.setTextDirection(direction);
  layout.setTextOption(option);
  layout.beginLayout();
  layout.createLine().setLineWidth(160);
  layout.endLayout();
  std::vector<std::pair<qreal, QString>> glyphs;
  for (const QGlyphRun& run : layout.glyphRuns(from, length)) {
    for (qsizetype i = 0; i < run.glyphIndexes().size(); ++i) {
      glyphs.emplace_back(run.positions()[i].x(), run.rawFont().familyName() + QLatin1Char(':') +
                                                      QString::number(run.glyphIndexes()[i]));
    }
  }
  std::sort(glyphs.begin(), glyphs.end());
  QStringList placed;
  for (const auto& [x, glyph] : glyphs) {
    placed << glyph + QLatin1Char('@') + QString::number(x - glyphs.front().first, 'f', 2);
  }
  return placed;
}

}  // namespace

class GridTest : public QObject {
  Q_OBJECT
 private slots:
  // No empty filler: the text column takes the width the others leave, never less than its
  // own.
  void FieldListColumnsAndAStretchingTextColumn() {
    Grid grid;
    QAbstractItemModelTester tester(&grid.Model());
    const auto list = ParseFieldList("30,1;180,2;60,17", 19);
    grid.SetColumns(ColumnsFromFieldList(list, AccountIndexCatalogue()));
    grid.SetStretchField(2);
    QCOMPARE(grid.Model().columnCount(), 3);
    QCOMPARE(grid.Model().headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("מפתח החשבון"));
    QCOMPARE(grid.Model().headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("יתרה"));
    QCOMPARE(grid.Model().FieldOf(2), 17);
    QCOMPARE(grid.Model().FieldOf(3), 0);
    QVERIFY(!grid.horizontalHeader()->stretchLastSection());
    grid.resize(600, 200);
    grid.show();
    QCOMPARE(grid.columnWidth(0) + grid.columnWidth(1) + grid.columnWidth(2),
             grid.viewport()->width());
    QCOMPARE(grid.columnWidth(2), 60);
    // Too narrow a grid: the text column gives way to its heading, the figure column not at all.
    grid.resize(200, 200);
    QVERIFY(grid.columnWidth(1) < 180);
    QCOMPARE(grid.columnWidth(2), 60);
    grid.resize(120, 200);
    QCOMPARE(grid.columnWidth(1), grid.LeastWidth(1));
    grid.resize(600, 200);
    QCOMPARE(grid.columnWidth(0) + grid.columnWidth(1) + grid.columnWidth(2),
             grid.viewport()->width());
  }

  // Columns wider than the viewport: every text column gives way (to no less than its
  // heading) before a figure column loses a pixel; what still does not fit scrolls, and a
  // figure cut by the viewport's edge shows "#" there, never its end.
  void TextColumnsGiveWayBeforeFiguresAndAnEdgeNeverShowsPartOfAFigure() {
    const std::vector<std::string> rows = {
        "9	קבלה ממכירת ציוד משרדי לסניף הצפון	אברהם כהן ובניו	15,158.10	-1,317.68",
        "9	שורה	שם	7,083.10	12.00"};
    TabRowSource source(rows);
    Grid grid;
    grid.setLayoutDirection(Qt::RightToLeft);
    grid.SetColumns(
        FixedColumns({QStringLiteral("30,#"), QStringLiteral("200,פרטים"), QStringLiteral("150,שם"),
                      QStringLiteral("100,סכום"), QStringLiteral("100,יתרה")}));
    grid.SetStretchField(2);
    grid.SetSource(&source);
    grid.SetRowCount(2);
    grid.show();
    const auto total = [&] {
      int sum = 0;
      for (int c = 0; c < 5; ++c) sum += grid.columnWidth(c);
      return sum;
    };
    bool scrolled = false;
    for (int width = 600; width >= 150; width -= 30) {
      grid.resize(width + grid.width() - grid.viewport()->width(), 200);
      QCoreApplication::processEvents();
      const int room = grid.viewport()->width();
      const QString at = QStringLiteral("at %1").arg(room);
      const bool texts_give =
          grid.columnWidth(1) > grid.LeastWidth(1) || grid.columnWidth(2) > grid.LeastWidth(2);
      QCOMPARE(grid.columnWidth(0), 30);
      for (const int column : {1, 2, 3, 4}) {
        QVERIFY2(grid.columnWidth(column) >= grid.LeastWidth(column), qPrintable(at));
      }
      for (const int column : {3, 4}) {
        // A figure column keeps its room while a text column has any to give.
        if (texts_give) QVERIFY2(grid.columnWidth(column) == 100, qPrintable(at));
      }
      if (total() > room) {
        scrolled = true;
        for (const int column : {1, 2, 3, 4}) {
          QCOMPARE(grid.columnWidth(column), grid.LeastWidth(column));
        }
      } else {
        QCOMPARE(total(), room);  // the stretch column takes what is left
      }
      // Each figure cell shows whole or as "#", wherever the scroll bar stands.
      for (const int scroll :
           {0, grid.horizontalScrollBar()->maximum() / 2, grid.horizontalScrollBar()->maximum()}) {
        grid.horizontalScrollBar()->setValue(scroll);
        for (int row = 0; row < 2; ++row) {
          for (const int column : {3, 4}) {
            const QModelIndex cell = grid.Model().index(row, column);
            const QRect rect = grid.visualRect(cell);
            if (rect.right() < 0 || rect.left() >= room) continue;  // out of view
            const QString figure = cell.data().toString();
            const QString shown = GridDelegate::FigureShown(grid.fontMetrics(), figure, rect,
                                                            grid.viewport()->rect());
            const bool whole = rect.left() >= 0 && rect.right() < room;
            QCOMPARE(shown, whole ? figure : QString(shown.size(), QLatin1Char('#')));
          }
        }
      }
    }
    QVERIFY(scrolled);
  }

  void CellsShowImagesAndMarkersWithoutTheMarkers() {
    std::vector<std::string> rows = {
        "0\tתחילת הבדיקה\u200E",
        "1\tחשבון 100\t1,000.00\x1C\t250.00\x1D\t-750.00\x1D",
        "3\tסה'כ\u200E\t\t\t12.00 ח\x1C",
    };
    TabRowSource source(rows);
    Grid grid;
    QAbstractItemModelTester tester(&grid.Model());
    grid.SetColumns(FixedColumns({QStringLiteral("30,#"), QStringLiteral("200,פרטים"),
                                  QStringLiteral("100,חובה"), QStringLiteral("100,זכות"),
                                  QStringLiteral("100,יתרה")}));
    grid.SetTextColour(QColor(0, 0, 255));
    grid.SetSource(&source);
    grid.SetRowCount(3);
    GridModel& model = grid.Model();
    QCOMPARE(model.columnCount(), 5);
    QCOMPARE(grid.columnWidth(0), 30);
    for (int row = 0; row < 3; ++row) {
      QVERIFY(!model.index(row, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
      QVERIFY(!model.index(row, 0).data(Qt::DisplayRole).isValid());
    }
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("תחילת הבדיקה"));
    QVERIFY(model.index(0, 1).data(Qt::FontRole).value<QFont>().bold());
    QVERIFY(!model.index(1, 1).data(Qt::FontRole).isValid());
    QCOMPARE(model.index(1, 1).data(Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 255));
    QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("1,000.00"));
    QCOMPARE(model.index(1, 2).data(Qt::ForegroundRole).value<QColor>(), kDebitColour);
    QCOMPARE(model.index(1, 3).data(Qt::ForegroundRole).value<QColor>(), kCreditColour);
    // The minus stays with its digits in right-to-left text.
    QCOMPARE(model.index(1, 4).data().toString(), QStringLiteral("\u2066-750.00\u2069"));
    QCOMPARE(model.index(2, 4).data().toString(), QStringLiteral("12.00 ח"));
    QCOMPARE(model.index(2, 2).data().toString(), QString());

    // Rows appended by the owner appear after those shown.
    rows.push_back("4\tהופסק\u200E");
    grid.SetRowCount(4);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.index(3, 1).data().toString(), QStringLiteral("הופסק"));
    rows.clear();
    grid.SetRowCount(0);
    QCOMPARE(model.rowCount(), 0);
  }

  void FiguresKeepTheirSignAndSeparatorsLeftToRight() {
    QCOMPARE(KeepFiguresLeftToRight(QStringLiteral("1,234.50 ז")), QStringLiteral("1,234.50 ז"));
    QCOMPARE(KeepFiguresLeftToRight(QStringLiteral("הפרש -0.01 בין")),
             QStringLiteral("הפרש \u2066-0.01\u2069 בין"));
    QCOMPARE(KeepFiguresLeftToRight(QStringLiteral("100-200")), QStringLiteral("100-200"));
    QCOMPARE(KeepFiguresLeftToRight(QStringLiteral("+00000000015780")),
             QStringLiteral("\u2066+00000000015780\u2069"));
    QCOMPARE(KeepFiguresLeftToRight(QStringLiteral("א-ב")), QStringLiteral("א-ב"));
    // Laid out right to left, the figure's glyphs come in the order and at the places they
    // have left to right. The layout is compared rather than pixels: which font supplies
    // the isolation marks, and so the line's height, depends on the fonts installed.
    const QString figure = QStringLiteral("-1,234.50");
    const QStringList as_written = PlacedGlyphs(figure, Qt::LeftToRight);
    QCOMPARE(as_written.size(), figure.size());
    QCOMPARE(PlacedGlyphs(KeepFiguresLeftToRight(figure), Qt::RightToLeft, 1, figure.size()),
             as_written);
    QVERIFY(PlacedGlyphs(figure, Qt::RightToLeft) != as_written);  // what the isolation prevents
  }

  void FiguresAreTheNumbersTheMasksWrite() {
    const struct {
      const char* shown;
      bool credit_marked;
      bool figure;
    } cases[] = {
        {"1,150,192,550.73", false, true},
        {"-143,776,793.07", true, true},
        {"12.00 ח", false, true},
        {"3,000.50 ז", true, true},
        {"1.0000", false, true},
        {"1,234", false, true},
        {"7", false, true},
        {"0.00", true, true},
        {"999", true, false},  // an account key quoted as an error value
        {"123456789", true, false},
        {"1,23", false, false},
        {"12,345,67", false, false},
        {"1234,567", false, false},
        {"דיוק של 99.50%", true, false},
        {"01/01/2023", false, false},
        {"-", false, false},
        {"", false, false},
        {"1.", false, false},
        {"100-200", false, false},
    };
    for (const auto& c : cases) {
      QVERIFY2(IsFigure(c.shown, c.credit_marked) == c.figure, c.shown);
    }
  }

  // A figure column is widened to its widest figure; a figure that still cannot fit shows
  // "###"; text is elided; every cell shows whole in its tooltip.
  void FiguresAreNeverCut() {
    std::vector<std::string> rows = {
        "1\tבתנועה מספר - 12 המפתח \t999\x1D",
        "3\tסה'כ סכומי התנועות\t1,150,192,550.73\x1C\t-143,776,793.07\x1D",
    };
    TabRowSource source(rows);
    Grid grid;
    QAbstractItemModelTester tester(&grid.Model());
    grid.SetColumns(FixedColumns({QStringLiteral("30,#"), QStringLiteral("60,פרטים"),
                                  QStringLiteral("40,חובה"), QStringLiteral("40,זכות")}));
    grid.SetSource(&source);
    grid.SetRowCount(1);
    QCOMPARE(grid.columnWidth(2), 40);  // a key is not a figure: nothing to widen for
    QVERIFY(!grid.Model().index(0, 2).data(kFigureRole).toBool());
    grid.SetRowCount(2);
    for (int column : {2, 3}) {
      const QString figure = grid.Model().index(1, column).data().toString();
      QCOMPARE(grid.columnWidth(column), grid.WidthNeeded(figure, false));
      QCOMPARE(GridDelegate::FigureShown(grid.fontMetrics(), figure, grid.columnWidth(column)),
               figure);
      QCOMPARE(grid.Model().index(1, column).data(Qt::ToolTipRole).toString(), figure);
    }
    QCOMPARE(grid.Model().index(1, 3).data(kShownRole).toString(),
             QStringLiteral("-143,776,793.07"));
    QCOMPARE(GridDelegate::FigureShown(grid.fontMetrics(), QStringLiteral("-143,776,793.07"), 30),
             QStringLiteral("##"));
    QVERIFY(
        GridDelegate::FigureShown(grid.fontMetrics(), QStringLiteral("-1.00"), 9).startsWith('#'));
    QCOMPARE(grid.Model().index(0, 1).data(Qt::ToolTipRole).toString(),
             QStringLiteral("בתנועה מספר - 12 המפתח "));
    // The width the user gives is kept, even when its figures no longer fit.
    grid.resize(400, 120);
    grid.show();
    grid.horizontalHeader()->resizeSection(3, 30);
    grid.SetRowCount(2);
    QCOMPARE(grid.columnWidth(3), 30);
    QCOMPARE(grid.Model().Columns()[3].width, 30);
  }

  // A long list is measured in slices between the window's events: a figure in its middle
  // still widens its column once they have come, and a new list drops the slices waiting.
  void ALongListIsMeasuredInSlicesToItsLastRow() {
    std::vector<std::string> rows(20 * Grid::kMeasuredAtOnce, "1\tשורה\t1.00");
    rows[rows.size() / 2] = "1\tשורה\t1,150,192,550.73";
    TabRowSource source(rows);
    Grid grid;
    grid.SetColumns(FixedColumns(
        {QStringLiteral("30,#"), QStringLiteral("60,פרטים"), QStringLiteral("40,סכום")}));
    grid.SetSource(&source);
    grid.SetRowCount(static_cast<int>(rows.size()));
    QVERIFY(grid.Measuring());
    const int widest = grid.WidthNeeded(QStringLiteral("1,150,192,550.73"), false);
    QVERIFY(grid.columnWidth(2) < widest);
    int events = 0;
    QTimer ticker;
    ticker.setInterval(0);
    connect(&ticker, &QTimer::timeout, this, [&] { events += grid.Measuring() ? 1 : 0; });
    ticker.start();
    QTRY_VERIFY(!grid.Measuring());
    QVERIFY(events > 0);
    QCOMPARE(grid.columnWidth(2), widest);

    grid.SetRowCount(0);
    grid.SetRowCount(static_cast<int>(rows.size()));
    rows.resize(2);
    grid.SetRowCount(2);  // the list before is gone: nothing of it is read
    QVERIFY(!grid.Measuring());
  }

  void TabLeavesTheGridAndHomeAndEndGoToTheEndRows() {
    std::vector<std::string> rows = {"3\tא\t1.00", "3\tב\t2.00", "3\tג\t3.00"};
    TabRowSource source(rows);
    QWidget window;
    auto* grid = new Grid(&window);
    auto* after = new QLineEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(grid);
    layout->addWidget(after);
    grid->SetColumns(FixedColumns(
        {QStringLiteral("30,#"), QStringLiteral("100,שם"), QStringLiteral("100,סכום")}));
    grid->SetSource(&source);
    grid->SetRowCount(3);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    grid->setFocus();
    grid->setCurrentIndex(grid->Model().index(1, 2));
    QTest::keyClick(grid, Qt::Key_End);
    QCOMPARE(grid->currentIndex(), grid->Model().index(2, 2));
    QTest::keyClick(grid, Qt::Key_Home);
    QCOMPARE(grid->currentIndex(), grid->Model().index(0, 2));
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(grid->currentIndex(), grid->Model().index(2, 2));
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(grid->currentIndex().row(), 2);
    QTest::keyClick(grid, Qt::Key_Tab);
    QVERIFY(after->hasFocus());
  }

  // Ctrl+C copies the selected rows: the columns with text, markers removed, figures as
  // shown; "save as CSV" writes every row with the one CSV writer.
  void CopyAndCsvGiveTheRowsAsShown() {
    std::vector<std::string> rows = {
        "0\tתחילת הבדיקה\u200E",
        "3\tסה'כ למנה 1\t1,000.00\x1C\t250.00\x1D\t-750.00\x1D",
        "1\tבכרטיס - 100, \"ראשי\"\t\t\t12.00 ח\x1C",
        "3\tסוף",
    };
    TabRowSource source(rows);
    Grid grid;
    grid.SetColumns(FixedColumns({QStringLiteral("30,#"), QStringLiteral("200,פרטים"),
                                  QStringLiteral("100,חובה"), QStringLiteral("100,זכות"),
                                  QStringLiteral("100,יתרה")}));
    grid.SetSource(&source);
    grid.SetRowCount(4);
    grid.resize(600, 200);
    grid.show();
    grid.setFocus();
    grid.selectionModel()->select(grid.Model().index(0, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    grid.selectionModel()->select(grid.Model().index(2, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    grid.selectionModel()->select(grid.Model().index(1, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("תחילת הבדיקה\t\t\t\n"
                            "סה'כ למנה 1\t1,000.00\t250.00\t-750.00\n"
                            "בכרטיס - 100, \"ראשי\"\t\t\t12.00 ח\n"));
    QCOMPARE(grid.RowsAsText({3}, true), QStringLiteral("פרטים\tחובה\tזכות\tיתרה\nסוף\t\t\t\n"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rows"));
    grid.SetCsvFileForTest(path);
    grid.SaveAsCsv();
    QFile file(path + QStringLiteral(".csv"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("\xEF\xBB\xBF"
                                        "פרטים,חובה,זכות,יתרה\r\n"
                                        "תחילת הבדיקה,,,\r\n"
                                        "סה'כ למנה 1,\"1,000.00\",250.00,-750.00\r\n"
                                        "\"בכרטיס - 100, \"\"ראשי\"\"\",,,12.00 ח\r\n"
                                        "סוף,,,\r\n"));
    // A file that cannot be written is reported, and nothing is left behind.
    QString reported;
    grid.SetReporter([&](const QString& text) { reported = text; });
    grid.SetCsvFileForTest(dir.filePath(QStringLiteral("no/such/folder/rows.csv")));
    grid.SaveAsCsv();
    QVERIFY(reported.startsWith(QStringLiteral("לא ניתן לכתוב את הקובץ ")));
  }

  void SearchFindsTheNextRowWithTheWord() {
    std::vector<std::string> rows = {"3\tאלף", "3\tבית", "3\tגימל בית", "3\tדלת"};
    TabRowSource source(rows);
    Grid grid;
    grid.SetColumns(FixedColumns({QStringLiteral("30,#"), QStringLiteral("100,פרטים")}));
    grid.SetStretchField(2);
    grid.SetSource(&source);
    grid.SetRowCount(4);
    QCOMPARE(grid.FindRow(1, QStringLiteral("בית"), 0), 1);
    QCOMPARE(grid.FindRow(1, QStringLiteral("בית"), 2), 2);
    QCOMPARE(grid.FindRow(1, QStringLiteral("בית"), 3), 1);  // from the top again
    QCOMPARE(grid.FindRow(1, QStringLiteral("הא"), 0), -1);
    GridSearchBox box(QStringLiteral("פרטים"), SearchEntry::kAny, nullptr);
    QCOMPARE(box.Prompt(), QStringLiteral("הקלד את מילת החיפוש בטור פרטים"));
  }

  // A figure is found by its digits, the separators typed or not; "חפש הבא" (F3) goes on
  // down from the row found and beeps at the end; a search that finds nothing says so.
  void AnAmountIsFoundByItsDigitsAndF3FindsTheNext() {
    std::vector<std::string> rows = {"3	1,317.68", "3	7,083.10", "3	-7,083.10", "3	12.00",
                                     "3	7,083.10 ח"};
    TabRowSource source(rows);
    Grid grid;
    grid.SetColumns(FixedColumns({QStringLiteral("30,#"), QStringLiteral("100,סכום")}));
    grid.SetSource(&source);
    grid.SetRowCount(static_cast<int>(rows.size()));
    const std::pair<QString, int> finds[] = {
        {QStringLiteral("7083"), 1},     {QStringLiteral("7083.1"), 1},
        {QStringLiteral("7,083.10"), 1}, {QStringLiteral("708310"), 1},
        {QStringLiteral("1317"), 0},     {QStringLiteral("17.68"), 0},
        {QStringLiteral("-7083"), 2},    {QStringLiteral("1200"), 3},
        {QStringLiteral("7084"), -1},
    };
    for (const auto& [word, row] : finds) QCOMPARE(grid.FindRow(1, word, 0), row);

    QString reported;
    grid.SetReporter([&](const QString& text) { reported = text; });
    grid.show();
    QVERIFY(grid.SearchColumn(1, QStringLiteral("7083")));
    QCOMPARE(grid.currentIndex().row(), 1);
    QVERIFY(grid.selectionModel()->isRowSelected(1, {}));
    QTest::keyClick(&grid, Qt::Key_F3);
    QCOMPARE(grid.currentIndex().row(), 2);
    QTest::keyClick(&grid, Qt::Key_F3);
    QCOMPARE(grid.currentIndex().row(), 4);  // a balance's digits, its sense aside
    QVERIFY(!grid.FindNext());               // the end: the row stays
    QCOMPARE(grid.currentIndex().row(), 4);
    QVERIFY(reported.isEmpty());
    QVERIFY(!grid.SearchColumn(1, QStringLiteral("99999")));
    QCOMPARE(reported, QStringLiteral("לא נמצאה שורה המכילה: 99999"));
    QCOMPARE(grid.currentIndex().row(), 4);
    // The search box of a figure column takes the separators and the sign.
    GridSearchBox numeric(AccountIndexCatalogue(), 17, nullptr);
    QTest::keyClicks(numeric.Field(), QStringLiteral("-7,083.10"));
    QCOMPARE(numeric.Text(), QStringLiteral("-7,083.10"));
  }

  void HeaderClickSortsByTheColumnsField() {
    std::vector<std::string> rows = {"1\tב", "1\tא"};
    TabRowSource source(rows);
    Grid grid;
    grid.SetColumns(FixedColumns({QStringLiteral("30,#"), QStringLiteral("100,שם")}));
    grid.SetSource(&source);
    grid.SetRowCount(2);
    grid.resize(300, 200);
    grid.show();
    QCOMPARE(grid.SortIndex(), 1);
    QCOMPARE(grid.property("SortIndex").toInt(), 1);
    std::vector<int> sorted_by;
    grid.SetSortRoutine([&](int field) {
      sorted_by.push_back(field);
      std::sort(rows.begin(), rows.end());
    });
    emit grid.horizontalHeader()->sectionClicked(1);
    QCOMPARE(sorted_by, std::vector<int>{2});
    QCOMPARE(grid.property("SortIndex").toInt(), 2);
    QCOMPARE(grid.Model().index(0, 1).data().toString(), QStringLiteral("א"));
    emit grid.horizontalHeader()->sectionClicked(2);  // the empty column sorts nothing
    QCOMPARE(sorted_by.size(), std::size_t{1});
    QCOMPARE(grid.SortIndex(), 2);
  }

  // A numeric field asks for the numeric keyboard but takes whatever a code holds: letters
  // and an inner dash as well as digits.
  void SearchBoxNamesTheSortColumnAndTakesACodeInANumericField() {
    GridSearchBox numeric(AccountIndexCatalogue(), 17, nullptr);
    QCOMPARE(numeric.Prompt(), QStringLiteral("הקלד את מילת החיפוש בטור יתרה"));
    QTest::keyClicks(numeric.Field(), QStringLiteral("MK-12a3"));
    QCOMPARE(numeric.Text(), QStringLiteral("MK-12a3"));
    QVERIFY(numeric.Field()->inputMethodHints().testFlag(Qt::ImhPreferNumbers));
    QVERIFY(!numeric.Field()->inputMethodHints().testFlag(Qt::ImhDigitsOnly));
    GridSearchBox text(AccountIndexCatalogue(), 3, nullptr);
    QCOMPARE(text.Prompt(), QStringLiteral("הקלד את מילת החיפוש בטור שם החשבון"));
    QVERIFY(text.Field()->validator() == nullptr);
    QTest::keyClicks(text.Field(), QStringLiteral("a 1"));
    QCOMPARE(text.Text(), QStringLiteral("a 1"));
  }

  void CardNumberEditRefusesAndAccepts() {
    TestApp t;
    AddAccounts(t.store);
    CardNumbers source(t.store);
    Grid grid;
    grid.SetColumns(FixedColumns({QStringLiteral("30,#"), QStringLiteral("80,כרטיס")}));
    grid.SetSource(&source);
    grid.SetRowCount(3);
    grid.resize(300, 200);
    grid.show();
    const QModelIndex second = grid.Model().index(1, 1);

    auto type_and_leave = [&](const QString& text) {
      QPointer<CardNumberEdit> edit = EditCardNumber(t.app, grid, second);
      QCOMPARE(edit->text(), QStringLiteral("20"));
      QCOMPARE(edit->geometry(), grid.visualRect(second));
      edit->setText(text);
      QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
      QApplication::sendEvent(edit, &out);
      FlushDeletes();
      QVERIFY(edit.isNull());
    };

    type_and_leave(QStringLiteral("0"));
    QCOMPARE(t.messages.size(), std::size_t{1});
    QCOMPARE(t.messages[0].text, QStringLiteral("מספר כרטיס חייב להיות גדול מ 0"));
    type_and_leave(QString());
    QCOMPARE(t.messages.size(), std::size_t{2});
    type_and_leave(QStringLiteral("300"));
    QCOMPARE(t.messages.size(), std::size_t{3});
    QCOMPARE(t.messages[2].text, QStringLiteral("כרטיס במספר כזה קיים כבר "));
    QCOMPARE(ShortKey(t.store, 2), std::string("    20"));
    type_and_leave(QStringLiteral("20"));  // its own number
    QCOMPARE(t.messages.size(), std::size_t{3});
    QCOMPARE(ShortKey(t.store, 2), std::string("    20"));

    // Typing: digits only, six at most; Return ends the entry like leaving it.
    QPointer<CardNumberEdit> edit = EditCardNumber(t.app, grid, second);
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("4a2"));
    QCOMPARE(edit->text(), QStringLiteral("42"));
    QTest::keyClick(edit, Qt::Key_Return);
    FlushDeletes();
    QVERIFY(edit.isNull());
    QCOMPARE(t.messages.size(), std::size_t{3});
    QCOMPARE(ShortKey(t.store, 2), std::string("    42"));
    QCOMPARE(grid.Model().index(1, 1).data().toString(), QStringLiteral("42"));

    edit = EditCardNumber(t.app, grid, grid.Model().index(2, 1));
    QTest::keyClicks(edit, QStringLiteral("12345678"));
    QCOMPARE(edit->text(), QStringLiteral("123456"));
    QTest::keyClick(edit, Qt::Key_Escape);  // ends without a change
    FlushDeletes();
    QVERIFY(edit.isNull());
    QCOMPARE(ShortKey(t.store, 3), std::string("   300"));
  }

  void FieldDialogWritesTheDefaultBackUnchanged() {
    TestApp t;
    FieldSelectionDialog dialog(t.app, AccountIndexCatalogue(), nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("עדכון רשימת שדות לאינדקס החשבונות"));
    QCOMPARE(dialog.findChildren<QCheckBox*>().size(), 18);
    QVERIFY(dialog.Box(1) == nullptr);
    QCOMPARE(dialog.Box(4)->text(), QStringLiteral("כתובת"));
    QCOMPARE(dialog.Box(19)->text(), QStringLiteral("קוד מטבע"));
    int ticked = 0;
    for (int field = 2; field <= 19; ++field) ticked += dialog.Box(field)->isChecked();
    QCOMPARE(ticked, 8);
    dialog.reject();  // closed however: the list is written
    QCOMPARE(t.settings.ReadReg("Params", "IdxFields"),
             std::string("30,1;180,2;60,3;60,10;100,12;100,14;100,15;100,16;100,17"));
  }

  void FieldDialogStoresANewFieldWithWidth100InFieldOrder() {
    TestApp t;
    t.settings.WriteReg("Params", "TnuaFields", "30,1;120,12;70,6");
    FieldSelectionDialog dialog(t.app, LedgerCatalogue(), nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("עדכון רשימת שדות לכרטסת חשבונות"));
    QCOMPARE(dialog.findChildren<QCheckBox*>().size(), 25);
    QVERIFY(dialog.Box(12)->isChecked() && dialog.Box(6)->isChecked());
    dialog.Box(2)->click();
    dialog.Box(6)->click();
    dialog.Box(6)->click();
    dialog.accept();
    QCOMPARE(t.settings.ReadReg("Params", "TnuaFields"), std::string("30,1;100,2;70,6;120,12"));
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::GridTest)
#include "grid_test.moc"
