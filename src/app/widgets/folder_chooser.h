#pragma once

#include <QString>

class QLineEdit;
class QWidget;

namespace tallyscan {

// Asks for a folder, starting at the one typed in `edit`, with the title
// "ציין את הספריה הרצוייה". A chosen folder is written into `edit` with the caret at its end
// and the focus on it, and returned; when the user cancels, nothing changes and the text that
// was there is returned.
// The folder the chooser looks in shows left to right ("/home/user/data", never
// "home/user/data/").
QString ChooseFolder(QWidget* parent, QLineEdit* edit);

}  // namespace tallyscan
