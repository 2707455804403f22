#include "app/dialogs/field_selection_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/browse/browse.h"

namespace tallyscan {
namespace {

constexpr int kBoxesPerColumn = 9;

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

FieldSelectionDialog::FieldSelectionDialog(AppContext& app, const FieldCatalogue& catalogue,
                                           QWidget* parent)
    : QDialog(parent),
      app_(app),
      catalogue_(catalogue),
      selection_(catalogue, ReadFieldList(app.settings, catalogue)),
      boxes_(static_cast<std::size_t>(catalogue.FieldCount()) + 1, nullptr) {
  setObjectName(QStringLiteral("fieldSelectionDialog"));
  setWindowTitle(FromView(catalogue.dialog_title));
  setLayoutDirection(Qt::RightToLeft);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(24);
  for (int field = 2; field <= selection_.LastField(); ++field) {
    auto* box = new QCheckBox(FromView(catalogue.LongName(field)), this);
    box->setObjectName(QStringLiteral("field%1").arg(field));
    box->setChecked(selection_.Ticked(field));
    connect(box, &QCheckBox::toggled, this,
            [this, field](bool ticked) { selection_.SetTicked(field, ticked); });
    boxes_[static_cast<std::size_t>(field)] = box;
    const int place = field - 2;
    grid->addWidget(box, place % kBoxesPerColumn, place / kBoxesPerColumn);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("אישור"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(buttons);
}

QCheckBox* FieldSelectionDialog::Box(int field) const {
  if (field < 0 || static_cast<std::size_t>(field) >= boxes_.size()) return nullptr;
  return boxes_[static_cast<std::size_t>(field)];
}

void FieldSelectionDialog::done(int result) {
  WriteFieldList(app_.settings, catalogue_, selection_.Result());
  QDialog::done(result);
}

}  // namespace tallyscan
