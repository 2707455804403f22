#include "app/dialogs/group_change_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace tallyscan {

GroupChangeDialog::GroupChangeDialog(QWidget* parent, const std::vector<std::string>& groups,
                                     bool extracted_copy)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("שינוי מספר קבוצה"));
  setLayoutDirection(Qt::RightToLeft);
  auto* frame = new QGroupBox(QStringLiteral("נתוני הקבוצה לשינוי"), this);
  old_group_ = new QComboBox(frame);
  old_group_->setObjectName(QStringLiteral("oldGroup"));
  for (const std::string& g : groups) old_group_->addItem(QString::fromStdString(g));
  new_group_ = new QLineEdit(frame);
  new_group_->setObjectName(QStringLiteral("newGroup"));
  new_group_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,15}")), new_group_));
  auto* form = new QFormLayout(frame);
  form->addRow(QStringLiteral("קבוצה ישנה"), old_group_);
  form->addRow(QStringLiteral("קבוצה חדשה"), new_group_);
  auto* run = new QPushButton(QStringLiteral("ביצוע"), this);
  run->setObjectName(QStringLiteral("runButton"));
  run->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  if (extracted_copy) {
    auto* note = new QLabel(
        QStringLiteral("הנתונים נקראו מקובץ BKMVDATA.ZIP - השינוי יירשם בעותק שחולץ ממנו"), this);
    note->setWordWrap(true);
    layout->addWidget(note);
  }
  layout->addWidget(run, 0, Qt::AlignLeft);
  connect(run, &QPushButton::clicked, this, &QDialog::accept);
}

std::string GroupChangeDialog::OldGroup() const { return old_group_->currentText().toStdString(); }

long long GroupChangeDialog::NewGroup() const { return new_group_->text().toLongLong(); }

}  // namespace tallyscan
