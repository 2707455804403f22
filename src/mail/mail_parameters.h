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
  // The server ("host:port", MailServerKey) allowed to take reports without encryption: the
  // one in `server`, or empty when that one is not allowed.
  std::string clear_text_server;
};

// The stored parameters. Where the system has a default mail account (Windows: the mail
// client's account keys) it fills the sender, the server and the user name that are not
// stored; elsewhere they stay empty. The password comes from `passwords`; the permission to
// send without encryption is the server's when the stored list (iEmailer/ClearText) holds it.
MailParameters LoadMailParameters(const SettingsStore& settings, PasswordStore& passwords);

// Stores the sender, the server and the user name, and the password through `passwords`;
// adds the server to the list of those allowed without encryption or removes it, as
// `clear_text_server` says; the other servers of the list stay. Returns where the password
// went.
PasswordPlace SaveMailParameters(SettingsStore& settings, PasswordStore& passwords,
                                 const MailParameters& parameters);

}  // namespace tallyscan
