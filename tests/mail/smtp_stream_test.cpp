// The report on its way to a real server (aiosmtpd on loopback, over STARTTLS): a large one
// goes in bounded memory and arrives whole; one that fails to be read on the way arrives not
// at all. A process of its own, so that its peak memory is that of the sending.
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "engine/mail/mail.h"
#include "engine/text/text.h"
#include "mail/qt_mail_connection.h"
#include "test_smtp_server.h"

namespace tallyscan::test {
namespace {

constexpr qint64 kReportBytes = qint64{100} << 20;
constexpr long kPeakLimitKb = 50 * 1024;

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

long PeakResidentKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Rows of a ledger report in code page 1255 with CR LF, numbered so that no two are alike,
// cut at exactly `size` bytes; returns the SHA-256 of what was written.
QByteArray WriteReport(const QString& path, qint64 size) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  const std::string name = Utf8ToCp1255("קופה ראשית - תנועות השנה");
  QByteArray block;
  for (qint64 written = 0, row = 0; written < size; written += block.size()) {
    block.clear();
    while (block.size() < (1 << 20)) {
      block += "<Tr id=F2><td align=right>&nbsp;" + QByteArray::number(row++) +
               "</td><td align=right>&nbsp;" + QByteArray::fromStdString(name) +
               "</td><td align=right>&nbsp;12,500.00-</td></tr>\r\n";
    }
    block.truncate(static_cast<qsizetype>(std::min<qint64>(block.size(), size - written)));
    if (file.write(block) != block.size()) return {};
    hash.addData(block);
  }
  return hash.result().toHex();
}

// read(2) that gives the first block and then fails as a damaged disk would.
int reads = 0;
ssize_t ReadOneBlockThenFail(int fd, void* buffer, std::size_t count) {
  if (++reads == 1) return ::read(fd, buffer, count);
  errno = EIO;
  return -1;
}

}  // namespace

class SmtpStreamTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir scratch_;

  MailRequest Request(const TestSmtpServer& server, const QString& report) const {
    MailRequest request;
    request.sender = "auditor@example.com";
    request.server = server.Address().toStdString();
    request.recipient = "dana@example.org";
    request.subject = "כרטסת הנהלת חשבונות";
    request.report_path = report.toStdString();
    request.now = 1709647629;
    return request;
  }

 private slots:
  void initTestCase() {
    QVERIFY(scratch_.isValid());
    QVERIFY2(!TestSmtpServer::CertificateFolder().isEmpty(), "openssl made no certificate");
  }

  void AHundredMegabyteReportGoesWholeInUnderFiftyMegabytes() {
    const QString report = scratch_.filePath(QStringLiteral("ledger.Htm"));
    const QByteArray digest = WriteReport(report, kReportBytes);
    QVERIFY(!digest.isEmpty());
    TestSmtpServer server({"--cert-dir", TestSmtpServer::CertificateFolder(), "--digest-only"});
    QVERIFY2(server.Started(), qPrintable(server.Error()));
    QtMailConnection connection((TestSmtpServer::CertificateFolder() + "/ca.pem").toStdString(),
                                60000);
    const MailOutcome outcome = SendMail(Request(server, report), connection);
    QCOMPARE(Text(outcome.message), Text(mail_texts::kSent));

    const QJsonObject received = server.Message(1);
    QCOMPARE(received["tls"].toBool(), true);
    QCOMPARE(received["body_size"].toInteger(), kReportBytes);
    QCOMPARE(received["body_sha256"].toString().toLatin1(), digest);
    QVERIFY(received["longest_line"].toInt() <= 998);
    const long peak_kb = PeakResidentKb();
    qInfo("peak resident memory %ld kB for a report of %lld bytes", peak_kb, kReportBytes);
    QVERIFY2(peak_kb < kPeakLimitKb, qPrintable(QString::number(peak_kb) + " kB"));
  }

  void AReadFailureDuringDataDropsTheConnectionAndNothingIsDelivered() {
    const QString report = scratch_.filePath(QStringLiteral("cut.Htm"));
    QVERIFY(!WriteReport(report, qint64{3} << 20).isEmpty());
    TestSmtpServer server({"--cert-dir", TestSmtpServer::CertificateFolder()});
    QVERIFY2(server.Started(), qPrintable(server.Error()));
    QtMailConnection connection((TestSmtpServer::CertificateFolder() + "/ca.pem").toStdString(),
                                60000);
    reads = 0;
    const MailOutcome outcome = SendMail(Request(server, report), connection, ReadOneBlockThenFail);
    QVERIFY(!outcome.accepted);
    QCOMPARE(Text(outcome.message), Text(mail_texts::kReportReadFailed) + report + " (" +
                                        QString::fromLocal8Bit(std::strerror(EIO)) + ")");
    QCOMPARE(server.Commands(), QStringList({"EHLO", "STARTTLS", "EHLO", "MAIL", "RCPT", "DATA"}));
    QCOMPARE(server.MessageCount(), 0);
  }
};

}  // namespace tallyscan::test

QTEST_GUILESS_MAIN(tallyscan::test::SmtpStreamTest)
#include "smtp_stream_test.moc"
