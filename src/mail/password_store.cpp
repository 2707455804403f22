#include "mail/password_store.h"

#include <qt6keychain/keychain.h>
#include <QEventLoop>

#include "engine/mail/mail.h"
#include "engine/program/program.h"

namespace tallyscan {
namespace {

const QString kKeyringKey = QStringLiteral("iEmailer/PassWord");

// Runs a keyring job to its end. The job reports through a signal, so wait in a local loop.
void Run(QKeychain::Job& job) {
  job.setAutoDelete(false);
  // QtKeychain's own fallback keeps the password in clear in a settings file: never.
  job.setInsecureFallback(false);
  QEventLoop loop;
  QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
  job.start();
  loop.exec();
}

}  // namespace

PasswordStore::PasswordStore(SettingsStore& settings, QString service)
    : settings_(settings), service_(std::move(service)) {}

PasswordStore::Read PasswordStore::ReadPassword() {
  QKeychain::ReadPasswordJob job(service_);
  job.setKey(kKeyringKey);
  Run(job);
  if (job.error() == QKeychain::NoError) {
    return {job.textData().toStdString(), PasswordPlace::kKeyring};
  }
  return {UnscramblePassword(settings_.ReadReg(kIEmailer, kPassWord)), PasswordPlace::kSettings};
}

PasswordPlace PasswordStore::WritePassword(const std::string& password) {
  QKeychain::WritePasswordJob job(service_);
  job.setKey(kKeyringKey);
  job.setTextData(QString::fromStdString(password));
  Run(job);
  if (job.error() == QKeychain::NoError) {
    settings_.WriteReg(kIEmailer, kPassWord, "");
    return PasswordPlace::kKeyring;
  }
  settings_.WriteReg(kIEmailer, kPassWord, ScramblePassword(password));
  return PasswordPlace::kSettings;
}

}  // namespace tallyscan
