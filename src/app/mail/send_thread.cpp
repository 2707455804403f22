#include "app/mail/send_thread.h"

#include "app/update/update_threads.h"
#include "mail/qt_mail_connection.h"

namespace tallyscan {

MailSendThread::MailSendThread(MailRequest request, std::string ca_file, QObject* parent)
    : QThread(parent), request_(std::move(request)), ca_file_(std::move(ca_file)) {
  setStackSize(kShellThreadStack);
}

void MailSendThread::run() {
  QtMailConnection connection(ca_file_);
  outcome_ = SendMail(request_, connection);
}

}  // namespace tallyscan
