#pragma once

#include <atomic>
#include <functional>
#include <string>

#include <QString>

#include "app/background/store_readers.h"
#include "engine/program/program.h"
#include "engine/uniform/uniform.h"

class QWidget;

namespace tallyscan {

enum class MessageIcon { kExclamation, kQuestion, kInformation };
// The button Enter presses in a question (kind 2): "ביטול" where the answer OK cannot be
// undone (a deletion, an overwrite).
enum class MessageDefault { kOk, kCancel };

// What AppMessage would show; tests install a hook that records it instead.
struct AppMessageCall {
  QWidget* owner = nullptr;
  int kind = 1;
  MessageIcon icon = MessageIcon::kExclamation;
  QString text;
  MessageDefault default_button = MessageDefault::kOk;
};
using AppMessageHook = std::function<int(const AppMessageCall&)>;

// The process-wide state of the application, created once at start-up and handed to the main
// window and its pages by reference. The flags are atomic because the version-check and
// update threads read or raise them.
struct AppContext {
  AppContext(SettingsStore& settings_store, RecordStore& record_store)
      : settings(settings_store), store(record_store) {}

  SettingsStore& settings;
  RecordStore& store;            // the data set in memory; store.LoadedFolder is empty when none is
  std::string program_folder;    // folder of the program file, ending with a separator
  std::string program_file;      // name of the program file within program_folder
  std::string companies_folder;  // the store of saved companies: "Zevavu" in the per-user data
                                 // folder (the one beside the program is listed too)
  std::string user_data_folder;  // per-user folder for files that cannot go beside the program
  bool is_modern_windows = true;  // platforms with a visual style: all of ours
  // False for a program the package manager installed: a newer version is announced, never
  // downloaded over it (MayReplaceItself).
  bool self_update = true;
  std::atomic<bool> app_busy{false};
  std::atomic<bool> update_pending{false};
  // Work reading the store off the window's thread (ReadTask): while any runs, nothing may
  // change the store.
  StoreReaders readers;
  AppMessageHook message_hook;
};

}  // namespace tallyscan
