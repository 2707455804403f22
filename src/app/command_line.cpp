#include "app/command_line.h"

#include <cstdio>
#include <string_view>

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "app/main_window.h"
#include "app/pages/import_page.h"
#include "engine/common/version.h"

namespace tallyscan {
namespace {

constexpr std::string_view kHelp =
    "usage: tallyscan [FOLDER | FILE]\n"
    "       tallyscan --version\n"
    "\n"
    "Opens the desktop application. A FOLDER holding INI.TXT with BKMVDATA.TXT or\n"
    "BKMVDATA.ZIP, or a FILE of such a folder, is read on the import page at once.\n"
    "Qt's own options (-platform, -style, ...) are accepted as well.\n";

}  // namespace

std::optional<int> AnswerWithoutWindow(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--version") {
      std::printf("tallyscan %.*s\n", static_cast<int>(ProgramVersion().size()),
                  ProgramVersion().data());
      return 0;
    }
    if (argument == "--help" || argument == "-h") {
      std::fwrite(kHelp.data(), 1, kHelp.size(), stdout);
      return 0;
    }
  }
  return std::nullopt;
}

QString LaunchFolder(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    QString path = arguments[i];
    // Options Qt did not take are not folders.
    if (path.isEmpty() || path.startsWith(QLatin1Char('-'))) continue;
    if (path.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive)) {
      path = QUrl(path).toLocalFile();
      if (path.isEmpty()) continue;
    }
    const QFileInfo named(path);
    return QDir::toNativeSeparators(named.isFile() ? named.absolutePath()
                                                   : named.absoluteFilePath());
  }
  return {};
}

void ReadLaunchFolder(MainWindow& window, const QString& folder) {
  window.PressButton(PageId::kImport);
  window.PageOf<ImportPage>()->ReadFolder(folder);
}

}  // namespace tallyscan
