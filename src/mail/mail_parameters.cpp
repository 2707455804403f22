#include "mail/mail_parameters.h"

#include <algorithm>
#include <vector>

#include <QSettings>

#include "engine/mail/mail.h"
#include "engine/program/program.h"

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

// The stored list of servers allowed without encryption, one "host:port" a line.
std::vector<std::string> ClearTextServers(const SettingsStore& settings) {
  const std::string stored = settings.ReadReg(kIEmailer, kClearText);
  std::vector<std::string> servers;
  std::size_t start = 0;
  while (start < stored.size()) {
    std::size_t end = stored.find('\n', start);
    if (end == std::string::npos) end = stored.size();
    if (end > start) servers.push_back(stored.substr(start, end - start));
    start = end + 1;
  }
  return servers;
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
  const std::string key = MailServerKey(parameters.server);
  if (!key.empty() && std::ranges::count(ClearTextServers(settings), key) > 0) {
    parameters.clear_text_server = key;
  }
  return parameters;
}

PasswordPlace SaveMailParameters(SettingsStore& settings, PasswordStore& passwords,
                                 const MailParameters& parameters) {
  settings.WriteReg(kIEmailer, kSender, parameters.sender);
  settings.WriteReg(kIEmailer, kServer, parameters.server);
  settings.WriteReg(kIEmailer, kUserName, parameters.user_name);
  const std::string key = MailServerKey(parameters.server);
  if (!key.empty()) {
    std::vector<std::string> servers = ClearTextServers(settings);
    std::erase(servers, key);
    if (parameters.clear_text_server == key) servers.push_back(key);
    std::string stored;
    for (const std::string& server : servers) stored.append(server).append("\n");
    settings.WriteReg(kIEmailer, kClearText, stored);
  }
  return passwords.WritePassword(parameters.password);
}

}  // namespace tallyscan
