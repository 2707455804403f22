#pragma once

#include <memory>

#include <QDialog>
#include <QString>

#include "engine/uniform/uniform.h"

class QLineEdit;

namespace tallyscan {

class Grid;
class GridRowSource;

// "בחר את הכרטיס הרצוי": the accounts in AccountIndex order, key and name, with the search
// "איתור על פי שם כרטיס" that moves to the next account whose name holds the typed text. A
// double-click, Enter or "אישור" chooses. The rows are read from the store as they are shown;
// the store must not change while the dialog is open.
class AccountChooserDialog final : public QDialog {
  Q_OBJECT
 public:
  AccountChooserDialog(const RecordStore& store, QWidget* parent);
  ~AccountChooserDialog() override;

  // The chosen account's key, trimmed; empty when none is chosen.
  QString ChosenKey() const;
  Grid* List() const { return list_; }
  QLineEdit* SearchField() const { return search_; }
  // Moves to the next account (after the chosen one, wrapping) whose name holds `text`.
  void FindName(const QString& text);

 private:
  const RecordStore& store_;
  std::unique_ptr<GridRowSource> source_;
  Grid* list_ = nullptr;
  QLineEdit* search_ = nullptr;
};

}  // namespace tallyscan
