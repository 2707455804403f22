#pragma once

#include <QPointer>
#include <QThread>
#include <QWidget>

#include "app/app_context.h"
#include "engine/program/program.h"

namespace tallyscan {

// The background version check: clears UpdatePending, asks the configured server for its
// version and raises UpdatePending when it is newer. Silent in every failure. The server's
// address is read when the thread is made, so the thread never touches the settings store.
class VersionCheckThread final : public QThread {
  Q_OBJECT
 public:
  explicit VersionCheckThread(AppContext& app, QObject* parent = nullptr);

 protected:
  void run() override;

 private:
  AppContext& app_;
  MemorySettings server_;
};

// The update, started once the user agrees: downloads the new program and writes the
// replacement script; then waits until no long operation runs, closes the main window and
// starts the script. A failed download ends it quietly with the program unchanged.
class UpdateThread final : public QThread {
  Q_OBJECT
 public:
  UpdateThread(AppContext& app, QWidget* main_window, QObject* parent = nullptr);

  // Where the download and the script go when the program's folder is not writable.
  static std::string UserUpdateFolder();

 protected:
  void run() override;

 private:
  AppContext& app_;
  QPointer<QWidget> main_window_;
  MemorySettings server_;
};

// Threads of the shell run with a 1 MB stack.
inline constexpr unsigned kShellThreadStack = 1u << 20;

}  // namespace tallyscan
