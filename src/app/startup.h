#pragma once

#include <string>

class QApplication;

namespace tallyscan {

// Right-to-left Hebrew for the whole application: the layout direction, the button style that
// keeps a picture button's caption clear of its border, Qt's own Hebrew translations of its
// standard dialogs and buttons, stand-ins for the Tahoma face, and the keyboard switched
// only where the windows are on an X server.
void PrepareHebrewInterface(QApplication& application);

// The folder of the program file, ending with the platform's separator.
std::string ProgramFolderOf(const std::string& program_path);

}  // namespace tallyscan
