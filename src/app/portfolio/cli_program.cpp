#include "app/portfolio/cli_program.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace tallyscan {
namespace {

QStringList Candidates() {
  QStringList places;
  const QString named = qEnvironmentVariable("TALLYSCAN_CLI");
  if (!named.isEmpty()) places << named;
  const QString own = QCoreApplication::applicationDirPath();
  places << QDir(own).filePath(QStringLiteral("tallyscan-cli"))
         << QDir(own).filePath(QStringLiteral("../cli/tallyscan-cli"));
  return places;
}

}  // namespace

QString FindCliProgram() {
  for (const QString& place : Candidates()) {
    const QFileInfo file(place);
    if (file.isFile() && file.isExecutable()) return file.absoluteFilePath();
  }
  return {};
}

QString CliNotFoundText() {
  QStringList places;
  for (const QString& place : Candidates()) places << QDir::cleanPath(place);
  return QStringLiteral(
             "לא נמצאה התוכנית tallyscan-cli שסורקת את התיק.\n"
             "חיפשנו ב:\n") +
         places.join(QLatin1Char('\n')) +
         QStringLiteral("\nהתקינו אותה לצד התוכנה, או ציינו את מקומה במשתנה TALLYSCAN_CLI.");
}

}  // namespace tallyscan
