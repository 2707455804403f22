#include "app/widgets/folder_chooser.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>

#include "app/texts.h"

namespace tallyscan {

QString ChooseFolder(QWidget* parent, QLineEdit* edit) {
  const QString typed = edit->text();
  QFileDialog dialog(parent, texts::kChooseFolder, typed);
  dialog.setObjectName(QStringLiteral("folderChooser"));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (!typed.isEmpty()) dialog.setDirectory(typed);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return typed;
  const QString chosen = QDir::toNativeSeparators(dialog.selectedFiles().front());
  edit->setText(chosen);
  edit->setCursorPosition(static_cast<int>(chosen.size()));
  edit->setFocus();
  return chosen;
}

}  // namespace tallyscan
