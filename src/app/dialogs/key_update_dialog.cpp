#include "app/dialogs/key_update_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace tallyscan {
namespace {

QLineEdit* NumberEdit(QWidget* parent, const QString& text) {
  auto* edit = new QLineEdit(text, parent);
  edit->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?\\d{0,15}")), edit));
  return edit;
}

}  // namespace

KeyUpdateDialog::KeyUpdateDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("עדכון מפתחות לחשבונות"));
  setLayoutDirection(Qt::RightToLeft);

  auto* basis = new QGroupBox(QStringLiteral("בסיס המפתחות הנו"), this);
  by_key_ = new QRadioButton(QStringLiteral("מפתח החשבון"), basis);
  by_group_ = new QRadioButton(QStringLiteral("קבוצת החשבון"), basis);
  by_key_->setChecked(true);
  auto* basis_row = new QHBoxLayout(basis);
  basis_row->addWidget(by_key_);
  basis_row->addWidget(by_group_);

  auto* range = new QGroupBox(QStringLiteral("טווח העדכון"), this);
  from_label_ = new QLabel(range);
  to_label_ = new QLabel(range);
  from_ = NumberEdit(range, QStringLiteral("0"));
  to_ = NumberEdit(range, QStringLiteral("999999999999999"));
  auto* range_form = new QFormLayout(range);
  range_form->addRow(from_label_, from_);
  range_form->addRow(to_label_, to_);

  auto* actions = new QGroupBox(QStringLiteral("פעולות לביצוע"), this);
  operation_ = new QComboBox(actions);
  operation_->addItems({QStringLiteral("ללא"), QStringLiteral("כפל"), QStringLiteral("חילוק"),
                        QStringLiteral("חיבור"), QStringLiteral("חיסור")});
  amount_ = new QComboBox(actions);
  for (const std::int64_t amount : kKeyUpdateAmounts) amount_->addItem(QString::number(amount));
  start_ = NumberEdit(actions, QStringLiteral("0"));
  step_ = new QComboBox(actions);
  for (const std::int64_t step : kKeyUpdateSteps) step_->addItem(QString::number(step));
  auto* action_form = new QFormLayout(actions);
  action_form->addRow(QStringLiteral("פעולה"), operation_);
  action_form->addRow(QStringLiteral("כמות"), amount_);
  action_form->addRow(QStringLiteral("מונה התחלתי"), start_);
  action_form->addRow(QStringLiteral("מקדם העלאה"), step_);

  auto* run = new QPushButton(QStringLiteral("ביצוע"), this);
  run->setObjectName(QStringLiteral("runButton"));
  run->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(basis);
  layout->addWidget(range);
  layout->addWidget(actions);
  layout->addWidget(run, 0, Qt::AlignLeft);

  BasisChanged();
  connect(by_key_, &QRadioButton::toggled, this, &KeyUpdateDialog::BasisChanged);
  connect(run, &QPushButton::clicked, this, &KeyUpdateDialog::Apply);
}

void KeyUpdateDialog::BasisChanged() {
  const bool key = by_key_->isChecked();
  from_label_->setText(key ? QStringLiteral("ממפתח") : QStringLiteral("מקבוצה"));
  to_label_->setText(key ? QStringLiteral("עד ממפתח") : QStringLiteral("עד קבוצה"));
}

void KeyUpdateDialog::Apply() {
  bool from_ok = false, to_ok = false, start_ok = false;
  update_.basis = by_key_->isChecked() ? KeyBasis::kAccountKey : KeyBasis::kAccountGroup;
  update_.from = from_->text().toLongLong(&from_ok);
  update_.to = to_->text().toLongLong(&to_ok);
  update_.start_counter = start_->text().toLongLong(&start_ok);
  constexpr KeyOperation kOperations[] = {KeyOperation::kNone, KeyOperation::kMultiply,
                                          KeyOperation::kDivide, KeyOperation::kAdd,
                                          KeyOperation::kSubtract};
  update_.operation = kOperations[operation_->currentIndex()];
  update_.amount = amount_->currentText().toLongLong();
  update_.step = step_->currentText().toLongLong();
  if (!from_ok)
    from_->setFocus();
  else if (!to_ok)
    to_->setFocus();
  else if (!start_ok)
    start_->setFocus();
  else
    accept();
}

}  // namespace tallyscan
