#pragma once

#include <vector>

#include <QDialog>

#include "app/app_context.h"
#include "engine/browse/browse.h"

class QCheckBox;

namespace tallyscan {

struct FieldCatalogue;

// The field-selection dialog of a browser: its title, one tick box per field from 2
// upwards captioned with the field's long name, ticked for the fields of the browser's
// stored list. However it is closed, the ticked fields are written back as the browser's
// field list (see FieldSelection); the browser then rebuilds its columns.
class FieldSelectionDialog final : public QDialog {
  Q_OBJECT
 public:
  FieldSelectionDialog(AppContext& app, const FieldCatalogue& catalogue, QWidget* parent);

  // The box of a field, null outside 2..last field.
  QCheckBox* Box(int field) const;
  // The list the dialog writes when it closes.
  std::string Result() const { return selection_.Result(); }

  void done(int result) override;

 private:
  AppContext& app_;
  const FieldCatalogue& catalogue_;
  FieldSelection selection_;
  std::vector<QCheckBox*> boxes_;  // by field number; 0 and 1 empty
};

}  // namespace tallyscan
