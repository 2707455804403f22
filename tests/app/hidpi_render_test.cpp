// The window on a screen of twice the density (QT_SCALE_FACTOR=2, set by the test's
// environment): the pictures are the ones drawn at twice the size, drawn pixel for pixel, and
// a render of the window is left in app-renders/ for a person to look at.
#include <QDir>
#include <QGuiApplication>
#include <QtTest>

#include "app/images.h"
#include "app/main_window.h"
#include "app/widgets/main_button.h"
#include "app_test_support.h"

namespace tallyscan::test {

class HiDpiRenderTest : public QObject {
  Q_OBJECT
 private slots:
  void PicturesAreDrawnForTheDenseScreen() {
    QCOMPARE(qGuiApp->devicePixelRatio(), 2.0);
    const QImage button = Picture(QStringLiteral("BTN1"));
    QCOMPARE(button.devicePixelRatio(), 2.0);
    QCOMPARE(button.size(), QSize(64, 64));
    QCOMPARE(button.deviceIndependentSize().toSize(), QSize(32, 32));
    QCOMPARE(Picture(QStringLiteral("BTN1"), 1).size(), QSize(32, 32));
    // The list images carry both resolutions.
    const QPixmap error = ListImage(1).pixmap(QSize(20, 20), 2.0);
    QCOMPARE(error.size(), QSize(40, 40));
    QImage expected = Picture(QStringLiteral("LvImg"), 2)
                          .copy(40, 0, 40, 40)
                          .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    expected.setDevicePixelRatio(2);
    QCOMPARE(error.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), expected);
  }

  // The button's picture lands in the render pixel for pixel: drawn from the picture made for
  // this density, not blown up from the small one.
  void TheWindowRendersItsPicturesCrisp() {
    TestApp t;
    MainWindow window(t.app, StoredSize(900, 640));
    window.resize(900, 640);
    window.show();
    const QImage render = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(render.devicePixelRatio(), 2.0);
    QCOMPARE(render.size(), QSize(1800, 1280));
    const MainButton* button = window.Button(PageId::kAccountsIndex);
    const QImage picture = Picture(QStringLiteral("BTN3")).convertToFormat(QImage::Format_ARGB32);
    // Right to left: the picture stands 4 pixels from the button's right edge.
    const QPoint origin = button->mapTo(&window, QPoint(button->width() - 4 - 32, 10)) * 2;
    int opaque = 0;
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) {
        const QRgb pixel = picture.pixel(x, y);
        if (qAlpha(pixel) != 255) continue;
        ++opaque;
        QCOMPARE(render.pixel(origin + QPoint(x, y)) & 0xFFFFFF, pixel & 0xFFFFFF);
      }
    }
    QVERIFY(opaque > 500);
    QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
    const QString path = QStringLiteral(TALLYSCAN_RENDER_DIR "/main_window_2x.png");
    QVERIFY(render.save(path));
    qInfo("rendered %s", qPrintable(path));
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::HiDpiRenderTest)
#include "hidpi_render_test.moc"
