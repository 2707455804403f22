// The analysis page's comparison of periods over a generated year and the next one with every
// planted fault of the comparison: the run on the worker with its progress and a stop that
// leaves no result; each table equal, row by row, to what `tallyscan-cli compare --part ...
// --raw` prints for it, with every planted fault found where it belongs and marked; Enter on a
// flagged review row opening the account's card at its top and Back returning to the same row
// after a sort and a filter; and an account found only in the prior period saying so.
#include <map>
#include <string>
#include <vector>

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/compare/compare_tab.h"
#include "app/compare/compare_table_view.h"
#include "app/main_window.h"
#include "app/pages/analysis_page.h"
#include "app/pages/import_page.h"
#include "app/pages/ledger_page.h"
#include "app/widgets/filter_box.h"
#include "app/widgets/grid.h"
#include "app/widgets/progress_bar.h"
#include "app_test_support.h"
#include "engine/browse/browse.h"
#include "engine/uniform/uniform.h"
#include "generator/data_set.h"
#include "generator/next_year.h"

namespace tallyscan::test {
namespace {

// The heading each table stands under in the command's rows, and the part that prints it.
struct TableOfCommand {
  CompareTable table;
  const char* part;
  const char* heading;
};
constexpr TableOfCommand kTables[] = {
    {CompareTable::kOpenings, "openings", "openings"},
    {CompareTable::kReviewAccounts, "review", "review accounts"},
    {CompareTable::kReviewCodes, "review", "review codes"},
    {CompareTable::kReviewGroups, "review", "review groups"},
    {CompareTable::kAccounts, "accounts", "accounts"},
    {CompareTable::kCounterparties, "counterparties", "counterparties"},
};

struct Fixture {
  QTemporaryDir sets;
  TestApp t;
  MainWindow window{t.app, StoredSize(1366, 768)};
  AnalysisPage* page = window.PageOf<AnalysisPage>();
  CompareTab* compare = page->Compare();
  QString prior = sets.filePath(QStringLiteral("prior"));
  QString current = sets.filePath(QStringLiteral("current"));

  // A year, and the next with every fault of the comparison planted (or none); the next one
  // read.
  bool Load(bool faults = true) {
    DataSetOptions options;
    options.movements = 1500;
    options.seed = 31;
    GeneratedDataSet generated;
    if (!GenerateDataSet(options, prior.toStdString(), &generated).ok()) return false;
    NextYearOptions next;
    next.seed = 201;
    for (const NextYearFault& fault : NextYearFaults()) {
      if (faults) next.faults.push_back(fault.name);
    }
    if (!WriteNextYear(prior.toStdString(), current.toStdString(), next).ok()) return false;
    // The prior saved as a company, as the companies page saves a set.
    const QString saved = sets.filePath(QStringLiteral("Zevavu/567755111/2024"));
    if (!QDir().mkpath(saved) ||
        !QFile::copy(prior + QStringLiteral("/INI.TXT"), saved + QStringLiteral("/Ini.txt")) ||
        !QFile::copy(prior + QStringLiteral("/BKMVDATA.TXT"),
                     saved + QStringLiteral("/Bkmvdata.txt"))) {
      return false;
    }
    t.app.companies_folder = sets.filePath(QStringLiteral("Zevavu")).toStdString();
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) return false;
    window.PageOf<ImportPage>()->ReadFolder(current);
    if (t.store.LoadedFolder.empty()) return false;
    window.PressButton(PageId::kAnalysis);
    page->Tabs()->setCurrentWidget(compare);
    compare->PriorFolder()->setText(prior);
    return window.CurrentPage() == PageId::kAnalysis;
  }

  bool RunToEnd() {
    QSignalSpy ended(compare, &CompareTab::RunEnded);
    page->RunMainAction();
    return ended.wait(60000) && compare->Result() != nullptr;
  }

  // The rows the command prints under each table's heading, by heading.
  std::map<std::string, std::vector<std::string>> CommandRows() const {
    std::map<std::string, std::vector<std::string>> tables;
    for (const char* part : {"openings", "review", "accounts", "counterparties"}) {
      QProcess cli;
      cli.start(QStringLiteral(TALLYSCAN_CLI),
                {QStringLiteral("compare"), QStringLiteral("--part"), QString::fromLatin1(part),
                 QStringLiteral("--format"), QStringLiteral("raw"), prior, current});
      if (!cli.waitForFinished(60000) || cli.exitCode() != 0) return {};
      std::string heading;
      bool names = false;  // the names row under a heading comes before the rows
      for (const QByteArray& line : cli.readAllStandardOutput().split('\n')) {
        const std::string row = line.toStdString();
        if (row.empty() || row.starts_with("exit ")) continue;
        const std::string_view first = RowField(row, 2);
        if (RowField(row, 1) == "0" && (first == "openings" || first.starts_with("review ") ||
                                        first == "accounts" || first == "counterparties" ||
                                        first == "review" || first == "openings reconciliation")) {
          heading = std::string(first);
          names = false;
          continue;
        }
        if (!names) {
          names = first == "key" || first == "kind";
          continue;
        }
        tables[heading].push_back(row);
      }
    }
    return tables;
  }

  // Presses Enter on row `row` of the table shown.
  void Open(CompareTable table, int row) {
    Grid* grid = compare->View(table)->View();
    grid->setFocus();
    grid->selectionModel()->setCurrentIndex(
        grid->model()->index(row, 1),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QTest::keyClick(grid, Qt::Key_Return);
  }

  // The grid row of the account `key` in `table`; -1 when it is not shown.
  int RowOf(CompareTable table, const std::string& key) const {
    const CompareTableView* view = compare->View(table);
    const int column = CompareAccountColumn(table);
    for (int row = 0; row < view->View()->model()->rowCount(); ++row) {
      const int engine = view->EngineRow(row);
      if (RowField(view->EngineRows()[static_cast<std::size_t>(engine)], column + 2) == key) {
        return row;
      }
    }
    return -1;
  }

  // The planted faults and the key each touches, from the next year's manifest.
  std::map<std::string, std::string> Planted() const {
    std::map<std::string, std::string> planted;
    QFile manifest(current + QStringLiteral("/MANIFEST.TSV"));
    if (!manifest.open(QIODevice::ReadOnly)) return planted;
    manifest.readLine();
    while (!manifest.atEnd()) {
      const QList<QByteArray> cells = manifest.readLine().trimmed().split('\t');
      if (cells.size() >= 5) planted[cells[0].toStdString()] = cells[4].toStdString();
    }
    return planted;
  }
};

}  // namespace

class CompareTabTest : public QObject {
  Q_OBJECT

 private slots:
  void RunShowsProgressAndTheResultAndAStopLeavesNone() {
    Fixture f;
    QVERIFY(f.Load());
    const std::string loaded = f.t.store.LoadedFolder;
    QSignalSpy progress(f.compare->Progress(), &QProgressBar::valueChanged);
    QSignalSpy ended(f.compare, &CompareTab::RunEnded);
    // The prior chosen from the saved companies.
    QComboBox* companies = f.compare->Companies();
    QCOMPARE(companies->count(), 2);
    f.compare->PriorFolder()->clear();
    emit companies->activated(1);
    QVERIFY(f.compare->PriorFolder()->text().endsWith(QStringLiteral("Zevavu/567755111/2024")));
    f.page->RunMainAction();
    QVERIFY(f.compare->Running());
    QVERIFY(!f.compare->RunButton()->isEnabled());
    QVERIFY(!f.window.PageOf<ImportPage>()
                 ->findChild<QWidget*>(QStringLiteral("runButton"))
                 ->isEnabled());
    QVERIFY(ended.wait(60000));
    int most = 0;
    for (const QList<QVariant>& value : progress) most = std::max(most, value.at(0).toInt());
    QVERIFY2(most >= 99, qPrintable(QString::number(most)));
    QVERIFY(f.compare->Result() != nullptr);
    // The current period stays the set read.
    QCOMPARE(f.t.store.LoadedFolder, loaded);
    QVERIFY(f.compare->Identity()->text().contains(QStringLiteral("תקופות רצופות")));
    QVERIFY(f.compare->Reconciliation()->text().contains(QStringLiteral("תוצאת התקופה הקודמת")));
    QVERIFY(f.compare->PrintButton()->isEnabled());

    // A stop answers at once and leaves no result.
    f.page->RunMainAction();
    QVERIFY(f.compare->Running());
    QTest::keyClick(&f.window, Qt::Key_Escape);
    QVERIFY(!f.compare->Running());
    QVERIFY(f.compare->Result() == nullptr);
    QCOMPARE(f.compare->StatusLine()->text(),
             QString::fromUtf8(kCompareStoppedText.data(),
                               static_cast<qsizetype>(kCompareStoppedText.size())));
    for (int t = 0; t < kCompareTableCount; ++t) {
      QCOMPARE(f.compare->View(static_cast<CompareTable>(t))->View()->model()->rowCount(), 0);
    }
    QVERIFY(!f.compare->PrintButton()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(f.t.app.readers.Idle(), 30000);
  }

  void EachTableIsTheCommandsRowsAndEveryPlantedFaultIsMarked() {
    Fixture f;
    QVERIFY(f.Load());
    QVERIFY(f.RunToEnd());
    const auto command = f.CommandRows();
    QVERIFY(!command.empty());
    for (const TableOfCommand& c : kTables) {
      const CompareTableView* view = f.compare->View(c.table);
      QAbstractItemModelTester tester(&view->View()->Model());
      const std::vector<std::string>& expected = command.at(c.heading);
      QCOMPARE(view->View()->model()->rowCount(), static_cast<int>(expected.size()));
      const int columns = static_cast<int>(CompareColumns(c.table).size());
      for (int row = 0; row < static_cast<int>(expected.size()); ++row) {
        const std::string& want = expected[static_cast<std::size_t>(row)];
        QCOMPARE(view->EngineRows()[static_cast<std::size_t>(row)], want);
        for (int column = 0; column < columns; ++column) {
          QCOMPARE(view->View()->Model().ShownText(row, column + 1).toStdString(),
                   CompareShownCell(c.table, column, RowField(want, column + 2)));
        }
        // Error and flagged rows are red.
        const QVariant colour =
            view->View()->model()->data(view->View()->model()->index(row, 2), Qt::ForegroundRole);
        QCOMPARE(RowField(want, 1) == "1", colour.value<QColor>() == kCreditColour);
      }
    }

    // Where each planted fault shows, and whether its row is marked as a finding.
    struct Finding {
      const char* fault;
      CompareTable table;
      bool marked;
    };
    const std::map<std::string, std::string> planted = f.Planted();
    for (const Finding& finding :
         {Finding{"opening-mismatch", CompareTable::kOpenings, true},
          Finding{"dropped-account", CompareTable::kOpenings, true},
          Finding{"dropped-account", CompareTable::kAccounts, false},
          Finding{"opening-on-closed", CompareTable::kOpenings, true},
          // Its row opens as it closed; what it misses is the result (below).
          Finding{"result-not-closed", CompareTable::kOpenings, false},
          Finding{"swing", CompareTable::kReviewAccounts, true},
          Finding{"new-counterparty", CompareTable::kCounterparties, true},
          Finding{"new-counterparty", CompareTable::kAccounts, false},
          Finding{"renamed-account", CompareTable::kAccounts, false}}) {
      QVERIFY2(planted.count(finding.fault) == 1, finding.fault);
      const std::string& key = planted.at(finding.fault);
      const int row = f.RowOf(finding.table, key);
      QVERIFY2(row >= 0, finding.fault);
      const CompareTableView* view = f.compare->View(finding.table);
      const std::string& engine =
          view->EngineRows()[static_cast<std::size_t>(view->EngineRow(row))];
      QVERIFY2((RowField(engine, 1) == "1") == finding.marked, finding.fault);
    }
    QCOMPARE(planted.size(), NextYearFaults().size());

    // Last year's result went to no account: the reconciliation says so, in red.
    QVERIFY(f.compare->Reconciliation()->text().contains(QStringLiteral("לא נמצא חשבון")));
    QVERIFY(f.compare->Reconciliation()->styleSheet().contains(QStringLiteral("red")));
  }

  void EnterOnAFlaggedReviewRowOpensItsCardAndBackReturnsToIt() {
    Fixture f;
    QVERIFY(f.Load());
    QVERIFY(f.RunToEnd());
    const std::string key = f.Planted().at("swing");
    f.compare->ShowTable(CompareTable::kReviewAccounts);
    CompareTableView* view = f.compare->View(CompareTable::kReviewAccounts);
    Grid* grid = view->View();
    // By the change, largest first, then narrowed to the accounts of the key's first digits.
    constexpr int kChangeField = 6;
    QHeaderView* header = grid->horizontalHeader();
    const int column = kChangeField - 1;
    const QPoint middle(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
    QCOMPARE(grid->SortIndex(), kChangeField);
    QVERIFY(grid->SortDescending());
    view->Filter()->SetText(QString::fromStdString(key.substr(0, 2)));
    QTRY_VERIFY_WITH_TIMEOUT(!view->Filter()->Working(), 30000);
    const int row = f.RowOf(CompareTable::kReviewAccounts, key);
    QVERIFY(row >= 0);
    const int engine = view->EngineRow(row);
    QVERIFY(RowField(view->EngineRows()[static_cast<std::size_t>(engine)], 8) == "true");
    f.Open(CompareTable::kReviewAccounts, row);
    QCOMPARE(f.window.CurrentPage(), PageId::kLedger);
    LedgerPage* ledger = f.window.PageOf<LedgerPage>();
    QTRY_VERIFY_WITH_TIMEOUT(f.t.app.readers.Idle() && !ledger->Working(), 30000);
    QCOMPARE(ledger->Card().account, FindAccount(f.t.store, key));
    QCOMPARE(ledger->List()->verticalScrollBar()->value(), 0);

    f.window.GoBack();
    QCOMPARE(f.window.CurrentPage(), PageId::kAnalysis);
    QCOMPARE(f.page->Tabs()->currentWidget(), static_cast<QWidget*>(f.compare));
    QCOMPARE(f.compare->ShownTable(), CompareTable::kReviewAccounts);
    QCOMPARE(view->Filter()->Text(), QString::fromStdString(key.substr(0, 2)));
    QCOMPARE(grid->SortIndex(), kChangeField);
    QVERIFY(grid->SortDescending());
    QCOMPARE(view->CurrentEngineRow(), engine);
  }

  void ACleanYearMarksTheRowOfItsResultAccount() {
    Fixture f;
    QVERIFY(f.Load(/*faults=*/false));
    QVERIFY(f.RunToEnd());
    const std::optional<std::string>& account =
        f.compare->Result()->openings.reconciliation.result_account;
    QVERIFY(account.has_value());
    QVERIFY(f.compare->Reconciliation()->styleSheet().contains(QStringLiteral("green")));
    for (const CompareTable table : {CompareTable::kOpenings, CompareTable::kReviewAccounts}) {
      const Grid* grid = f.compare->View(table)->View();
      const int marked = f.RowOf(table, *account);
      QVERIFY(marked >= 0);
      for (int row = 0; row < grid->model()->rowCount(); ++row) {
        const QVariant background =
            grid->model()->data(grid->model()->index(row, 2), Qt::BackgroundRole);
        QCOMPARE(background.isValid(), row == marked);
      }
      QCOMPARE(
          grid->model()->data(grid->model()->index(marked, 2), Qt::BackgroundRole).value<QColor>(),
          CompareTableView::ResultAccountColour());
    }
  }

  void AnAccountOnlyInThePriorPeriodSaysSo() {
    Fixture f;
    QVERIFY(f.Load());
    QVERIFY(f.RunToEnd());
    const std::string key = f.Planted().at("dropped-account");
    auto* status_bar = f.window.findChild<QStatusBar*>(QStringLiteral("statusBar"));
    for (const CompareTable table : {CompareTable::kOpenings, CompareTable::kAccounts}) {
      f.compare->ShowTable(table);
      status_bar->clearMessage();
      const int row = f.RowOf(table, key);
      QVERIFY(row >= 0);
      f.Open(table, row);
      QCOMPARE(f.window.CurrentPage(), PageId::kAnalysis);
      QVERIFY2(status_bar->currentMessage().contains(QString::fromStdString(key)) &&
                   status_bar->currentMessage().contains(QStringLiteral("רק בתקופה הקודמת")),
               qPrintable(status_bar->currentMessage()));
    }
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::CompareTabTest)
#include "compare_tab_test.moc"
