// Paths inside the right-to-left interface read left to right: a message's paths are held in
// isolates where the message is composed, and the folder chooser shows its folder left to right.
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextLayout>
#include <QtTest>

#include "app/main_window.h"
#include "app/pages/import_page.h"
#include "app/path_text.h"
#include "app/widgets/folder_chooser.h"
#include "app_test_support.h"
#include "generator/data_set.h"

namespace tallyscan::test {
namespace {

const QString kPath = QStringLiteral("/home/user/data/BKMVDATA.TXT");

QString Isolated(const QString& path) {
  return kLeftToRightIsolate + path + kPopDirectionalIsolate;
}

// Whether the first separator of `path` in `text`, laid out as a right-to-left paragraph, is
// drawn at the left end of the path (where a path read left to right begins).
bool PathReadsLeftToRight(const QString& text, const QString& path) {
  QTextLayout layout(text, QApplication::font());
  QTextOption option;
  option.setTextDirection(Qt::RightToLeft);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  line.setLineWidth(4000);
  layout.endLayout();
  const int at = static_cast<int>(text.indexOf(path));
  qreal left = line.cursorToX(at);
  qreal right = left;
  for (int k = 1; k <= path.size(); ++k) {
    left = std::min(left, line.cursorToX(at + k));
    right = std::max(right, line.cursorToX(at + k));
  }
  const qreal after_separator = line.cursorToX(at + 1);
  return after_separator - left < right - after_separator;
}

}  // namespace

class PathTextTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QApplication::setLayoutDirection(Qt::RightToLeft); }

  void EachPathOfAMessageIsIsolatedAndNothingElse() {
    struct Case {
      QString message, path;  // `path` empty: the message comes back as it is
    };
    const std::vector<Case> cases = {
        {QStringLiteral("הקובץ %1 אינו קיים"), kPath},
        {QStringLiteral("לא ניתן לכתוב את הקובץ %1 (No space left on device)"),
         QStringLiteral("/tmp/My Reports/index.pdf")},
        {QStringLiteral("שגיאה בקריאת הקובץ %1 - Is a directory"),
         QStringLiteral("/home/user/נתונים 2024/BKMVDATA.TXT")},
        {QStringLiteral("cannot open %1: No such file or directory"), kPath},
        {QStringLiteral("לא ניתן לשמור עותק של קובץ הנתונים - השינוי לא בוצע\n%1"), kPath},
        {QStringLiteral("Permission denied (%1)"), QStringLiteral("/home/user/Zevavu")},
        {QStringLiteral("הקובץ %1."), QStringLiteral("C:\\Data\\BKMVDATA.TXT")},
        {QStringLiteral("הספריה %1 אינה קיימת"), QStringLiteral("samples/demo/")},
        {QStringLiteral("הצלבת מפתחות כרטיסים/תנועות"), {}},
        {QStringLiteral("תאריך 01/02/2024 אינו תקין"), {}},
        {QStringLiteral("גרסה חדשה בכתובת https://updates.example"), {}},
    };
    for (const Case& c : cases) {
      const QString message = c.path.isEmpty() ? c.message : c.message.arg(c.path);
      const QString expected = c.path.isEmpty() ? message : c.message.arg(Isolated(c.path));
      QCOMPARE(IsolatePaths(message), expected);
      QCOMPARE(IsolatePaths(expected), expected);  // composed once, whoever passes it on
    }
    // What the isolate is for: the path's separator where its reading begins.
    const QString message = QStringLiteral("הקובץ %1 אינו קיים");
    QVERIFY(!PathReadsLeftToRight(message.arg(kPath), kPath));
    QVERIFY(PathReadsLeftToRight(IsolatePaths(message.arg(kPath)), kPath));
  }

  // A real message with a path: saving a company into a store that cannot be made.
  void AMessageOfThePagesHoldsItsPathInAnIsolate() {
    QTemporaryDir home;
    QFile blocker(home.filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TestApp t;
    t.app.companies_folder = home.filePath(QStringLiteral("blocker/Zevavu")).toStdString();
    MainWindow window(t.app, StoredSize(1366, 768));
    window.show();
    QTemporaryDir data;
    DataSetOptions options;
    options.movements = 200;
    GeneratedDataSet generated;
    QVERIFY(GenerateDataSet(options, data.path().toStdString(), &generated).ok());
    window.PageOf<ImportPage>()->ReadFolder(data.path());
    window.PressButton(PageId::kCompanies);
    window.PageAt(PageId::kCompanies)
        ->findChild<QAbstractButton*>(QStringLiteral("saveButton"))
        ->click();
    QVERIFY(!t.messages.empty());
    const QString text = t.messages.back().text;
    const QString path = home.filePath(QStringLiteral("blocker"));
    QVERIFY2(text.contains(kLeftToRightIsolate + path), qPrintable(text));
    QVERIFY2(text.count(kLeftToRightIsolate) == text.count(kPopDirectionalIsolate),
             qPrintable(text));
  }

  // The folder chooser shows the folder it looks in left to right.
  void TheChooserShowsItsFolderLeftToRight() {
    QLineEdit edit;
    edit.setText(QDir::tempPath());
    QString look_in;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("lookInCombo"));
      look_in = combo != nullptr && combo->layoutDirection() == Qt::LeftToRight
                    ? combo->currentText()
                    : QString();
      dialog->reject();
    });
    ChooseFolder(nullptr, &edit);
    QCOMPARE(look_in, QDir::tempPath());
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::PathTextTest)
#include "path_text_test.moc"
