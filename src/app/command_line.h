#pragma once

#include <optional>

#include <QString>
#include <QStringList>

namespace tallyscan {

class MainWindow;

// `tallyscan --version` and `tallyscan --help` answer on standard output without opening a
// window (and without a display). Returns the exit code when one of them was asked for,
// nullopt when the window is to open. Looks at the raw arguments, before Qt takes its own.
std::optional<int> AnswerWithoutWindow(int argc, char** argv);

// The data folder named on the command line, as the file manager passes the file the user
// opened: a folder stands for itself; a file (BKMVDATA.ZIP, INI.TXT, any file of the set)
// for the folder that holds it. A "file:" URL is taken as its local path; a path that does
// not exist is kept as it is, so that the import says what is missing; arguments that begin
// with '-' are options, not folders. Empty when no folder is named. `arguments` are the
// application's arguments after Qt took its own, the program's name first.
QString LaunchFolder(const QStringList& arguments);

// Shows the import page and reads `folder` there, as if the user had typed it and pressed
// "ביצוע": the log, the progress and the Stop button show as usual.
void ReadLaunchFolder(MainWindow& window, const QString& folder);

}  // namespace tallyscan
