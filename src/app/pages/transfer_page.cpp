#include "app/pages/transfer_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/dialogs/group_change_dialog.h"
#include "app/dialogs/key_update_dialog.h"
#include "app/pump.h"
#include "app/shared_fonts.h"
#include "app/widgets/card_number_edit.h"
#include "app/widgets/folder_chooser.h"
#include "app/widgets/grid.h"
#include "app/widgets/progress_bar.h"
#include "engine/browse/browse.h"
#include "engine/transfer/transfer.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr int kNumberField = 3;  // "מספרנו"

// The six columns of the account list, read from each entry's line when painted.
class AccountRows final : public GridRowSource {
 public:
  explicit AccountRows(const RecordStore& store) : store_(store) {}
  std::string CellText(int row, int field) const override {
    const ListEntry& entry = store_.AccountListIndex[row + 1];
    const auto text = [&](Positions p) {
      return SafeCellText(
          TextDisplay(ReadRecordField(store_, entry.Offset, p), store_.DosCodePage, true));
    };
    switch (field) {
      case 1:  // the picture of the account's income-tax section, as the index shows it
        return std::string(1,
                           AccountImage(ReadRecordLine(store_, entry.Offset, RecordType::kB110)));
      case 2:
        return SafeCellText(KeyDisplay(ReadRecordField(store_, entry.Offset, field::B110(1403))));
      case kNumberField:
        return SafeCellText(entry.ShortKeyView());
      case 4:
        return text(field::B110(1404));
      case 5:
        return SafeCellText(KeyDisplay(ReadRecordField(store_, entry.Offset, field::B110(1405))));
      case 6:
        return text(field::B110(1406));
      default:
        return {};
    }
  }

 private:
  const RecordStore& store_;
};

}  // namespace

TransferPage::TransferPage(AppContext& app, PageHost& host, QWidget* parent)
    : Page(app, host, kId, parent), rows_(std::make_unique<AccountRows>(app.store)) {
  setFont(host.Fonts().Tahoma10);
  list_ = new Grid(this);
  list_->setObjectName(QStringLiteral("accountList"));  // control 1175
  list_->SetColumns(FixedColumns({QStringLiteral("30,#"), QStringLiteral("80,מפתח חשבון"),
                                  QStringLiteral("60,מספרנו"), QStringLiteral("200,שם כרטיס"),
                                  QStringLiteral("80,קבוצה"), QStringLiteral("200,שם קבוצה")}));
  list_->SetSource(rows_.get());
  keys_button_ = new QPushButton(QStringLiteral("עדכון מפתחות"), this);
  keys_button_->setObjectName(QStringLiteral("keysButton"));
  group_button_ = new QPushButton(QStringLiteral("שינוי קבוצה"), this);
  group_button_->setObjectName(QStringLiteral("groupButton"));

  auto* prompt = new QLabel(QStringLiteral("באיזו ספריה יש לשמור את נתוני החברה"), this);
  prompt->setFont(host.Fonts().Tahoma10Bold);
  folder_edit_ = new QLineEdit(this);
  folder_edit_->setObjectName(QStringLiteral("folderEdit"));
  browse_button_ = new QPushButton(QStringLiteral("עיון"), this);

  auto* which = new QGroupBox(QStringLiteral("אילו נתונים יש לקלוט"), this);
  accounts_ = new QCheckBox(QStringLiteral("אינדקס חשבונות"), which);
  movements_ = new QCheckBox(QStringLiteral("תנועות הנהלת חשבונות"), which);
  documents_ = new QCheckBox(QStringLiteral("קבצי תעודות"), which);
  items_ = new QCheckBox(QStringLiteral("פרטי מלאי"), which);
  opening_ = new QCheckBox(QStringLiteral("צור תנועות של יתרות פתיחה"), which);
  for (QCheckBox* box : {accounts_, movements_, documents_, items_}) box->setChecked(true);
  auto* boxes = new QGridLayout(which);
  boxes->addWidget(accounts_, 0, 0);
  boxes->addWidget(movements_, 0, 1);
  boxes->addWidget(documents_, 1, 0);
  boxes->addWidget(items_, 1, 1);
  boxes->addWidget(opening_, 2, 0, 1, 2);

  run_button_ = new QPushButton(QStringLiteral("ביצוע"), this);
  run_button_->setObjectName(QStringLiteral("runButton"));
  stop_button_ = new QPushButton(QStringLiteral("עצור"), this);
  stop_button_->setObjectName(QStringLiteral("stopButton"));
  progress_bar_ = new PercentProgressBar(this);
  progress_bar_->setFixedHeight(20);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("stepLine"));

  auto* list_buttons = new QVBoxLayout;
  list_buttons->addWidget(keys_button_);
  list_buttons->addWidget(group_button_);
  list_buttons->addStretch(1);
  auto* list_row = new QHBoxLayout;
  list_row->addWidget(list_, 1);
  list_row->addLayout(list_buttons);
  auto* folder_row = new QHBoxLayout;
  folder_row->addWidget(folder_edit_, 1);
  folder_row->addWidget(browse_button_);
  auto* run_row = new QHBoxLayout;
  run_row->addWidget(run_button_);
  run_row->addWidget(stop_button_);
  run_row->addWidget(progress_bar_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 8);
  layout->addLayout(list_row, 1);
  layout->addWidget(prompt);
  layout->addLayout(folder_row);
  layout->addWidget(which);
  layout->addLayout(run_row);
  layout->addWidget(status_);
  for (QWidget* widget :
       {static_cast<QWidget*>(stop_button_), static_cast<QWidget*>(progress_bar_)}) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
  }
  ShowRunning(false);

  connect(list_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& cell) {
    if (!running_ && list_->Model().FieldOf(cell.column()) == kNumberField) {
      EditCardNumber(app_, *list_, cell);
    }
  });
  connect(keys_button_, &QPushButton::clicked, this, &TransferPage::UpdateKeys);
  connect(group_button_, &QPushButton::clicked, this, &TransferPage::ChangeGroup);
  connect(browse_button_, &QPushButton::clicked, this,
          [this] { ChooseFolder(this, folder_edit_); });
  connect(run_button_, &QPushButton::clicked, this, &TransferPage::Start);
  connect(stop_button_, &QPushButton::clicked, this, &TransferPage::Stop);
}

TransferPage::~TransferPage() = default;

void TransferPage::Enter() {
  list_->SetRowCount(static_cast<int>(app_.store.AccountListIndex.Count()));
  list_->Model().RowsChanged();
}

void TransferPage::ShowRunning(bool running) {
  run_button_->setVisible(!running);
  stop_button_->setVisible(running);
  progress_bar_->setVisible(running);
  for (QWidget* w : {static_cast<QWidget*>(keys_button_), static_cast<QWidget*>(group_button_),
                     static_cast<QWidget*>(list_)}) {
    w->setEnabled(!running);
  }
}

void TransferPage::UpdateKeys() {
  KeyUpdateDialog dialog(this);
  if (dialog.exec() != QDialog::Accepted) return;
  const KeyUpdateResult result = ApplyKeyUpdate(app_.store, dialog.Update());
  if (!result.status.ok()) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, FromStd(result.status.message()));
    return;
  }
  list_->Model().RowsChanged();
}

void TransferPage::ChangeGroup() {
  // The group change rewrites the data file that work off the window's thread may be reading.
  if (app_.app_busy || !app_.readers.Idle()) return;
  GroupChangeDialog dialog(this, GroupsPresent(app_.store), DataFileIsExtractedCopy(app_.store));
  while (dialog.exec() == QDialog::Accepted) {
    if (dialog.NewGroup() == 0) {
      AppMessage(app_, this, 1, MessageIcon::kExclamation,
                 FromStd(std::string(kEmptyNewGroupMessage)));
      continue;
    }
    const std::string fallback =
        app_.user_data_folder.empty() ? DefaultBackupFolder() : app_.user_data_folder;
    const GroupChange change =
        tallyscan::ChangeGroup(app_.store, dialog.OldGroup(), dialog.NewGroup(), fallback);
    if (!change.status.ok()) {
      AppMessage(app_, this, 1, MessageIcon::kExclamation, FromStd(change.status.message()));
    } else if (change.backup_made_now) {
      AppMessage(
          app_, this, 1, MessageIcon::kExclamation,
          QStringLiteral("לפני השינוי נשמר עותק של קובץ הנתונים:\n") + FromStd(change.backup_path));
    }
    list_->Model().RowsChanged();
    return;
  }
}

void TransferPage::Start() {
  if (running_ || app_.app_busy || !app_.readers.Idle()) return;
  TransferOptions options;
  options.target_folder = folder_edit_->text().toStdString();
  options.accounts = accounts_->isChecked();
  options.movements = movements_->isChecked();
  options.documents = documents_->isChecked();
  options.items = items_->isChecked();
  options.opening_balances = opening_->isChecked();
  running_ = true;
  stop_ = false;
  app_.app_busy = true;
  progress_bar_->setValue(0);
  ShowRunning(true);
  PumpProgress monitor([this](int percent) { progress_bar_->setValue(percent); },
                       [this] { return stop_; });
  const TransferResult result =
      RunTransfer(app_.store, options, monitor,
                  [this](std::string_view step) { status_->setText(FromStd(std::string(step))); });
  ShowRunning(false);
  app_.app_busy = false;
  running_ = false;

  QString text;
  if (!result.status.ok()) {
    text = FromStd(result.status.message());
    for (std::size_t i = 0; i < result.problems.size() && i < 20; ++i) {
      text += QStringLiteral("\n") + FromStd(result.problems[i]);
    }
    status_->setText(result.status.code() == StatusCode::kInterrupted
                         ? FromStd(result.status.message())
                         : QString());
  } else {
    text = FromStd(result.notice);
    for (const std::string& refusal : result.refusals)
      text += FromStd(refusal) + QStringLiteral("\n");
    for (const TransferredFile& file : result.files) {
      if (file.skipped == 0) continue;
      text += QStringLiteral("תעודות שכבר קיימות בקובץ %1 לא נקלטו שנית: %2\n")
                  .arg(FromStd(file.name))
                  .arg(file.skipped);
    }
    // What was written and what was refused: a refused document type is a refusal of its own,
    // beside steps that wrote.
    status_->setText(FromStd(TransferStatusLine(result, app_.store.TaxYear)));
  }
  for (const std::string& warning : result.warnings)
    text += QStringLiteral("\n") + FromStd(warning);
  if (!text.isEmpty()) AppMessage(app_, this, 1, MessageIcon::kExclamation, text.trimmed());
}

}  // namespace tallyscan
