#pragma once

#include <string>

#include "mail/password_store.h"

namespace tallyscan {

class SettingsStore;

// The sender's parameters of e-mail sending (iEmailer).
struct MailParameters {
  std::string sender;
  std::string server;  // "host" or "host:port"
  std::string user_name;
  std::string password;
};

// The stored parameters. Where the system has a default mail account (Windows: the mail
// client's account keys) it fills the sender, the server and the user name that are not
// stored; elsewhere they stay empty. The password comes from `passwords`.
MailParameters LoadMailParameters(const SettingsStore& settings, PasswordStore& passwords);

// Stores the sender, the server and the user name, and the password through `passwords`;
// returns where the password went.
PasswordPlace SaveMailParameters(SettingsStore& settings, PasswordStore& passwords,
                                 const MailParameters& parameters);

}  // namespace tallyscan
