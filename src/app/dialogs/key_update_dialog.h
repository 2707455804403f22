#pragma once

#include <QDialog>

#include "engine/transfer/transfer.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace tallyscan {

// "עדכון מפתחות לחשבונות": the basis, the range, the operation with its amount, the start
// counter and the step. "ביצוע" accepts the dialog when the numbers are whole numbers.
class KeyUpdateDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit KeyUpdateDialog(QWidget* parent);
  // What the user asked for; nullopt-free: valid after exec() returned Accepted.
  KeyUpdate Update() const { return update_; }

 private:
  void BasisChanged();
  void Apply();

  QRadioButton* by_key_ = nullptr;
  QRadioButton* by_group_ = nullptr;
  QLabel* from_label_ = nullptr;
  QLabel* to_label_ = nullptr;
  QLineEdit* from_ = nullptr;
  QLineEdit* to_ = nullptr;
  QComboBox* operation_ = nullptr;
  QComboBox* amount_ = nullptr;
  QLineEdit* start_ = nullptr;
  QComboBox* step_ = nullptr;
  KeyUpdate update_;
};

}  // namespace tallyscan
