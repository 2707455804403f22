#pragma once

#include <QDialog>
#include <QString>

#include "engine/browse/browse.h"

class QLabel;
class QLineEdit;

namespace tallyscan {

// The search box of a browser: captioned with the search prompt for the column the grid is
// sorted by. For a numeric field it takes digits (and a figure's sign and separators, which
// the search passes over) and switches the keyboard to numeric entry; for a Hebrew text field it
// switches the keyboard to Hebrew.
class GridSearchBox final : public QDialog {
  Q_OBJECT
 public:
  GridSearchBox(const FieldCatalogue& catalogue, int sort_field, QWidget* parent);
  // For a column of a grid without a catalogue, named by its caption.
  GridSearchBox(const QString& column_caption, SearchEntry entry, QWidget* parent);

  QString Prompt() const;
  QLineEdit* Field() const { return field_; }
  QString Text() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Build(const std::string& prompt);

  SearchEntry entry_;
  QLabel* prompt_ = nullptr;
  QLineEdit* field_ = nullptr;
};

}  // namespace tallyscan
