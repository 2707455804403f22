// The output dialog and the page properties dialog: the target rules clicked as a user would,
// a printer that cannot be opened, a stop during the first page, the settings record written
// by "אישור", the print buttons of the two pages, and renders of both dialogs and of the first
// page of each report.
#include <cstdio>
#include <filesystem>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "app/dialogs/output_dialog.h"
#include "app/dialogs/page_setup_dialog.h"
#include "app/main_window.h"
#include "app/pages/checks_page.h"
#include "app/pages/documents_page.h"
#include "app/pages/import_page.h"
#include "app_test_support.h"
#include "engine/checks/checks.h"
#include "engine/program/program.h"
#include "engine/report/report.h"
#include "engine/uniform/import.h"
#include "generator/data_set.h"

namespace tallyscan::test {
namespace {

QString Output(const QString& command) {
  QString text;
  FILE* pipe = ::popen(command.toUtf8().constData(), "r");
  if (pipe == nullptr) return text;
  char buffer[4096];
  QByteArray bytes;
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    bytes.append(buffer, static_cast<qsizetype>(got));
  }
  ::pclose(pipe);
  return QString::fromUtf8(bytes);
}

int PdfPages(const QString& pdf) {
  const QString info = Output(QStringLiteral("pdfinfo '%1'").arg(pdf));
  const auto match = QRegularExpression(QStringLiteral("Pages: +(\\d+)")).match(info);
  return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QString Save(const QImage& image, const QString& name) {
  QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
  const QString path = QStringLiteral(TALLYSCAN_RENDER_DIR "/") + name;
  return image.save(path) ? path : QString();
}

// A producer of numbered lines "rowNNN", each with a figure.
ReportProducer Numbered(int lines) {
  return [lines](ReportStream& stream) {
    stream.AddTitle("10שורות ממוספרות");
    stream.SetColumns(
        {{{"#", 3, kTextColumn}, {"שורה", 20, kTextColumn}, {"סכום", 10, kSignedBalanceColumn}}});
    for (int i = 1; i <= lines; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "row%03d", i);
      if (!stream.Line({std::to_string(i), name, "-1,234.50"})) return false;
    }
    return true;
  };
}

}  // namespace

class OutputDialogTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir temp_;  // the user's temporary folder for these tests

  // A dialog whose opened files and e-mails are recorded, with a printer listed that cannot be
  // opened.
  struct Fixture {
    TestApp t;
    OutputDialog dialog;
    QStringList opened;
    QStringList mailed;
    bool opens = true;    // whether a program opens the files
    QStringList offered;  // the files offered for saving
    QString save_path;    // where the user saves them; empty: declined
    explicit Fixture(ReportProducer producer, const QString& kind = QStringLiteral("Checks"))
        : dialog(t.app, kind, std::move(producer), nullptr) {
      dialog.open_file = [this](const QString& file) {
        opened << file;
        return opens;
      };
      dialog.ask_save_path = [this](const QString& file) {
        offered << file;
        return save_path;
      };
      dialog.SetMailSender(
          [this](const QString& file, const QString& subject) { mailed << file << subject; });
      dialog.SetPrinters({QStringLiteral("מדפסת שאינה נפתחת")});
      dialog.show();
    }
    void Click(OutputTarget target) {
      QCheckBox* button = dialog.TargetButton(target);
      QTest::mouseClick(button, Qt::LeftButton, {},
                        QPoint(button->width() - 8, button->height() / 2));
    }
    bool Checked(OutputTarget target) { return dialog.TargetButton(target)->isChecked(); }
    QPushButton* Execute() { return dialog.findChild<QPushButton*>(QStringLiteral("execute")); }
  };

 private slots:
  void initTestCase() {
    QVERIFY(temp_.isValid());
    qputenv("TMPDIR", temp_.path().toUtf8());
    // The e-mail dialog reads its password: with no session bus no keyring answers, so the
    // user's own keyring is never touched.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
  }

  void TargetButtonsFollowTheRules() {
    Fixture f(Numbered(1));
    QCOMPARE(f.dialog.windowTitle(), QStringLiteral("אופן הדפסת הדו'ח"));
    QCOMPARE(f.dialog.Targets(), int{kPrinterTarget});  // the printer alone at first
    QVERIFY(f.Checked(kPrinterTarget));
    f.Click(kPrinterTarget);  // no target may be left: the printer stays
    QVERIFY(f.Checked(kPrinterTarget));
    f.Click(kExcelTarget);
    QVERIFY(f.Checked(kExcelTarget));
    f.Click(kMailTarget);  // e-mail clears Excel
    QVERIFY(f.Checked(kMailTarget));
    QVERIFY(!f.Checked(kExcelTarget));
    f.Click(kPrinterTarget);
    QVERIFY(!f.Checked(kPrinterTarget));
    f.Click(kMailTarget);  // clearing e-mail with the printer off turns the printer back on
    QVERIFY(!f.Checked(kMailTarget));
    QVERIFY(f.Checked(kPrinterTarget));
    f.Click(kExcelTarget);
    f.Click(kMailTarget);  // and the other way round
    QCOMPARE(f.dialog.Targets(), kPrinterTarget | kMailTarget);
    f.Click(kPdfTarget);
    f.Click(kPrinterTarget);
    f.Click(kMailTarget);
    QCOMPARE(f.dialog.Targets(), int{kPdfTarget});  // the PDF alone is a target

    // Without an e-mail dialog to hand the file to, e-mail cannot be chosen.
    TestApp t;
    OutputDialog plain(t.app, QStringLiteral("Checks"), Numbered(1), nullptr);
    plain.SetPrinters({QStringLiteral("מדפסת שאינה נפתחת")});
    QVERIFY(!plain.TargetButton(kMailTarget)->isEnabled());
    plain.ClickTarget(kMailTarget);
    QCOMPARE(plain.Targets(), int{kPrinterTarget});
  }

  // Without a printer the printer is not ticked and cannot be: the PDF takes its place, also
  // when the other targets are cleared.
  void WithoutAPrinterThePdfTakesThePrintersPlace() {
    Fixture f(Numbered(1));
    f.dialog.SetPrinters({});
    QCOMPARE(f.dialog.Targets(), int{kPdfTarget});
    QVERIFY(!f.Checked(kPrinterTarget));
    QVERIFY(!f.dialog.TargetButton(kPrinterTarget)->isEnabled());
    f.dialog.ClickTarget(kPrinterTarget);
    QCOMPARE(f.dialog.Targets(), int{kPdfTarget});
    f.Click(kPdfTarget);  // the last target stays
    QCOMPARE(f.dialog.Targets(), int{kPdfTarget});
    f.Click(kExcelTarget);
    f.Click(kPdfTarget);
    f.Click(kExcelTarget);
    QCOMPARE(f.dialog.Targets(), int{kPdfTarget});
    QVERIFY(f.Checked(kPdfTarget) && !f.Checked(kPrinterTarget));
    f.dialog.SetPrinters({QStringLiteral("מדפסת")});
    QCOMPARE(f.dialog.Targets(), int{kPrinterTarget});
    QVERIFY(f.dialog.TargetButton(kPrinterTarget)->isEnabled());
  }

  // A file no program opened: the dialog says where it is, and of a file in the temporary
  // folder that it is a temporary file.
  void AnUnopenedFileInTheTemporaryFolderIsCalledTemporary() {
    const QString temporary = ReportFolder() + QStringLiteral("/HtmA.pdf");
    QVERIFY(temporary.startsWith(temp_.path()));
    const QString kept = QDir::home().filePath(QStringLiteral("report.pdf"));
    for (const auto& [file, is_temporary] : {std::pair{temporary, true}, std::pair{kept, false}}) {
      const QString text = UnopenedFileText(file);
      QVERIFY2(text.contains(QDir::toNativeSeparators(file)), qPrintable(text));
      QCOMPARE(text.contains(QStringLiteral("קובץ זמני")), is_temporary);
    }
  }

  void APrinterThatCannotBeOpenedStillLetsTheFilesBeWritten() {
    Fixture f(Numbered(30));
    f.t.settings.WriteReg(kParams, kExcelForm, "xls");
    OutputDialog& dialog = f.dialog;
    // The form was read when the dialog opened; choose the HTML table now.
    dialog.findChild<QComboBox*>(QStringLiteral("excelForm"))->setCurrentIndex(1);
    f.Click(kExcelTarget);
    f.Click(kPdfTarget);
    QCOMPARE(dialog.Targets(), kPrinterTarget | kExcelTarget | kPdfTarget);
    QTest::mouseClick(f.Execute(), Qt::LeftButton);
    QCOMPARE(f.t.messages.size(), std::size_t{1});
    QCOMPARE(f.t.messages[0].text,
             QStringLiteral("תקלה בזמן נסיון גישה למדפסת\nבדוק את הגדרות המדפסות בהגדרות המערכת"));
    const ReportRunResult& run = dialog.LastRun();
    QVERIFY(run.completed);
    QVERIFY(run.excel_file.endsWith(QStringLiteral(".Xls")));
    QVERIFY(QFileInfo(run.excel_file).fileName().startsWith(QStringLiteral("Htm")));
    QCOMPARE(f.opened, (QStringList{run.excel_file, run.pdf_file}));
    QVERIFY(run.excel_file.startsWith(temp_.path() + QStringLiteral("/tallyscan-reports/")));
    QCOMPARE(PdfPages(run.pdf_file), 1);
    QVERIFY(dialog.result() == QDialog::Accepted);
    QVERIFY(!f.t.app.app_busy);

    QVERIFY(f.offered.isEmpty());

    // The next dialog empties its own folder of those files once they are a day old (a
    // program may still show them before), and of nothing else.
    Fixture fresh(Numbered(1));
    QVERIFY(QFileInfo::exists(run.excel_file));
    for (const QString& name : {run.excel_file, run.pdf_file}) {
      QFile made(name);
      QVERIFY(made.open(QIODevice::ReadWrite));
      QVERIFY(made.setFileTime(QDateTime::currentDateTime().addDays(-2),
                               QFileDevice::FileModificationTime));
    }
    QFile other(temp_.path() + QStringLiteral("/tallyscan-reports/notes.txt"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.close();
    QFile shared(temp_.path() + QStringLiteral("/HtmOther.Htm"));
    QVERIFY(shared.open(QIODevice::WriteOnly));
    shared.close();
    Fixture next(Numbered(1));
    QVERIFY(!QFileInfo::exists(run.excel_file));
    QVERIFY(!QFileInfo::exists(run.pdf_file));
    QVERIFY(QFileInfo::exists(other.fileName()));
    QVERIFY(QFileInfo::exists(shared.fileName()));
  }

  // Report files older than a day go; younger ones, and other names, stay.
  void CleanUpRemovesOnlyReportFilesOlderThanADay() {
    QTemporaryDir folder;
    const QDateTime now = QDateTime::currentDateTime();
    struct Case {
      const char* name;
      qint64 age_seconds;
      bool kept;
    };
    const Case cases[] = {
        {"HtmA.pdf", kReportFileLifetimeSeconds + 60, false},
        {"HtmB.Xls", 3 * kReportFileLifetimeSeconds, false},
        {"HtmC.pdf", kReportFileLifetimeSeconds - 60, true},
        {"HtmD.xlsx", 0, true},
        {"notes.pdf", 3 * kReportFileLifetimeSeconds, true},
    };
    for (const Case& c : cases) {
      QFile file(folder.filePath(QString::fromLatin1(c.name)));
      QVERIFY(file.open(QIODevice::WriteOnly));
      QVERIFY(file.setFileTime(now.addSecs(-c.age_seconds), QFileDevice::FileModificationTime));
    }
    CleanReportFolder(folder.path(), now);
    for (const Case& c : cases) {
      QVERIFY2(QFileInfo::exists(folder.filePath(QString::fromLatin1(c.name))) == c.kept, c.name);
    }
  }

  // A file no program opens is offered for saving: the copy lands where the user chose; a
  // declined offer leaves the file where it was written.
  void AFileNoProgramOpensIsOfferedForSaving() {
    QTemporaryDir chosen;
    Fixture f(Numbered(3));
    f.opens = false;
    f.save_path = chosen.filePath(QStringLiteral("report.pdf"));
    f.Click(kPdfTarget);
    f.Click(kPrinterTarget);
    QTest::mouseClick(f.Execute(), Qt::LeftButton);
    const QString pdf = f.dialog.LastRun().pdf_file;
    QCOMPARE(f.offered, QStringList{pdf});
    QFile written(pdf);
    QFile copy(f.save_path);
    QVERIFY(written.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), written.readAll());
    QVERIFY(f.t.messages.empty());

    Fixture declined(Numbered(3));
    declined.opens = false;
    declined.Click(kPdfTarget);
    declined.Click(kPrinterTarget);
    QTest::mouseClick(declined.Execute(), Qt::LeftButton);
    QCOMPARE(declined.offered.size(), 1);
    QVERIFY(QFileInfo::exists(declined.dialog.LastRun().pdf_file));
  }

  void TheMailFormGoesToTheMailDialogWithTheFirstTitle() {
    Fixture f(Numbered(3));
    f.Click(kMailTarget);
    f.Click(kPrinterTarget);
    QTest::mouseClick(f.Execute(), Qt::LeftButton);
    QVERIFY(f.t.messages.empty());
    QCOMPARE(f.mailed.size(), 2);
    QVERIFY(f.mailed[0].endsWith(QStringLiteral(".Htm")));
    QCOMPARE(f.mailed[1], QStringLiteral("שורות ממוספרות"));
    QVERIFY(f.opened.isEmpty());
  }

  void TheEMailTargetOpensTheEMailDialogWithTheReport() {
    TestApp t;
    t.store.BusinessName = "מאפיית הגליל";
    QString subject, preview, owner;
    QTimer::singleShot(0, [&] {
      auto* output = qobject_cast<OutputDialog*>(QApplication::activeModalWidget());
      QVERIFY(output != nullptr);
      output->SetPrinters({QStringLiteral("מדפסת שאינה נפתחת")});
      output->ClickTarget(kMailTarget);
      output->ClickTarget(kPrinterTarget);
      // The e-mail dialog opens over the output dialog once the report is written.
      auto* poll = new QTimer(output);
      connect(poll, &QTimer::timeout, [&, poll] {
        QWidget* mail = QApplication::activeModalWidget();
        if (mail == nullptr || mail->objectName() != QStringLiteral("emailDialog")) return;
        poll->stop();
        owner = mail->parentWidget() != nullptr ? mail->parentWidget()->objectName() : QString();
        subject = mail->findChild<QLineEdit*>(QStringLiteral("subjectEdit"))->text();
        preview = mail->findChild<QTextBrowser*>(QStringLiteral("preview"))->toPlainText();
        mail->close();
      });
      poll->start(10);
      output->Execute();
    });
    ShowOutputDialog(t.app, nullptr, QStringLiteral("Checks"), Numbered(3));
    QCOMPARE(owner, QStringLiteral("outputDialog"));
    QCOMPARE(subject, QStringLiteral("שורות ממוספרות"));
    QVERIFY(preview.contains(QStringLiteral("row003")));
    QVERIFY(preview.contains(QStringLiteral("מאפיית הגליל")));
  }

  void AStopDuringTheFirstPageEndsTheDocumentCleanly() {
    Fixture f(Numbered(200));
    f.Click(kPdfTarget);
    f.Click(kPrinterTarget);
    QStringList progress;
    f.dialog.on_line = [&](std::int64_t line) {
      if (line != 5) return;
      progress << f.dialog.findChild<QLabel*>(QStringLiteral("progress"))->text();
      QCOMPARE(f.Execute()->text(), QStringLiteral("ביטול"));
      QTest::mouseClick(f.Execute(), Qt::LeftButton);
    };
    QTest::mouseClick(f.Execute(), Qt::LeftButton);
    const ReportRunResult& run = f.dialog.LastRun();
    QVERIFY(!run.completed);
    QVERIFY(run.status.ok());
    QCOMPARE(PdfPages(run.pdf_file), 1);
    const QString text = Output(QStringLiteral("pdftotext '%1' -").arg(run.pdf_file));
    QVERIFY(text.contains(QStringLiteral("row005")));
    QVERIFY(!text.contains(QStringLiteral("row006")));
    // What is kept says that it was stopped, in its last line and in a message.
    QVERIFY(text.indexOf(QStringLiteral("הדוח הופסק לפני סיומו")) >
            text.indexOf(QStringLiteral("row005")));
    QCOMPARE(f.t.messages.size(), std::size_t{1});
    QCOMPARE(f.t.messages[0].text, QStringLiteral("הדוח הופסק לפני סיומו"));
    QCOMPARE(progress.size(), 1);
    QVERIFY(progress[0].startsWith(QStringLiteral("מדפיס שורה מס. - ")));
    QVERIFY(progress[0].endsWith(QStringLiteral(" בדף - 1")));
    QCOMPARE(f.Execute()->text(), QStringLiteral("ביצוע"));
  }

  void PagePropertiesWriteTheWholeRecord() {
    TestApp t;
    PageSetupDialog dialog(t.app, nullptr);
    QCOMPARE(dialog.FontList()->count(), 10);
    QVERIFY(dialog.FontList()->item(2)->text().startsWith(
        QStringLiteral("כותרת הדו'ח - דו'ח צר (עד 80 טור)")));
    dialog.choose_font = [](const QFont&) {
      QFont font(QStringLiteral("Simple CLM"), 13);
      font.setBold(true);
      font.setItalic(true);
      return std::optional<QFont>(font);
    };
    dialog.choose_colour = [](const QColor&) { return std::optional<QColor>(QColor(1, 2, 3)); };
    dialog.FontList()->setCurrentRow(4);  // slot 5, the narrow body
    dialog.findChild<QPushButton*>(QStringLiteral("browseFont"))->click();
    dialog.findChild<QPushButton*>(QStringLiteral("updateColour2"))->click();  // credit
    dialog.findChild<QCheckBox*>(QStringLiteral("verticalLines"))->setChecked(false);
    dialog.findChild<QSpinBox*>(QStringLiteral("margin1"))->setValue(12);
    QVERIFY(t.settings.ReadReg(kParams, kPrintFonts).empty());  // nothing before "אישור"
    dialog.findChild<QPushButton*>(QStringLiteral("confirm"))->click();

    PrintFonts expected = DefaultPrintFonts();
    expected.SetFace(5, "Simple CLM");
    expected.sizes[5] = 13;
    expected.weights[5] = 700;
    expected.italics[5] = 1;
    expected.credit_colour = Rgb(1, 2, 3);
    expected.vertical_lines = 0;
    expected.margins[1] = 12;
    QCOMPARE(t.settings.ReadReg(kParams, kPrintFonts), EncodePrintFonts(expected));
  }

  // Each browser's print button opens the dialog with its own report: the PDF of the run holds
  // the report's title as text, and its first page is rendered (the index's also at the height
  // of a 1366×768 screen).
  void EveryBrowserPrintsItsOwnReport() {
    QTemporaryDir dir;
    DataSetOptions options;
    options.movements = 600;
    options.seed = 9;
    GeneratedDataSet generated;
    QVERIFY(GenerateDataSet(options, dir.path().toStdString(), &generated).ok());
    TestApp t;
    MainWindow window(t.app, StoredSize(1366, 768));
    window.show();
    window.PageOf<ImportPage>()->ReadFolder(dir.path());
    struct Case {
      PageId page;
      QString kind, title;
      std::function<void(QWidget* page)> prepare;
    };
    const std::vector<Case> cases = {
        {PageId::kAccountsIndex, QStringLiteral("Index"), QStringLiteral("אינדקס החשבונות"), {}},
        {PageId::kLedger, QStringLiteral("Kartis"), QStringLiteral("קופה ראשית"),
         [](QWidget* page) {
           page->findChild<QLineEdit*>(QStringLiteral("fromField"))
               ->setText(QStringLiteral("1100"));
           page->findChild<QLineEdit*>(QStringLiteral("toField"))->setText(QStringLiteral("1300"));
         }},
        {PageId::kDocuments, QStringLiteral("Teuda"), QStringLiteral("****העתק****"),
         [](QWidget* page) {
           auto* documents = static_cast<DocumentsPage*>(page);
           documents->SelectType(6);  // 305
           QTRY_VERIFY(!documents->Working());
         }},
        {PageId::kItems, QStringLiteral("Parit"), QStringLiteral("קטלוג פריטים"), {}},
    };
    for (const Case& c : cases) {
      window.PressButton(c.page);
      QWidget* page = window.PageAt(c.page);
      if (c.prepare) c.prepare(page);
      QString kind, text;
      QTimer::singleShot(0, [&] {
        auto* output = qobject_cast<OutputDialog*>(QApplication::activeModalWidget());
        QVERIFY(output != nullptr);
        kind = output->Kind();
        output->open_file = [](const QString&) { return true; };
        output->SetPrinters({QStringLiteral("מדפסת שאינה נפתחת")});
        output->ClickTarget(kPdfTarget);
        output->ClickTarget(kPrinterTarget);
        output->Execute();
        const QString pdf = output->LastRun().pdf_file;
        QProcess reader;
        reader.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        reader.waitForFinished();
        text = QString::fromUtf8(reader.readAllStandardOutput())
                   .remove(QRegularExpression(
                       QStringLiteral("[\\x{202A}-\\x{202E}\\x{2066}-\\x{2069}]")));
        QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
        const QString png =
            QStringLiteral(TALLYSCAN_RENDER_DIR "/report_%1_page1").arg(c.kind.toLower());
        QCOMPARE(std::system(QStringLiteral("pdftoppm -png -r 80 -f 1 -l 1 -singlefile '%1' '%2'")
                                 .arg(pdf, png)
                                 .toUtf8()
                                 .constData()),
                 0);
        // The accounts index as a 1366×768 screen shows the page: its full height.
        if (c.kind == QStringLiteral("Index")) {
          QCOMPARE(std::system(QStringLiteral("pdftoppm -png -scale-to-x -1 -scale-to-y 768 -f 1 "
                                              "-l 1 -singlefile '%1' '%2_1366x768'")
                                   .arg(pdf, png)
                                   .toUtf8()
                                   .constData()),
                   0);
        }
      });
      QAbstractButton* print = page->findChild<QAbstractButton*>(QStringLiteral("printButton"));
      QVERIFY2(print != nullptr && print->isEnabled(),
               qPrintable(c.kind + QStringLiteral(" on ") + window.PageAt(c.page)->objectName()));
      print->click();
      QCOMPARE(kind, c.kind);
      QVERIFY2(text.contains(c.title), qPrintable(c.kind + QStringLiteral(": ") + text.left(400)));
    }
  }

  void PagesPrintTheirRowsAndDialogsRender() {
    QTemporaryDir dir;
    DataSetOptions options;
    options.movements = 1500;
    options.seed = 5;
    options.faults = {{FaultKind::kUnbalancedBatch, 1}, {FaultKind::kMissingCheque, 2}};
    GeneratedDataSet generated;
    QVERIFY(GenerateDataSet(options, dir.path().toStdString(), &generated).ok());
    TestApp t;
    MainWindow window(t.app, StoredSize(1000, 700));
    window.show();
    auto* import_page = window.PageOf<ImportPage>();
    auto* print_import = import_page->findChild<QPushButton*>(QStringLiteral("printButton"));
    QVERIFY(!print_import->isEnabled());
    import_page->ReadFolder(dir.path());
    QVERIFY(print_import->isEnabled());
    window.PressButton(PageId::kChecks);
    auto* checks_page = window.PageOf<ChecksPage>();
    auto* print_checks = checks_page->findChild<QPushButton*>(QStringLiteral("printButton"));
    QVERIFY(!print_checks->isEnabled());
    checks_page->Start();
    QVERIFY(print_checks->isEnabled());

    // The first page of each report, as the PDF target writes it.
    const std::vector<std::string> import_rows = import_page->Rows();
    const CheckResultRows check_rows = checks_page->Rows();
    for (const auto& [kind, producer] :
         {std::pair{QStringLiteral("Import"), ReportProducer([&](ReportStream& s) {
                      return WriteImportReport(import_rows, s);
                    })},
          std::pair{QStringLiteral("Checks"), ReportProducer([&](ReportStream& s) {
                      return WriteChecksReport(check_rows, s);
                    })}}) {
      OutputDialog dialog(t.app, kind, producer, &window);
      dialog.open_file = [](const QString&) { return true; };
      dialog.SetPrinters({QStringLiteral("מדפסת שאינה נפתחת")});
      dialog.ClickTarget(kPdfTarget);
      dialog.ClickTarget(kPrinterTarget);
      dialog.Execute();
      const QString pdf = dialog.LastRun().pdf_file;
      QVERIFY(QFileInfo::exists(pdf));
      const QString png =
          QStringLiteral(TALLYSCAN_RENDER_DIR "/report_%1_page1").arg(kind.toLower());
      QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
      QCOMPARE(std::system(QStringLiteral("pdftoppm -png -r 80 -f 1 -l 1 -singlefile '%1' '%2'")
                               .arg(pdf, png)
                               .toUtf8()
                               .constData()),
               0);
      qInfo("rendered %s.png", qPrintable(png));
    }

    OutputDialog output(t.app, QStringLiteral("Checks"), ReportProducer(), &window);
    output.SetMailSender([](const QString&, const QString&) {});
    output.ClickTarget(kExcelTarget);
    output.show();
    QVERIFY(!Save(output.grab().toImage(), QStringLiteral("output_dialog.png")).isEmpty());
    PageSetupDialog setup(t.app, &window);
    setup.show();
    QVERIFY(!Save(setup.grab().toImage(), QStringLiteral("page_setup_dialog.png")).isEmpty());
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::OutputDialogTest)
#include "output_dialog_test.moc"
