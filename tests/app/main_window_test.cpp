#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "app/main_window.h"
#include "app/texts.h"
#include "app/widgets/main_button.h"
#include "app_test_support.h"
#include "engine/shell/window_placement.h"

namespace tallyscan::test {

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  static std::unique_ptr<MainWindow> Open(TestApp& t) {
    auto window = std::make_unique<MainWindow>(
        t.app, ParseMainDlgPos(t.settings.ReadReg(kParams, kMainDlgPos)));
    window->ShowAsStored();
    return window;
  }

  // Top y of buttons 1..8 in bar order.
  static std::vector<int> Tops(const MainWindow& window) {
    std::vector<int> tops;
    for (int id = 2001; id <= 2008; ++id) tops.push_back(window.Button(id)->y());
    return tops;
  }

 private slots:
  void StoredSizeIsRaisedToTheMinimum() {
    TestApp t;
    QCOMPARE(Open(t)->size(), QSize(710, 540));
    t.settings.WriteReg(kParams, kMainDlgPos, "500,400,0");
    QCOMPARE(Open(t)->size(), QSize(710, 560));
  }

  void MaximisedCloseStoresTheFixedSizeAndReopensMaximised() {
    TestApp t;
    auto window = Open(t);
    window->showMaximized();
    QVERIFY(window->close());
    QCOMPARE(t.settings.ReadReg(kParams, kMainDlgPos), std::string("710,485,1"));
    auto again = Open(t);
    QVERIFY(again->isMaximized());
  }

  void NormalCloseStoresTheSize() {
    TestApp t;
    auto window = Open(t);
    window->resize(800, 600);
    QVERIFY(window->close());
    QCOMPARE(t.settings.ReadReg(kParams, kMainDlgPos), std::string("800,600,0"));
  }

  void CloseIsRefusedWhileBusy() {
    TestApp t;
    auto window = Open(t);
    t.app.app_busy = true;
    QVERIFY(!window->close());
    QVERIFY(t.settings.ReadReg(kParams, kMainDlgPos).empty());
    t.app.app_busy = false;
    QVERIFY(window->close());
  }

  void WithoutDataOnlyImportAndCompaniesOpen() {
    TestApp t;
    auto window = Open(t);
    for (int id : {2002, 2003, 2004, 2005, 2006, 2008}) {
      window->PressButton(id);
      QCOMPARE(window->CurrentPage(), 1);
    }
    QCOMPARE(t.messages.size(), std::size_t{6});
    for (const AppMessageCall& call : t.messages) {
      QCOMPARE(call.text, texts::kNeedsData);
      QCOMPARE(call.kind, 1);
      QVERIFY(call.icon == MessageIcon::kExclamation);
    }
    window->PressButton(2007);
    QCOMPARE(window->CurrentPage(), 6);
    QVERIFY(window->PageAt(6)->isVisible());
    QVERIFY(!window->PageAt(1)->isVisible());
    // The companies list is page 6 but button 7: buttons 1..7 stand at the top.
    const int h = window->height();
    QCOMPARE(Tops(*window), (std::vector<int>{110, 160, 210, 260, 310, 360, 410, h - 75}));
    window->PressButton(2001);
    QCOMPARE(window->CurrentPage(), 1);
    QCOMPARE(t.messages.size(), std::size_t{6});
  }

  void PressingTheCurrentButtonChangesNothing() {
    TestApp t;
    auto window = Open(t);
    const std::vector<int> before = Tops(*window);
    window->PressButton(2001);
    QCOMPARE(window->CurrentPage(), 1);
    QCOMPARE(Tops(*window), before);
    QVERIFY(t.messages.empty());
    // Leaving the import page would have stored the folder.
    QVERIFY(t.settings.ReadReg(kParams, kLastPath).empty());
  }

  void ItemsMovesTheBarAroundPageEight() {
    TestApp t;
    t.store.LoadedFolder = "/loaded";
    auto window = Open(t);
    const int h = window->height();
    QCOMPARE(Tops(*window),
             (std::vector<int>{110, h - 75 - 6 * 50, h - 75 - 5 * 50, h - 75 - 4 * 50,
                               h - 75 - 3 * 50, h - 75 - 2 * 50, h - 125, h - 75}));
    window->PressButton(2006);
    QCOMPARE(window->CurrentPage(), 8);
    QVERIFY(window->PageAt(8)->isVisible());
    QCOMPARE(Tops(*window), (std::vector<int>{110, 160, 210, 260, 310, 360, h - 125, h - 75}));
    // Right to left: the bar stands along the right edge, the page fills the rest.
    QCOMPARE(window->Button(2001)->geometry().right(), window->width() - 1 - 2);
    QCOMPARE(window->PageAt(8)->geometry(), window->PageArea());
    QVERIFY(window->PageArea().right() < window->width() - 158);
  }

  void LeavingTheImportPageStoresTheFolder() {
    TestApp t;
    // Started from the checkout, where a relative "samples/demo" would also be found.
    const QString started_in = QDir::currentPath();
    QDir::setCurrent(QStringLiteral(TALLYSCAN_SOURCE_DIR));
    auto window = Open(t);
    QDir::setCurrent(started_in);
    auto* edit = window->PageAt(1)->findChild<QLineEdit*>(QStringLiteral("folderEdit"));
    QVERIFY(edit);
    QCOMPARE(edit->text(), QStringLiteral(TALLYSCAN_DEMO_DIR));  // first start
    edit->setText(QStringLiteral("/data/2023"));
    window->PressButton(2007);
    QCOMPARE(t.settings.ReadReg(kParams, kLastPath), std::string("/data/2023"));
    auto next = Open(t);
    QCOMPARE(next->PageAt(1)->findChild<QLineEdit*>(QStringLiteral("folderEdit"))->text(),
             QStringLiteral("/data/2023"));
  }

  void StatusTextWithTabIsCentred() {
    TestApp t;
    auto window = Open(t);
    window->SetStatusText(1, QStringLiteral("\tשנת כספים - 2023"));
    QCOMPARE(window->StatusPart(1)->text(), QStringLiteral("שנת כספים - 2023"));
    QVERIFY(window->StatusPart(1)->alignment() & Qt::AlignHCenter);
    window->SetStatusText(2, QStringLiteral("x"));
    QVERIFY(!(window->StatusPart(2)->alignment() & Qt::AlignHCenter));
  }

  void PendingUpdateIsAskedOnceAndStartsTheUpdateOnOk() {
    TestApp t;
    auto window = Open(t);
    int started = 0;
    window->SetUpdateStarter([&] { ++started; });
    t.app.update_pending = true;
    while (t.messages.empty()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCOMPARE(t.messages.size(), std::size_t{1});
    QCOMPARE(t.messages[0].kind, 2);
    QVERIFY(t.messages[0].icon == MessageIcon::kQuestion);
    QVERIFY(t.messages[0].text.startsWith(texts::kNewerVersion));
    QVERIFY(t.messages[0].text.endsWith(texts::kAskUpdate));
    QCOMPARE(started, 1);
    QVERIFY(!t.app.update_pending);
  }

  void PendingUpdateOfAPackagedProgramIsOnlyTold() {
    TestApp t;
    t.app.self_update = false;
    t.settings.WriteReg(kParams, kUpdateServer, "https://updates.example");
    auto window = Open(t);
    int started = 0;
    window->SetUpdateStarter([&] { ++started; });
    t.app.update_pending = true;
    while (t.messages.empty()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCOMPARE(t.messages.size(), std::size_t{1});
    QCOMPARE(t.messages[0].kind, 1);
    QCOMPARE(t.messages[0].text, texts::kNewerVersion + QLatin1Char('\n') +
                                     texts::kUpdateThroughPackages + QLatin1Char('\n') +
                                     texts::kNewVersionAt +
                                     QStringLiteral(" https://updates.example"));
    QCOMPARE(started, 0);
    QVERIFY(!t.app.update_pending);
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::MainWindowTest)
#include "main_window_test.moc"
