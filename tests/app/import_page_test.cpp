#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/main_window.h"
#include "app/pages/import_page.h"
#include "app/pump.h"
#include "app/widgets/grid.h"
#include "app_test_support.h"

namespace tallyscan::test {

class ImportPageTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    TestApp t;
    MainWindow window{t.app, {710, 560, false}};
    ImportPage* page = static_cast<ImportPage*>(window.PageAt(1));
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
    QVERIFY(f.window.StatusPart(2)->text().startsWith(QStringLiteral("שם העסק - ")));
    QVERIFY(!f.window.StatusPart(1)->text().isEmpty());
    QVERIFY(f.Child<QPushButton>("runButton")->isVisible());
    QVERIFY(!f.Child<QPushButton>("stopButton")->isVisible());

    // Now every page may be opened, and the same folder is not read twice.
    f.window.PressButton(2003);
    QCOMPARE(f.window.CurrentPage(), 3);
    f.window.PressButton(2001);
    f.page->Start();
    QCOMPARE(f.t.messages.size(), std::size_t{1});
    QCOMPARE(f.t.messages[0].text, QStringLiteral("הקובץ נקרא כבר וקיים בזכרון המחשב"));
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

    stopped = true;  // the second reading runs to its end
    f.page->Start();
    QVERIFY(f.t.messages.empty());
    QCOMPARE(f.Cell(0, 1), QStringLiteral("הקובץ נקרא בהצלחה"));
    QCOMPARE(f.t.store.LoadedFolder, folder.toStdString());
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
