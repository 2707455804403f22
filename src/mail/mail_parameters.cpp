#include "mail/mail_parameters.h"

#include <QSettings>

#include "engine/report/mail_settings.h"
#include "engine/shell/settings.h"

namespace tallyscan {
namespace {

// The default account of the system's mail client, as its keys name the values.
struct AccountDefaults {
  std::string sender;
  std::string server;
  std::string user_name;
};

AccountDefaults SystemMailAccount() {
  AccountDefaults account;
#ifdef _WIN32
  const QString root =
      QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager");
  const QString name = QSettings(root, QSettings::NativeFormat)
                           .value(QStringLiteral("Default Mail Account"))
                           .toString();
  if (name.isEmpty()) return account;
  const QSettings values(root + QStringLiteral("\\Accounts\\") + name, QSettings::NativeFormat);
  account.sender = values.value(QStringLiteral("SMTP Email Address")).toString().toStdString();
  account.server = values.value(QStringLiteral("SMTP Server")).toString().toStdString();
  account.user_name = values.value(QStringLiteral("POP3 User Name")).toString().toStdString();
#endif
  return account;
}

}  // namespace

MailParameters LoadMailParameters(const SettingsStore& settings, PasswordStore& passwords) {
  MailParameters parameters;
  parameters.sender = settings.ReadReg(kIEmailer, kSender);
  parameters.server = settings.ReadReg(kIEmailer, kServer);
  parameters.user_name = settings.ReadReg(kIEmailer, kUserName);
  if (parameters.sender.empty() || parameters.server.empty() || parameters.user_name.empty()) {
    const AccountDefaults account = SystemMailAccount();
    if (parameters.sender.empty()) parameters.sender = account.sender;
    if (parameters.server.empty()) parameters.server = account.server;
    if (parameters.user_name.empty()) parameters.user_name = account.user_name;
  }
  parameters.password = passwords.ReadPassword().password;
  return parameters;
}

PasswordPlace SaveMailParameters(SettingsStore& settings, PasswordStore& passwords,
                                 const MailParameters& parameters) {
  settings.WriteReg(kIEmailer, kSender, parameters.sender);
  settings.WriteReg(kIEmailer, kServer, parameters.server);
  settings.WriteReg(kIEmailer, kUserName, parameters.user_name);
  return passwords.WritePassword(parameters.password);
}

}  // namespace tallyscan
