#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;

namespace tallyscan {

// "שינוי מספר קבוצה": the old group chosen among those present, the new group a number.
// "ביצוע" accepts; the page refuses an empty new group and makes the change.
class GroupChangeDialog final : public QDialog {
  Q_OBJECT
 public:
  // `extracted_copy`: the data file is a copy taken out of BKMVDATA.ZIP, and the dialog says
  // that the change goes into that copy.
  GroupChangeDialog(QWidget* parent, const std::vector<std::string>& groups, bool extracted_copy);
  std::string OldGroup() const;
  // The new group as typed; 0 when empty or not a number.
  long long NewGroup() const;

 private:
  QComboBox* old_group_ = nullptr;
  QLineEdit* new_group_ = nullptr;
};

}  // namespace tallyscan
