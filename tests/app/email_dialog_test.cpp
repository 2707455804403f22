// The e-mail dialog and its parameters dialog: the preview of a report, a sending on the
// worker thread to a real server on loopback, the recipients kept for the address book, the
// parameters stored with a scrambled password where no keyring answers; renders of both.
#include <QAbstractTextDocumentLayout>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextTable>
#include <QtTest>

#include "app/dialogs/email_dialog.h"
#include "app/dialogs/email_parameters_dialog.h"
#include "app/dialogs/rtl_tables.h"
#include "app/widgets/strip_animation.h"
#include "app_test_support.h"
#include "engine/analytics/analytics.h"
#include "engine/mail/mail.h"
#include "engine/report/report.h"
#include "engine/report/report_writers.h"
#include "engine/text/text.h"
#include "engine/uniform/import.h"
#include "generator/data_set.h"
#include "test_smtp_server.h"

namespace tallyscan::test {
namespace {

constexpr int kSendingWaitMs = 120000;

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A trial balance as the report writer lays it out, in code page 1255.
void WriteReport(const QString& path) {
  std::string html =
      "<Html>\r\n<Head>\r\n<META HTTP-EQUIV=\"Content-Type\" "
      "CONTENT=\"TEXT/html;charset=windows-1255\">\r\n<Title>מאזן בוחן</Title>\r\n</Head>\r\n"
      "<Body BGCOLOR=\"#fdffca\" Style=\"direction:rtl\">\r\n<div dir=RTL>\r\n"
      "<table Width=\"100%\">\r\n<tr><td colspan=2 align=center><font COLOR=Blue SIZE=5>"
      "מאפיית הגליל בע\"מ<br></font></td></tr>\r\n<tr><td colspan=2 align=center>"
      "<font COLOR=blue SIZE=5>מאזן בוחן</td></tr>\r\n</table>\r\n"
      "<table id=F2 bordercolor=\"#C0C0C0\"FRAME=box cellspacing=0 cellpadding=0 width=\"100%\">"
      "\r\n<tr id=F1 bgcolor=\"#8d4747\" align=center><th width=\"20%\"><font color=white>"
      "חשבון</font></th><th width=\"50%\"><font color=white>שם החשבון</font></th>"
      "<th width=\"30%\"><font color=white>יתרה</font></th></tr>\r\n";
  const char* rows[][3] = {{"100", "קופה ראשית", "12,500.00"},
                           {"200", "לקוחות שונים", "3,210.40"},
                           {"300", "ספקים", "8,000.00-"},
                           {"400", "הכנסות", "7,710.40-"}};
  for (const auto& row : rows) {
    html += std::string("<Tr id=F2><td align=right>&nbsp;") + row[0] +
            "</td><td align=right>&nbsp;" + row[1] + "</td><td align=right>&nbsp;" + row[2] +
            "</td></tr>\r\n";
  }
  html += "</table>\r\n</Body>\r\n</Html>\r\n";
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(QByteArray::fromStdString(Utf8ToCp1255(html)));
}

// The rows of every table in `frame` and in the tables inside it.
int TableRows(QTextFrame* frame) {
  int rows = 0;
  for (QTextFrame* child : frame->childFrames()) {
    if (auto* table = qobject_cast<QTextTable*>(child)) rows += table->rows();
    rows += TableRows(child);
  }
  return rows;
}

QString SaveRender(QWidget& widget, const QString& name) {
  QDir().mkpath(QStringLiteral(TALLYSCAN_RENDER_DIR));
  const QString path = QStringLiteral(TALLYSCAN_RENDER_DIR "/") + name;
  return widget.grab().save(path) ? path : QString();
}

}  // namespace

class EmailDialogTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir scratch_;
  QString report_;

 private slots:
  void initTestCase() {
    report_ = scratch_.filePath(QStringLiteral("report.Htm"));
    WriteReport(report_);
  }

  void ThePreviewShowsTheReportDecoded() {
    TestApp t;
    EmailDialog dialog(t.app, QStringLiteral("מאזן בוחן"), report_, nullptr);
    dialog.show();
    QCOMPARE(dialog.findChild<QLineEdit*>("subjectEdit")->text(), QStringLiteral("מאזן בוחן"));
    const QString shown = dialog.findChild<QTextBrowser*>("preview")->toPlainText();
    QVERIFY2(shown.contains(QStringLiteral("לקוחות שונים")), qPrintable(shown));
    QVERIFY(shown.contains(QStringLiteral("מאפיית הגליל")));
    // The first column stands on the right, as in the printed report.
    QTextTable* data = nullptr;
    auto* document = dialog.findChild<QTextBrowser*>("preview")->document();
    for (QTextFrame* frame : document->rootFrame()->childFrames()) {
      if (auto* table = qobject_cast<QTextTable*>(frame); table && table->columns() == 3) {
        data = table;
      }
    }
    QVERIFY(data != nullptr);
    const auto cell_text = [data](int row, int column) {
      const QTextTableCell cell = data->cellAt(row, column);
      QTextCursor cursor = cell.firstCursorPosition();
      cursor.setPosition(cell.lastPosition(), QTextCursor::KeepAnchor);
      return cursor.selectedText().trimmed();
    };
    QCOMPARE(cell_text(0, 0), QStringLiteral("יתרה"));
    QCOMPARE(cell_text(0, 2), QStringLiteral("חשבון"));
    QCOMPARE(cell_text(1, 2), QStringLiteral("100"));
    dialog.findChild<QLineEdit*>("recipientEdit")->setText("דנה לוי <dana@example.org>");
    const QString path = SaveRender(dialog, QStringLiteral("email_dialog.png"));
    QVERIFY(!path.isEmpty());
    qInfo("rendered %s", qPrintable(path));
  }

  void OnlyRowsOfPlainCellsAreMirrored() {
    const std::pair<QString, QString> cases[] = {
        {"<TR id=F2><td>א</td><TD a=b>ב</TD>\r\n<th>ג</th></tr>",
         "<TR id=F2><th>ג</th><TD a=b>ב</TD><td>א</td></tr>"},
        {"<tr><td colspan=2>title</td></tr><tr><td>a</td><td>b</td></tr>",
         "<tr><td colspan=2>title</td></tr><tr><td>b</td><td>a</td></tr>"},
        {"<tr><td>a</td>text<td>b</td></tr>", "<tr><td>a</td>text<td>b</td></tr>"},
        {"<tr><td><table><tr><td>x</td></tr></table></td><td>b</td></tr>",
         "<tr><td><table><tr><td>x</td></tr></table></td><td>b</td></tr>"},
        // Cells the report leaves open run to the next cell; figures stay on one line.
        {"<Tr id=F2>\n<td align=right>&nbsp;א\n<td align=right><font>&nbsp;-1,234.50</font>\n</tr>",
         "<Tr id=F2><td align=right nowrap><font>&nbsp;-1,234.50</font>\n<td align=right>&nbsp;א\n"
         "</tr>"},
    };
    for (const auto& [html, mirrored] : cases) QCOMPARE(MirrorTableRows(html), mirrored);
  }

  // The preview of a ledger card as the report writer makes it: each cell of the first row
  // stands under its heading, the first column on the right.
  void ALedgerCardPreviewHasEachCellUnderItsHeading() {
    const QString report =
        QStringLiteral(TALLYSCAN_SOURCE_DIR "/tests/golden/expected/valid/report-ledger.htm");
    TestApp t;
    EmailDialog dialog(t.app, QStringLiteral("כרטיס חשבון"), report, nullptr);
    dialog.resize(1000, 700);
    dialog.show();
    auto* preview = dialog.findChild<QTextBrowser*>("preview");
    QTextDocument* document = preview->document();
    document->setTextWidth(preview->viewport()->width());
    QTextTable* data = nullptr;
    for (QTextFrame* frame : document->rootFrame()->childFrames()) {
      if (auto* table = qobject_cast<QTextTable*>(frame); table && table->columns() == 11) {
        data = table;
        break;
      }
    }
    QVERIFY(data != nullptr);
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    const auto place = [&](int row, int column) {
      return layout->blockBoundingRect(data->cellAt(row, column).firstCursorPosition().block());
    };
    const auto text = [&](int row, int column) {
      const QTextTableCell cell = data->cellAt(row, column);
      QTextCursor cursor = cell.firstCursorPosition();
      cursor.setPosition(cell.lastPosition(), QTextCursor::KeepAnchor);
      return cursor.selectedText().trimmed();
    };
    int rightmost = 0;
    for (int column = 0; column < 11; ++column) {
      const QRectF heading = place(0, column);
      const QRectF cell = place(1, column);
      QVERIFY2(heading.left() < cell.center().x() && cell.center().x() < heading.right(),
               qPrintable(text(0, column) + QStringLiteral(" / ") + text(1, column)));
      if (heading.right() > place(0, rightmost).right()) rightmost = column;
    }
    QCOMPARE(text(0, rightmost), QStringLiteral("#"));
    QCOMPARE(text(1, rightmost), QStringLiteral("1"));
    const QString path = SaveRender(dialog, QStringLiteral("email_dialog_ledger_card.png"));
    QVERIFY(!path.isEmpty());
    qInfo("rendered %s", qPrintable(path));
  }

  // The evidence report of an audit set with every journal fault, every hit printed (the
  // parameters' default), as the e-mail form: the preview holds its first pages only and says
  // so; the file itself is left whole.
  void ALongReportIsPreviewedByItsFirstPagesOnly() {
    DataSetOptions options;
    options.profile = DataProfile::kAudit;
    options.movements = 6000;
    options.accounts = 80;
    for (const FaultInfo& fault : JournalFaults()) options.faults.push_back({fault.kind, 1});
    const std::string folder = scratch_.filePath(QStringLiteral("audit")).toStdString();
    GeneratedDataSet generated;
    QVERIFY(GenerateDataSet(options, folder, &generated).ok());
    TestApp t;
    SilentProgress silent;
    const ImportResult imported = ImportFolder(t.store, folder, silent);
    QVERIFY(imported.status.ok());
    const JetRun run =
        RunJet(t.store, SourceFilesOf(imported), JetParameters{}, AllJetTests(), silent);
    QVERIFY(run.result.has_value());
    StringSink sink;
    {
      HtmlReportWriter writer(HtmlForm::kMail, sink);
      const ReportHeader header;
      const PrintFonts fonts = DefaultPrintFonts();
      ReportStream stream(header, fonts, {&writer}, silent);
      QVERIFY(WriteJetReport(t.store, *run.result, "2025-01-15", stream));
      QVERIFY(stream.End().ok());
    }
    const QString report = scratch_.filePath(QStringLiteral("jet.Htm"));
    QFile file(report);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(sink.bytes()));
    file.close();

    EmailDialog dialog(t.app, QStringLiteral("דו\"ח ראיות"), report, nullptr);
    dialog.resize(1000, 700);
    dialog.show();
    QTextDocument* document = dialog.findChild<QTextBrowser*>("preview")->document();
    const int shown = TableRows(document->rootFrame());
    const auto whole = static_cast<int>(QByteArray::fromStdString(sink.bytes()).count("<tr") +
                                        QByteArray::fromStdString(sink.bytes()).count("<Tr"));
    QVERIFY2(whole > kPreviewPages * kPreviewRowsPerPage, qPrintable(QString::number(whole)));
    QVERIFY2(shown > 0 && shown <= kPreviewPages * kPreviewRowsPerPage,
             qPrintable(QString::number(shown)));
    QVERIFY(document->toPlainText().contains(QStringLiteral("גרסת התוכנה")));
    auto* note = dialog.findChild<QLabel*>("previewNote");
    QVERIFY(note->isVisible());
    QCOMPARE(note->text(),
             QStringLiteral("בתצוגה 3 הדפים הראשונים של הדו\"ח בלבד; ההודעה תכלול את הדו\"ח כולו"));
    // A short report shows whole, without the note.
    EmailDialog short_one(t.app, QStringLiteral("מאזן בוחן"), report_, nullptr);
    short_one.show();
    QVERIFY(!short_one.findChild<QLabel*>("previewNote")->isVisible());
  }

  void SendingRunsOnItsThreadAndLeavesTheDialogUsable() {
    TestSmtpServer server;
    QVERIFY2(server.Started(), qPrintable(server.Error()));
    TestApp t;
    EmailDialog dialog(t.app, QStringLiteral("מאזן בוחן"), report_, nullptr);
    dialog.show();
    dialog.SetParameters({"auditor@example.com", server.Address().toStdString(), "", "", ""});
    auto* recipient = dialog.findChild<QLineEdit*>("recipientEdit");
    auto* send = dialog.findChild<QPushButton*>("sendButton");
    recipient->setText("דנה לוי <dana@example.org>");
    QSignalSpy ended(&dialog, &EmailDialog::SendingEnded);

    send->click();
    QVERIFY(dialog.Sending());
    QVERIFY(send->isHidden());
    QVERIFY(dialog.findChild<StripAnimation*>("sendingAnimation")->Running());
    QCOMPARE(dialog.cursor().shape(), Qt::WaitCursor);
    QVERIFY(!SaveRender(dialog, QStringLiteral("email_dialog_sending.png")).isEmpty());
    dialog.Send();  // a second press while sending starts nothing
    QVERIFY(ended.wait(kSendingWaitMs));

    QCOMPARE(ended.count(), 1);
    QCOMPARE(server.MessageCount(), 1);
    QCOMPARE(server.Message(1)["headers"].toObject()["Subject"].toString(),
             QStringLiteral("מאזן בוחן"));
    QCOMPARE(t.messages.size(), std::size_t{1});
    QCOMPARE(t.messages[0].text, Text(mail_texts::kSent));
    QCOMPARE(t.messages[0].icon, MessageIcon::kInformation);
    QVERIFY(!dialog.Sending());
    QVERIFY(!send->isHidden());
    QVERIFY(!dialog.findChild<StripAnimation*>("sendingAnimation")->Running());

    // The recipient is offered by the address book, and choosing it fills the field.
    recipient->clear();
    dialog.ShowAddressBook();
    auto* list = dialog.findChild<QListWidget*>("addressList");
    QVERIFY(list->isVisible());
    QCOMPARE(list->count(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    QCOMPARE(recipient->text(), QStringLiteral("דנה לוי <dana@example.org>"));

    // The fields are checked first, before any connection.
    dialog.SetParameters({"auditor@example.com", "localhost", "", "", ""});
    dialog.Send();
    QVERIFY(ended.wait(kSendingWaitMs));
    QCOMPARE(t.messages.back().text, Text(mail_texts::kNeedServer));
    QCOMPARE(server.MessageCount(), 1);
  }

  void ParametersAreStoredOnlyWhenAskedAndThePasswordNeverInClear() {
    TestApp t;
    PasswordStore passwords(t.settings, QStringLiteral("TallyscanTest"));
    const MailParameters typed{"auditor@example.com", "smtp.example.com:465", "auditor",
                               "s3cret-pass", ""};
    {
      EmailParametersDialog dialog(t.app, passwords, {}, nullptr);
      dialog.findChild<QLineEdit*>("senderEdit")->setText(QString::fromStdString(typed.sender));
      dialog.findChild<QLineEdit*>("serverEdit")->setText(QString::fromStdString(typed.server));
      dialog.findChild<QLineEdit*>("userNameEdit")->setText("auditor");
      dialog.findChild<QLineEdit*>("passwordEdit")->setText("s3cret-pass");
      QCOMPARE(dialog.findChild<QLineEdit*>("passwordEdit")->echoMode(), QLineEdit::Password);
      dialog.accept();
      QCOMPARE(dialog.Parameters().server, typed.server);
      QCOMPARE(dialog.Parameters().password, typed.password);
      QCOMPARE(t.settings.ReadReg(kIEmailer, kServer), std::string());
      QVERIFY(t.messages.empty());
    }
    EmailParametersDialog dialog(t.app, passwords, typed, nullptr);
    dialog.findChild<QCheckBox*>("updateSenderBox")->setChecked(true);
    dialog.show();
    const QString path = SaveRender(dialog, QStringLiteral("email_parameters.png"));
    QVERIFY(!path.isEmpty());
    dialog.accept();
    QCOMPARE(t.settings.ReadReg(kIEmailer, kSender), typed.sender);
    QCOMPARE(t.settings.ReadReg(kIEmailer, kServer), typed.server);
    QCOMPARE(t.settings.ReadReg(kIEmailer, kUserName), typed.user_name);
    // This test runs with no session bus, so no keyring answers: the fallback, and it says so.
    const std::string stored = t.settings.ReadReg(kIEmailer, kPassWord);
    QVERIFY(!stored.empty());
    QVERIFY(stored.find(typed.password) == std::string::npos);
    QCOMPARE(t.messages.size(), std::size_t{1});
    QCOMPARE(t.messages[0].text, Text(mail_texts::kPasswordScrambled));
    QCOMPARE(LoadMailParameters(t.settings, passwords).password, typed.password);
  }

  void SendingInClearIsOffUntilAllowedAndIsKeptForThatServerOnly() {
    TestApp t;
    PasswordStore passwords(t.settings, QStringLiteral("TallyscanTest"));
    t.settings.WriteReg(kIEmailer, kClearText, "relay.example.com:25\n");
    MailParameters typed{"auditor@example.com", "Mail.Example.com:25", "", "", ""};
    {
      EmailParametersDialog dialog(t.app, passwords, typed, nullptr);
      auto* box = dialog.findChild<QCheckBox*>("clearTextBox");
      QVERIFY(!box->isChecked());
      QVERIFY(!dialog.findChild<QLabel*>("clearTextWarning")->text().isEmpty());
      box->setChecked(true);
      dialog.findChild<QCheckBox*>("updateSenderBox")->setChecked(true);
      dialog.accept();
      typed = dialog.Parameters();
    }
    QCOMPARE(typed.clear_text_server, std::string("mail.example.com:25"));
    QCOMPARE(t.settings.ReadReg(kIEmailer, kClearText),
             std::string("relay.example.com:25\nmail.example.com:25\n"));
    QCOMPARE(LoadMailParameters(t.settings, passwords).clear_text_server, typed.clear_text_server);

    // The permission belongs to the server it was given for, not to the field.
    EmailParametersDialog dialog(t.app, passwords, typed, nullptr);
    QVERIFY(dialog.findChild<QCheckBox*>("clearTextBox")->isChecked());
    dialog.findChild<QLineEdit*>("serverEdit")->setText("mail.example.com:587");
    dialog.findChild<QCheckBox*>("updateSenderBox")->setChecked(true);
    dialog.findChild<QCheckBox*>("clearTextBox")->setChecked(false);
    dialog.accept();
    QCOMPARE(dialog.Parameters().clear_text_server, std::string());
    QCOMPARE(LoadMailParameters(t.settings, passwords).clear_text_server, std::string());
    // Withdrawn for the server in the field only; the others stay allowed.
    QCOMPARE(t.settings.ReadReg(kIEmailer, kClearText),
             std::string("relay.example.com:25\nmail.example.com:25\n"));
  }
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::EmailDialogTest)
#include "email_dialog_test.moc"
