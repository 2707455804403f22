// The long reads of the browse pages run off the window's thread: the register of all types,
// its sort and its marks, a large card, the index filter. While each runs the window's events
// keep coming and what would change the store is disabled; its result is what the engine gives
// when called directly; "עצור", or leaving the page, ends it and leaves the page as it was.
#include <filesystem>
#include <functional>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/app_texts.h"
#include "app/background/work_progress.h"
#include "app/main_window.h"
#include "app/pages/accounts_index_page.h"
#include "app/pages/documents_page.h"
#include "app/pages/ledger_page.h"
#include "app/widgets/filter_box.h"
#include "app/widgets/grid.h"
#include "app/widgets/text_match.h"
#include "app_test_support.h"
#include "engine/browse/browse.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"
#include "generator/data_set.h"

namespace tallyscan::test {
namespace {

constexpr int kAllTypesItem = 28;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A work of a page: how to begin it, whether it runs, what the page shows (compared before
// and after a stop), and whether its result is the direct call's.
struct Work {
  const char* name;
  PageId page;
  std::function<void()> start;
  std::function<bool()> working;
  std::function<QString()> shown;
  std::function<void()> check;
};

}  // namespace

class PageWorkTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::unique_ptr<TestApp> t_;
  std::unique_ptr<MainWindow> window_;
  DocumentsPage* documents_ = nullptr;
  LedgerPage* ledger_ = nullptr;
  AccountsIndexPage* index_ = nullptr;
  std::int64_t busiest_ = 0;

  bool ReadingRefused() const {
    return !window_->findChild<QPushButton*>(QStringLiteral("runButton"))->isEnabled() &&
           window_->findChild<QStatusBar*>()->currentMessage() == texts::kBusyWorkers;
  }
  bool StoreFree() {
    return QTest::qWaitFor([this] { return t_->app.readers.Idle(); }) &&
           QTest::qWaitFor([this] { return !ReadingRefused(); });
  }

  std::vector<Work> Works() {
    const RecordStore& store = t_->store;
    return {
        {"the register of all types", PageId::kDocuments,
         [this] { documents_->SelectType(kAllTypesItem); },
         [this] { return documents_->Working(); },
         [this] {
           return QStringLiteral("%1 %2 %3")
               .arg(documents_->TypeBox()->currentIndex())
               .arg(documents_->Register() ? documents_->Register()->RowCount() : -1)
               .arg(documents_->Current());
         },
         [this, &store] {
           QTRY_VERIFY(documents_->MarksShown());
           SilentProgress silent;
           DocumentMarks marks;
           QVERIFY(FindDocumentMarks(store, silent, &marks));
           const DocumentRegister direct(store, "", marks);
           const DocumentRegister* shown = documents_->Register();
           QCOMPARE(shown->RowCount(), direct.RowCount());
           QVERIFY(shown->RowCount() > 20000);
           for (int row = 0; row < direct.RowCount(); ++row) {
             QCOMPARE(shown->RowText(row), direct.RowText(row));
           }
           QCOMPARE(documents_->RegisterGrid()->Model().rowCount(), direct.RowCount());
         }},
        {"the register sorted by name", PageId::kDocuments, [this] { documents_->SortRegister(5); },
         [this] { return documents_->Working(); },
         [this] {
           return QStringLiteral("%1 %2")
               .arg(documents_->RegisterGrid()->SortIndex())
               .arg(Q(documents_->Register()->RowText(0)));
         },
         [this, &store] {
           SilentProgress silent;
           DocumentMarks marks;
           QVERIFY(FindDocumentMarks(store, silent, &marks));
           DocumentRegister direct(store, "", marks);
           direct.Sort(5);
           QCOMPARE(documents_->RegisterGrid()->SortIndex(), 5);
           for (int row = 0; row < direct.RowCount(); ++row) {
             QCOMPARE(documents_->Register()->RowText(row), direct.RowText(row));
           }
         }},
        {"the largest card", PageId::kLedger, [this] { ledger_->ShowCard(busiest_); },
         [this] { return ledger_->Working(); },
         [this] {
           return QStringLiteral("%1 %2")
               .arg(ledger_->Card().account)
               .arg(ledger_->List()->Model().rowCount());
         },
         [this, &store] {
           const LedgerCard direct = LoadCard(store, busiest_);
           const LedgerCard& shown = ledger_->Card();
           QCOMPARE(shown.account, busiest_);
           QCOMPARE(shown.rows.size(), direct.rows.size());
           for (std::size_t i = 0; i < direct.rows.size(); ++i) {
             QCOMPARE(shown.rows[i].line, direct.rows[i].line);
             QCOMPARE(shown.rows[i].balance, direct.rows[i].balance);
           }
           QCOMPARE(shown.debit_total, direct.debit_total);
           QCOMPARE(ledger_->List()->Model().rowCount(), static_cast<int>(direct.RowCount()));
         }},
        {"the index search", PageId::kAccountsIndex, [this] { index_->MakeSearch(); },
         [this] { return index_->Working(); },
         [this] {
           return QStringLiteral("%1 %2")
               .arg(index_->Filter()->Text())
               .arg(index_->Filter()->ShownRows());
         },
         [this, &store] {
           // Made, the search answers a filter at once: the accounts whose shown texts hold
           // the word, then the totals row.
           QVERIFY(index_->SearchMade());
           index_->Filter()->SetText(QStringLiteral("12"));
           QVERIFY(!index_->Working());
           AccountsIndexRows rows(store);
           const TextMatch match(QStringLiteral("12"));
           std::vector<int> expected;
           for (std::int64_t row = 1; row < rows.RowCount(); ++row) {
             for (const GridColumn& column : index_->List()->Model().Columns()) {
               const std::string& cell = rows.Row(row)[static_cast<std::size_t>(column.field - 1)];
               if (column.field > 1 && match.Matches(Q(LookOfCell(cell).shown))) {
                 expected.push_back(static_cast<int>(row) - 1);
                 break;
               }
             }
           }
           expected.push_back(static_cast<int>(rows.RowCount()) - 1);
           QVERIFY(expected.size() > 10);
           QCOMPARE(index_->Filter()->ShownRows(), static_cast<int>(expected.size()));
           for (std::size_t i = 0; i < expected.size(); ++i) {
             QCOMPARE(index_->Filter()->SourceRow(static_cast<int>(i)), expected[i]);
           }
         }},
    };
  }

 private slots:
  void initTestCase() {
    DataSetOptions options;
    options.movements = 100000;
    options.accounts = 2500;  // more than the filter matches on the window's thread
    options.documents = 30000;
    options.items = 100;
    options.seed = 5;
    GeneratedDataSet generated;
    const std::filesystem::path folder = dir_.path().toStdString();
    QVERIFY(GenerateDataSet(options, folder, &generated).ok());
    t_ = std::make_unique<TestApp>();
    SilentProgress silent;
    QVERIFY(ImportFolder(t_->store, folder.string(), silent).status.ok());
    QVERIFY(t_->store.AccountListIndex.Count() > FilterBox::kRowsMatchedAtOnce);
    window_ = std::make_unique<MainWindow>(t_->app, StoredSize(1366, 768));
    window_->show();
    documents_ = window_->PageOf<DocumentsPage>();
    ledger_ = window_->PageOf<LedgerPage>();
    index_ = window_->PageOf<AccountsIndexPage>();
    std::int64_t most = 0;
    for (std::int64_t a = 1; a <= t_->store.AccountIndex.Count(); ++a) {
      const std::int64_t n =
          PrefixRange(t_->store.MovementIndex, t_->store.AccountIndex[a].Part(kKeyAccount)).size();
      if (n > most) {
        most = n;
        busiest_ = a;
      }
    }
    QVERIFY(most > 1000);
  }

  void cleanupTestCase() {
    window_.reset();
    t_.reset();
  }

  // Each work, in turn: once stopped at once by "עצור", then run to its end.
  void EachRunsWhileTheWindowAnswersAndStopsOnRequest() {
    for (const Work& work : Works()) {
      window_->PressButton(work.page);
      QVERIFY2(window_->CurrentPage() == work.page, work.name);
      auto* progress = window_->PageAt(work.page)->findChild<WorkProgress*>();
      QVERIFY(progress != nullptr);

      // Stopped: the page is as it was, and stays so once the worker has returned.
      const QString before = work.shown();
      work.start();
      QVERIFY2(work.working(), work.name);
      progress->StopButton()->click();
      QVERIFY2(!work.working(), work.name);
      QCOMPARE(work.shown(), before);
      QVERIFY(StoreFree());
      QCoreApplication::processEvents();
      QCOMPARE(work.shown(), before);

      // Run to its end: the window's events come meanwhile, reading is refused until it is
      // over.
      int ticks_while_working = 0;
      QTimer ticker;
      ticker.setInterval(0);
      connect(&ticker, &QTimer::timeout, this, [&] {
        if (work.working()) ++ticks_while_working;
      });
      ticker.start();
      work.start();
      QVERIFY2(work.working(), work.name);
      QVERIFY2(ReadingRefused(), work.name);
      QTRY_VERIFY2(!work.working(), work.name);
      ticker.stop();
      QVERIFY2(ticks_while_working > 0, work.name);
      work.check();
      if (QTest::currentTestFailed()) QFAIL(work.name);
      QVERIFY(StoreFree());
    }
  }

  // A page left while its work runs stops it; the late result is dropped.
  void LeavingThePageStopsItsWork() {
    window_->PressButton(PageId::kLedger);
    const std::int64_t shown = ledger_->Card().account;
    const std::int64_t other = shown == 1 ? 2 : 1;
    ledger_->ShowCard(other);
    QVERIFY(ledger_->Working());
    window_->PressButton(PageId::kAccountsIndex);
    QVERIFY(!ledger_->Working());
    QVERIFY(StoreFree());
    QCoreApplication::processEvents();
    QCOMPARE(ledger_->Card().account, shown);
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::PageWorkTest)
#include "page_work_test.moc"
