// The keyboard as the window switches it, on an Xvfb the test starts with the US English and
// Hebrew layouts (keyboard_report_test.py on-xvfb): the item catalogue's search box chooses
// the Hebrew layout for a Hebrew column and Num Lock for a numeric one, and gives the keyboard
// back in English when it closes. The window itself is drawn offscreen; the keyboard
// switching is pointed at the Xvfb.
#include <filesystem>
#include <memory>

#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/keyboard.h"
#include "app/main_window.h"
#include "app/pages/items_page.h"
#include "app_test_support.h"
#include "engine/uniform/import.h"
#include "generator/data_set.h"
#include "xkb_probe.h"

namespace tallyscan::test {

class KeyboardTest : public QObject {
  Q_OBJECT

 private:
  // The groups `setxkbmap us,il` gives.
  static constexpr int kEnglish = 0;
  static constexpr int kHebrew = 1;

  std::unique_ptr<XkbProbe> probe_;

 private slots:
  void initTestCase() {
    // Run by keyboard_report_test.py on-xvfb, which names its own Xvfb: never the keyboard of
    // the desktop the test may be run from.
    const QByteArray display = qgetenv("TALLYSCAN_XVFB_DISPLAY");
    if (display.isEmpty()) QSKIP("runs on the Xvfb of keyboard_report_test.py on-xvfb");
    qputenv("DISPLAY", display);
    SetKeyboardWindowSystem(KeyboardWindowSystem::kX11, "xcb");
    probe_ = std::make_unique<XkbProbe>(display.constData());
    QVERIFY(probe_->Open());
  }

  void cleanupTestCase() {
    probe_.reset();
    SetKeyboardWindowSystem(KeyboardWindowSystem::kNone, "offscreen");
  }

  void TheItemSearchBoxSwitchesTheKeyboardAndGivesItBackInEnglish_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("group_while_open");
    QTest::addColumn<bool>("num_lock_while_open");
    QTest::newRow("a Hebrew text: the item's description") << 5 << kHebrew << false;
    QTest::newRow("a code: the item's own") << 2 << kEnglish << true;
    QTest::newRow("any other: the quantity in") << 10 << kEnglish << false;
  }

  void TheItemSearchBoxSwitchesTheKeyboardAndGivesItBackInEnglish() {
    QFETCH(int, field);
    QFETCH(int, group_while_open);
    QFETCH(bool, num_lock_while_open);
    QTemporaryDir dir;
    TestApp t;
    DataSetOptions options;
    options.seed = 21;
    const std::filesystem::path folder = dir.path().toStdString();
    GeneratedDataSet generated;
    QVERIFY(GenerateDataSet(options, folder, &generated).ok());
    SilentProgress silent;
    QVERIFY(ImportFolder(t.store, folder.string(), silent).status.ok());
    MainWindow window(t.app, StoredSize(1366, 768));
    window.show();
    window.PressButton(PageId::kItems);
    auto* page = window.PageOf<ItemsPage>();
    page->SortBy(field);
    QCOMPARE(page->SortField(), field);

    NumLock();
    Eng();
    int group = -1;
    bool num_lock = false;
    bool box_seen = false;
    QTimer::singleShot(0, this, [&] {
      auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      group = probe_->Group();
      num_lock = probe_->NumLockOn();
      box_seen = box != nullptr;
      if (box != nullptr) box->reject();
    });
    page->Search();
    QVERIFY(box_seen);
    QCOMPARE(group, group_while_open);
    QCOMPARE(num_lock, num_lock_while_open);
    QCOMPARE(probe_->Group(), kEnglish);
    NumLock();
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::KeyboardTest)
#include "keyboard_test.moc"
