// tallyscan: the desktop application. Start-up in its fixed order: the record store, the
// program's folders, the window size, the version check, the main window; at exit the rest is
// released as the objects go out of scope.
#include <memory>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QNetworkInformation>
#include <QStandardPaths>

#include "app/app_context.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/update/update_threads.h"
#include "engine/shell/window_placement.h"
#include "engine/uniform/record_store.h"
#include "qt_settings/qt_settings_store.h"

int main(int argc, char** argv) {
  using namespace tallyscan;
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Norva"));
  QApplication::setApplicationName(QStringLiteral("Tallyscan"));
  PrepareHebrewInterface(application);

  RecordStore store;
  QtSettingsStore settings;
  AppContext app(settings, store);
  const QString program_path = QDir::toNativeSeparators(QApplication::applicationFilePath());
  app.program_folder = ProgramFolderOf(program_path.toStdString());
  app.program_file = QFileInfo(program_path).fileName().toStdString();
  app.user_data_folder = UpdateThread::UserUpdateFolder();
  // The store of saved companies is the user's: an installed program cannot write beside
  // itself, and one run from its build folder would lose the store with every rebuild.
  const QString data_folder =
      QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
  app.companies_folder =
      data_folder.isEmpty()
          ? app.program_folder + "Zevavu"
          : QDir::toNativeSeparators(data_folder + QStringLiteral("/Zevavu")).toStdString();
  app.is_modern_windows = true;  // every platform we run on has a visual style

  const MainDlgPos placement = ParseMainDlgPos(settings.ReadReg(kParams, kMainDlgPos));

  // BKMVDATA.ZIP is read with minizip linked into the engine: nothing to load here.

  QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
  VersionCheckThread version_check(app);
  version_check.start();

  std::unique_ptr<UpdateThread> update;
  int exit_code = 0;
  {
    MainWindow window(app, placement);
    window.SetUpdateStarter([&] {
      if (update) return;
      update = std::make_unique<UpdateThread>(app, &window);
      update->start();
    });
    window.ShowAsStored();
    exit_code = QApplication::exec();
  }

  // The threads end within moments of being asked: their requests are aborted.
  version_check.requestInterruption();
  version_check.wait();
  if (update) {
    update->requestInterruption();
    update->wait();
  }
  return exit_code;
}
