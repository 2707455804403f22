#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QByteArray>
#include <QHostAddress>

#include "engine/mail/mail.h"

class QAbstractSocket;
class QSslSocket;

namespace tallyscan {

// The SMTP conversation's connection over QSslSocket: TLS through Qt's backend, certificates
// checked against the system's trusted authorities (on Windows its certificate store) and the
// extra authorities of `ca_file` when one is named. Blocking, for one worker thread: the
// socket is made on the thread that calls Connect and must be used only there.
class QtMailConnection final : public MailConnection {
 public:
  // Whom the open socket is connected to, as PeerIsLoopback judges it. The default is the
  // socket's own peer address; tests stand in the address of a server elsewhere, so that a
  // server on loopback is treated as another computer.
  using PeerAddressOf = std::function<QHostAddress(const QAbstractSocket&)>;

  explicit QtMailConnection(std::string ca_file, int timeout_ms = kDefaultTimeoutMs,
                            PeerAddressOf peer_address = {});
  ~QtMailConnection() override;

  bool Connect(const std::string& host, int port) override;
  bool StartTls() override;
  bool Encrypted() const override;
  bool ReadLine(std::string& line) override;
  bool Write(std::string_view bytes) override;
  void Drop() override;
  std::string LocalAddress() const override;
  bool PeerIsLoopback() const override;
  std::string ErrorText() const override { return error_; }

  static constexpr int kDefaultTimeoutMs = 60000;

 private:
  bool Fail(std::string error);

  std::string ca_file_;
  int timeout_ms_;
  PeerAddressOf peer_address_;
  std::string host_;
  std::unique_ptr<QSslSocket> socket_;
  QByteArray received_;
  std::string error_;
};

}  // namespace tallyscan
