#pragma once

#include <string>

#include <QString>

namespace tallyscan {

class SettingsStore;

// Where the e-mail password is kept.
enum class PasswordPlace {
  kKeyring,   // the system's keyring: the Secret Service on Linux, the credential manager on
              // Windows, the keychain on macOS (through QtKeychain)
  kSettings,  // no keyring answered: the settings store, scrambled (never the clear text)
};

// The e-mail password in the system keyring, with the scrambled settings value (iEmailer/
// PassWord) as the fallback where no keyring answers. Calls block while the keyring answers
// (it may ask the user to unlock it) by running a local event loop, so they belong on the
// thread of the window. The settings store must outlive this object.
class PasswordStore {
 public:
  // `service` names the program's entries in the keyring.
  explicit PasswordStore(SettingsStore& settings, QString service = QStringLiteral("Tallyscan"));

  struct Read {
    std::string password;  // empty when none is kept
    PasswordPlace place;   // where it came from
  };
  // The keyring's entry; the settings value when the keyring has none or does not answer.
  Read ReadPassword();

  // Into the keyring, clearing the settings value; into the settings, scrambled, only when the
  // keyring refuses. Returns where it went.
  PasswordPlace WritePassword(const std::string& password);

 private:
  SettingsStore& settings_;
  QString service_;
};

}  // namespace tallyscan
