// tallyscan: the desktop application. Start-up in its fixed order: the record store, the
// program's folders, the window size, the version check, the main window (which reads the
// folder named on the command line, if any); at exit the rest is released as the objects go
// out of scope.
#include <memory>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QNetworkInformation>
#include <QStandardPaths>
#include <QTimer>

#include "app/app_context.h"
#include "app/command_line.h"
#include "app/dialogs/about_dialog.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/update/update_threads.h"
#include "engine/program/program.h"
#include "engine/uniform/uniform.h"
#include "qt_settings/qt_settings_store.h"

int main(int argc, char** argv) {
  using namespace tallyscan;
  if (const std::optional<int> answered = AnswerWithoutWindow(argc, argv)) return *answered;
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Norva"));
  QApplication::setApplicationName(QStringLiteral("Tallyscan"));
  // Ties the window to the desktop entry, for its icon and name in the desktop's task list.
  QGuiApplication::setDesktopFileName(QStringLiteral("com.norva.Tallyscan"));
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
  app.self_update = MayReplaceItself(
      QDir::toNativeSeparators(QFileInfo(program_path).canonicalPath() + QLatin1Char('/'))
          .toStdString());

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
    InstallAboutBox(window);
    window.ShowAsStored();
    // Opened with a folder or a file of one (from the file manager): read it once the window
    // shows, so that the log fills and Stop works as for a folder the user chose.
    const QString launch_folder = LaunchFolder(QApplication::arguments());
    if (!launch_folder.isEmpty()) {
      QTimer::singleShot(0, &window,
                         [&window, launch_folder] { ReadLaunchFolder(window, launch_folder); });
    }
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
