#pragma once

// Where "סריקת תיק" finds tallyscan-cli, whose `batch` it runs: the program the environment
// names in TALLYSCAN_CLI (as the scheduler scripts read it), else the one beside this
// program (an installed pair), else the one of the build tree (src/cli beside src/app).

#include <QString>

namespace tallyscan {

// The program's path; empty when none of them is an executable file.
QString FindCliProgram();

// "לא נמצאה התוכנית tallyscan-cli ..." naming the places looked in.
QString CliNotFoundText();

}  // namespace tallyscan
