// The filter boxes of the accounts index, the ledger and the documents pages at the window's
// first-start size on a 1366×768 and on a 1920×1080 screen: the caption, the field and the
// count each whole, side by side inside the window; a click in the middle of the field
// focuses it, and typed text stays inside the field, clear of the count. Renders of each
// page's toolbar at 1366×768 (app-renders/filter_box_*.png).
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "app/main_window.h"
#include "app/pages/accounts_index_page.h"
#include "app/pages/documents_page.h"
#include "app/pages/ledger_page.h"
#include "app/widgets/filter_box.h"
#include "app_test_support.h"
#include "engine/program/program.h"
#include "engine/uniform/import.h"
#include "generator/data_set.h"

namespace tallyscan::test {
namespace {

constexpr FrameMargins kFrame{8, 32, 8, 8};

struct Screen {
  const char* name;
  ScreenRect rect;
};
constexpr Screen kScreens[] = {{"1366x768", {0, 0, 1366, 768}}, {"1920x1080", {0, 0, 1920, 1080}}};

struct Box {
  const char* page;
  PageId id;
};
constexpr Box kBoxes[] = {{"index", PageId::kAccountsIndex},
                          {"ledger", PageId::kLedger},
                          {"documents", PageId::kDocuments}};

// The rectangle of `widget` in the window's coordinates.
QRect InWindow(const QWidget* widget) {
  return QRect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
}

}  // namespace

class FilterBoxesTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    DataSetOptions options;
    options.movements = 600;
    options.accounts = 60;
    GeneratedDataSet generated;
    QVERIFY(GenerateDataSet(options, dir_.path().toStdString(), &generated).ok());
  }

  void EveryFilterBoxIsWholeAtTheFirstStartSizes() {
    TestApp t;
    SilentProgress silent;
    QVERIFY(ImportFolder(t.store, dir_.path().toStdString(), silent).status.ok());
    MainWindow window{t.app, StoredSize(1366, 768)};
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    for (const Screen& screen : kScreens) {
      const ScreenRect place = PlaceMainWindow(MainDlgPos{}, screen.rect, kFrame);
      window.setGeometry(place.x, place.y, place.width, place.height);
      for (const Box& box : kBoxes) {
        const QString where =
            QStringLiteral("%1 at %2").arg(QLatin1String(box.page), QLatin1String(screen.name));
        window.PressButton(box.id);
        QCOMPARE(window.CurrentPage(), box.id);
        FilterBox* filter = nullptr;
        for (FilterBox* candidate : window.findChildren<FilterBox*>()) {
          if (candidate->isVisible()) filter = candidate;
        }
        QVERIFY2(filter != nullptr && filter->isVisible(), qPrintable(where));
        QTRY_VERIFY(!filter->Working());
        QLabel* caption = filter->Caption();
        QLineEdit* field = filter->Field();
        QLabel* count = filter->CountLabel();
        // The widest count the box has room for, and a long typed text.
        count->setText(QStringLiteral("1000000 מתוך 1000000"));
        QCoreApplication::processEvents();

        const QRect window_rect = window.rect();
        const struct {
          const char* part;
          QLabel* label;
        } labels[] = {{"caption", caption}, {"count", count}};
        for (const auto& [part, label] : labels) {
          const QString what = where + QStringLiteral(": ") + QLatin1String(part);
          QVERIFY2(label->isVisible(), qPrintable(what));
          const int needed = label->fontMetrics().horizontalAdvance(label->text());
          QVERIFY2(needed <= label->contentsRect().width(),
                   qPrintable(QStringLiteral("%1 needs %2 pixels, has %3")
                                  .arg(what)
                                  .arg(needed)
                                  .arg(label->contentsRect().width())));
        }
        const QRect parts[] = {InWindow(caption), InWindow(field), InWindow(count)};
        for (const QRect& part : parts) {
          QVERIFY2(window_rect.contains(part), qPrintable(where));
        }
        QVERIFY2(!parts[0].intersects(parts[1]), qPrintable(where + QStringLiteral(": caption")));
        QVERIFY2(!parts[1].intersects(parts[2]), qPrintable(where + QStringLiteral(": count")));
        QVERIFY2(!parts[0].intersects(parts[2]), qPrintable(where));
        // Nor does the page put anything else over the box.
        const QRect whole = InWindow(filter);
        for (const QWidget* other : filter->parentWidget()->findChildren<QWidget*>(
                 QString(), Qt::FindDirectChildrenOnly)) {
          if (other == filter || !other->isVisible() || other->isWindow()) continue;
          QVERIFY2(!InWindow(other).intersects(whole),
                   qPrintable(where + QStringLiteral(": under ") + other->objectName()));
        }
        // Room for a word or an amount to be typed and read back.
        QVERIFY2(field->width() >=
                     field->fontMetrics().horizontalAdvance(QStringLiteral("1,234,567.89 לקוחות")),
                 qPrintable(where));

        // A real click in the middle of the field: the widget there takes it, and the focus
        // goes to the field.
        filter->parentWidget()->setFocus();
        QVERIFY(!field->hasFocus());
        const QPoint middle = InWindow(field).center();
        QWidget* under = window.childAt(middle);
        QVERIFY2(under == field || field->isAncestorOf(under),
                 qPrintable(where + QStringLiteral(": the middle of the field is another's")));
        QTest::mouseClick(under, Qt::LeftButton, {}, under->mapFrom(&window, middle));
        QVERIFY2(field->hasFocus(), qPrintable(where));
        const QString typed = QStringLiteral("1,234,567.89 MK274943");
        QTest::keyClicks(QApplication::focusWidget(), typed);
        QCOMPARE(field->text(), typed);
        field->clear();
        QTRY_VERIFY(!filter->Working());

        if (screen.rect.width == 1366) {
          QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
          QWidget* page = filter->parentWidget();
          const QRect strip(0, 0, page->width(),
                            InWindow(filter).bottom() - InWindow(page).top() + 8);
          QVERIFY(page->grab(strip).save(QStringLiteral(TALLYSCAN_RENDER_DIR "/filter_box_%1.png")
                                             .arg(QLatin1String(box.page))));
        }
      }
    }
  }

 private:
  QTemporaryDir dir_;
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::FilterBoxesTest)
#include "filter_boxes_test.moc"
