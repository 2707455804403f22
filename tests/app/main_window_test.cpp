#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "app/app_texts.h"
#include "app/main_window.h"
#include "app/pages/import_page.h"
#include "app/widgets/main_button.h"
#include "app/widgets/result_list.h"
#include "app_test_support.h"
#include "engine/program/program.h"

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

  // The same picture, but for the rounding of a gradient drawn into another pixel format.
  static bool AlikeBar(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y) {
      for (int x = 0; x < a.width(); ++x) {
        const QRgb p = a.pixel(x, y);
        const QRgb q = b.pixel(x, y);
        if (std::abs(qRed(p) - qRed(q)) > 8 || std::abs(qGreen(p) - qGreen(q)) > 8 ||
            std::abs(qBlue(p) - qBlue(q)) > 8) {
          return false;
        }
      }
    }
    return true;
  }

  // Top y of buttons 1..8 in bar order.
  static std::vector<int> Tops(const MainWindow& window) {
    std::vector<int> tops;
    for (const PageSpec& entry : Pages()) tops.push_back(window.Button(entry.id)->y());
    return tops;
  }

 private slots:
  // The client area within the screen's usable area, less what a frame may add.
  static bool OnScreen(const MainWindow& window) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    return area.adjusted(8, 32, -8, -8).contains(window.geometry());
  }

  void FirstStartUsesMostOfTheScreenAndSmallSizesAreRaised() {
    TestApp t;
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    auto first = Open(t);
    QVERIFY(OnScreen(*first));
    QVERIFY(first->width() >= 710 && first->height() >= 540);
    QVERIFY(first->height() * 100 >= (area.height() - 40) * 89);  // most of the screen
    QVERIFY(std::abs(first->geometry().center().x() - area.center().x()) <= 8);
    t.settings.WriteReg(kParams, kMainDlgPos, "500,400,0");
    QCOMPARE(Open(t)->size(), QSize(710, 560));
  }

  // A window closed on a large monitor and opened on a small screen: cut to the screen, its
  // title bar and its button bar on it. A value stored before the position was kept still
  // reads.
  void StoredGeometryLargerThanTheScreenIsBroughtOntoIt() {
    TestApp t;
    t.settings.WriteReg(kParams, kMainDlgPos, "3000,2000,0,2500,1800");
    auto window = Open(t);
    QVERIFY2(OnScreen(*window), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                               .arg(window->x())
                                               .arg(window->y())
                                               .arg(window->width())
                                               .arg(window->height())));
    for (const PageSpec& entry : Pages()) {
      const QRect button(window->Button(entry.id)->mapToGlobal(QPoint()),
                         window->Button(entry.id)->size());
      QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(button));
    }
    t.settings.WriteReg(kParams, kMainDlgPos, "720,600,0");
    QCOMPARE(Open(t)->size(), QSize(720, 600));
    t.settings.WriteReg(kParams, kMainDlgPos, "720,600,0,30,60");
    QCOMPARE(Open(t)->geometry(), QRect(30, 60, 720, 600));
  }

  void MaximisedCloseKeepsTheNormalSizeAndPlaceAndReopensMaximised() {
    TestApp t;
    t.settings.WriteReg(kParams, kMainDlgPos, "760,580,0,30,60");
    auto window = Open(t);
    window->showMaximized();
    QVERIFY(window->close());
    QCOMPARE(t.settings.ReadReg(kParams, kMainDlgPos), std::string("760,580,1,30,60"));
    auto again = Open(t);
    QVERIFY(again->isMaximized());
    again->showNormal();
    QCOMPARE(again->geometry(), QRect(30, 60, 760, 580));
  }

  void NormalCloseStoresTheSizeAndThePlace() {
    TestApp t;
    auto window = Open(t);
    window->setGeometry(40, 50, 720, 600);
    QVERIFY(window->close());
    QCOMPARE(t.settings.ReadReg(kParams, kMainDlgPos), std::string("720,600,0,40,50"));
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
    for (PageId id : {PageId::kChecks, PageId::kAccountsIndex, PageId::kLedger, PageId::kDocuments,
                      PageId::kItems, PageId::kTransfer, PageId::kAnalysis}) {
      window->PressButton(id);
      QCOMPARE(window->CurrentPage(), PageId::kImport);
    }
    QCOMPARE(t.messages.size(), std::size_t{7});
    for (const AppMessageCall& call : t.messages) {
      QCOMPARE(call.text, texts::kNeedsData);
      QCOMPARE(call.kind, 1);
      QVERIFY(call.icon == MessageIcon::kExclamation);
    }
    window->PressButton(PageId::kCompanies);
    QCOMPARE(window->CurrentPage(), PageId::kCompanies);
    QVERIFY(window->PageAt(PageId::kCompanies)->isVisible());
    QVERIFY(!window->PageAt(PageId::kImport)->isVisible());
    // The companies list is page 6 but button 7: buttons 1..7 stand at the top, buttons 8 and
    // 9 follow them after a gap.
    QCOMPARE(Tops(*window), (std::vector<int>{110, 160, 210, 260, 310, 360, 410, 472, 522}));
    window->PressButton(PageId::kImport);
    QCOMPARE(window->CurrentPage(), PageId::kImport);
    QCOMPARE(t.messages.size(), std::size_t{7});
  }

  void PressingTheCurrentButtonChangesNothing() {
    TestApp t;
    auto window = Open(t);
    const std::vector<int> before = Tops(*window);
    window->PressButton(PageId::kImport);
    QCOMPARE(window->CurrentPage(), PageId::kImport);
    QCOMPARE(Tops(*window), before);
    QVERIFY(t.messages.empty());
  }

  void ItemsMovesTheBarAroundPageEight() {
    TestApp t;
    t.store.LoadedFolder = "/loaded";
    auto window = Open(t);
    // On a tall window the buttons below the current one follow it after a gap.
    QCOMPARE(Tops(*window), (std::vector<int>{110, 172, 222, 272, 322, 372, 422, 472, 522}));
    window->PressButton(PageId::kItems);
    QCOMPARE(window->CurrentPage(), PageId::kItems);
    QVERIFY(window->PageAt(PageId::kItems)->isVisible());
    QCOMPARE(Tops(*window), (std::vector<int>{110, 160, 210, 260, 310, 360, 422, 472, 522}));
    // On a low window they stand on the bottom.
    window->resize(710, 590);
    const int h = window->height();
    QCOMPARE(Tops(*window),
             (std::vector<int>{110, 160, 210, 260, 310, 360, h - 175, h - 125, h - 75}));
    window->PressButton(PageId::kImport);
    QCOMPARE(Tops(*window), (std::vector<int>{110, h - 75 - 7 * 50, h - 75 - 6 * 50,
                                              h - 75 - 5 * 50, h - 75 - 4 * 50, h - 75 - 3 * 50,
                                              h - 75 - 2 * 50, h - 125, h - 75}));
    // Right to left: the bar stands along the right edge, the page fills the rest.
    QCOMPARE(window->Button(PageId::kImport)->geometry().right(), window->width() - 1 - 2);
    QCOMPARE(window->PageAt(PageId::kImport)->geometry(), window->PageArea());
    QVERIFY(window->PageArea().right() < window->width() - 158);
  }

  // At the least size and at the first-start sizes of a 1366x768 and a 1920x1080 screen
  // (their usable area less a task bar), whichever page is current: a button overlaps its
  // neighbours and the status bar's buttons by no more than its 2-pixel frame, stands below
  // the banner, its caption fits, and the window shows the button as the button alone
  // draws itself (nothing lies over its picture or caption).
  void EveryButtonShowsItsPictureAndCaptionWholeAtEverySize() {
    TestApp t;
    t.store.LoadedFolder = "/loaded";
    auto window = Open(t);
    const FrameMargins frame{8, 32, 8, 8};
    const ScreenRect laptop = PlaceMainWindow(MainDlgPos{}, {0, 0, 1366, 728}, frame);
    const ScreenRect desk = PlaceMainWindow(MainDlgPos{}, {0, 0, 1920, 1040}, frame);
    for (const QSize size : {QSize(kMainLeastWidth, kMainLeastHeight),
                             QSize(laptop.width, laptop.height), QSize(desk.width, desk.height)}) {
      window->resize(size);
      QCOMPARE(window->size(), size);
      for (const PageSpec& current : Pages()) {
        window->PressButton(current.id);
        const QImage shown = window->grab().toImage();
        const QToolButton* back = window->findChild<QToolButton*>(QStringLiteral("backButton"));
        const QRect back_button(back->mapTo(window.get(), QPoint()), back->size());
        int previous_bottom = -1;
        for (const PageSpec& entry : Pages()) {
          auto* button = static_cast<MainButton*>(window->Button(entry.id));
          const QString where = QStringLiteral("%1x%2, page %3, button %4")
                                    .arg(size.width())
                                    .arg(size.height())
                                    .arg(current.button_id)
                                    .arg(entry.button_id);
          const QRect place = button->geometry();
          QVERIFY2(place.top() >= previous_bottom - 2 + 1 && place.top() >= 108 &&
                       place.bottom() - 2 < back_button.top(),
                   qPrintable(where));
          previous_bottom = place.bottom();
          const QFontMetrics metrics(button->font());
          QVERIFY2(metrics.height() <= place.height() - 8 - 2 &&
                       metrics.horizontalAdvance(button->text()) <= place.width() - 4 - 32 - 8 - 4,
                   qPrintable(where));
          const QRect inside = QRect(QPoint(), place.size()).adjusted(3, 3, -3, -3);
          QVERIFY2(AlikeBar(shown.copy(inside.translated(place.topLeft())),
                            button->grab().toImage().copy(inside)),
                   qPrintable(where));
        }
      }
    }
  }

  // The folder offered is the last one read to its end, not whatever the box held.
  void TheLastFolderReadIsOffered() {
    TestApp t;
    // Started from the checkout, where a relative "samples/demo" would also be found.
    const QString started_in = QDir::currentPath();
    QDir::setCurrent(QStringLiteral(TALLYSCAN_SOURCE_DIR));
    auto window = Open(t);
    QDir::setCurrent(started_in);
    auto* edit =
        window->PageAt(PageId::kImport)->findChild<QLineEdit*>(QStringLiteral("folderEdit"));
    QVERIFY(edit);
    QCOMPARE(edit->text(), QStringLiteral(TALLYSCAN_DEMO_DIR));  // first start
    edit->setText(QStringLiteral("/data/2023"));
    window->PressButton(PageId::kCompanies);
    QVERIFY(window->close());
    QVERIFY(t.settings.ReadReg(kParams, kLastPath).empty());

    QTemporaryDir scratch;
    const QString folder = DemoOrWrittenDataSet(scratch);
    auto reader = Open(t);
    reader->PageAt(PageId::kImport)
        ->findChild<QLineEdit*>(QStringLiteral("folderEdit"))
        ->setText(folder);
    reader->PageOf<ImportPage>()->Start();
    QVERIFY(t.messages.empty());
    QCOMPARE(t.settings.ReadReg(kParams, kLastPath), folder.toStdString());
    auto next = Open(t);
    QCOMPARE(
        next->PageAt(PageId::kImport)->findChild<QLineEdit*>(QStringLiteral("folderEdit"))->text(),
        folder);
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

  // While a reading runs the pages that need data cannot be opened: their buttons are
  // disabled with the reason in the status bar, and pressing one (or its Ctrl key) opens no
  // message box, which would hold the reading until it was answered.
  void PageButtonsAreDisabledDuringAReadingAndNoMessageIsOpened() {
    QTemporaryDir scratch;
    TestApp t;
    auto window = Open(t);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    auto* page = window->PageOf<ImportPage>();
    page->findChild<QLineEdit*>(QStringLiteral("folderEdit"))
        ->setText(DemoOrWrittenDataSet(scratch));
    auto* bar = page->findChild<QProgressBar*>(QStringLiteral("progressBar"));
    bool looked = false;
    std::vector<bool> enabled;
    QString status;
    connect(bar, &QProgressBar::valueChanged, window.get(), [&](int value) {
      if (looked || value < 1) return;
      looked = true;
      for (const PageSpec& entry : Pages())
        enabled.push_back(window->Button(entry.id)->isEnabled());
      status = window->findChild<QStatusBar*>()->currentMessage();
      window->PressButton(PageId::kChecks);
      QTest::keyClick(window.get(), Qt::Key_3, Qt::ControlModifier);
      QTest::mouseClick(window->Button(PageId::kDocuments), Qt::LeftButton);
    });
    page->Start();
    QVERIFY(looked);
    QCOMPARE(enabled,
             (std::vector<bool>{true, false, false, false, false, false, true, false, false}));
    QCOMPARE(status, texts::kBusyReading);
    QVERIFY(t.messages.empty());
    QCOMPARE(window->CurrentPage(), PageId::kImport);
    // Afterwards every button is back and the status bar shows the data set again.
    for (const PageSpec& entry : Pages()) QVERIFY(window->Button(entry.id)->isEnabled());
    QVERIFY(window->findChild<QStatusBar*>()->currentMessage().isEmpty());
    QTest::keyClick(window.get(), Qt::Key_2, Qt::ControlModifier);
    QCOMPARE(window->CurrentPage(), PageId::kChecks);
  }

  // F5 reads, Esc stops the reading; Enter presses the main button or page button that has the
  // focus; each button's tooltip names its Ctrl key.
  void KeysOfTheWindow() {
    QTemporaryDir scratch;
    TestApp t;
    auto window = Open(t);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    auto* page = window->PageOf<ImportPage>();
    page->findChild<QLineEdit*>(QStringLiteral("folderEdit"))
        ->setText(DemoOrWrittenDataSet(scratch));
    auto* bar = page->findChild<QProgressBar*>(QStringLiteral("progressBar"));
    bool stopped = false;
    connect(bar, &QProgressBar::valueChanged, window.get(), [&](int value) {
      if (stopped || value < 1) return;
      stopped = true;
      QTest::keyClick(window.get(), Qt::Key_Escape);
    });
    QTest::keyClick(window.get(), Qt::Key_F5);
    QVERIFY(stopped);
    QVERIFY(t.store.LoadedFolder.empty());
    QCOMPARE(page->Rows().front().substr(0, 1), std::string("4"));  // stopped
    stopped = true;
    QTest::keyClick(window.get(), Qt::Key_F5);
    QVERIFY(!t.store.LoadedFolder.empty());

    window->Button(PageId::kChecks)->setFocus();
    QTest::keyClick(window->Button(PageId::kChecks), Qt::Key_Return);
    QCOMPARE(window->CurrentPage(), PageId::kChecks);
    // A page's tool button too: the companies list's "שמור חברה" saves (here it is refused,
    // the set having no dealer number to file it under, which shows it was pressed).
    window->PressButton(PageId::kCompanies);
    auto* save =
        window->PageAt(PageId::kCompanies)->findChild<QToolButton*>(QStringLiteral("saveButton"));
    QVERIFY(save);
    save->setFocus();
    const std::size_t messages = t.messages.size();
    QTest::keyClick(save, Qt::Key_Return);
    QCOMPARE(t.messages.size(), messages + 1);
    // A check box is not pressed by Enter.
    window->PressButton(PageId::kImport);
    QCheckBox* errors_only = page->Results()->ErrorsOnlyBox();
    errors_only->setFocus();
    QTest::keyClick(errors_only, Qt::Key_Return);
    QVERIFY(!errors_only->isChecked());
    QCOMPARE(window->Button(PageId::kLedger)->toolTip(), QStringLiteral("כרטסות (Ctrl+4)"));
  }

  // Entering a page, by its button's click or key, gives the focus to the page's own first
  // control (the import page's folder field), never to the main button: Enter then stays on
  // the page.
  void EnteringAPageFocusesItsOwnControl() {
    TestApp t;
    t.store.LoadedFolder = "/loaded";
    auto window = Open(t);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    const auto focus_in = [&](PageId id) {
      QWidget* focus = QApplication::focusWidget();
      return focus != nullptr && window->PageAt(id)->isAncestorOf(focus) &&
             qobject_cast<MainButton*>(focus) == nullptr;
    };
    for (const PageSpec& entry : Pages()) {
      if (entry.id == PageId::kImport) continue;
      QTest::mouseClick(window->Button(entry.id), Qt::LeftButton);
      QCOMPARE(window->CurrentPage(), entry.id);
      QVERIFY2(focus_in(entry.id), entry.caption);
      QTest::keyClick(window.get(), Qt::Key_1, Qt::ControlModifier);
      QCOMPARE(window->CurrentPage(), PageId::kImport);
      QCOMPARE(QApplication::focusWidget(),
               window->PageAt(PageId::kImport)->findChild<QWidget*>(QStringLiteral("folderEdit")));
    }
  }

  // The update question waits while a long operation runs: a message box from the timer
  // would hold the operation.
  void PendingUpdateWaitsForALongOperation() {
    TestApp t;
    auto window = Open(t);
    t.app.app_busy = true;
    t.app.update_pending = true;
    QTest::qWait(1600);  // eight ticks of the timer, more than it waits before asking
    QVERIFY(t.messages.empty());
    QVERIFY(t.app.update_pending);
    t.app.app_busy = false;
    while (t.messages.empty()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCOMPARE(t.messages.size(), std::size_t{1});
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
