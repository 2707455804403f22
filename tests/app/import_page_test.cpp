#include <atomic>
#include <thread>

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/background/read_task.h"
#include "app/dialogs/record_detail_dialog.h"
#include "app/main_window.h"
#include "app/pages/import_page.h"
#include "app/pump.h"
#include "app/widgets/grid.h"
#include "app/widgets/result_list.h"
#include "app_test_support.h"
#include "engine/uniform/uniform.h"
#include "generator/data_set.h"

namespace tallyscan::test {

class ImportPageTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    TestApp t;
    MainWindow window{t.app, StoredSize(710, 560)};
    ImportPage* page = window.PageOf<ImportPage>();
    QLineEdit* edit = page->findChild<QLineEdit*>(QStringLiteral("folderEdit"));
    Grid* list = page->findChild<Grid*>(QStringLiteral("resultList"));
    Fixture() { window.show(); }
    template <typename T>
    T* Child(const char* name) {
      return page->findChild<T*>(QString::fromLatin1(name));
    }
    QString Cell(int row, int column) {
      return list->model()->index(row, column).data().toString();
    }
  };

 private slots:
  void IdlePageShowsRunButtonOnly() {
    Fixture f;
    QVERIFY(f.Child<QPushButton>("runButton")->isVisible());
    QVERIFY(f.Child<QPushButton>("browseButton")->isVisible());
    QVERIFY(!f.Child<QPushButton>("stopButton")->isVisible());
    QVERIFY(!f.Child<QLabel>("progressCaption")->isVisible());
    QVERIFY(!f.Child<QWidget>("progressBar")->isVisible());
    QCOMPARE(f.Child<QLabel>("prompt")->text(),
             QStringLiteral("ציין את הספריה בה נמצאים קבצי הנתונים"));
    QCOMPARE(f.page->DefaultFocus(), static_cast<QWidget*>(f.edit));
  }

  // An unpacked program finds the set beside itself; an installed one in its data folder,
  // share/tallyscan beside its bin folder.
  void DemoFolderIsFoundBesideOrUnderTheProgram() {
    QTemporaryDir root;
    TestApp t;
    t.app.program_folder = (root.path() + QStringLiteral("/usr/bin/")).toStdString();
    QVERIFY(QDir().mkpath(root.path() + QStringLiteral("/usr/bin")));
    QCOMPARE(DemoFolder(t.app), QDir::toNativeSeparators(QStringLiteral(TALLYSCAN_DEMO_DIR)));
    const QString installed = root.path() + QStringLiteral("/usr/share/tallyscan/samples/demo");
    QVERIFY(QDir().mkpath(installed));
    QCOMPARE(DemoFolder(t.app), QDir::toNativeSeparators(installed));
    const QString beside = root.path() + QStringLiteral("/usr/bin/samples/demo");
    QVERIFY(QDir().mkpath(beside));
    QCOMPARE(DemoFolder(t.app), QDir::toNativeSeparators(beside));
  }

  void ReadingTheDemoFolderListsItsRows() {
    QTemporaryDir scratch;
    Fixture f;
    const QString folder = DemoOrWrittenDataSet(scratch);
    f.edit->setText(folder);
    f.page->Start();
    QVERIFY2(f.t.messages.empty(),
             qPrintable(f.t.messages.empty() ? QString() : f.t.messages[0].text));
    QCOMPARE(f.t.store.LoadedFolder, folder.toStdString());
    QVERIFY(!f.t.app.app_busy);
    QVERIFY(f.list->model()->rowCount() > 14);
    QCOMPARE(f.Cell(0, 1), QStringLiteral("הקובץ נקרא בהצלחה"));
    QCOMPARE(f.list->model()->index(0, 1).data(Qt::FontRole).value<QFont>().bold(), true);
    QVERIFY(!f.list->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    QCOMPARE(f.Cell(2, 1), QStringLiteral("שם העסק"));
    // Nothing found: the last row is good news, neither an error nor red.
    const int last = f.list->model()->rowCount() - 1;
    QCOMPARE(f.Cell(last, 2), QStringLiteral("ללא"));
    QCOMPARE(RowField(f.page->Rows().back(), 1), std::string_view("0"));
    QVERIFY(f.list->model()->index(last, 1).data(Qt::ForegroundRole).value<QColor>() !=
            kCreditColour);
    QCOMPARE(f.page->Results()->ErrorCount(), 0);
    QCOMPARE(f.t.settings.ReadReg(kParams, kLastPath), folder.toStdString());
    QVERIFY(f.window.StatusPart(2)->text().startsWith(QStringLiteral("שם העסק - ")));
    QVERIFY(!f.window.StatusPart(1)->text().isEmpty());
    QVERIFY(f.Child<QPushButton>("runButton")->isVisible());
    QVERIFY(!f.Child<QPushButton>("stopButton")->isVisible());

    // Now every page may be opened.
    f.window.PressButton(PageId::kAccountsIndex);
    QCOMPARE(f.window.CurrentPage(), PageId::kAccountsIndex);
  }

  // The loaded folder unchanged is read again only when the user agrees ("ביטול" the
  // default); once its data file changed it is read again without a question.
  void LoadedFolderIsReadAgainWhenChangedOrAgreed() {
    QTemporaryDir dir;
    WriteDataSet(dir.path());
    Fixture f;
    f.page->ReadFolder(dir.path());
    QVERIFY(f.t.messages.empty());
    const std::uint64_t first = f.t.store.LoadNumber;
    f.t.answer = kMessageCancel;
    f.page->Start();
    QCOMPARE(f.t.messages.size(), std::size_t{1});
    QCOMPARE(f.t.messages[0].text, QStringLiteral("הקובץ כבר נקרא. לקרוא אותו שוב?"));
    QCOMPARE(f.t.messages[0].kind, 2);
    QVERIFY(f.t.messages[0].default_button == MessageDefault::kCancel);
    QCOMPARE(f.t.store.LoadNumber, first);
    f.t.answer = kMessageOk;
    f.page->Start();
    QCOMPARE(f.t.messages.size(), std::size_t{2});
    QCOMPARE(f.t.store.LoadedFolder, dir.path().toStdString());
    const std::uint64_t second = f.t.store.LoadNumber;
    QVERIFY(second != first);

    QFile data(dir.path() + QStringLiteral("/BKMVDATA.TXT"));
    QVERIFY(data.open(QIODevice::ReadWrite));
    QVERIFY(data.setFileTime(data.fileTime(QFileDevice::FileModificationTime).addSecs(5),
                             QFileDevice::FileModificationTime));
    data.close();
    f.page->Start();
    QCOMPARE(f.t.messages.size(), std::size_t{2});
    QVERIFY(f.t.store.LoadNumber != second);
    QCOMPARE(f.t.store.LoadedFolder, dir.path().toStdString());
  }

  // While work reads the store off the window's thread no reading may begin: the run
  // button is disabled with the reason in the status bar, and Start changes nothing.
  void NoReadingWhileWorkReadsTheStore() {
    QTemporaryDir dir;
    WriteDataSet(dir.path());
    Fixture f;
    std::atomic<bool> release{false};
    ReadTask task(f.t.app.readers);
    task.Start(
        [&](ProgressMonitor&) {
          while (!release) std::this_thread::yield();
          return true;
        },
        nullptr);
    QVERIFY(!f.Child<QPushButton>("runButton")->isEnabled());
    QCOMPARE(f.window.findChild<QStatusBar*>()->currentMessage(), texts::kBusyWorkers);
    f.page->ReadFolder(dir.path());
    QVERIFY(f.t.store.LoadedFolder.empty());
    QVERIFY(f.t.messages.empty());
    release = true;
    while (!f.t.app.readers.Idle() || !f.Child<QPushButton>("runButton")->isEnabled()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QVERIFY(f.window.findChild<QStatusBar*>()->currentMessage().isEmpty());
    f.page->Start();
    QCOMPARE(f.t.store.LoadedFolder, dir.path().toStdString());
  }

  void FolderWithoutIniIsRefusedAndNothingChanges() {
    QTemporaryDir empty;
    Fixture f;
    f.window.SetStatusText(2, QStringLiteral("\tשם העסק - קודם"));
    f.edit->setText(empty.path());
    f.page->Start();
    QCOMPARE(f.t.messages.size(), std::size_t{1});
    QCOMPARE(f.t.messages[0].text, QStringLiteral("קובץ האתחול אינו קיים בספריה שצויינה"));
    QCOMPARE(f.t.messages[0].kind, 1);
    QVERIFY(f.t.messages[0].icon == MessageIcon::kExclamation);
    QCOMPARE(f.list->model()->rowCount(), 0);
    QCOMPARE(f.window.StatusPart(2)->text(), QStringLiteral("שם העסק - קודם"));
    QVERIFY(f.t.store.LoadedFolder.empty());
    QVERIFY(!f.t.app.app_busy);
    QVERIFY(f.Child<QPushButton>("runButton")->isVisible());
  }

  void EmptyFolderNameAndMissingDataFileAreRefused() {
    QTemporaryDir dir;
    Fixture f;
    f.edit->clear();
    f.page->Start();
    QFile ini(dir.filePath(QStringLiteral("Ini.Txt")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.close();
    f.edit->setText(dir.path());
    f.page->Start();
    QCOMPARE(f.t.messages.size(), std::size_t{2});
    QCOMPARE(f.t.messages[0].text, QStringLiteral("לא צויינה הספריה בה נמצא קובץ הנתונים"));
    QCOMPARE(f.t.messages[1].text, QStringLiteral("קובץ הנתונים אינו קיים בספריה שצויינה"));
  }

  // While reading only "ביטול", the caption and the bar show; a stop leaves nothing loaded,
  // so the same folder may be read again at once.
  void StopDuringReadingLeavesTheFolderReadableAgain() {
    QTemporaryDir scratch;
    Fixture f;
    const QString folder = DemoOrWrittenDataSet(scratch);
    f.edit->setText(folder);
    auto* bar = f.Child<QProgressBar>("progressBar");
    bool stopped = false;
    bool reading_look = false;
    connect(bar, &QProgressBar::valueChanged, f.page, [&](int value) {
      if (stopped || value < 1) return;
      stopped = true;
      reading_look = f.Child<QPushButton>("stopButton")->isVisible() &&
                     f.Child<QLabel>("progressCaption")->isVisible() && bar->isVisible() &&
                     !f.Child<QPushButton>("runButton")->isVisible() && f.t.app.app_busy;
      f.page->Stop();
      QVERIFY(f.Child<QPushButton>("runButton")->isVisible());
      QVERIFY(!f.Child<QPushButton>("stopButton")->isVisible());
    });
    f.page->Start();
    QVERIFY(stopped);
    QVERIFY(reading_look);
    QVERIFY(f.t.messages.empty());
    QVERIFY(f.t.store.LoadedFolder.empty());
    QVERIFY(!f.t.app.app_busy);
    QCOMPARE(f.Cell(0, 1), QStringLiteral("קריאת הקובץ הופרעה"));
    // Nothing is loaded: the status bar names no business and no year, and the folder is not
    // the one offered next time.
    QCOMPARE(f.window.StatusPart(1)->text(), QString());
    QCOMPARE(f.window.StatusPart(2)->text(), QString());
    QVERIFY(f.t.settings.ReadReg(kParams, kLastPath).empty());

    stopped = true;  // the second reading runs to its end
    f.page->Start();
    QVERIFY(f.t.messages.empty());
    QCOMPARE(f.Cell(0, 1), QStringLiteral("הקובץ נקרא בהצלחה"));
    QCOMPARE(f.t.store.LoadedFolder, folder.toStdString());
  }

  // The error rows are drawn red; "רק שגיאות" keeps them alone and counts them; F8 and
  // Shift+F8 go from one to the next.
  void ErrorsOnlyFilterAndTheNextErrorKey() {
    QTemporaryDir dir;
    DataSetOptions options;
    options.movements = 400;
    options.seed = 5;
    options.faults = {{FaultKind::kBadLength, 2},
                      {FaultKind::kUnknownRecord, 1},
                      {FaultKind::kBadDate, 1},
                      {FaultKind::kIniTotal, 1}};
    GeneratedDataSet generated;
    QVERIFY(GenerateDataSet(options, dir.path().toStdString(), &generated).ok());
    Fixture f;
    QAbstractItemModelTester tester(&f.list->Model());
    f.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    f.edit->setText(dir.path());
    f.page->Start();
    const std::vector<std::string>& rows = f.page->Rows();
    std::vector<int> errors;
    for (std::size_t row = 0; row < rows.size(); ++row) {
      const bool error = RowField(rows[row], 1) == "1";
      if (error) errors.push_back(static_cast<int>(row));
      const QVariant colour =
          f.list->Model().index(static_cast<int>(row), 1).data(Qt::ForegroundRole);
      QCOMPARE(colour.isValid() && colour.value<QColor>() == kCreditColour, error);
    }
    // The INI total against the lines read, the count row and four lines.
    QCOMPARE(errors.size(), std::size_t{6});
    ResultList* results = f.page->Results();
    QCOMPARE(results->ErrorCount(), 6);
    QCOMPARE(results->ErrorsOnlyBox()->text(), QStringLiteral("רק שגיאות (6)"));

    f.list->setFocus();
    f.list->setCurrentIndex(f.list->Model().index(0, 1));
    auto current = [&] { return results->SourceRow(f.list->currentIndex().row()); };
    QTest::keyClick(f.list, Qt::Key_F8);
    QCOMPARE(current(), errors[0]);
    QTest::keyClick(f.list, Qt::Key_F8);
    QCOMPARE(current(), errors[1]);
    QTest::keyClick(f.list, Qt::Key_F8, Qt::ShiftModifier);
    QCOMPARE(current(), errors[0]);

    results->ErrorsOnlyBox()->click();
    QCOMPARE(f.list->Model().rowCount(), 6);
    QCOMPARE(current(), errors[0]);  // the current row stays current
    for (int row = 0; row < 6; ++row) {
      QCOMPARE(results->SourceRow(row), errors[static_cast<std::size_t>(row)]);
    }
    QCOMPARE(f.Cell(5, 1), QStringLiteral("שורה מספר 413"));
    f.list->setCurrentIndex(f.list->Model().index(5, 1));
    QVERIFY(!results->NextError(false));  // none after the last
    QCOMPARE(current(), errors[5]);
    results->ErrorsOnlyBox()->click();
    QCOMPARE(f.list->Model().rowCount(), static_cast<int>(rows.size()));
    QCOMPARE(current(), errors[5]);
  }

  // Enter (or a double-click) on an error row that names a line opens that line's record
  // field by field, as the command-line program's detail view shows it; a row that names no
  // line opens nothing.
  void AnImportErrorRowOpensTheDetailOfItsLine() {
    QTemporaryDir dir;
    DataSetOptions options;
    options.movements = 400;
    options.seed = 5;
    options.faults = {{FaultKind::kBadLength, 2}, {FaultKind::kBadDate, 1}};
    GeneratedDataSet generated;
    QVERIFY(GenerateDataSet(options, dir.path().toStdString(), &generated).ok());
    Fixture f;
    f.edit->setText(dir.path());
    f.page->Start();
    ResultList* results = f.page->Results();
    results->SetErrorsOnly(true);
    QCOMPARE(results->ErrorCount(), 4);  // the count row and three lines
    QCOMPARE(f.page->OpenRow(results->SourceRow(0)), nullptr);
    for (int row = 1; row < 4; ++row) {
      const std::string& text = f.page->Rows()[static_cast<std::size_t>(results->SourceRow(row))];
      const std::int64_t line = std::stoll(std::string(RowField(text, 4)));
      f.list->setCurrentIndex(f.list->Model().index(row, 1));
      QTest::keyClick(f.list, Qt::Key_Return);
      auto* dialog = f.window.findChild<RecordDetailDialog*>();
      QVERIFY(dialog);
      QAbstractItemModelTester tester(&dialog->grid()->Model());
      const RecordDetail expected =
          DetailOfLine(dir.filePath(QStringLiteral("BKMVDATA.TXT")).toStdString(), line);
      QVERIFY(expected.status.ok());
      QCOMPARE(dialog->Rows(), expected.rows);
      QCOMPARE(dialog->grid()->Model().index(0, 3).data().toString(), QStringLiteral("B100"));
      delete dialog;
    }
    QVERIFY(f.t.messages.empty());
    // The viewer's columns, and a failing field drawn red along its row though its value is
    // blank.
    RecordDetailDialog viewer(nullptr);
    viewer.AddRows({"3\t1359\tאסמכתא 2\t\t", "1\t1360\tסוג האסמכתא 2\t   \x1D\tלא ידוע"});
    const GridModel& model = viewer.grid()->Model();
    QStringList headings;
    for (int column = 0; column < model.columnCount(); ++column) {
      headings << model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    QCOMPARE(headings, QStringList({"#", "##", "סעיף", "ערך", "פירוש"}));
    QVERIFY(!model.index(0, 4).data(Qt::ForegroundRole).isValid());
    QCOMPARE(model.index(1, 4).data(Qt::ForegroundRole).value<QColor>(), kCreditColour);
  }

  // The page's monitor: the stop flag is seen at once; events are handled only when due.
  void PumpProgressHonoursStopAndHandlesEvents() {
    bool stop = false;
    int shown = -1;
    PumpProgress monitor([&](int percent) { shown = percent; }, [&] { return stop; });
    QVERIFY(!monitor.StopRequested());
    bool handled = false;
    QTimer::singleShot(0, [&] { handled = true; });
    QTest::qWait(PumpProgress::kPumpIntervalMs + 5);  // makes the pump due; not a limit
    handled = false;
    QTimer::singleShot(0, [&] { handled = true; });
    QThread::msleep(PumpProgress::kPumpIntervalMs + 5);
    monitor.OnProgress(42);
    QCOMPARE(shown, 42);
    QVERIFY(handled);
    stop = true;
    QVERIFY(monitor.StopRequested());
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::ImportPageTest)
#include "import_page_test.moc"
