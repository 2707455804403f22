#include "app/update/update_threads.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QProcess>
#include <QStandardPaths>

#include "app/adapters/qt_update_fetcher.h"
#include "engine/program/program.h"

namespace tallyscan {
namespace {

constexpr unsigned long kBusyPollMs = 100;

void CopyServer(const SettingsStore& from, MemorySettings& to) {
  to.WriteReg(kParams, kUpdateServer, from.ReadReg(kParams, kUpdateServer));
}

#ifdef _WIN32
constexpr ScriptKind kScriptKind = ScriptKind::kBatch;
#else
constexpr ScriptKind kScriptKind = ScriptKind::kShell;
#endif

}  // namespace

VersionCheckThread::VersionCheckThread(AppContext& app, QObject* parent)
    : QThread(parent), app_(app) {
  setStackSize(kShellThreadStack);
  CopyServer(app.settings, server_);
}

void VersionCheckThread::run() {
  app_.update_pending = false;
  QtUpdateFetcher fetcher;
  if (NewerVersionAvailable(server_, fetcher)) app_.update_pending = true;
}

UpdateThread::UpdateThread(AppContext& app, QWidget* main_window, QObject* parent)
    : QThread(parent), app_(app), main_window_(main_window) {
  setStackSize(kShellThreadStack);
  CopyServer(app.settings, server_);
}

std::string UpdateThread::UserUpdateFolder() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
  return QDir::toNativeSeparators(folder + QLatin1Char('/')).toStdString();
}

void UpdateThread::run() {
  if (!app_.self_update) return;
  const QString program_folder = QString::fromStdString(app_.program_folder);
  const bool writable = QFileInfo(program_folder).isWritable();
  const UpdatePaths paths = PlanUpdatePaths(kScriptKind, app_.program_folder, app_.program_file,
                                            UserUpdateFolder(), writable);
  QtUpdateFetcher fetcher;
  LocalUpdateFiles files;
  if (const Status prepared = PrepareUpdate(server_, fetcher, files, paths, kScriptKind,
                                            QCoreApplication::applicationPid());
      !prepared.ok()) {
    // The update runs unseen and leaves the program as it is; why it did not happen is told to
    // whoever reads the program's messages.
    qWarning("update: %s", prepared.message().c_str());
    return;
  }
  // A running import, check, transfer or print finishes first.
  while (app_.app_busy) {
    if (isInterruptionRequested()) {
      (void)files.Remove(paths.ScriptPath());
      (void)files.Remove(paths.DownloadPath());
      return;
    }
    msleep(kBusyPollMs);
  }
  if (main_window_) QMetaObject::invokeMethod(main_window_, "close", Qt::QueuedConnection);
  const QString script = QString::fromStdString(paths.ScriptPath());
#ifdef _WIN32
  QProcess::startDetached(QStringLiteral("cmd.exe"), {QStringLiteral("/c"), script});
#else
  QProcess::startDetached(QStringLiteral("/bin/sh"), {script});
#endif
}

}  // namespace tallyscan
