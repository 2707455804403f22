#pragma once

#include <QDialog>
#include <QString>

#include "engine/browse/browse.h"

class QLabel;
class QLineEdit;

namespace tallyscan {

// The search box of a browser: captioned with the search prompt for the column the grid is
// sorted by. It takes any text: the numeric fields of the catalogues hold codes with letters and
// dashes as well as figures. For a numeric field it asks for the numeric keyboard (an input-method
// hint, and Num Lock where the platform lets it be set); for a Hebrew text field it switches the
// keyboard to Hebrew.
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
