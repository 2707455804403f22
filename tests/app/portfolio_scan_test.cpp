// "סריקת תיק" on the companies page over a small seeded portfolio: the progress "N מתוך M
// לקוחות", a stop that leaves the store resumable (the next run completes it and reuses what
// was done), the grid equal to portfolio.csv row by row and sorted by the values, the store
// the command line resumes from, Enter reading a client and Back returning to its row; the
// saved companies screened through their list; a missing tallyscan-cli said in Hebrew.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/main_window.h"
#include "app/pages/companies_page.h"
#include "app/pages/import_page.h"
#include "app/portfolio/portfolio_view.h"
#include "app/widgets/filter_box.h"
#include "app/widgets/grid.h"
#include "app/widgets/progress_bar.h"
#include "app_test_support.h"
#include "engine/portfolio/portfolio.h"
#include "generator/data_set.h"

namespace tallyscan::test {
namespace {

constexpr int kWaitMs = 120000;  // a whole run of the small portfolio, on a loaded machine

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteText(const QString& path, const QByteArray& text, bool executable = false) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) return false;
  file.close();
  if (executable) file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
  return true;
}

// The records of a CSV as RFC 4180 writes them (quoted cells, doubled quotes), the byte-order
// mark dropped.
std::vector<QStringList> ReadCsv(const QByteArray& bytes) {
  QString text = QString::fromUtf8(bytes);
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  std::vector<QStringList> records;
  QStringList record;
  QString cell;
  bool quoted = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (quoted) {
      if (c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
        cell += c;
        ++i;
      } else if (c == QLatin1Char('"')) {
        quoted = false;
      } else {
        cell += c;
      }
    } else if (c == QLatin1Char('"')) {
      quoted = true;
    } else if (c == QLatin1Char(',')) {
      record << cell;
      cell.clear();
    } else if (c == QLatin1Char('\n')) {
      record << cell;
      cell.clear();
      records.push_back(record);
      record.clear();
    } else if (c != QLatin1Char('\r')) {
      cell += c;
    }
  }
  return records;
}

bool Generate(const QString& folder, std::uint64_t seed, int tax_year = 2024) {
  DataSetOptions options;
  options.profile = DataProfile::kAudit;
  options.movements = 1000;
  options.seed = seed;
  options.tax_year = tax_year;
  QDir().mkpath(folder);
  GeneratedDataSet generated;
  const Status made = GenerateDataSet(options, folder.toStdString(), &generated);
  if (!made.ok()) qWarning("%s", made.message().c_str());
  return made.ok();
}

}  // namespace

class PortfolioScanTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    QTemporaryDir home;
    TestApp t;
    MainWindow window{t.app, StoredSize(1200, 700)};
    CompaniesPage* page = window.PageOf<CompaniesPage>();
    PortfolioView* view = page->Portfolio();
    Grid* grid = view->SummaryGrid();
    QStringList counts_seen;

    Fixture() {
      t.app.companies_folder = (home.path() + QStringLiteral("/Zevavu")).toStdString();
      t.app.program_folder = (home.path() + QStringLiteral("/program/")).toStdString();
      t.app.user_data_folder = (home.path() + QStringLiteral("/data/")).toStdString();
      qputenv("TALLYSCAN_CLI", TALLYSCAN_CLI);
      window.resize(1200, 700);
      window.show();
      window.PressButton(PageId::kCompanies);
      // Every count the run shows, as it shows them.
      QObject::connect(view->Bar(), &QProgressBar::valueChanged, view,
                       [this] { counts_seen << view->Counts()->text(); });
    }
    bool WaitForEnd() {
      return QTest::qWaitFor([this] { return !view->Running(); }, kWaitMs);
    }
    QString Messages() const {
      QStringList texts;
      for (const AppMessageCall& call : t.messages) texts << call.text;
      return texts.join(QLatin1Char('\n'));
    }
    int RowOf(const std::string& client) const {
      const std::vector<std::string> shown = view->ShownClients();
      for (std::size_t row = 0; row < shown.size(); ++row) {
        if (shown[row] == client) return static_cast<int>(row);
      }
      return -1;
    }
    std::string ChosenClient() const {
      const QModelIndex current = grid->selectionModel()->currentIndex();
      const std::vector<std::string> shown = view->ShownClients();
      if (!current.isValid() || current.row() >= static_cast<int>(shown.size())) return {};
      return shown[static_cast<std::size_t>(current.row())];
    }
  };

  // Four clients under portfolio/, one of them in a firm's folder, one whose data file is cut
  // (not analysed: a red row), one named "slow" that a stand-in child holds back.
  QTemporaryDir sets_;
  QString input_;

  void CompareGridWithCsv(Fixture& f) {
    const std::vector<QStringList> csv =
        ReadCsv(ReadAll(QDir(f.view->Store()).filePath(QStringLiteral("portfolio.csv"))));
    QVERIFY(csv.size() >= 2);
    QCOMPARE(f.grid->Model().rowCount(), static_cast<int>(csv.size()) - 1);
    const QStringList& names = csv.front();
    for (int row = 0; row + 1 < static_cast<int>(csv.size()); ++row) {
      const QStringList& record = csv[static_cast<std::size_t>(row) + 1];
      QCOMPARE(record.size(), names.size());
      // The status in the window's words, every other cell as the file holds it.
      const int status = names.indexOf(QStringLiteral("status"));
      for (int column = 0; column < record.size(); ++column) {
        const QString expected =
            column == status ? QString::fromStdString(
                                   portfolio::StatusCaptionOfWord(record[column].toStdString()))
                             : record[column];
        QCOMPARE(f.grid->Model().ShownText(row, column + 1), expected);
      }
      // Not analysed or failed: the row is red (its status digit 1).
      const bool scored = !record[names.indexOf(QStringLiteral("risk_score"))].isEmpty();
      QCOMPARE(f.grid->Model().Source()->CellText(row, 1), std::string(scored ? "0" : "1"));
    }
  }

 private slots:
  void initTestCase() {
    input_ = sets_.filePath(QStringLiteral("portfolio"));
    QVERIFY(Generate(input_ + QStringLiteral("/alpha"), 21));
    QVERIFY(Generate(input_ + QStringLiteral("/firm/beta"), 22));
    QVERIFY(Generate(input_ + QStringLiteral("/slow"), 23));
    QVERIFY(Generate(input_ + QStringLiteral("/cut"), 24));
    const QString cut = input_ + QStringLiteral("/cut/BKMVDATA.TXT");
    const QByteArray whole = ReadAll(cut);
    QVERIFY(WriteText(cut, whole.left(whole.size() / 2 + 7)));
    // The stand-in: the real program, whose child for "slow" waits a minute first.
    const QString child = sets_.filePath(QStringLiteral("child.sh"));
    QVERIFY(WriteText(child,
                      "#!/bin/sh\ncase \"$3\" in\n  */slow) sleep 60 ;;\nesac\nexec " TALLYSCAN_CLI
                      " \"$@\"\n",
                      true));
    QVERIFY(WriteText(sets_.filePath(QStringLiteral("held-back.sh")),
                      "#!/bin/sh\nif [ \"$1\" = batch ]; then shift; exec " TALLYSCAN_CLI
                      " batch --child " +
                          child.toUtf8() + " \"$@\"; fi\nexec " TALLYSCAN_CLI " \"$@\"\n",
                      true));
  }

  // A stop during a run keeps what was done and leaves no partial results; the next run
  // completes the store, reusing the clients already done; the grid is portfolio.csv; the
  // command line finds the same store complete.
  void StoppedRunResumesAndTheGridIsTheSummary() {
    Fixture f;
    qputenv("TALLYSCAN_CLI", sets_.filePath(QStringLiteral("held-back.sh")).toUtf8());
    f.view->ScanFolder(input_);
    QVERIFY(f.view->Running());
    QVERIFY(f.page->ShowingPortfolio());
    QVERIFY(QTest::qWaitFor(
        [&f] { return f.view->Counts()->text() == QStringLiteral("3 מתוך 4 לקוחות"); }, kWaitMs));
    QTest::keyClick(f.grid, Qt::Key_Escape);  // the window's Esc stops the page's run
    QVERIFY(f.WaitForEnd());
    QVERIFY2(f.t.messages.empty(), qPrintable(f.Messages()));
    QVERIFY(f.view->Counts()->text().contains(QStringLiteral("נעצרה")));
    const QString store = f.view->Store();
    QVERIFY2(store.startsWith(f.home.path() + QStringLiteral("/data/portfolio/folders/portfolio-")),
             qPrintable(store));
    QVERIFY(!QFileInfo::exists(store + QStringLiteral("/clients/slow.partial")));
    QVERIFY(!QFileInfo::exists(store + QStringLiteral("/clients/slow")));
    QVERIFY(QFileInfo::exists(store + QStringLiteral("/clients/alpha/manifest.json")));
    QCOMPARE(f.grid->Model().rowCount(), 3);  // the summary of those done
    CompareGridWithCsv(f);
    const QByteArray alpha = ReadAll(store + QStringLiteral("/clients/alpha/manifest.json"));

    // The second run, with nothing held back: all four, the three done before reused.
    qputenv("TALLYSCAN_CLI", TALLYSCAN_CLI);
    f.counts_seen.clear();
    f.page->RunMainAction();  // F5 on the summary scans its folder again
    QVERIFY(f.view->Running());
    QVERIFY(f.WaitForEnd());
    QVERIFY2(f.t.messages.empty(), qPrintable(f.Messages()));
    QCOMPARE(f.view->Counts()->text(), QStringLiteral("4 מתוך 4 לקוחות"));
    QVERIFY(!f.counts_seen.isEmpty());
    QCOMPARE(ReadAll(store + QStringLiteral("/clients/alpha/manifest.json")), alpha);
    QCOMPARE(f.grid->Model().rowCount(), 4);
    CompareGridWithCsv(f);
    // The rows worst first: the cut client, not analysed, heads them, in red.
    QCOMPARE(f.view->ShownClients().front(), std::string("cut"));
    QVERIFY(f.view->RunLine()->text().contains(QStringLiteral("תחילת ההרצה: 20")));
    QVERIFY(f.view->RunLine()->text().contains(QStringLiteral("משקלות: קליטה 20")));

    // The command line resumes from the same store: nothing left to do, the same summary.
    const QByteArray csv = ReadAll(store + QStringLiteral("/portfolio.csv"));
    QProcess cli;
    cli.start(QStringLiteral(TALLYSCAN_CLI),
              {QStringLiteral("batch"), QStringLiteral("--out"), store, input_});
    QVERIFY(cli.waitForFinished(kWaitMs));
    QVERIFY2(cli.exitCode() == 0 || cli.exitCode() == 4, cli.readAllStandardError().constData());
    QCOMPARE(ReadAll(store + QStringLiteral("/portfolio.csv")), csv);
    QCOMPARE(ReadAll(store + QStringLiteral("/clients/alpha/manifest.json")), alpha);

    // Sorted by the values of a figure column; the header clicked again reverses.
    const int bytes_field = 10;  // "בתים"
    QCOMPARE(
        f.grid->Model().headerData(bytes_field - 1, Qt::Horizontal, Qt::DisplayRole).toString(),
        QStringLiteral("בתים"));
    f.grid->horizontalHeader()->sectionClicked(bytes_field - 1);
    std::vector<long long> sizes;
    for (int row = 0; row < 4; ++row) {
      sizes.push_back(f.grid->Model().ShownText(row, bytes_field - 1).toLongLong());
    }
    QVERIFY(std::is_sorted(sizes.begin(), sizes.end()));
    f.grid->horizontalHeader()->sectionClicked(bytes_field - 1);
    QCOMPARE(f.grid->Model().ShownText(0, bytes_field - 1).toLongLong(), sizes.back());
    // The filter narrows the rows, and the grid copies what it shows.
    f.view->Filter()->SetText(QStringLiteral("firm/"));
    QCOMPARE(f.grid->Model().rowCount(), 1);
    QCOMPARE(f.view->ShownClients(), std::vector<std::string>{"firm/beta"});
    QVERIFY(f.grid->RowsAsText({0}, true).contains(QStringLiteral("firm/beta")));
    f.view->Filter()->SetText({});
  }

  // Enter on a row reads that client's folder on the import page; Back shows the summary
  // again at the same row.
  void EnterReadsTheClientAndBackReturnsToItsRow() {
    Fixture f;
    f.view->ScanFolder(input_);
    QVERIFY(f.WaitForEnd());
    QVERIFY2(f.t.messages.empty(), qPrintable(f.Messages()));
    const int row = f.RowOf("firm/beta");
    QVERIFY(row >= 0);
    f.grid->selectionModel()->setCurrentIndex(
        f.grid->model()->index(row, 1),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    f.grid->setFocus();
    QTest::keyClick(f.grid, Qt::Key_Return);
    QCOMPARE(f.window.CurrentPage(), PageId::kImport);
    QVERIFY2(f.t.messages.empty(), qPrintable(f.Messages()));
    QCOMPARE(QDir::cleanPath(QString::fromStdString(f.t.store.LoadedFolder)),
             QDir::cleanPath(input_ + QStringLiteral("/firm/beta")));
    f.window.GoBack();
    QCOMPARE(f.window.CurrentPage(), PageId::kCompanies);
    QVERIFY(f.page->ShowingPortfolio());
    QCOMPARE(f.ChosenClient(), std::string("firm/beta"));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.grid));
    // "חזרה לרשימת החברות" shows the list again.
    f.view->BackButton()->click();
    QVERIFY(!f.page->ShowingPortfolio());
  }

  // The saved companies, screened through their list in the store: the company's name as
  // the label, Enter reading the saved year folder as "קרא חברה" does.
  void SavedCompaniesAreScreenedThroughTheirList() {
    Fixture f;
    for (const auto& [dealer, year, seed] :
         {std::tuple{"511111111", 2023, 31}, std::tuple{"522222222", 2024, 32}}) {
      const QString folder = QString::fromStdString(f.t.app.companies_folder) +
                             QStringLiteral("/%1/%2").arg(QLatin1String(dealer)).arg(year);
      QVERIFY(Generate(folder, static_cast<std::uint64_t>(seed), year));
    }
    f.page->Rescan();
    QCOMPARE(static_cast<int>(f.page->Companies().size()), 2);
    f.page->ScanCompanies();
    QVERIFY(f.WaitForEnd());
    QVERIFY2(f.t.messages.empty(), qPrintable(f.Messages()));
    QCOMPARE(f.view->Store(), f.home.path() + QStringLiteral("/data/portfolio/companies"));
    const QByteArray list = ReadAll(f.view->Store() + QStringLiteral("/companies.txt"));
    QVERIFY(list.startsWith("511111111/2023\t" + QByteArray(f.t.app.companies_folder.c_str())));
    QCOMPARE(f.grid->Model().rowCount(), 2);
    CompareGridWithCsv(f);
    const std::string name = f.page->Companies()[0].name;
    QVERIFY(!name.empty());
    const int row = f.RowOf("511111111/2023");
    QVERIFY(row >= 0);
    QCOMPARE(f.grid->Model().ShownText(row, 3), QString::fromStdString(name));  // the label
    QString read;
    QObject::connect(f.page, &CompaniesPage::ReadFolder, f.page,
                     [&read](const QString& folder) { read = folder; });
    f.grid->selectionModel()->setCurrentIndex(
        f.grid->model()->index(row, 1),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    f.view->OpenChosen();
    QCOMPARE(read, QString::fromStdString(f.page->Companies()[0].folder));
  }

  // Without tallyscan-cli anywhere the page says so in Hebrew and starts nothing; a folder
  // that is not there is refused.
  void RefusalsAreSaid() {
    Fixture f;
    qputenv("TALLYSCAN_CLI", f.home.filePath(QStringLiteral("none")).toUtf8());
    f.view->ScanFolder(input_);
    QVERIFY(!f.view->Running());
    QCOMPARE(f.t.messages.size(), std::size_t{1});
    QVERIFY(f.t.messages[0].text.startsWith(QStringLiteral("לא נמצאה התוכנית tallyscan-cli")));
    QVERIFY(f.t.messages[0].text.contains(f.home.filePath(QStringLiteral("none"))));
    f.view->ScanFolder(f.home.filePath(QStringLiteral("missing")));
    QCOMPARE(f.t.messages.size(), std::size_t{2});
    QVERIFY(f.t.messages[1].text.startsWith(QStringLiteral("התיקייה אינה קיימת")));
    f.page->ScanCompanies();  // nothing saved
    QCOMPARE(f.t.messages.size(), std::size_t{3});
    QCOMPARE(f.t.messages[2].text, QStringLiteral("אין חברות שמורות לסריקה"));
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::PortfolioScanTest)
#include "portfolio_scan_test.moc"
