#include "mail/qt_mail_connection.h"

#include <QHostAddress>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QStringList>

namespace tallyscan {
namespace {

// No SMTP reply line comes near this; a server that sends more is not one.
constexpr qsizetype kMaxLine = 64 * 1024;

}  // namespace

QtMailConnection::QtMailConnection(std::string ca_file, int timeout_ms, PeerAddressOf peer_address)
    : ca_file_(std::move(ca_file)),
      timeout_ms_(timeout_ms),
      peer_address_(std::move(peer_address)) {}

QtMailConnection::~QtMailConnection() {
  if (socket_) socket_->abort();
}

bool QtMailConnection::Fail(std::string error) {
  error_ = std::move(error);
  return false;
}

bool QtMailConnection::Connect(const std::string& host, int port) {
  host_ = host;
  socket_ = std::make_unique<QSslSocket>();
  socket_->connectToHost(QString::fromStdString(host), static_cast<quint16>(port));
  if (!socket_->waitForConnected(timeout_ms_)) {
    return Fail(socket_->errorString().toStdString());
  }
  return true;
}

bool QtMailConnection::StartTls() {
  if (!socket_) return Fail("no connection");
  if (!QSslSocket::supportsSsl()) return Fail("TLS is not available on this computer");
  QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
  if (!ca_file_.empty()) {
    const QList<QSslCertificate> authorities =
        QSslCertificate::fromPath(QString::fromStdString(ca_file_), QSsl::Pem);
    if (authorities.isEmpty()) return Fail("no certificates in " + ca_file_);
    configuration.addCaCertificates(authorities);
  }
  configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
  socket_->setSslConfiguration(configuration);
  socket_->setPeerVerifyName(QString::fromStdString(host_));
  // Nothing the server sent in clear may be taken for what it says under encryption.
  received_.clear();
  socket_->readAll();
  socket_->startClientEncryption();
  if (!socket_->waitForEncrypted(timeout_ms_)) {
    QStringList reasons;
    for (const QSslError& error : socket_->sslHandshakeErrors()) reasons << error.errorString();
    if (reasons.isEmpty()) reasons << socket_->errorString();
    return Fail(reasons.join(QStringLiteral("; ")).toStdString());
  }
  return true;
}

bool QtMailConnection::Encrypted() const { return socket_ && socket_->isEncrypted(); }

bool QtMailConnection::ReadLine(std::string& line) {
  if (!socket_) return Fail("no connection");
  for (;;) {
    received_ += socket_->readAll();
    const qsizetype end = received_.indexOf('\n');
    if (end >= 0) {
      const qsizetype length = end > 0 && received_[end - 1] == '\r' ? end - 1 : end;
      line.assign(received_.constData(), static_cast<std::size_t>(length));
      received_.remove(0, end + 1);
      return true;
    }
    if (received_.size() > kMaxLine) return Fail("the server's reply line is too long");
    if (!socket_->waitForReadyRead(timeout_ms_)) {
      return Fail(socket_->errorString().toStdString());
    }
  }
}

bool QtMailConnection::Write(std::string_view bytes) {
  if (!socket_) return Fail("no connection");
  if (socket_->write(bytes.data(), static_cast<qint64>(bytes.size())) !=
      static_cast<qint64>(bytes.size())) {
    return Fail(socket_->errorString().toStdString());
  }
  while (socket_->bytesToWrite() > 0) {
    if (!socket_->waitForBytesWritten(timeout_ms_)) {
      return Fail(socket_->errorString().toStdString());
    }
  }
  return true;
}

void QtMailConnection::Drop() {
  if (socket_) socket_->abort();
}

std::string QtMailConnection::LocalAddress() const {
  if (!socket_) return {};
  QHostAddress address = socket_->localAddress();
  bool mapped = false;
  const quint32 v4 = address.toIPv4Address(&mapped);
  if (mapped) address = QHostAddress(v4);
  return address.isNull() ? std::string() : address.toString().toStdString();
}

bool QtMailConnection::PeerIsLoopback() const {
  if (!socket_) return false;
  QHostAddress peer = peer_address_ ? peer_address_(*socket_) : socket_->peerAddress();
  // A dual-stack socket names an IPv4 peer as ::ffff:a.b.c.d; judge the IPv4 address.
  bool mapped = false;
  const quint32 v4 = peer.toIPv4Address(&mapped);
  if (mapped) peer = QHostAddress(v4);
  return peer.isLoopback();
}

}  // namespace tallyscan
