#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/images.h"
#include "app/startup.h"
#include "app/widgets/check_list.h"
#include "app/widgets/drawing.h"
#include "app/widgets/folder_chooser.h"
#include "app/widgets/grid.h"
#include "app/widgets/main_button.h"
#include "app/widgets/progress_bar.h"

namespace tallyscan::test {
namespace {

const QRgb kMagenta = qRgb(255, 0, 255);
const QRgb kGreen = qRgb(0, 160, 0);
const QRgb kBack = qRgb(10, 20, 30);

QImage Canvas(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(kBack);
  return image;
}

// A 4 x 4 picture: magenta frame around a green centre.
QImage FramedPicture() {
  QImage picture(4, 4, QImage::Format_RGB32);
  picture.fill(kMagenta);
  for (int y = 1; y < 3; ++y) {
    for (int x = 1; x < 3; ++x) picture.setPixel(x, y, kGreen);
  }
  return picture;
}

QImage Render(const MainButtonLook& look) {
  QImage image(look.rect.size(), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  PaintMainButton(painter, look);
  return image;
}

MainButtonLook PlainLook() {
  MainButtonLook look;
  look.rect = QRect(0, 0, kMainButtonWidth, kMainButtonHeight);
  look.caption = QStringLiteral("יבוא קובץ");
  look.picture = Picture(QStringLiteral("BTN1"));
  return look;
}

int Distance(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
         std::abs(qBlue(a) - qBlue(b));
}

}  // namespace

class DrawingKitTest : public QObject {
  Q_OBJECT
 private slots:
  void TransparentColourTakenFromTopLeftPixel() {
    QImage target = Canvas(8, 8);
    {
      QPainter painter(&target);
      DrawTransparentBitmap(painter, FramedPicture(), 2, 2, -1);
    }
    QCOMPARE(target.pixel(2, 2), kBack);  // magenta frame left the target alone
    QCOMPARE(target.pixel(3, 3), kGreen);
    QCOMPARE(target.pixel(5, 5), kBack);
  }

  void ExplicitTransparentColourAndNullBitmap() {
    QImage target = Canvas(8, 8);
    {
      QPainter painter(&target);
      DrawTransparentBitmap(painter, FramedPicture(), 0, 0, 0x00A000);  // green is the key
      DrawTransparentBitmap(painter, QImage(), 4, 4, -1);
    }
    QCOMPARE(target.pixel(0, 0), kMagenta);
    QCOMPARE(target.pixel(1, 1), kBack);
    QCOMPARE(target.pixel(5, 5), kBack);
  }

  void PressingInvertsTheGradient() {
    MainButtonLook look = PlainLook();
    look.picture = QImage();
    look.caption.clear();
    const QImage up = Render(look);
    look.pressed = true;
    const QImage down = Render(look);
    const int x = kMainButtonWidth / 2;
    QVERIFY(Distance(up.pixel(x, 3), qRgb(161, 192, 219)) < 30);
    QVERIFY(Distance(up.pixel(x, kMainButtonHeight - 4), qRgb(59, 91, 120)) < 30);
    QVERIFY(Distance(down.pixel(x, 3), qRgb(59, 91, 120)) < 30);
    QVERIFY(Distance(down.pixel(x, kMainButtonHeight - 4), qRgb(161, 192, 219)) < 30);
    QVERIFY(Distance(up.pixel(0, 0), qRgb(255, 255, 255)) < 60);  // the corner is clipped away
  }

  void HotRingOnlyWhenNotPressed() {
    MainButtonLook look = PlainLook();
    const QPoint ring(4, kMainButtonHeight / 2);  // the trailing side of a right-to-left button
    const QRgb amber = qRgb(252, 210, 121);
    QVERIFY(Distance(Render(look).pixel(ring), amber) > 60);
    look.hot = true;
    QVERIFY(Distance(Render(look).pixel(ring), amber) < 30);
    look.pressed = true;
    QVERIFY(Distance(Render(look).pixel(ring), amber) > 60);
    look.pressed = false;
    look.hot = false;
    look.is_default = true;
    QVERIFY(Distance(Render(look).pixel(ring), qRgb(149, 180, 232)) < 30);
  }

  void PictureSitsAtTheLeadingEdge() {
    MainButtonLook look = PlainLook();
    look.caption.clear();
    look.picture = QImage(10, 10, QImage::Format_RGB32);
    look.picture.fill(kMagenta);
    for (int y = 1; y < 9; ++y) {
      for (int x = 1; x < 9; ++x) look.picture.setPixel(x, y, kGreen);
    }
    const QImage rtl = Render(look);
    const int y = (kMainButtonHeight - 10) / 2 + 5;
    QCOMPARE(rtl.pixel(kMainButtonWidth - 4 - 5, y), kGreen);
    look.direction = Qt::LeftToRight;
    QCOMPARE(Render(look).pixel(4 + 5, y), kGreen);
  }

  void ProgressBarShowsItsPercentage() {
    PercentProgressBar bar;
    bar.setLayoutDirection(Qt::RightToLeft);
    bar.resize(200, 20);
    bar.setValue(50);
    const QImage half = bar.grab().toImage();
    QCOMPARE(half.pixel(190, 3), qRgb(49, 106, 197));  // filled from the right
    QCOMPARE(half.pixel(10, 3), qRgb(255, 255, 255));
    bar.setValue(100);
    const QImage full = bar.grab().toImage();
    int yellow = 0;
    for (int x = 0; x < full.width(); ++x) {
      for (int y = 0; y < full.height(); ++y) {
        const QRgb pixel = full.pixel(x, y);
        yellow += qRed(pixel) > 150 && qGreen(pixel) > 150 && qBlue(pixel) < 150;
      }
    }
    QVERIFY(yellow > 10);
    QCOMPARE(bar.text(), QStringLiteral("100%"));
  }

  void ResultRowsShowStatusImagesBoldHeadingsAndRedValues() {
    const std::vector<std::string> rows = {"0\tהקובץ נקרא בהצלחה\u200E",
                                           "1\tשורה מספר 7\tערך\x1D\t7", "3\tשם העסק"};
    TabRowSource source(rows);
    GridModel model;
    model.SetColumns(FixedColumns(
        {QStringLiteral("30,#"), QStringLiteral("290,הפעולה"), QStringLiteral("210,התוצאה")}));
    model.SetSource(&source);
    model.SetRowCount(3);
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.Columns()[1].width, 290);
    QCOMPARE(model.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("התוצאה"));
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("הקובץ נקרא בהצלחה"));
    QVERIFY(model.index(0, 1).data(Qt::FontRole).value<QFont>().bold());
    QVERIFY(!model.index(2, 1).data(Qt::FontRole).isValid());
    QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("ערך"));
    QCOMPARE(model.index(1, 2).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    QVERIFY(!model.index(1, 1).data(Qt::ForegroundRole).isValid());
    QCOMPARE(model.index(2, 2).data().toString(), QString());
    for (int row = 0; row < 3; ++row) {
      QVERIFY(!model.index(row, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    }
    QVERIFY(!ListImage(20).isNull());
    QVERIFY(ListImage(21).isNull());
  }

  void CheckListTogglesOnSpaceAndOnTheBox() {
    QListWidget list;
    list.setLayoutDirection(Qt::RightToLeft);
    MakeCheckList(&list, true);
    for (const char* text : {"מאזן בוחן", "פקודות יומן"}) {
      auto* item = new QListWidgetItem(QString::fromUtf8(text), &list);
      item->setData(kCheckRole, 0);
    }
    list.resize(300, 100);
    list.show();
    list.setCurrentRow(0);
    QTest::keyClick(&list, Qt::Key_Space);
    QCOMPARE(list.item(0)->data(kCheckRole).toInt(), 1);
    const QRect item = list.visualItemRect(list.item(1));
    const QPoint box = CheckListDelegate::CheckRect(item, Qt::RightToLeft).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, box);
    QCOMPARE(list.item(1)->data(kCheckRole).toInt(), 1);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, item.center() - QPoint(60, 0));
    QCOMPARE(list.item(1)->data(kCheckRole).toInt(), 1);  // a click on the text does not toggle
  }

  // In the program's right-to-left interface, a push button with a picture, as the dialogs'
  // "אישור", "סגור", "ביטול" and "בחר" are where the platform gives them pictures: at its own
  // width and wider, the caption's pixels lie clear of the border and beside the picture, the
  // two in the middle.
  void PictureButtonsKeepTheirCaptionClearOfTheBorder() {
    struct LeftToRightAfter {  // as the other tests expect
      ~LeftToRightAfter() { QApplication::setLayoutDirection(Qt::LeftToRight); }
    } restore;
    PrepareHebrewInterface(*qApp);
    QPixmap blue(16, 16);
    blue.fill(QColor(0, 0, 255));
    for (const char* caption : {"אישור", "סגור", "ביטול", "בח&ר"}) {
      QPushButton button(QIcon(blue), QString::fromUtf8(caption));
      button.setLayoutDirection(Qt::RightToLeft);
      for (const int width : {button.sizeHint().width(), 80, 160}) {
        button.resize(std::max(width, button.sizeHint().width()), button.sizeHint().height());
        const QImage image = button.grab().toImage();
        const int w = image.width();
        int text_left = w, text_right = -1, picture_left = w, picture_right = -1;
        for (int y = 2; y < image.height() - 2; ++y) {
          for (int x = 2; x < w - 2; ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qBlue(pixel) > 150 && qRed(pixel) < 100 && qGreen(pixel) < 100) {
              picture_left = std::min(picture_left, x);
              picture_right = std::max(picture_right, x);
            } else if (qGray(pixel) < 110) {
              text_left = std::min(text_left, x);
              text_right = std::max(text_right, x);
            }
          }
        }
        const QString what = QStringLiteral("%1 at %2: caption %3-%4, picture %5-%6 of %7")
                                 .arg(QString::fromUtf8(caption))
                                 .arg(width)
                                 .arg(text_left)
                                 .arg(text_right)
                                 .arg(picture_left)
                                 .arg(picture_right)
                                 .arg(w);
        QVERIFY2(text_right >= 0 && picture_right >= 0, qPrintable(what));
        QVERIFY2(text_left >= 4 && picture_right <= w - 5, qPrintable(what));
        QVERIFY2(text_right < picture_left, qPrintable(what));  // the picture where reading starts
        QVERIFY2(std::abs(text_left - (w - 1 - picture_right)) <= 6, qPrintable(what));
      }
    }
  }

  void FolderChooserStartsAtTheTypedFolderAndWritesTheChoice() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    QLineEdit edit;
    edit.setText(dir.path());
    QString start;
    QString title;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      start = dialog->directory().absolutePath();
      title = dialog->windowTitle();
      dialog->selectFile(dir.filePath(QStringLiteral("sub")));
      QMetaObject::invokeMethod(dialog, "accept");
    });
    QCOMPARE(ChooseFolder(nullptr, &edit), QDir::toNativeSeparators(dir.filePath("sub")));
    QCOMPARE(start, dir.path());
    QCOMPARE(title, QStringLiteral("ציין את הספריה הרצוייה"));
    QCOMPARE(edit.text(), QDir::toNativeSeparators(dir.filePath("sub")));
    QCOMPARE(edit.cursorPosition(), edit.text().size());

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    QCOMPARE(ChooseFolder(nullptr, &edit), QDir::toNativeSeparators(dir.filePath("sub")));
    QCOMPARE(edit.text(), QDir::toNativeSeparators(dir.filePath("sub")));
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::DrawingKitTest)
#include "drawing_kit_test.moc"
