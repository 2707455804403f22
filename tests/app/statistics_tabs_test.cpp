// The analysis page's field statistics and producer's summaries on a generated set with faults:
// the run on the worker with its progress and a stop that leaves no result, a click on the
// largest value (and Enter on the smallest's line) opening that line in the source-record
// viewer, the summaries showing the rows the command line prints, and each print handing the
// command line's report to the output dialog.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <QAbstractBarSeries>
#include <QBarSet>
#include <QChart>

#include "app/dialogs/output_dialog.h"
#include "app/dialogs/record_detail_dialog.h"
#include "app/main_window.h"
#include "app/pages/analysis_page.h"
#include "app/pages/import_page.h"
#include "app/statistics/field_statistics_tab.h"
#include "app/statistics/month_chart.h"
#include "app/statistics/producer_summaries_tab.h"
#include "app/statistics/statistics_run.h"
#include "app/statistics/statistics_run_bar.h"
#include "app/widgets/grid.h"
#include "app/widgets/grid_delegate.h"
#include "app/widgets/progress_bar.h"
#include "app_test_support.h"
#include "engine/analytics/analytics.h"
#include "engine/program/program.h"
#include "engine/uniform/uniform.h"
#include "generator/data_set.h"

namespace tallyscan::test {
namespace {

struct Fixture {
  QTemporaryDir sets;
  TestApp t;
  MainWindow window{t.app, StoredSize(1366, 768)};
  AnalysisPage* page = window.PageOf<AnalysisPage>();
  StatisticsRun* run = page->Statistics();
  FieldStatisticsTab* fields = page->Fields();
  ProducerSummariesTab* summaries = page->Summaries();
  QString folder;

  bool Load() {
    DataSetOptions options;
    options.movements = 6000;
    for (const char* name : {"bad-date", "bad-sign", "bad-numeric", "ini-type-count"}) {
      options.faults.push_back({FindFault(name)->kind, 1});
    }
    return Load(options, QStringLiteral("set"));
  }
  // A generated set in the folder `name`, whose data file `edit` changes before it is read.
  bool Load(const DataSetOptions& options, const QString& name,
            bool (*edit)(const QString& data_file) = nullptr) {
    folder = sets.filePath(name);
    GeneratedDataSet generated;
    if (!GenerateDataSet(options, folder.toStdString(), &generated).ok()) return false;
    if (edit != nullptr && !edit(folder + QStringLiteral("/BKMVDATA.TXT"))) return false;
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) return false;
    window.PageOf<ImportPage>()->ReadFolder(folder);
    if (t.store.LoadedFolder.empty()) return false;
    window.PressButton(PageId::kAnalysis);
    return window.CurrentPage() == PageId::kAnalysis;
  }

  bool RunToEnd() {
    QSignalSpy ended(run, &StatisticsRun::Ended);
    run->Run();
    return ended.wait(60000) && run->Result() != nullptr;
  }

  QByteArray Cli(const QStringList& arguments) const {
    QProcess cli;
    cli.start(QStringLiteral(TALLYSCAN_CLI), arguments);
    if (!cli.waitForFinished(120000)) return {};
    return cli.readAllStandardOutput();
  }

  // The grid row whose code column reads `code`; -1 when none does.
  static int RowOfCode(const Grid& grid, int code) {
    for (int row = 0; row < grid.model()->rowCount(); ++row) {
      if (grid.Model().ShownText(row, 1) == QString::number(code)) return row;
    }
    return -1;
  }

  static int ColumnOfField(const Grid& grid, int field) {
    for (int column = 0; column < grid.model()->columnCount(); ++column) {
      if (grid.Model().FieldOf(column) == field) return column;
    }
    return -1;
  }

  // The viewer the last action opened, or null.
  static RecordDetailDialog* OpenViewer() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* viewer = qobject_cast<RecordDetailDialog*>(widget);
      if (viewer != nullptr && viewer->isVisible()) return viewer;
    }
    return nullptr;
  }
};

// Movements of the widest amounts their field holds, either sign, and documents of the widest
// totals: the field statistics' sums and extremes get figures of 15 digits and more.
bool WidestAmounts(const QString& data_file) {
  QFile file(data_file);
  if (!file.open(QIODevice::ReadOnly)) return false;
  QList<QByteArray> lines = file.readAll().split('\n');
  file.close();
  const auto put = [](QByteArray& line, const FieldLayout& f, char sign) {
    line.replace(f.start - 1, f.width, sign + QByteArray(f.width - 1, '9'));
  };
  int movements = 0;
  int documents = 0;
  for (QByteArray& line : lines) {
    if (line.startsWith("B100") && movements < 40) {
      put(line, field::B100(1368), movements++ % 2 == 0 ? '+' : '-');
    } else if (line.startsWith("C100") && documents < 10) {
      put(line, field::C100(1223), documents++ % 2 == 0 ? '+' : '-');
    }
  }
  return movements == 40 && documents == 10 && file.open(QIODevice::WriteOnly) &&
         file.write(lines.join('\n')) > 0;
}

// Every figure of the grid fits its column, in the font it is drawn in; a figure in a cell the
// viewport shows whole is drawn whole (no "#"). `where` names the case.
void ExpectFiguresFit(Grid* grid, const QString& where) {
  QCoreApplication::processEvents();
  const QRect visible = grid->viewport()->rect();
  int figures = 0;
  for (int row = 0; row < grid->Model().rowCount(); ++row) {
    for (int column = 0; column < grid->Model().columnCount(); ++column) {
      const QModelIndex cell = grid->Model().index(row, column);
      if (!cell.data(kFigureRole).toBool()) continue;
      ++figures;
      QFont font = grid->font();
      if (const QVariant bold = cell.data(Qt::FontRole); bold.isValid()) {
        font = bold.value<QFont>().resolve(font);
      }
      const QFontMetrics metrics(font);
      const QString figure = cell.data().toString();
      const QString what = QStringLiteral("%1: %2 in column %3 of %4 pixels")
                               .arg(where, figure)
                               .arg(column)
                               .arg(grid->columnWidth(column));
      QVERIFY2(metrics.horizontalAdvance(figure) <= grid->columnWidth(column), qPrintable(what));
      const QRect place = grid->visualRect(cell);
      if (place.left() >= visible.left() && place.right() <= visible.right()) {
        QVERIFY2(GridDelegate::FigureShown(metrics, figure, place, visible) == figure,
                 qPrintable(what));
      }
    }
  }
  QVERIFY2(figures > 0, qPrintable(where));
}

// The first line (1-based) of the data file holding the largest, or the smallest, movement
// amount: read here from the file itself, not from the statistics.
std::int64_t LineOfExtremeAmount(const QString& data_file, bool largest) {
  QFile file(data_file);
  if (!file.open(QIODevice::ReadOnly)) return 0;
  constexpr FieldLayout kAmount = field::B100(1368);
  std::int64_t line = 0, found = 0;
  qlonglong best = 0;
  while (!file.atEnd()) {
    const QByteArray text = file.readLine();
    ++line;
    if (!text.startsWith("B100")) continue;
    bool number = false;
    const qlonglong amount = text.mid(kAmount.start - 1, kAmount.width).toLongLong(&number);
    if (number && (found == 0 || (largest ? amount > best : amount < best))) {
      best = amount;
      found = line;
    }
  }
  return found;
}

}  // namespace

class StatisticsTabsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(reports_.isValid());
    qputenv("TMPDIR", reports_.path().toUtf8());
  }

  void RunShowsProgressAndTheFiguresAndAStopLeavesNone() {
    Fixture f;
    QVERIFY(f.Load());
    f.page->Tabs()->setCurrentWidget(f.fields);
    QSignalSpy progress(f.fields->Bar()->Progress(), &QProgressBar::valueChanged);
    QSignalSpy ended(f.run, &StatisticsRun::Ended);
    QTest::keyClick(&f.window, Qt::Key_F5);
    QVERIFY(f.run->Running());
    QVERIFY(!f.fields->Bar()->RunButton()->isEnabled());
    QVERIFY(f.summaries->Bar()->StopButton()->isEnabled());
    QVERIFY(f.window.findChild<QStatusBar*>(QStringLiteral("statusBar"))
                ->currentMessage()
                .contains(QStringLiteral("סטטיסטיקת השדות")));
    QVERIFY(ended.wait(60000));
    int most = 0;
    for (const QList<QVariant>& value : progress) most = std::max(most, value.at(0).toInt());
    QCOMPARE(most, 100);
    QVERIFY(f.run->Result() != nullptr);
    const FieldStatistics& result = *f.run->Result();

    // The chooser offers the types the file holds; the movements are shown first.
    QComboBox* records = f.fields->RecordBox();
    QCOMPARE(records->count(), static_cast<int>(result.records.size()));
    for (int i = 0; i < records->count(); ++i) {
      QCOMPARE(records->itemData(i).toInt(),
               static_cast<int>(result.records[static_cast<std::size_t>(i)].layout->type));
    }
    QCOMPARE(*f.fields->Record(), RecordType::kB100);

    // Each type's grid holds the engine's rows but the months: code, caption, every figure
    // as the command line writes it; a field with invalid values is an error row.
    Grid* grid = f.fields->FieldsGrid();
    for (const RecordType type : {RecordType::kB100, RecordType::kC100}) {
      f.fields->ChooseRecord(type);
      int row = 0;
      for (const std::string& engine_row : FieldStatisticsRows(result, type)) {
        if (RowField(engine_row, 5) == "month") continue;
        QVERIFY(row < grid->model()->rowCount());
        const DecodedRow decoded = DecodeRow(engine_row);
        QCOMPARE(grid->Model().Source()->CellText(row, 1),
                 std::string(1, static_cast<char>(*decoded.status)));
        QCOMPARE(grid->Model().ShownText(row, 1).toStdString(), decoded.cells[1].shown);
        QCOMPARE(grid->Model().ShownText(row, 2).toStdString(), decoded.cells[2].shown);
        for (std::size_t cell = 4; cell < decoded.cells.size(); ++cell) {
          QCOMPARE(grid->Model().ShownText(row, static_cast<int>(cell) - 1).toStdString(),
                   decoded.cells[cell].shown);
        }
        ++row;
      }
      QCOMPARE(grid->model()->rowCount(), row);
    }

    // The chart shows the chosen date field's months between the dates before and after.
    f.fields->ChooseRecord(RecordType::kB100);
    f.fields->ChooseDateField(1363);
    const FieldFigures* value_date = nullptr;
    for (const FieldFigures& figures : result.Find(RecordType::kB100)->fields) {
      if (figures.field->code == 1363) value_date = &figures;
    }
    QVERIFY(value_date != nullptr && value_date->months.size() == 12);
    QBarSet* bars = f.fields->Chart()->Bars();
    QVERIFY(bars != nullptr);
    QCOMPARE(bars->count(), 14);
    // Read right to left: the dates before the period at the right, then the months in order;
    // the bars outside the period marked, every count above its bar in a dark colour.
    const QStringList& categories = f.fields->Chart()->Categories();
    QCOMPARE(categories.last(), QStringLiteral("לפני"));
    QCOMPARE(categories.first(), QStringLiteral("אחרי"));
    for (int bar = 0; bar < bars->count(); ++bar) {
      QCOMPARE(bars->isBarSelected(bar), bar == 0 || bar == bars->count() - 1);
    }
    QVERIFY(bars->labelColor().lightness() < 100);
    QVERIFY(f.fields->Chart()->Chart()->title().contains(QStringLiteral("באפור")));
    const auto* series = qobject_cast<QAbstractBarSeries*>(f.fields->Chart()->Chart()->series()[0]);
    QVERIFY(series != nullptr && series->isLabelsVisible());
    QCOMPARE(series->labelsPosition(), QAbstractBarSeries::LabelsOutsideEnd);
    for (std::size_t month = 0; month < 12; ++month) {
      const int bar = 12 - static_cast<int>(month);
      QCOMPARE(categories.at(bar), QString::fromStdString(MonthText(value_date->months[month])));
      QCOMPARE(bars->at(bar), static_cast<double>(value_date->months[month].count));
    }

    // A stop from the other tab answers at once, leaves no result and empties both tabs.
    f.page->Tabs()->setCurrentWidget(f.summaries);
    QTest::keyClick(&f.window, Qt::Key_F5);
    QVERIFY(f.run->Running());
    QCOMPARE(f.summaries->DocumentsGrid()->model()->rowCount(), 0);
    QTest::keyClick(&f.window, Qt::Key_Escape);
    QVERIFY(!f.run->Running());
    QVERIFY(f.run->Result() == nullptr);
    QCOMPARE(grid->model()->rowCount(), 0);
    QCOMPARE(f.fields->RecordBox()->count(), 0);
    QVERIFY(f.fields->Chart()->Bars() == nullptr);
    QCOMPARE(f.summaries->RecordsGrid()->model()->rowCount(), 0);
    QVERIFY(!f.summaries->PrintDocumentsButton()->isEnabled());
    QCOMPARE(f.summaries->Bar()->Status()->text(),
             QStringLiteral("חישוב סטטיסטיקת השדות הופסק - אין תוצאה"));
    QTRY_VERIFY_WITH_TIMEOUT(
        f.t.app.readers.Idle() && f.window.PageOf<ImportPage>()
                                      ->findChild<QWidget*>(QStringLiteral("runButton"))
                                      ->isEnabled(),
        30000);
  }

  // A small set read and counted, then a set of much wider figures, then the small one again:
  // every figure of every record type fits its column at the first-start size of a 1366×768
  // screen and after a resize to a 1920×1080 screen's and back, and the columns of the small
  // set are its own again after the wide one, though counted while another tab was shown.
  void EachReadingSizesTheColumnsToItsOwnFigures() {
    Fixture f;
    const auto place = [&f](int width, int height) {
      const ScreenRect rect =
          PlaceMainWindow(MainDlgPos{}, ScreenRect{0, 0, width, height}, FrameMargins{8, 32, 8, 8});
      f.window.setGeometry(rect.x, rect.y, rect.width, rect.height);
    };
    place(1366, 768);
    DataSetOptions small;
    small.movements = 200;
    QVERIFY(f.Load(small, QStringLiteral("small")));
    f.page->Tabs()->setCurrentWidget(f.fields);
    QVERIFY(f.RunToEnd());
    Grid* grid = f.fields->FieldsGrid();
    const auto widths = [grid] {
      std::vector<int> shown;
      for (int column = 0; column < grid->Model().columnCount(); ++column) {
        shown.push_back(grid->columnWidth(column));
      }
      return shown;
    };
    ExpectFiguresFit(grid, QStringLiteral("first reading"));
    const std::vector<int> small_widths = widths();

    DataSetOptions wide;
    wide.movements = 3000;
    wide.accounts = 300;
    wide.documents = 200;
    wide.seed = 7;
    QVERIFY(f.Load(wide, QStringLiteral("wide"), &WidestAmounts));
    f.page->Tabs()->setCurrentWidget(f.fields);
    QVERIFY(f.RunToEnd());
    const struct {
      const char* name;
      int width, height;
    } screens[] = {
        {"1366x768", 1366, 768}, {"1920x1080", 1920, 1080}, {"1366x768 again", 1366, 768}};
    for (const auto& screen : screens) {
      place(screen.width, screen.height);
      for (const RecordType type :
           {RecordType::kB100, RecordType::kC100, RecordType::kB110, RecordType::kA100}) {
        f.fields->ChooseRecord(type);
        ExpectFiguresFit(grid, QStringLiteral("%1, type %2")
                                   .arg(QLatin1String(screen.name))
                                   .arg(static_cast<int>(type)));
      }
    }
    f.fields->ChooseRecord(RecordType::kB100);
    QVERIFY(widths() != small_widths);

    f.page->Tabs()->setCurrentWidget(f.summaries);
    QVERIFY(f.Load(small, QStringLiteral("small again")));
    f.page->Tabs()->setCurrentWidget(f.summaries);
    QVERIFY(f.RunToEnd());
    f.page->Tabs()->setCurrentWidget(f.fields);
    QCOMPARE(*f.fields->Record(), RecordType::kB100);
    ExpectFiguresFit(grid, QStringLiteral("the small set again"));
    QCOMPARE(widths(), small_widths);
  }

  // A click on the largest amount, and Enter on the smallest's line, open the line that holds
  // it in the source-record viewer.
  void AnExtremeValueOpensItsLineInTheViewer() {
    Fixture f;
    QVERIFY(f.Load());
    QVERIFY(f.RunToEnd());
    f.page->Tabs()->setCurrentWidget(f.fields);
    Grid* grid = f.fields->FieldsGrid();
    const int row = Fixture::RowOfCode(*grid, 1368);
    QVERIFY(row >= 0);
    const std::string data_file = f.t.store.DataFile.Path();
    struct Case {
      int field;
      bool largest;
      bool click;
    };
    for (const Case& c : {Case{FieldStatisticsTab::kLargestField, true, true},
                          Case{FieldStatisticsTab::kSmallestLineField, false, false}}) {
      const std::int64_t line = LineOfExtremeAmount(QString::fromStdString(data_file), c.largest);
      QVERIFY(line > 0);
      const QModelIndex cell = grid->model()->index(row, Fixture::ColumnOfField(*grid, c.field));
      grid->scrollTo(cell);
      if (c.click) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
      } else {
        grid->setFocus();
        grid->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(grid, Qt::Key_Return);
      }
      RecordDetailDialog* viewer = Fixture::OpenViewer();
      QVERIFY(viewer != nullptr);
      const RecordDetail expected = DetailOfLine(data_file, line);
      QVERIFY(expected.status.ok());
      QCOMPARE(viewer->Rows(), expected.rows);
      delete viewer;
    }
    // A count opens nothing.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(row, 3)).center());
    QVERIFY(Fixture::OpenViewer() == nullptr);
  }

  void SummariesShowTheRowsOfTheCommandLine() {
    Fixture f;
    QVERIFY(f.Load());
    QVERIFY(f.RunToEnd());
    struct Case {
      const char* what;
      Grid* grid;
    };
    int errors = 0;
    for (const Case& c : {Case{"documents", f.summaries->DocumentsGrid()},
                          Case{"records", f.summaries->RecordsGrid()}}) {
      const QByteArray printed =
          f.Cli({QStringLiteral("summary"), QString::fromUtf8(c.what), QStringLiteral("--format"),
                 QStringLiteral("raw"), f.folder});
      const QList<QByteArray> lines = printed.trimmed().split('\n');
      QVERIFY(lines.size() > 2);
      QCOMPARE(c.grid->model()->rowCount(), lines.size());
      for (int row = 0; row < lines.size(); ++row) {
        const DecodedRow decoded = DecodeRow(lines[row].toStdString());
        const bool error = decoded.status == RowStatus::kError;
        errors += error ? 1 : 0;
        QCOMPARE(c.grid->Model().Source()->CellText(row, 1),
                 std::string(1, static_cast<char>(*decoded.status)));
        for (std::size_t cell = 0; cell < decoded.cells.size(); ++cell) {
          const QModelIndex index = c.grid->model()->index(row, static_cast<int>(cell) + 1);
          QCOMPARE(c.grid->Model().ShownText(row, index.column()).toStdString(),
                   decoded.cells[cell].shown);
          // A difference is a row in red.
          if (error) QCOMPARE(index.data(Qt::ForegroundRole).value<QColor>(), kCreditColour);
        }
      }
    }
    // The one planted difference: INI.TXT states one line of a type too many.
    QCOMPARE(errors, 1);
  }

  void EachPrintHandsTheCommandLinesReportToTheOutputDialog() {
    Fixture f;
    QVERIFY(f.Load());
    QVERIFY(f.RunToEnd());
    struct Case {
      QWidget* tab;
      QPushButton* button;
      QString kind;
      QString report;  // of `tallyscan-cli report`
    };
    for (const Case& c :
         {Case{f.fields, f.fields->PrintButton(), QStringLiteral("Fields"),
               QStringLiteral("fields")},
          Case{f.summaries, f.summaries->PrintDocumentsButton(), QStringLiteral("SummaryDocuments"),
               QStringLiteral("summary-documents")},
          Case{f.summaries, f.summaries->PrintRecordsButton(), QStringLiteral("SummaryRecords"),
               QStringLiteral("summary-records")}}) {
      f.page->Tabs()->setCurrentWidget(c.tab);
      QString kind, excel;
      QTimer::singleShot(0, [&] {
        auto* output = qobject_cast<OutputDialog*>(QApplication::activeModalWidget());
        QVERIFY(output != nullptr);
        kind = output->Kind();
        output->open_file = [](const QString&) { return true; };
        output->SetPrinters({QStringLiteral("מדפסת שאינה נפתחת")});
        output->findChild<QComboBox*>(QStringLiteral("excelForm"))->setCurrentIndex(1);
        output->ClickTarget(kExcelTarget);
        output->ClickTarget(kPrinterTarget);
        output->Execute();
        excel = output->LastRun().excel_file;
      });
      QVERIFY(c.button->isEnabled());
      c.button->click();
      QCOMPARE(kind, c.kind);
      QFile made(excel);
      QVERIFY(made.open(QIODevice::ReadOnly));
      const QString expected = reports_.filePath(c.report + QStringLiteral(".xls"));
      f.Cli({QStringLiteral("report"), c.report, QStringLiteral("--format"), QStringLiteral("xls"),
             QStringLiteral("--out"), expected, f.folder});
      QFile printed(expected);
      QVERIFY(printed.open(QIODevice::ReadOnly));
      QCOMPARE(made.readAll(), printed.readAll());
    }
  }

 private:
  QTemporaryDir reports_;
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::StatisticsTabsTest)
#include "statistics_tabs_test.moc"
