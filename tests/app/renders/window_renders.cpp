// Renders the main window, the looks of a main button, the about box, the item catalogue and
// the key update dialog to PNG files in the build folder (app-renders/), so that a person can
// look at them. Not a test: `make renders` builds and runs it.
#include <filesystem>

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include "app/dialogs/about_dialog.h"
#include "app/dialogs/key_update_dialog.h"
#include "app/main_window.h"
#include "app/pages/import_page.h"
#include "app/pages/items_page.h"
#include "app/widgets/main_button.h"
#include "app_test_support.h"
#include "engine/uniform/import.h"
#include "generator/data_set.h"

namespace tallyscan::test {

class WindowRenders : public QObject {
  Q_OBJECT
 private:
  static QString Save(const QImage& image, const QString& name) {
    QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
    const QString path = QStringLiteral(TALLYSCAN_RENDER_DIR "/") + name;
    return image.save(path) ? path : QString();
  }

 private slots:
  void MainWindowAfterReadingTheDemo() {
    QTemporaryDir scratch;
    TestApp t;
    MainWindow window(t.app, StoredSize(860, 600));
    window.resize(860, 600);  // larger than the test screen
    window.show();
    auto* page = window.PageOf<ImportPage>();
    page->findChild<QLineEdit*>(QStringLiteral("folderEdit"))
        ->setText(DemoOrWrittenDataSet(scratch));
    page->Start();
    QVERIFY(t.messages.empty());
    const QImage image = window.grab().toImage();
    QCOMPARE(image.size(), QSize(860, 600));
    const QString path = Save(image, QStringLiteral("main_window_import.png"));
    QVERIFY(!path.isEmpty());
    qInfo("rendered %s", qPrintable(path));
  }

  void MainButtonLooks() {
    TestApp t;
    MainWindow window(t.app, StoredSize(710, 560));
    window.show();
    MainButton* button = window.Button(PageId::kChecks);
    // Plain, pressed, hot, default; then focused, and focused while default.
    QImage sheet(kMainButtonWidth * 2 + 30, kMainButtonHeight * 3 + 40, QImage::Format_RGB32);
    sheet.fill(QColor(65, 123, 174));
    QPainter painter(&sheet);
    MainButtonLook look = button->Look();
    const QPoint places[6] = {{10, 10},
                              {20 + kMainButtonWidth, 10},
                              {10, 20 + kMainButtonHeight},
                              {20 + kMainButtonWidth, 20 + kMainButtonHeight},
                              {10, 30 + 2 * kMainButtonHeight},
                              {20 + kMainButtonWidth, 30 + 2 * kMainButtonHeight}};
    for (int i = 0; i < 6; ++i) {
      look.pressed = i == 1;
      look.hot = i == 2;
      look.is_default = i == 3 || i == 5;
      look.focused = i >= 4;
      painter.save();
      painter.translate(places[i]);
      PaintMainButton(painter, look);
      painter.restore();
    }
    painter.end();
    // The widget itself, pressed and hot, as the window shows it.
    button->setDown(true);
    const QString pressed =
        Save(button->grab().toImage(), QStringLiteral("main_button_pressed.png"));
    button->setDown(false);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(button, &enter);
    QVERIFY(button->IsHot());
    const QString hot = Save(button->grab().toImage(), QStringLiteral("main_button_hot.png"));
    const QString looks = Save(sheet, QStringLiteral("main_button_looks.png"));
    QVERIFY(!pressed.isEmpty() && !hot.isEmpty() && !looks.isEmpty());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    QVERIFY(!button->IsHot());
  }

  void AboutBox() {
    AboutDialog box(nullptr);
    box.show();
    QVERIFY(!Save(box.grab().toImage(), QStringLiteral("about_box.png")).isEmpty());
  }

  // The catalogue of a generated set, sorted by the item's name.
  void ItemCatalogue() {
    QTemporaryDir dir;
    DataSetOptions options;
    options.seed = 21;
    GeneratedDataSet generated;
    const std::filesystem::path folder = dir.path().toStdString();
    QVERIFY(GenerateDataSet(options, folder, &generated).ok());
    TestApp t;
    SilentProgress silent;
    QVERIFY(ImportFolder(t.store, folder.string(), silent).status.ok());
    MainWindow window(t.app, StoredSize(1366, 768));
    window.resize(1366, 768);
    window.show();
    window.PressButton(PageId::kItems);
    window.PageOf<ItemsPage>()->SortBy(5);
    QVERIFY(!Save(window.grab().toImage(), QStringLiteral("items_page.png")).isEmpty());
  }

  void KeyUpdateDialog_() {
    KeyUpdateDialog dialog(nullptr);
    dialog.show();
    QVERIFY(!Save(dialog.grab().toImage(), QStringLiteral("key_update_dialog.png")).isEmpty());
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::WindowRenders)
#include "window_renders.moc"
