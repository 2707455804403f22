#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace tallyscan::test {

// The aiosmtpd server of smtp_test_server.py, run by Debian's /usr/bin/python3 (where
// python3-aiosmtpd is importable) on a free loopback port for the life of this object.
class TestSmtpServer {
 public:
  // `options` are the script's (--cert-dir, --auth USER:PASSWORD, --drop-in-data ...).
  explicit TestSmtpServer(const QStringList& options = {});
  ~TestSmtpServer();

  // False when the server did not come up; Error() then says why.
  bool Started() const { return port_ > 0; }
  QString Error() const { return error_; }
  int Port() const { return port_; }
  QString Address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }

  // The n-th message received (from 1), as the script recorded it; empty when none.
  QJsonObject Message(int n) const;
  int MessageCount() const;
  // The verbs of the commands received so far, in order ("EHLO", "STARTTLS", "QUIT" ...).
  QStringList Commands() const;

  // A folder with ca.pem, server.pem and server.key made for 127.0.0.1, made once per process.
  static QString CertificateFolder();

 private:
  QTemporaryDir folder_;
  QProcess process_;
  int port_ = 0;
  QString error_;
};

}  // namespace tallyscan::test
