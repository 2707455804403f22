#pragma once

#include <QDialog>

#include "app/app_context.h"
#include "mail/mail_parameters.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace tallyscan {

// "פרמטרים למשלוח דואר": the sender, the outgoing server ("host" or "host:port"), the user
// name, the password (masked) and a box, off unless the server was allowed before, that
// allows this server to take reports without encryption, under a warning of what that means.
// On "אישור" the fields become the parameters of the e-mail dialog, the box's permission
// bound to the server as typed then; with "עדכן את נתוני השולח" ticked they are also stored:
// the password in the system keyring, or scrambled in the settings when no keyring answers,
// which the dialog then says. Closed any other way it changes nothing.
class EmailParametersDialog final : public QDialog {
  Q_OBJECT
 public:
  EmailParametersDialog(AppContext& app, PasswordStore& passwords, const MailParameters& parameters,
                        QWidget* parent);

  MailParameters Parameters() const;

  void accept() override;

 private:
  AppContext& app_;
  PasswordStore& passwords_;
  QLineEdit* sender_;
  QLineEdit* server_;
  QLineEdit* user_name_;
  QLineEdit* password_;
  QCheckBox* clear_text_;
  QLabel* clear_text_warning_;
  QCheckBox* update_;
};

}  // namespace tallyscan
