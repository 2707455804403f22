#include "test_smtp_server.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

namespace tallyscan::test {
namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kScript = QStringLiteral(TALLYSCAN_SOURCE_DIR "/tests/mail/smtp_test_server.py");
constexpr int kStartMs = 30000;

}  // namespace

TestSmtpServer::TestSmtpServer(const QStringList& options) {
  process_.start(kPython, QStringList{kScript, QStringLiteral("--dir"), folder_.path()} + options);
  while (process_.waitForReadyRead(kStartMs)) {
    if (!process_.canReadLine()) continue;
    const QByteArray line = process_.readLine().trimmed();
    if (line.startsWith("PORT ")) port_ = line.mid(5).toInt();
    break;
  }
  if (port_ <= 0) {
    process_.waitForFinished(kStartMs);
    error_ = QString::fromUtf8(process_.readAllStandardError());
  }
}

TestSmtpServer::~TestSmtpServer() {
  process_.closeWriteChannel();
  if (!process_.waitForFinished(kStartMs)) process_.kill();
  process_.waitForFinished();
}

QJsonObject TestSmtpServer::Message(int n) const {
  QFile file(folder_.filePath(QStringLiteral("message-%1.json").arg(n)));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QJsonDocument::fromJson(file.readAll()).object();
}

int TestSmtpServer::MessageCount() const {
  return static_cast<int>(
      QDir(folder_.path()).entryList({QStringLiteral("message-*.json")}, QDir::Files).size());
}

QStringList TestSmtpServer::Commands() const {
  QFile file(folder_.filePath(QStringLiteral("commands.txt")));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString TestSmtpServer::CertificateFolder() {
  static QTemporaryDir folder;
  static const bool made =
      QProcess::execute(kPython, {kScript, QStringLiteral("--make-cert"), folder.path()}) == 0;
  return made ? folder.path() : QString();
}

}  // namespace tallyscan::test
