#include "app/startup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/keyboard.h"
#include "app/shared_fonts.h"
#include "app/widgets/button_style.h"

namespace tallyscan {

void PrepareHebrewInterface(QApplication& application) {
  QLocale::setDefault(QLocale(QLocale::Hebrew, QLocale::Israel));
  application.setLayoutDirection(Qt::RightToLeft);
  QApplication::setStyle(new ButtonStyle);
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  for (const QString& name : {QStringLiteral("qtbase_he"), QStringLiteral("qt_he")}) {
    auto* translator = new QTranslator(&application);
    if (translator->load(name, folder)) {
      QApplication::installTranslator(translator);
    } else {
      delete translator;
    }
  }
  InstallFontSubstitutes();
  UseQtWindowSystemForKeyboard();
}

std::string ProgramFolderOf(const std::string& program_path) {
  // Cut back to the last separator; a bare name lives in the current folder.
  const std::size_t cut = program_path.find_last_of("/\\");
#ifdef _WIN32
  constexpr char kSeparator = '\\';
#else
  constexpr char kSeparator = '/';
#endif
  if (cut == std::string::npos) return std::string(".") + kSeparator;
  return program_path.substr(0, cut + 1);
}

}  // namespace tallyscan
