// The transfer page: the account list with its numbers and a whole transfer run from the page,
// the page rendered to a PNG file in the build folder (app-renders/) for a person to look at.
#include <QCheckBox>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "app/main_window.h"
#include "app/pages/transfer_page.h"
#include "app/widgets/grid.h"
#include "app_test_support.h"
#include "engine/browse/browse.h"
#include "engine/uniform/import.h"
#include "generator/data_set.h"

namespace tallyscan::test {
namespace {

QString Save(const QImage& image, const QString& name) {
  QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
  const QString path = QStringLiteral(TALLYSCAN_RENDER_DIR "/") + name;
  return image.save(path) ? path : QString();
}

}  // namespace

class TransferPageTest : public QObject {
  Q_OBJECT
 private slots:
  void ListsTheAccountsAndTransfersIntoTheFolder() {
    QTemporaryDir data, target;
    DataSetOptions options;
    options.movements = 600;
    GeneratedDataSet generated;
    QVERIFY(GenerateDataSet(options, data.path().toStdString(), &generated).ok());
    TestApp t;
    SilentProgress silent;
    QVERIFY(ImportFolder(t.store, data.path().toStdString(), silent).status.ok());
    MainWindow window(t.app, StoredSize(1000, 700));
    window.show();
    window.PressButton(PageId::kTransfer);
    auto* page = window.PageOf<TransferPage>();
    QCOMPARE(page->List()->Model().rowCount(), static_cast<int>(t.store.AccountIndex.Count()));
    QCOMPARE(page->List()
                 ->Model()
                 .data(page->List()->Model().index(0, 2), Qt::DisplayRole)
                 .toString()
                 .trimmed(),
             QStringLiteral("1100"));
    // The "#" column shows the index's picture of each account.
    for (int row = 0; row < page->List()->Model().rowCount(); ++row) {
      const std::string line =
          ReadRecordLine(t.store, t.store.AccountListIndex[row + 1].Offset, RecordType::kB110);
      QCOMPARE(page->List()->Model().Source()->CellText(row, 1),
               AccountRowCells(line, t.store.DosCodePage)[0]);
    }
    page->findChild<QLineEdit*>(QStringLiteral("folderEdit"))->setText(target.path());
    page->Start();
    QVERIFY(QFileInfo::exists(target.path() + QStringLiteral("/24.Ndx")));
    QVERIFY(QFileInfo::exists(target.path() + QStringLiteral("/24.Trn")));
    const auto step_line = [page] {
      return page->findChild<QLabel*>(QStringLiteral("stepLine"))->text();
    };
    QVERIFY2(step_line().startsWith(QStringLiteral("הקליטה הסתיימה - נקלטו ")) &&
                 step_line().endsWith(QStringLiteral(" קבצים")),
             qPrintable(step_line()));
    QVERIFY(t.messages.empty());
    const QString path = Save(window.grab().toImage(), QStringLiteral("transfer_page.png"));
    QVERIFY(!path.isEmpty());
    qInfo("rendered %s", qPrintable(path));

    // A second run is refused step by step, and says so.
    page->Start();
    QCOMPARE(t.messages.size(), std::size_t{1});
    QVERIFY(t.messages[0].text.contains(QStringLiteral("קיימים כבר נתונים קודמים בקובץ האינדקס")));
    QVERIFY2(step_line().startsWith(QStringLiteral("לא נקלטו נתונים - ")) &&
                 step_line().endsWith(QStringLiteral(" העברות נדחו")),
             qPrintable(step_line()));

    // Into a folder that holds documents only, the accounts and movements are written while
    // each document type is refused: the status says both.
    QTemporaryDir documents_only;
    const auto tick = [page](std::initializer_list<const char*> ticked) {
      for (QCheckBox* box : page->findChildren<QCheckBox*>()) {
        bool on = false;
        for (const char* text : ticked) on = on || box->text() == QString::fromUtf8(text);
        box->setChecked(on);
      }
    };
    page->findChild<QLineEdit*>(QStringLiteral("folderEdit"))->setText(documents_only.path());
    tick({"קבצי תעודות"});
    t.messages.clear();
    page->Start();
    tick({"אינדקס חשבונות", "תנועות הנהלת חשבונות", "קבצי תעודות"});
    page->Start();
    QVERIFY(!t.messages.empty());
    QVERIFY2(step_line().startsWith(QStringLiteral("הקליטה הסתיימה בחלקה - נקלטו ")) &&
                 step_line().endsWith(QStringLiteral(" העברות נדחו")),
             qPrintable(step_line()));
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::TransferPageTest)
#include "transfer_page_test.moc"
