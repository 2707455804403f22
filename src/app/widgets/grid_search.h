#pragma once

#include <QDialog>
#include <QString>

#include "engine/browse/grid.h"

class QLabel;
class QLineEdit;

namespace tallyscan {

// The search box of a browser: captioned with the search prompt for the column the grid is
// sorted by. For a numeric field it takes digits only and switches the keyboard to numeric
// entry; for a Hebrew text field it switches the keyboard to Hebrew.
class GridSearchBox final : public QDialog {
  Q_OBJECT
 public:
  GridSearchBox(const FieldCatalogue& catalogue, int sort_field, QWidget* parent);

  QString Prompt() const;
  QLineEdit* Field() const { return field_; }
  QString Text() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  SearchEntry entry_;
  QLabel* prompt_ = nullptr;
  QLineEdit* field_ = nullptr;
};

}  // namespace tallyscan
