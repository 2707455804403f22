// The companies list: saving the loaded set, reading it back through the import page,
// deleting, the refusals; printing the list as its grid stands; and renders of the page
// (app-renders/companies_page.png) and of the list's first printed page
// (app-renders/report_companies_page1.png).
#include <cstdlib>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "app/app_message.h"
#include "app/dialogs/output_dialog.h"
#include "app/main_window.h"
#include "app/pages/companies_page.h"
#include "app/pages/import_page.h"
#include "app/report/grid_print.h"
#include "app/widgets/grid.h"
#include "app_test_support.h"
#include "engine/report/report_writers.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"
#include "generator/data_set.h"

namespace tallyscan::test {
namespace {

// The header of a saved set: all a listing reads.
void WriteSavedHeader(const QString& year_folder, std::int64_t dealer, const char* name) {
  RecordWriter a000(RecordType::kA000);
  a000.SetDigits(1003, dealer).SetText(1018, Utf8ToCp1255(name));
  QDir().mkpath(year_folder);
  QFile ini(year_folder + QStringLiteral("/Ini.txt"));
  QVERIFY(ini.open(QIODevice::WriteOnly));
  ini.write(a000.line().data(), static_cast<qint64>(a000.line().size()));
}

}  // namespace

class CompaniesPageTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    QTemporaryDir home;
    TestApp t;
    MainWindow window{t.app, StoredSize(900, 600)};
    ImportPage* import_page = window.PageOf<ImportPage>();
    CompaniesPage* page = window.PageOf<CompaniesPage>();
    Grid* list = page->List();

    Fixture() {
      t.app.companies_folder = (home.path() + QStringLiteral("/Zevavu")).toStdString();
      t.app.program_folder = (home.path() + QStringLiteral("/program/")).toStdString();
      window.resize(900, 600);  // wider than the test screen leaves it
      window.show();
    }
    void Open() {
      window.PressButton(PageId::kCompanies);
      QCOMPARE(window.CurrentPage(), PageId::kCompanies);
    }
    // A click on the row's name, as the user chooses a row.
    void Choose(int row) {
      const QRect cell = list->visualRect(list->model()->index(row, 1));
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }
    QString Cell(int row, int column) const {
      return list->model()->index(row, column).data().toString();
    }
    QString Message(std::size_t n) const {
      return n < t.messages.size() ? t.messages[n].text : QString();
    }
  };

  static QString GeneratedSet(const QTemporaryDir& dir, int tax_year) {
    DataSetOptions options;
    options.movements = 200;
    options.tax_year = tax_year;
    const QString folder = dir.filePath(QStringLiteral("set%1").arg(tax_year));
    GeneratedDataSet generated;
    if (!GenerateDataSet(options, folder.toStdString(), &generated).ok()) return {};
    return folder;
  }

 private slots:
  // Save, list, read back with Enter: the import page shows the log the original gave.
  void SavedSetReadsBackWithTheSameLog() {
    QTemporaryDir sets;
    Fixture f;
    const QString source = GeneratedSet(sets, 2024);
    QVERIFY(!source.isEmpty());
    f.import_page->ReadFolder(source);
    QVERIFY2(f.t.messages.empty(), qPrintable(f.Message(0)));
    const std::vector<std::string> original = f.import_page->Rows();

    f.Open();
    QCOMPARE(f.list->model()->rowCount(), 0);
    f.page->SaveCompany();
    QVERIFY2(f.t.messages.empty(), qPrintable(f.Message(0)));
    QVERIFY(!f.page->Saving() && !f.t.app.app_busy);
    QCOMPARE(f.list->model()->rowCount(), 1);
    const QString saved = QString::fromStdString(f.page->Companies()[0].folder);
    QVERIFY(saved.startsWith(f.home.path() + QStringLiteral("/Zevavu/")));
    QVERIFY(saved.endsWith(QStringLiteral("/2024")));
    QCOMPARE(f.Cell(0, 1), QStringLiteral("מחשבי השרון שיווק והפצה בע\"מ"));
    QCOMPARE(f.Cell(0, 2), QStringLiteral("2024"));
    QCOMPARE(f.Cell(0, 3), QChar(0x2066) + saved + QChar(0x2069));  // a path reads left to right
    QVERIFY(f.list->selectionModel()->isRowSelected(0, {}));        // the saved row is chosen

    f.list->setFocus();
    QTest::keyClick(f.list, Qt::Key_Return);
    QCOMPARE(f.window.CurrentPage(), PageId::kImport);
    QVERIFY2(f.t.messages.empty(), qPrintable(f.Message(0)));
    QCOMPARE(f.t.store.LoadedFolder, saved.toStdString());
    QCOMPARE(f.import_page->Rows(), original);

    // Saving the same company and year again asks; Cancel leaves the saved set alone.
    f.Open();
    f.t.answer = 2;
    f.page->SaveCompany();
    QCOMPARE(f.t.messages.size(), std::size_t{1});
    QCOMPARE(f.t.messages[0].kind, 2);
    QVERIFY(f.t.messages[0].default_button == MessageDefault::kCancel);
    QCOMPARE(f.Message(0), QStringLiteral("קיים כבר קובץ קודם של אותה חברה ושנת כספים\n"
                                          "באם תשמור את הקובץ, יתבטלו שינויים שנעשו בו\n"
                                          "האם ברצונך לשמור את הקובץ"));
    // A double-click reads the row too: it is the set in memory already, read again only
    // when the user agrees.
    f.Choose(0);
    const QRect cell = f.list->visualRect(f.list->model()->index(0, 1));
    QTest::mouseDClick(f.list->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(f.Message(1), QStringLiteral("הקובץ כבר נקרא. לקרוא אותו שוב?"));
  }

  // While a save copies, the bar and "ביטול" show; a stopped first save leaves nothing.
  void StoppedSaveLeavesNothingSaved() {
    QTemporaryDir sets;
    Fixture f;
    f.import_page->ReadFolder(GeneratedSet(sets, 2023));
    f.Open();
    auto* bar = f.page->findChild<QProgressBar*>(QStringLiteral("progressBar"));
    auto* stop = f.page->findChild<QPushButton*>(QStringLiteral("stopButton"));
    QVERIFY(!bar->isVisible() && !stop->isVisible());
    bool saving_look = false;
    connect(bar, &QProgressBar::valueChanged, f.page, [&](int value) {
      if (value < 1 || saving_look) return;
      saving_look = bar->isVisible() && stop->isVisible() && f.t.app.app_busy &&
                    !f.page->findChild<QToolButton*>(QStringLiteral("saveButton"))->isEnabled();
      QTest::mouseClick(stop, Qt::LeftButton);
    });
    f.page->SaveCompany();
    QVERIFY(saving_look);
    QCOMPARE(f.Message(0), QStringLiteral("שמירת החברה הופסקה"));
    QCOMPARE(f.list->model()->rowCount(), 0);
    QVERIFY(!bar->isVisible() && !f.t.app.app_busy);
  }

  // Delete asks with the row's name and year; only OK deletes.
  void DeleteAsksFirst() {
    Fixture f;
    const QString company = f.home.path() + QStringLiteral("/Zevavu/123456782");
    WriteSavedHeader(company + QStringLiteral("/2022"), 123456782, "מאפיית הגליל");
    WriteSavedHeader(company + QStringLiteral("/2023"), 123456782, "מאפיית הגליל");
    f.Open();
    f.Choose(1);
    f.t.answer = 2;
    f.page->DeleteCompany();
    QCOMPARE(f.Message(0), QStringLiteral("האם הנך בטוח/ה שברצונך למחוק חברה זו\n"
                                          "שם החברה - מאפיית הגליל   שנת כספים - 2023"));
    QVERIFY(f.t.messages[0].icon == MessageIcon::kQuestion);
    QVERIFY(f.t.messages[0].default_button == MessageDefault::kCancel);
    QCOMPARE(f.list->model()->rowCount(), 2);
    f.t.answer = 1;
    f.page->DeleteCompany();
    QCOMPARE(f.list->model()->rowCount(), 1);
    QCOMPARE(f.Cell(0, 2), QStringLiteral("2022"));
    QCOMPARE(f.t.messages.size(), std::size_t{2});
  }

  // The box itself: Enter answers a question that cannot be undone with "ביטול".
  void QuestionBoxPressesCancelOnEnterWhenAsked() {
    TestApp t;
    t.app.message_hook = nullptr;
    for (const MessageDefault chosen : {MessageDefault::kCancel, MessageDefault::kOk}) {
      QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        QTest::keyClick(box, Qt::Key_Return);
      });
      const int answer =
          AppMessage(t.app, nullptr, 2, MessageIcon::kQuestion, QStringLiteral("?"), chosen);
      QCOMPARE(answer, chosen == MessageDefault::kCancel ? kMessageCancel : kMessageOk);
    }
  }

  void RefusalsWithoutDataOrChoice() {
    Fixture f;
    f.Open();
    f.page->SaveCompany();
    f.page->ReadCompany();
    f.page->DeleteCompany();
    QCOMPARE(f.t.messages.size(), std::size_t{3});
    QCOMPARE(f.Message(0), QStringLiteral("יש לקרוא תחילה את קובץ הנתונים"));
    QCOMPARE(f.Message(1), QStringLiteral("יש לבחור קודם את החברה שברצונך לקרוא"));
    QCOMPARE(f.Message(2), QStringLiteral("יש לבחור קודם את החברה שברצונך למחוק"));
    for (const AppMessageCall& call : f.t.messages) {
      QCOMPARE(call.kind, 1);
      QVERIFY(call.icon == MessageIcon::kExclamation);
    }
    QCOMPARE(f.window.CurrentPage(), PageId::kCompanies);
  }

  // Two companies, one with two years; the list fills the page at any window size.
  void RenderTwoCompaniesOneWithTwoYears() {
    Fixture f;
    const QString root = f.home.path() + QStringLiteral("/Zevavu");
    WriteSavedHeader(root + QStringLiteral("/123456782/2022"), 123456782, "מאפיית הגליל בע\"מ");
    WriteSavedHeader(root + QStringLiteral("/123456782/2023"), 123456782, "מאפיית הגליל בע\"מ");
    WriteSavedHeader(root + QStringLiteral("/512345676/2023"), 512345676,
                     "מחשבי השרון שיווק והפצה בע\"מ");
    f.Open();
    QCOMPARE(f.list->model()->rowCount(), 3);
    f.Choose(1);
    QApplication::processEvents();
    QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
    const QString path = QStringLiteral(TALLYSCAN_RENDER_DIR "/companies_page.png");
    QVERIFY(f.window.grab().toImage().save(path));
    qInfo("rendered %s", qPrintable(path));
    const QRect before = f.list->geometry();
    f.window.resize(1100, 750);
    QApplication::processEvents();
    QCOMPARE(f.list->width() - before.width(), 200);
    QCOMPARE(f.list->height() - before.height(), 150);
  }

  // "הדפס" follows the rows; the report is the grid as it stands: its captions, its rows
  // numbered, the folders kept in their order by the isolates the list gives them.
  void PrintsTheListAsItsGridStands() {
    Fixture f;
    auto* print = f.page->findChild<QPushButton*>(QStringLiteral("printButton"));
    QVERIFY(print != nullptr);
    f.Open();
    QVERIFY(!print->isEnabled());
    const QString root = f.home.path() + QStringLiteral("/Zevavu");
    WriteSavedHeader(root + QStringLiteral("/123456782/2022"), 123456782, "מאפיית הגליל בע\"מ");
    WriteSavedHeader(root + QStringLiteral("/512345676/2023"), 512345676, "מחשבי השרון <בע\"מ>");
    f.page->Rescan();
    QVERIFY(print->isEnabled());

    StringSink sink;
    HtmlReportWriter html(HtmlForm::kMail, sink);
    SilentProgress silent;
    const ReportHeader header;
    const PrintFonts fonts = DefaultPrintFonts();
    ReportStream stream(header, fonts, {&html}, silent);
    QVERIFY(GridReportProducer(*f.list, "10רשימת החברות")(stream));
    QVERIFY(stream.End().ok());
    const QString text = QString::fromStdString(Cp1255ToUtf8(sink.bytes()));
    for (const QString& expected :
         {QStringLiteral("רשימת החברות"), QStringLiteral("שם החברה"),
          QStringLiteral("ספריית החברה"), QStringLiteral("מחשבי השרון &lt;בע\"מ&gt;"),
          QStringLiteral("/512345676/2023&#8297;</td>\r\n")}) {
      QVERIFY2(text.contains(expected), qPrintable(expected));
    }
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^<td align=right>&nbsp;[12]</td>$")))
                 .size(),
             2);

    OutputDialog dialog(f.t.app, QStringLiteral("Companies"),
                        GridReportProducer(*f.list, "10רשימת החברות"), &f.window);
    dialog.open_file = [](const QString&) { return true; };
    dialog.SetPrinters({QStringLiteral("מדפסת שאינה נפתחת")});
    dialog.ClickTarget(kPdfTarget);
    dialog.ClickTarget(kPrinterTarget);
    dialog.Execute();
    QVERIFY(dialog.LastRun().completed);
    const QString png = QStringLiteral(TALLYSCAN_RENDER_DIR "/report_companies_page1");
    QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
    QCOMPARE(std::system(QStringLiteral("pdftoppm -png -r 80 -f 1 -l 1 -singlefile '%1' '%2'")
                             .arg(dialog.LastRun().pdf_file, png)
                             .toUtf8()
                             .constData()),
             0);
    qInfo("rendered %s.png", qPrintable(png));
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::CompaniesPageTest)
#include "companies_page_test.moc"
