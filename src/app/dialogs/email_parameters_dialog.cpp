#include "app/dialogs/email_parameters_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/keyboard.h"
#include "engine/report/mail_texts.h"

namespace tallyscan {
namespace {

QLineEdit* Field(const std::string& value, const QString& name, QWidget* parent) {
  auto* field = new QLineEdit(QString::fromStdString(value), parent);
  field->setObjectName(name);
  // Addresses and server names read left to right inside the right-to-left dialog.
  field->setLayoutDirection(Qt::LeftToRight);
  field->setMinimumWidth(260);
  return field;
}

}  // namespace

EmailParametersDialog::EmailParametersDialog(AppContext& app, PasswordStore& passwords,
                                             const MailParameters& parameters, QWidget* parent)
    : QDialog(parent),
      app_(app),
      passwords_(passwords),
      sender_(Field(parameters.sender, QStringLiteral("senderEdit"), this)),
      server_(Field(parameters.server, QStringLiteral("serverEdit"), this)),
      user_name_(Field(parameters.user_name, QStringLiteral("userNameEdit"), this)),
      password_(Field(parameters.password, QStringLiteral("passwordEdit"), this)),
      update_(new QCheckBox(QStringLiteral("עדכן את נתוני השולח"), this)) {
  setObjectName(QStringLiteral("emailParametersDialog"));
  setWindowTitle(QStringLiteral("פרמטרים למשלוח דואר"));
  setLayoutDirection(Qt::RightToLeft);
  password_->setEchoMode(QLineEdit::Password);
  update_->setObjectName(QStringLiteral("updateSenderBox"));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("כתובת השולח"), sender_);
  form->addRow(QStringLiteral("שם שרת דואר יוצא"), server_);
  form->addRow(QStringLiteral("שם המשתמש"), user_name_);
  form->addRow(QStringLiteral("סיסמא"), password_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("אישור"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(update_);
  layout->addWidget(buttons);
  // Everything here is typed in Latin letters.
  Eng();
}

MailParameters EmailParametersDialog::Parameters() const {
  return {sender_->text().trimmed().toStdString(), server_->text().trimmed().toStdString(),
          user_name_->text().trimmed().toStdString(), password_->text().toStdString()};
}

void EmailParametersDialog::accept() {
  if (update_->isChecked() &&
      SaveMailParameters(app_.settings, passwords_, Parameters()) == PasswordPlace::kSettings) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation,
               QString::fromUtf8(mail_texts::kPasswordScrambled.data(),
                                 static_cast<qsizetype>(mail_texts::kPasswordScrambled.size())));
  }
  QDialog::accept();
}

}  // namespace tallyscan
