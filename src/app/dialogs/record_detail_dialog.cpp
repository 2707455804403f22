#include "app/dialogs/record_detail_dialog.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/widgets/grid.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

RecordDetailDialog::RecordDetailDialog(QWidget* parent)
    : QDialog(parent), source_(std::make_unique<TabRowSource>(rows_)) {
  setObjectName(QStringLiteral("recordDetailDialog"));
  setWindowTitle(texts::kRecordDetailTitle);
  setLayoutDirection(Qt::RightToLeft);
  grid_ = new Grid(this);
  grid_->setObjectName(QStringLiteral("detailList"));
  grid_->SetColumns(
      FixedColumns({QStringLiteral("30,#"), QStringLiteral("50,##"), QStringLiteral("220,סעיף"),
                    QStringLiteral("170,ערך"), QStringLiteral("200,פירוש")}));
  grid_->SetStretchField(5);
  // A field that fails its test is drawn red along its row: its value may be blank, so the
  // value cell's own mark would not show.
  grid_->SetErrorRowColour(kCreditColour);
  grid_->SetSource(source_.get());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText(texts::kClose);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(grid_, 1);
  layout->addWidget(buttons);
  // Room for a record of some forty fields without scrolling, where the screen has it.
  QSize wanted(760, 640);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    wanted = wanted.boundedTo(screen->availableGeometry().size() * 9 / 10);
  }
  resize(wanted);
}

RecordDetailDialog::~RecordDetailDialog() { grid_->SetSource(nullptr); }

void RecordDetailDialog::AddRows(const std::vector<std::string>& rows) {
  rows_.insert(rows_.end(), rows.begin(), rows.end());
  grid_->SetRowCount(static_cast<int>(rows_.size()));
}

Status RecordDetailDialog::AddRecord(const RecordStore& store, const RecordReference& record) {
  RecordDetail detail = DetailOfRecordAt(store, record.offset);
  if (detail.status.ok()) AddRows(detail.rows);
  return detail.status;
}

namespace {

// Shows the dialog when it has rows; otherwise deletes it and tells why.
RecordDetailDialog* ShowOrExplain(AppContext& app, QWidget* owner, RecordDetailDialog* dialog,
                                  const Status& status) {
  if (dialog->Rows().empty()) {
    delete dialog;
    AppMessage(app, owner, 1, MessageIcon::kExclamation, FromStd(status.message()));
    return nullptr;
  }
  dialog->show();
  dialog->grid()->setFocus();
  return dialog;
}

RecordDetailDialog* NewViewer(QWidget* owner) {
  auto* dialog = new RecordDetailDialog(owner);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  return dialog;
}

}  // namespace

RecordDetailDialog* OpenRecordDetail(AppContext& app, QWidget* owner,
                                     const std::vector<RecordReference>& records) {
  RecordDetailDialog* dialog = NewViewer(owner);
  Status failure;
  for (const RecordReference& record : records) {
    const Status added = dialog->AddRecord(app.store, record);
    if (!added.ok()) failure = added;
  }
  return ShowOrExplain(app, owner, dialog, failure);
}

RecordDetailDialog* OpenLineDetail(AppContext& app, QWidget* owner, const std::string& path,
                                   std::int64_t line_number) {
  RecordDetailDialog* dialog = NewViewer(owner);
  const RecordDetail detail = DetailOfLine(path, line_number);
  if (detail.status.ok()) dialog->AddRows(detail.rows);
  return ShowOrExplain(app, owner, dialog, detail.status);
}

}  // namespace tallyscan
