// The SMTP client against a real server (aiosmtpd) on a loopback port: STARTTLS with a
// certificate made by the test and trusted through the CA-file setting, AUTH checked by the
// server, and the message as a mail program parses it.
#include <QAbstractSocket>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

#include "engine/mail/mail.h"
#include "engine/text/text.h"
#include "mail/qt_mail_connection.h"
#include "test_smtp_server.h"

namespace tallyscan::test {
namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A report as the HTML writer makes it: code page 1255, CR LF, with a line that begins with a
// dot and one far beyond a mail line's 998 octets.
QByteArray ReportBytes() {
  std::string html = "<Html>\r\n<Head>\r\n<Title>" + Utf8ToCp1255("מאזן בוחן") +
                     "</Title>\r\n</Head>\r\n" +
                     "<Body BGCOLOR=\"#fdffca\" Style=\"direction:rtl\">\r\n.<br>\r\n<table>";
  for (int i = 0; i < 300; ++i) html += "<tr><td>" + Utf8ToCp1255("קופה ראשית") + "</td></tr>";
  html += "</table>\r\n</Body>\r\n</Html>\r\n";
  return QByteArray::fromStdString(html);
}

}  // namespace

class SmtpTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir scratch_;
  QString report_;

  MailRequest Request(const TestSmtpServer& server) const {
    MailRequest request;
    request.sender = "Tallyscan <auditor@example.com>";
    request.server = server.Address().toStdString();
    request.recipient = "דנה לוי <dana@example.org>";
    request.subject = "מאזן בוחן לשנת 2023 - מאפיית הגליל בע\"מ, כל החשבונות לפי מיון";
    request.report_path = report_.toStdString();
    request.now = 1709647629;
    request.utc_offset_minutes = 120;
    return request;
  }

  static MailOutcome Send(const MailRequest& request, bool trust_test_authority = true) {
    QtMailConnection connection(
        trust_test_authority ? (TestSmtpServer::CertificateFolder() + "/ca.pem").toStdString()
                             : std::string(),
        20000);
    return SendMail(request, connection);
  }

  // As Send, to the same server on loopback taken for a computer elsewhere.
  static MailOutcome SendAsIfElsewhere(const MailRequest& request) {
    QtMailConnection connection(
        (TestSmtpServer::CertificateFolder() + "/ca.pem").toStdString(), 20000,
        [](const QAbstractSocket&) { return QHostAddress(QStringLiteral("192.0.2.25")); });
    return SendMail(request, connection);
  }

 private slots:
  void initTestCase() {
    QVERIFY(scratch_.isValid());
    report_ = scratch_.filePath(QStringLiteral("report.Htm"));
    QFile file(report_);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ReportBytes());
    file.close();
    QVERIFY2(!TestSmtpServer::CertificateFolder().isEmpty(), "openssl made no certificate");
  }

  void StartTlsAndAuthLoginDeliverTheReportAsMailProgramsReadIt() {
    TestSmtpServer server(
        {"--cert-dir", TestSmtpServer::CertificateFolder(), "--auth", "auditor:ס1sma"});
    QVERIFY2(server.Started(), qPrintable(server.Error()));
    MailRequest request = Request(server);
    request.user_name = "auditor";
    request.password = "ס1sma";
    const MailOutcome outcome = Send(request);
    QCOMPARE(Text(outcome.message), Text(mail_texts::kSent));
    QVERIFY(outcome.accepted);

    const QJsonObject received = server.Message(1);
    QCOMPARE(received["tls"].toBool(), true);
    QCOMPARE(received["login"].toString(), QStringLiteral("auditor"));
    QCOMPARE(received["helo"].toString(), QStringLiteral("[127.0.0.1]"));
    QCOMPARE(received["mail_from"].toString(), QStringLiteral("auditor@example.com"));
    QCOMPARE(received["rcpt_tos"].toArray(), QJsonArray{"dana@example.org"});
    const QJsonObject headers = received["headers"].toObject();
    QCOMPARE(headers["Subject"].toString(), Text(request.subject));
    QCOMPARE(headers["From"].toString(), QStringLiteral("auditor@example.com"));
    QCOMPARE(headers["To"].toString(), QStringLiteral("dana@example.org"));
    QCOMPARE(headers["Date"].toString(), QStringLiteral("Tue, 05 Mar 2024 16:07:09 +0200"));
    QVERIFY(headers["Message-ID"].toString().endsWith("@example.com>"));
    QCOMPARE(headers["MIME-Version"].toString(), QStringLiteral("1.0"));
    QCOMPARE(headers["X-Mailer"].toString(), QStringLiteral("Norva Software SMTP Server"));
    QCOMPARE(received["content_type"].toString(), QStringLiteral("text/html"));
    QCOMPARE(received["charset"].toString(), QStringLiteral("windows-1255"));
    QCOMPARE(QByteArray::fromBase64(received["body_base64"].toString().toLatin1()), ReportBytes());
    QCOMPARE(received["body_text"].toString(), Text(Cp1255ToUtf8(ReportBytes().toStdString())));
    QVERIFY(received["longest_line"].toInt() <= 998);
  }

  void AddressesWithPlusAreSentWhole() {
    TestSmtpServer server({"--cert-dir", TestSmtpServer::CertificateFolder()});
    QVERIFY2(server.Started(), qPrintable(server.Error()));
    MailRequest request = Request(server);
    request.sender = "Reports <office+reports@example.com>";
    request.recipient = "cfo+audit@company.example";
    QCOMPARE(Text(Send(request).message), Text(mail_texts::kSent));
    const QJsonObject received = server.Message(1);
    QCOMPARE(received["mail_from"].toString(), QStringLiteral("office+reports@example.com"));
    QCOMPARE(received["rcpt_tos"].toArray(), QJsonArray{"cfo+audit@company.example"});
    QCOMPARE(received["headers"].toObject()["From"].toString(),
             QStringLiteral("office+reports@example.com"));
    QCOMPARE(received["headers"].toObject()["To"].toString(),
             QStringLiteral("cfo+audit@company.example"));
  }

  void WithoutUserNameOrSubjectNeitherAuthNorSubjectIsSent() {
    TestSmtpServer server({"--cert-dir", TestSmtpServer::CertificateFolder()});
    QVERIFY2(server.Started(), qPrintable(server.Error()));
    MailRequest request = Request(server);
    request.subject.clear();
    QCOMPARE(Text(Send(request).message), Text(mail_texts::kSent));
    const QJsonObject received = server.Message(1);
    QVERIFY(received["login"].isNull());
    QVERIFY(!received["headers"].toObject().contains("Subject"));
    QCOMPARE(received["tls"].toBool(), true);  // STARTTLS whenever offered
  }

  void AWrongPasswordGivesTheServersReply() {
    TestSmtpServer server(
        {"--cert-dir", TestSmtpServer::CertificateFolder(), "--auth", "auditor:right"});
    QVERIFY2(server.Started(), qPrintable(server.Error()));
    MailRequest request = Request(server);
    request.user_name = "auditor";
    request.password = "wrong";
    const MailOutcome outcome = Send(request);
    QVERIFY(!outcome.accepted);
    QCOMPARE(Text(outcome.message),
             Text(mail_texts::kAuthFailed) + "535 5.7.8 Authentication credentials invalid");
    QCOMPARE(server.MessageCount(), 0);
  }

  void AnUntrustedCertificateStopsBeforeTheLogin() {
    TestSmtpServer server(
        {"--cert-dir", TestSmtpServer::CertificateFolder(), "--auth", "auditor:right"});
    QVERIFY2(server.Started(), qPrintable(server.Error()));
    MailRequest request = Request(server);
    request.user_name = "auditor";
    request.password = "right";
    const MailOutcome outcome = Send(request, false);
    QVERIFY(!outcome.accepted);
    QVERIFY2(Text(outcome.message).startsWith(Text(mail_texts::kTlsFailed)),
             qPrintable(Text(outcome.message)));
    QCOMPARE(server.MessageCount(), 0);
  }

  void PlainIsUsedWhenOnlyPlainIsOffered() {
    TestSmtpServer server({"--cert-dir", TestSmtpServer::CertificateFolder(), "--auth",
                           "auditor:right", "--plain-only"});
    QVERIFY2(server.Started(), qPrintable(server.Error()));
    MailRequest request = Request(server);
    request.user_name = "auditor";
    request.password = "right";
    QCOMPARE(Text(Send(request).message), Text(mail_texts::kSent));
    QCOMPARE(server.Message(1)["login"].toString(), QStringLiteral("auditor"));
  }

  void LoopbackServersMayTakeTheLoginUnencrypted() {
    TestSmtpServer server({"--auth", "auditor:right", "--auth-without-tls"});
    QVERIFY2(server.Started(), qPrintable(server.Error()));
    MailRequest request = Request(server);
    request.user_name = "auditor";
    request.password = "right";
    QCOMPARE(Text(Send(request).message), Text(mail_texts::kSent));
    QCOMPARE(server.Message(1)["tls"].toBool(), false);
    QCOMPARE(server.Message(1)["login"].toString(), QStringLiteral("auditor"));
  }

  void AServerElsewhereGetsTheReportInClearOnlyWhereAllowedAndNeverAPassword() {
    const QString certificates = TestSmtpServer::CertificateFolder();
    struct Case {
      const char* name;
      QStringList options;
      bool allowed;  // clear_text_server names the server
      const char* user_name;
      QString message;  // the outcome; the server's "host:port" follows a refusal
      QStringList commands;
      bool tls;  // of the message received, when one is
    };
    const QString refused = Text(mail_texts::kClearTextRefused);
    const QString sent = Text(mail_texts::kSent);
    const Case cases[] = {
        {"no STARTTLS, not allowed", {}, false, "", refused, {"EHLO", "QUIT"}, false},
        {"no STARTTLS, allowed",
         {},
         true,
         "",
         sent,
         {"EHLO", "MAIL", "RCPT", "DATA", "QUIT"},
         false},
        {"no STARTTLS, allowed, with a login",
         {"--auth", "auditor:right", "--auth-without-tls"},
         true,
         "auditor",
         Text(mail_texts::kNoEncryption),
         {"EHLO", "QUIT"},
         false},
        {"STARTTLS offered, not allowed",
         {"--cert-dir", certificates},
         false,
         "",
         sent,
         {"EHLO", "STARTTLS", "EHLO", "MAIL", "RCPT", "DATA", "QUIT"},
         true},
    };
    for (const Case& c : cases) {
      TestSmtpServer server(c.options);
      QVERIFY2(server.Started(), qPrintable(server.Error()));
      MailRequest request = Request(server);
      request.user_name = c.user_name;
      request.password = "right";
      const std::string key = "127.0.0.1:" + std::to_string(server.Port());
      // A permission for another port of the same host allows nothing.
      request.clear_text_server = c.allowed ? key : "127.0.0.1:1";
      const MailOutcome outcome = SendAsIfElsewhere(request);
      const QString expected =
          c.message == refused ? refused + QString::fromStdString(key) : c.message;
      QVERIFY2(Text(outcome.message) == expected, c.name);
      QVERIFY2(server.Commands() == c.commands, qPrintable(server.Commands().join(' ')));
      QCOMPARE(server.MessageCount(), c.message == sent ? 1 : 0);
      if (c.message == sent) QCOMPARE(server.Message(1)["tls"].toBool(), c.tls);
    }
  }

  void HeloServesWhenEhloIsRefused() {
    TestSmtpServer server({"--refuse-ehlo"});
    QVERIFY2(server.Started(), qPrintable(server.Error()));
    QCOMPARE(Text(Send(Request(server)).message), Text(mail_texts::kSent));
    QCOMPARE(server.Message(1)["helo"].toString(), QStringLiteral("[127.0.0.1]"));
  }

  void AServerThatHangsUpInTheMessageIsAFailure() {
    TestSmtpServer server({"--drop-in-data"});
    QVERIFY2(server.Started(), qPrintable(server.Error()));
    const MailOutcome outcome = Send(Request(server));
    QVERIFY(!outcome.accepted);
    QVERIFY2(Text(outcome.message).startsWith(Text(mail_texts::kDataFailed)),
             qPrintable(Text(outcome.message)));
  }

  void Port465IsTlsFromTheFirstByte() {
    TestSmtpServer server(
        {"--cert-dir", TestSmtpServer::CertificateFolder(), "--implicit-tls", "--port", "465"});
    if (!server.Started()) QSKIP("port 465 cannot be bound here (not root, or in use)");
    MailRequest request = Request(server);
    request.server = "127.0.0.1:465";
    QCOMPARE(Text(Send(request).message), Text(mail_texts::kSent));
    QCOMPARE(server.Message(1)["tls"].toBool(), true);
  }
};

}  // namespace tallyscan::test

QTEST_GUILESS_MAIN(tallyscan::test::SmtpTest)
#include "smtp_test.moc"
