#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include "app/command_line.h"
#include "app/dialogs/about_dialog.h"
#include "app/main_window.h"
#include "app/pages/import_page.h"
#include "app_test_support.h"
#include "engine/common/version.h"

namespace tallyscan::test {

class CommandLineTest : public QObject {
  Q_OBJECT

 private slots:
  void LaunchArgumentNamesTheFolderOfTheSet() {
    QTemporaryDir dir;
    const QString set = dir.path() + QStringLiteral("/שנת 2024");
    QVERIFY(QDir().mkpath(set));
    for (const char* name : {"INI.TXT", "Bkmvdata.Zip"}) {
      QFile file(set + QLatin1Char('/') + QLatin1String(name));
      QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QString absent = dir.path() + QStringLiteral("/absent/INI.TXT");
    const QString program = QStringLiteral("tallyscan");
    const struct {
      QStringList arguments;
      QString folder;
    } cases[] = {
        {{program}, {}},
        {{program, set}, set},
        {{program, set + QStringLiteral("/INI.TXT")}, set},
        {{program, set + QStringLiteral("/Bkmvdata.Zip")}, set},
        {{program, QUrl::fromLocalFile(set + QStringLiteral("/INI.TXT")).toString()}, set},
        {{program, QStringLiteral("--unknown"), set}, set},
        {{program, absent}, absent},  // kept, so that the import says what is missing
    };
    for (const auto& c : cases) {
      QCOMPARE(LaunchFolder(c.arguments), QDir::toNativeSeparators(c.folder));
    }
    QCOMPARE(LaunchFolder({program, QStringLiteral("INI.TXT")}),
             QDir::toNativeSeparators(QDir::current().absoluteFilePath(QStringLiteral("INI.TXT"))));
  }

  void LaunchFolderIsReadOnTheImportPage() {
    QTemporaryDir scratch;
    TestApp t;
    MainWindow window(t.app, StoredSize(710, 560));
    window.show();
    window.PressButton(
        PageId::kCompanies);  // the companies list: reading goes back to the import page
    const QString folder = DemoOrWrittenDataSet(scratch);
    ReadLaunchFolder(
        window, LaunchFolder({QStringLiteral("tallyscan"), folder + QStringLiteral("/INI.TXT")}));
    QVERIFY2(t.messages.empty(), qPrintable(t.messages.empty() ? QString() : t.messages[0].text));
    QCOMPARE(window.CurrentPage(), PageId::kImport);
    QCOMPARE(QString::fromStdString(t.store.LoadedFolder), folder);
    QVERIFY(window.PageOf<ImportPage>()->Rows().size() > 14);
  }

  void BannerAndF1OpenOneAboutBoxWithTheVersion() {
    TestApp t;
    MainWindow window(t.app, StoredSize(710, 560));
    InstallAboutBox(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Right to left: the banner is at the top right.
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(window.width() - 40, 30));
    auto boxes = window.findChildren<AboutDialog*>();
    QCOMPARE(boxes.size(), 1);
    const QString version =
        QString::fromUtf8(ProgramVersion().data(), static_cast<qsizetype>(ProgramVersion().size()));
    QVERIFY2(boxes[0]->VersionLabel()->text().contains(version),
             qPrintable(boxes[0]->VersionLabel()->text()));
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(window.width() - 40, 30));
    QCOMPARE(window.findChildren<AboutDialog*>().size(), 1);
    boxes[0]->accept();
    QTRY_COMPARE(window.findChildren<AboutDialog*>().size(), 0);

    // A click elsewhere opens nothing; F1 does.
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(40, 30));
    QCOMPARE(window.findChildren<AboutDialog*>().size(), 0);
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_F1);
    QCOMPARE(window.findChildren<AboutDialog*>().size(), 1);
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::CommandLineTest)
#include "command_line_test.moc"
