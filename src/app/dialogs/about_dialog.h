#pragma once

#include <QDialog>

class QLabel;

namespace tallyscan {

// "אודות טליסקן": the program's name, its version as --version shows it, the maker and the
// Qt version it runs on, with one OK button.
class AboutDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent);

  QLabel* VersionLabel() const { return version_; }

 private:
  QLabel* version_ = nullptr;
};

// Lets the user open the about box from the main window: F1, or a click on the banner at the
// top of the button band (whose tooltip says so). The box opens window-modal and deletes
// itself when closed; a second request while it is open raises it.
void InstallAboutBox(QWidget& main_window);

}  // namespace tallyscan
