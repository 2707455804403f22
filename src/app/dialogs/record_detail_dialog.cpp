#include "app/dialogs/record_detail_dialog.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/texts.h"
#include "app/widgets/grid.h"
#include "engine/uniform/record_detail.h"
#include "engine/uniform/record_store.h"

namespace tallyscan {

RecordDetailDialog::RecordDetailDialog(QWidget* parent)
    : QDialog(parent), source_(std::make_unique<TabRowSource>(rows_)) {
  setObjectName(QStringLiteral("recordDetailDialog"));
  setWindowTitle(texts::kRecordDetailTitle);
  setLayoutDirection(Qt::RightToLeft);
  grid_ = new Grid(this);
  grid_->setObjectName(QStringLiteral("detailList"));
  grid_->SetColumns(
      FixedColumns({QStringLiteral("30,#"), QStringLiteral("50,קוד"), QStringLiteral("220,שדה"),
                    QStringLiteral("170,ערך"), QStringLiteral("200,פירוש")}));
  grid_->SetStretchField(5);
  grid_->SetSource(source_.get());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
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

bool RecordDetailDialog::AddRecord(const RecordStore& store, const RecordReference& record) {
  if (!store.DataFile.IsOpen()) return false;
  const std::string line = ReadRecordLine(store, record.offset, record.type);
  const std::vector<std::string> rows = BuildRecordDetailRows(line, store.DosCodePage);
  if (rows.empty()) return false;
  AddRows(rows);
  return true;
}

RecordDetailDialog* OpenRecordDetail(AppContext& app, QWidget* owner,
                                     const std::vector<RecordReference>& records) {
  auto* dialog = new RecordDetailDialog(owner);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  for (const RecordReference& record : records) dialog->AddRecord(app.store, record);
  if (dialog->Rows().empty()) {
    delete dialog;
    AppMessage(app, owner, 1, MessageIcon::kExclamation, texts::kRecordUnreadable);
    return nullptr;
  }
  dialog->show();
  dialog->grid()->setFocus();
  return dialog;
}

}  // namespace tallyscan
