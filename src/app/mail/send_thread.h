#pragma once

#include <string>

#include <QThread>

#include "engine/mail/mail.h"

namespace tallyscan {

// One sending on a worker thread of its own (1 MB stack): the request and the CA file are
// handed over when the thread is made, the connection is made on the thread, and Outcome() is
// read once finished() has been received. The thread touches nothing else.
class MailSendThread final : public QThread {
  Q_OBJECT
 public:
  MailSendThread(MailRequest request, std::string ca_file, QObject* parent = nullptr);

  const MailOutcome& Outcome() const { return outcome_; }

 protected:
  void run() override;

 private:
  MailRequest request_;
  std::string ca_file_;
  MailOutcome outcome_;
};

}  // namespace tallyscan
