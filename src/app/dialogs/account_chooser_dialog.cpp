#include "app/dialogs/account_chooser_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/widgets/grid.h"
#include "engine/browse/browse.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr int kKeyField = 2;
constexpr int kNameField = 3;

// Key and name of AccountIndex element row + 1, read when shown; the last line read is kept.
class ChooserRowSource final : public GridRowSource {
 public:
  explicit ChooserRowSource(const RecordStore& store) : store_(store) {}
  std::string CellText(int row, int field) const override {
    if (row < 0 || row >= store_.AccountIndex.Count()) return {};
    if (row != cached_row_) {
      line_ = ReadRecordLine(store_, store_.AccountIndex[row + 1].Offset, RecordType::kB110);
      cached_row_ = row;
    }
    if (field == kKeyField) return StrippedCell(SliceField(line_, field::B110(1403)));
    if (field == kNameField) {
      return TextCell(SliceField(line_, field::B110(1404)), store_.DosCodePage,
                      field::B110(1404).converted);
    }
    return {};
  }

 private:
  const RecordStore& store_;
  mutable int cached_row_ = -1;
  mutable std::string line_;
};

}  // namespace

AccountChooserDialog::AccountChooserDialog(const RecordStore& store, QWidget* parent)
    : QDialog(parent), store_(store), source_(std::make_unique<ChooserRowSource>(store)) {
  setObjectName(QStringLiteral("accountChooser"));
  setWindowTitle(QStringLiteral("בחר את הכרטיס הרצוי"));
  setLayoutDirection(Qt::RightToLeft);
  resize(600, 500);
  search_ = new QLineEdit(this);
  search_->setObjectName(QStringLiteral("chooserSearch"));
  list_ = new Grid(this);
  list_->setObjectName(QStringLiteral("chooserList"));
  list_->SetColumns(FixedColumns(
      {QStringLiteral("30,#"), QStringLiteral("150,כרטיס"), QStringLiteral("350,תאור")}));
  list_->SetStretchField(kNameField);
  list_->SetSource(source_.get());
  list_->SetRowCount(static_cast<int>(store.AccountIndex.Count()));
  list_->SetSearchRoutine([this] { search_->setFocus(); });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("אישור"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("ביטול"));

  auto* search_row = new QHBoxLayout;
  search_row->addWidget(new QLabel(QStringLiteral("איתור על פי שם כרטיס"), this));
  search_row->addWidget(search_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(search_row);
  layout->addWidget(list_, 1);
  layout->addWidget(buttons);

  connect(search_, &QLineEdit::returnPressed, this, [this] { FindName(search_->text()); });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(list_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) accept();
  });
}

AccountChooserDialog::~AccountChooserDialog() { list_->SetSource(nullptr); }

QString AccountChooserDialog::ChosenKey() const {
  const QModelIndex current = list_->selectionModel()->currentIndex();
  if (!current.isValid() || !list_->selectionModel()->isRowSelected(current.row(), {})) {
    return {};
  }
  // The key as stored, trimmed: the range fields compare keys trimmed, and a key stored with
  // leading zeros must keep them to be found.
  const std::string key =
      ReadRecordField(store_, store_.AccountIndex[current.row() + 1].Offset, field::B110(1403));
  return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())).trimmed();
}

void AccountChooserDialog::FindName(const QString& text) {
  if (text.isEmpty()) return;
  const QModelIndex current = list_->selectionModel()->currentIndex();
  const int found = list_->FindRow(kNameField - 1, text, current.isValid() ? current.row() + 1 : 0);
  if (found < 0) return;
  const QModelIndex cell = list_->model()->index(found, kNameField - 1);
  list_->selectionModel()->setCurrentIndex(
      cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  list_->scrollTo(cell);
  list_->setFocus();
}

}  // namespace tallyscan
