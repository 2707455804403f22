// The checks page: its tick lists, a run whose rows are the engine's, a stop, and a run on a
// large set that keeps the window alive.
#include <filesystem>
#include <fstream>

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/dialogs/record_detail_dialog.h"
#include "app/main_window.h"
#include "app/pages/checks_page.h"
#include "app/pages/import_page.h"
#include "app/widgets/check_list.h"
#include "app/widgets/grid.h"
#include "app/widgets/grid_delegate.h"
#include "app/widgets/main_button.h"
#include "app/widgets/progress_bar.h"
#include "app/widgets/result_list.h"
#include "app_test_support.h"
#include "engine/browse/browse.h"
#include "engine/uniform/import.h"
#include "generator/data_set.h"
#include "large_sets.h"

namespace tallyscan::test {
namespace {

class FixedClock final : public Clock {
 public:
  TimeOfDay Now() const override { return {9, 5, 7}; }
};

// Counts the paint events a widget receives.
class PaintCounter final : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

const char kStoppedText[] = "הבדיקה הופסקה ע'י המשתמש";

std::string StatusOf(const std::string& row) { return std::string(RowField(row, 1)); }

bool HasEndRow(const CheckResultRows& rows) {
  for (const std::string& row : rows) {
    if (row.find("סיום הבדיקה") != std::string::npos) return true;
  }
  return false;
}

}  // namespace

class ChecksPageTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    TestApp t;
    MainWindow window{t.app, StoredSize(900, 640)};
    ChecksPage* page = window.PageOf<ChecksPage>();
    FixedClock clock;
    Fixture() {
      page->SetClock(&clock);
      window.show();
    }
    template <typename T>
    T* Child(const char* name) {
      return page->findChild<T*>(QString::fromLatin1(name));
    }
    // Reads a folder into the store through the engine and opens the page.
    void Load(const std::filesystem::path& folder) {
      SilentProgress silent;
      const ImportResult result = ImportFolder(t.store, folder.string(), silent);
      QVERIFY2(result.status.ok(), result.status.message().c_str());
      window.PressButton(PageId::kChecks);
      QCOMPARE(window.CurrentPage(), PageId::kChecks);
    }
    void Click(QListWidget* list, int item) {
      const QRect rect = list->visualItemRect(list->item(item));
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                        CheckListDelegate::CheckRect(rect, list->layoutDirection()).center());
    }
    int Tick(QListWidget* list, int item) { return list->item(item)->data(kCheckRole).toInt(); }
  };

  static std::filesystem::path Generate(const QTemporaryDir& dir, std::int64_t movements) {
    DataSetOptions options;
    options.movements = movements;
    options.seed = 11;
    options.faults = {{FaultKind::kUnbalancedBatch, 1}, {FaultKind::kAccountTotals, 1},
                      {FaultKind::kMissingSection, 1},  {FaultKind::kDocumentArithmetic, 1},
                      {FaultKind::kPriceQuantity, 1},   {FaultKind::kUnknownItem, 1}};
    const std::filesystem::path folder = dir.path().toStdString();
    GeneratedDataSet generated;
    const Status status = GenerateDataSet(options, folder, &generated);
    if (!status.ok()) qFatal("%s", status.message().c_str());
    return folder;
  }

 private slots:
  void IdlePageShowsItsListsAndTheRunButton() {
    Fixture f;
    auto* bookkeeping = f.Child<QListWidget>("bookkeepingList");
    auto* documents = f.Child<QListWidget>("documentsList");
    QCOMPARE(f.Child<QLabel>("caption")->text(), QStringLiteral("אלו בדיקות לבצע"));
    QCOMPARE(bookkeeping->count(), 8);
    QCOMPARE(documents->count(), 9);
    QCOMPARE(bookkeeping->item(3)->text(), QStringLiteral("איזון מנות"));
    QCOMPARE(documents->item(0)->text(), QStringLiteral("כל בדיקות המסמכים"));
    for (int item = 0; item < 9; ++item) QCOMPARE(f.Tick(documents, item), 1);
    Grid* grid = f.page->ResultGrid();
    QAbstractItemModelTester tester(&grid->Model());
    QCOMPARE(grid->Model().columnCount(), 5);
    const QStringList captions = {"#", "פרטים", "חובה", "זכות", "יתרה"};
    for (int column = 0; column < 5; ++column) {
      QCOMPARE(grid->Model().headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(),
               captions[column]);
    }
    QCOMPARE(grid->columnWidth(1), 200);
    QCOMPARE(grid->Model().data(grid->Model().index(0, 1), Qt::ForegroundRole), QVariant());
  }

  void ClearingBatchBalanceClearsTheGroupItemForGood() {
    Fixture f;
    auto* list = f.Child<QListWidget>("bookkeepingList");
    f.page->show();
    list->resize(300, 300);
    f.Click(list, 3);  // "איזון מנות"
    QCOMPARE(f.Tick(list, 3), 0);
    QCOMPARE(f.Tick(list, 0), 0);
    QCOMPARE(f.Tick(list, 2), 1);
    QVERIFY(!f.page->Ticks().Ticked(BookkeepingItem::kAll));
    QVERIFY(!f.page->Ticks().Ticked(BookkeepingItem::kBatchBalance));
    f.Click(list, 3);
    QCOMPARE(f.Tick(list, 3), 1);
    QCOMPARE(f.Tick(list, 0), 0);  // ticking it again leaves the group item clear
    QVERIFY(!f.page->Ticks().Ticked(BookkeepingItem::kAll));
    // The group item sets the whole list, both ways.
    f.Click(list, 0);
    for (int item = 0; item < 8; ++item) QCOMPARE(f.Tick(list, item), 1);
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Space);
    for (int item = 0; item < 8; ++item) QCOMPARE(f.Tick(list, item), 0);
    QVERIFY(!f.page->Ticks().Ticked(BookkeepingItem::kTaxSections));
  }

  void RunShowsTheEnginesRows() {
    QTemporaryDir dir;
    Fixture f;
    f.Load(Generate(dir, 3000));
    f.Child<QPushButton>("runButton")->click();
    QVERIFY(!f.page->Running());
    QVERIFY(!f.t.app.app_busy);

    CheckResultRows expected;
    SilentProgress silent;
    QVERIFY(RunChecks(f.t.store, CheckTicks(), f.clock, silent, expected));
    QCOMPARE(f.page->Rows(), expected);
    int errors = 0;
    for (const std::string& row : expected) errors += StatusOf(row) == "1";
    QVERIFY(errors >= 5);

    GridModel& model = f.page->ResultGrid()->Model();
    QCOMPARE(model.rowCount(), static_cast<int>(expected.size()));
    for (int row = 0; row < model.rowCount(); ++row) {
      for (int column = 1; column < 5; ++column) {
        const CellLook look =
            LookOfCell(RowField(expected[static_cast<std::size_t>(row)], column + 1));
        QString shown = model.index(row, column).data().toString();
        shown.remove(QChar(0x2066)).remove(QChar(0x2069));
        QCOMPARE(shown, QString::fromStdString(look.shown));
      }
    }
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("תחילת הבדיקה - 09:05:07"));
    QVERIFY(f.Child<QWidget>("runButton")->isVisible());
    QVERIFY(!f.Child<QWidget>("stopButton")->isVisible());
    QVERIFY(!f.Child<QWidget>("statusLabel")->isVisible());
    QVERIFY(!f.Child<QWidget>("progressBar")->isVisible());

    // All items cleared: only the start and end rows.
    f.page->Ticks().bookkeeping.SetAll(false);
    f.page->Ticks().documents.SetAll(false);
    f.page->Start();
    QCOMPARE(f.page->Rows().size(), std::size_t{2});
    QCOMPARE(model.rowCount(), 2);

    // The next import empties the rows and the list, even before it has finished.
    auto* import_page = f.window.PageOf<ImportPage>();
    f.window.PressButton(PageId::kImport);
    QTemporaryDir other;
    WriteDataSet(other.path());
    import_page->findChild<QLineEdit*>(QStringLiteral("folderEdit"))->setText(other.path());
    import_page->Start();
    QVERIFY(f.page->Rows().empty());
    QCOMPARE(model.rowCount(), 0);
  }

  void StopDuringTheMovementsPassEndsWithTheStoppedRow() {
    QTemporaryDir dir;
    Fixture f;
    f.Load(Generate(dir, 40000));
    CheckTicks& ticks = f.page->Ticks();
    ticks.bookkeeping.SetAll(false);
    ticks.documents.SetAll(false);
    ticks.bookkeeping.SetTicked(static_cast<std::size_t>(BookkeepingItem::kMovementsBalance), true);
    ticks.bookkeeping.SetTicked(static_cast<std::size_t>(BookkeepingItem::kBatchBalance), true);

    auto* bar = f.Child<PercentProgressBar>("progressBar");
    auto* stop = f.Child<QPushButton>("stopButton");
    auto* import_page = f.window.PageOf<ImportPage>();
    QTemporaryDir other;
    WriteDataSet(other.path());
    const std::string loaded = f.t.store.LoadedFolder;
    bool pressed = false;
    bool stop_was_shown = false;
    QString title;
    // The stop comes once the pass over the movements has shown a batch row: at a loaded
    // machine the bar can pass 40 while the records' facts are still being gathered.
    connect(bar, &QProgressBar::valueChanged, f.page, [&](int value) {
      if (pressed || value < 40) return;
      const CheckResultRows& shown = f.page->Rows();
      if (std::none_of(shown.begin(), shown.end(),
                       [](const std::string& row) { return StatusOf(row) == "3"; }))
        return;
      pressed = true;
      stop_was_shown = stop->isVisible() && !f.Child<QWidget>("runButton")->isVisible();
      title = f.Child<QLabel>("statusLabel")->text();
      // Reading another set now would empty the store the run is reading: it is refused.
      import_page->findChild<QLineEdit*>(QStringLiteral("folderEdit"))->setText(other.path());
      import_page->Start();
      QTest::mouseClick(stop, Qt::LeftButton);
      // "בדוק" is back while the run unwinds; pressing it must not start a run inside it.
      QTest::mouseClick(f.Child<QPushButton>("runButton"), Qt::LeftButton);
    });
    f.page->Start();
    QVERIFY(pressed);
    QVERIFY(stop_was_shown);
    QVERIFY(!title.isEmpty());
    const CheckResultRows& rows = f.page->Rows();
    QVERIFY(rows.size() >= 3);
    QCOMPARE(StatusOf(rows.front()), std::string("0"));
    QCOMPARE(StatusOf(rows.back()), std::string("4"));
    QCOMPARE(LookOfCell(RowField(rows.back(), 2)).shown, std::string(kStoppedText));
    QVERIFY(LookOfCell(RowField(rows.back(), 2)).heading);
    QVERIFY(!HasEndRow(rows));
    QCOMPARE(std::count_if(rows.begin(), rows.end(),
                           [](const std::string& row) {
                             return row.find("תחילת הבדיקה") != std::string::npos;
                           }),
             1);
    QCOMPARE(f.t.store.LoadedFolder, loaded);
    QVERIFY(import_page->Rows().empty());
    // The movements heading, then batch rows and totals for the part scanned.
    QVERIFY(StatusOf(rows[1]) == "0");
    QVERIFY(std::any_of(rows.begin() + 2, rows.end() - 1,
                        [](const std::string& row) { return StatusOf(row) == "3"; }));
    QCOMPARE(f.page->ResultGrid()->Model().rowCount(), static_cast<int>(rows.size()));
    QVERIFY(f.Child<QWidget>("runButton")->isVisible());
    QVERIFY(!f.t.app.app_busy);
  }

  void TicksAreFixedForTheRunAndTheListsClosedWhileItRuns() {
    QTemporaryDir dir;
    Fixture f;
    f.Load(Generate(dir, 40000));
    CheckTicks& ticks = f.page->Ticks();
    ticks.bookkeeping.SetAll(false);
    ticks.documents.SetAll(false);
    ticks.bookkeeping.SetTicked(static_cast<std::size_t>(BookkeepingItem::kMovementsBalance), true);
    auto* bar = f.Child<PercentProgressBar>("progressBar");
    const QList<QListWidget*> list = f.page->findChildren<QListWidget*>();
    QCOMPARE(list.size(), 2);
    bool changed = false;
    bool lists_closed = false;
    connect(bar, &QProgressBar::valueChanged, f.page, [&](int value) {
      if (changed || value < 40) return;
      changed = true;
      lists_closed = !list[0]->isEnabled() && !list[1]->isEnabled();
      ticks.bookkeeping.SetTicked(static_cast<std::size_t>(BookkeepingItem::kTaxSections), true);
    });
    f.page->Start();
    QVERIFY(changed);
    QVERIFY(lists_closed);
    QVERIFY(list[0]->isEnabled() && list[1]->isEnabled());
    const CheckResultRows& rows = f.page->Rows();
    QVERIFY(HasEndRow(rows));
    QVERIFY(std::none_of(rows.begin(), rows.end(), [](const std::string& row) {
      return row.find("סעיפי מס הכנסה") != std::string::npos;
    }));
  }

  void StopButtonAnswersDuringARunOnAMillionMovements() {
    const std::filesystem::path folder = MillionMovementsWithFaults();
    Fixture f;
    f.Load(folder);
    auto* bar = f.Child<PercentProgressBar>("progressBar");
    auto* stop = f.Child<QPushButton>("stopButton");
    PaintCounter bar_paints(bar);
    PaintCounter list_paints(f.page->ResultGrid()->viewport());
    int paints_before_stop = -1;
    int rows_before_stop = 0;
    bool posted = false;
    // The click is queued like a user's: only a run that lets events through sees it.
    QElapsedTimer since_post;
    qint64 answered_after_ms = -1;
    connect(stop, &QPushButton::clicked, f.page, [&] { answered_after_ms = since_post.elapsed(); });
    connect(bar, &QProgressBar::valueChanged, f.page, [&](int value) {
      if (posted || value < 20 || f.page->ResultGrid()->Model().rowCount() < 2) return;
      posted = true;
      since_post.start();
      paints_before_stop = bar_paints.paints;
      rows_before_stop = f.page->ResultGrid()->Model().rowCount();
      const QPoint centre = stop->rect().center();
      QCoreApplication::postEvent(
          stop, new QMouseEvent(QEvent::MouseButtonPress, centre, stop->mapToGlobal(centre),
                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
      QCoreApplication::postEvent(
          stop, new QMouseEvent(QEvent::MouseButtonRelease, centre, stop->mapToGlobal(centre),
                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    });
    f.page->Start();
    QVERIFY(posted);
    QVERIFY(answered_after_ms >= 0);
    qInfo("stop answered %lld ms after the click was queued; %d progress paints before it",
          static_cast<long long>(answered_after_ms), paints_before_stop);
    QVERIFY2(paints_before_stop >= 2, "the progress bar repainted while the run went on");
    QVERIFY(list_paints.paints >= 1);
    QVERIFY(rows_before_stop >= 2);  // rows appeared before the run ended
    const CheckResultRows& rows = f.page->Rows();
    QCOMPARE(StatusOf(rows.back()), std::string("4"));
    QVERIFY(!HasEndRow(rows));
    QVERIFY(!f.t.app.app_busy);
  }

  // Figures are never cut: after a run over a million movements every figure column is wide
  // enough for its widest figure, drawn whole (no "###"); a column the user makes too narrow
  // shows "###" rather than a cut number, and its width is kept for the next window.
  void FigureColumnsFitTheWidestValueOfAMillionMovementRun() {
    Fixture f;
    Grid* grid = f.page->ResultGrid();
    f.Load(MillionMovementsWithFaults());
    f.page->Start();
    // Attached after the run: checking the whole model on each of a thousand insertions
    // would take longer than the run.
    QAbstractItemModelTester tester(&grid->Model());
    QVERIFY(f.page->Rows().size() > 10);
    const GridModel& model = grid->Model();
    QString widest_seen;
    for (int column = 2; column <= 4; ++column) {
      int widest = 0;
      QString widest_text;
      bool widest_bold = false;
      for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex cell = model.index(row, column);
        if (!cell.data(kFigureRole).toBool()) continue;
        const bool bold = cell.data(Qt::FontRole).isValid();
        const int needed = grid->WidthNeeded(cell.data().toString(), bold);
        if (needed > widest) {
          widest = needed;
          widest_text = cell.data(kShownRole).toString();
          widest_bold = bold;
        }
      }
      QVERIFY2(widest <= grid->columnWidth(column), qPrintable(widest_text));
      QFont font = grid->font();
      font.setBold(widest_bold);
      QCOMPARE(
          GridDelegate::FigureShown(QFontMetrics(font), widest_text, grid->columnWidth(column)),
          widest_text);
      if (widest_text.size() > widest_seen.size()) widest_seen = widest_text;
    }
    qInfo("widest figure %s", qPrintable(widest_seen));
    QVERIFY(widest_seen.size() >= 16);  // at least "1,234,567,890.12"

    // The user drags the debit column narrower than its figures.
    grid->horizontalHeader()->resizeSection(2, 40);
    QCOMPARE(grid->columnWidth(2), 40);
    QVERIFY(GridDelegate::FigureShown(grid->fontMetrics(), widest_seen, 40).startsWith('#'));
    QCOMPARE(ParseFieldList(f.t.settings.ReadReg(kParams, "ChkFields"), 5)[2],
             (FieldListEntry{40, 3}));
    MainWindow next(f.t.app, StoredSize(900, 640));
    QCOMPARE(next.PageOf<ChecksPage>()->ResultGrid()->columnWidth(2), 40);
  }

  // During a run the pages stay open for viewing; an action that would be refused is
  // disabled, with the reason in the status bar, and no message box is opened.
  void ARunLeavesOtherPagesViewableWithTheirActionsDisabled() {
    QTemporaryDir dir;
    Fixture f;
    f.Load(Generate(dir, 40000));
    auto* bar = f.Child<PercentProgressBar>("progressBar");
    auto* import_page = f.window.PageOf<ImportPage>();
    auto* import_run = import_page->findChild<QPushButton*>(QStringLiteral("runButton"));
    bool looked = false;
    bool viewing = false;
    bool import_disabled = false;
    bool buttons_enabled = true;
    QString status;
    connect(bar, &QProgressBar::valueChanged, f.page, [&](int value) {
      if (looked || value < 30) return;
      looked = true;
      f.window.PressButton(PageId::kImport);
      viewing = f.window.CurrentPage() == PageId::kImport;
      import_disabled = !import_run->isEnabled();
      for (const PageSpec& entry : Pages())
        buttons_enabled &= f.window.Button(entry.id)->isEnabled();
      status = f.window.findChild<QStatusBar*>()->currentMessage();
      f.window.RunningPage()->StopRun();
    });
    f.page->Start();
    QVERIFY(looked);
    QVERIFY(viewing);
    QVERIFY(import_disabled);
    QVERIFY(buttons_enabled);  // data is loaded: every page may be looked at
    QCOMPARE(status, texts::kBusyChecking);
    QVERIFY(f.t.messages.empty());
    QVERIFY(import_run->isEnabled());
    QVERIFY(f.window.findChild<QStatusBar*>()->currentMessage().isEmpty());
    QVERIFY(f.window.RunningPage() == nullptr);
  }

  // A finding about one record opens that record field by field; other rows open nothing.
  void AFindingAboutOneRecordOpensItsDetail() {
    QTemporaryDir dir;
    Fixture f;
    f.Load(Generate(dir, 3000));
    f.page->Start();
    ResultList* results = f.page->Results();
    results->SetErrorsOnly(true);
    int opened = 0;
    for (int row = 0; row < results->grid()->Model().rowCount(); ++row) {
      const int source = results->SourceRow(row);
      const std::vector<RecordReference> records = f.page->RecordsOfRow(source);
      if (records.empty()) continue;
      const QModelIndex cell = results->grid()->Model().index(row, 1);
      results->grid()->setCurrentIndex(cell);
      QTest::keyClick(results->grid(), Qt::Key_Return);
      auto* dialog = f.window.findChild<RecordDetailDialog*>();
      QVERIFY(dialog);
      QVERIFY(dialog->isVisible());
      QAbstractItemModelTester tester(&dialog->grid()->Model());
      // The first row names the record type the finding is about.
      const std::string first = dialog->Rows().front();
      QVERIFY2(
          first.find(records.front().type == RecordType::kB100   ? "B100"
                     : records.front().type == RecordType::kB110 ? "B110"
                     : records.front().type == RecordType::kC100 ? "C100"
                     : records.front().type == RecordType::kD110 ? "D110"
                                                                 : "D120") != std::string::npos,
          first.c_str());
      delete dialog;
      ++opened;
    }
    QVERIFY(opened >= 3);
    QVERIFY(f.page->OpenRow(0) == nullptr);  // the start row names no record
    QVERIFY(f.t.messages.empty());
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::ChecksPageTest)
#include "checks_page_test.moc"
