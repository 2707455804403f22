#include "app/widgets/folder_chooser.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>

#include "app/app_texts.h"

namespace tallyscan {

QString ChooseFolder(QWidget* parent, QLineEdit* edit) {
  const QString typed = edit->text();
  QFileDialog dialog(parent, texts::kChooseFolder, typed);
  dialog.setObjectName(QStringLiteral("folderChooser"));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  // The folder it looks in is a path: read right to left it would show "/tmp" as "tmp/". (A
  // field takes the direction of the first letter it holds, so a path already reads right.)
  if (auto* look_in = dialog.findChild<QComboBox*>(QStringLiteral("lookInCombo"))) {
    look_in->setLayoutDirection(Qt::LeftToRight);
  }
  if (!typed.isEmpty()) dialog.setDirectory(typed);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return typed;
  const QString chosen = QDir::toNativeSeparators(dialog.selectedFiles().front());
  edit->setText(chosen);
  edit->setCursorPosition(static_cast<int>(chosen.size()));
  edit->setFocus();
  return chosen;
}

}  // namespace tallyscan
