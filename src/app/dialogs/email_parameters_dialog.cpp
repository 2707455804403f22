#include "app/dialogs/email_parameters_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/keyboard.h"
#include "engine/mail/mail.h"

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
      clear_text_(new QCheckBox(QStringLiteral("אפשר משלוח ללא הצפנה לשרת זה"), this)),
      clear_text_warning_(new QLabel(
          QStringLiteral("אזהרה: ללא הצפנה הדוח עובר ברשת כטקסט גלוי, וכל מי שבדרך יכול לקרוא "
                         "אותו או לשנות אותו. סמן רק עבור שרת ברשת פנימית שאתה סומך עליה. שם "
                         "המשתמש והסיסמא לעולם אינם נשלחים ללא הצפנה."),
          this)),
      update_(new QCheckBox(QStringLiteral("עדכן את נתוני השולח"), this)) {
  setObjectName(QStringLiteral("emailParametersDialog"));
  setWindowTitle(QStringLiteral("פרמטרים למשלוח דואר"));
  setLayoutDirection(Qt::RightToLeft);
  password_->setEchoMode(QLineEdit::Password);
  update_->setObjectName(QStringLiteral("updateSenderBox"));
  clear_text_->setObjectName(QStringLiteral("clearTextBox"));
  clear_text_->setChecked(!parameters.clear_text_server.empty() &&
                          parameters.clear_text_server == MailServerKey(parameters.server));
  clear_text_warning_->setObjectName(QStringLiteral("clearTextWarning"));
  clear_text_warning_->setWordWrap(true);
  clear_text_warning_->setStyleSheet(QStringLiteral("color: #a00000"));

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
  layout->addWidget(clear_text_);
  layout->addWidget(clear_text_warning_);
  layout->addWidget(update_);
  layout->addWidget(buttons);
  // Everything here is typed in Latin letters.
  Eng();
}

MailParameters EmailParametersDialog::Parameters() const {
  MailParameters parameters{
      sender_->text().trimmed().toStdString(), server_->text().trimmed().toStdString(),
      user_name_->text().trimmed().toStdString(), password_->text().toStdString(), std::string()};
  if (clear_text_->isChecked()) parameters.clear_text_server = MailServerKey(parameters.server);
  return parameters;
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
