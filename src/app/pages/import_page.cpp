#include "app/pages/import_page.h"

#include <charconv>

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/dialogs/output_dialog.h"
#include "app/dialogs/record_detail_dialog.h"
#include "app/pump.h"
#include "app/shared_fonts.h"
#include "app/widgets/folder_chooser.h"
#include "app/widgets/grid.h"
#include "app/widgets/progress_bar.h"
#include "app/widgets/result_list.h"
#include "engine/report/report.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

constexpr std::string_view kColumnsSetting = "LogFields";

QString WithKey(const QString& caption, const QKeySequence& key) {
  return caption + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) + QLatin1Char(')');
}

}  // namespace

QString DemoFolder(const AppContext& app) {
  // Beside the program (a folder the user unpacked), then where the package puts it (the
  // program's data folder, share/tallyscan beside its bin folder), then in the source tree
  // the program was built from. Without a program folder a relative path would be looked up
  // in whatever folder the program was started from.
  if (!app.program_folder.empty()) {
    for (const char* relative : {"samples/demo", TALLYSCAN_DATA_FROM_PROGRAM "/samples/demo"}) {
      const QFileInfo found(FromStd(app.program_folder) + QString::fromUtf8(relative));
      if (found.isDir()) return QDir::toNativeSeparators(QDir::cleanPath(found.absoluteFilePath()));
    }
  }
  return QDir::toNativeSeparators(QStringLiteral(TALLYSCAN_DEMO_DIR));
}

ImportPage::ImportPage(AppContext& app, PageHost& host, QWidget* parent)
    : Page(app, host, kId, parent) {
  setFont(host.Fonts().Tahoma10);
  prompt_ = new QLabel(QStringLiteral("ציין את הספריה בה נמצאים קבצי ") + QStringLiteral("הנתונים"),
                       this);
  prompt_->setObjectName(QStringLiteral("prompt"));
  prompt_->setFont(host.Fonts().Tahoma10Bold);

  folder_edit_ = new QLineEdit(this);
  folder_edit_->setObjectName(QStringLiteral("folderEdit"));
  const std::string last = app_.settings.ReadReg(kParams, kLastPath);
  folder_edit_->setText(last.empty() ? DemoFolder(app_) : FromStd(last));

  browse_button_ = new QPushButton(QStringLiteral("עיון"), this);
  browse_button_->setObjectName(QStringLiteral("browseButton"));
  run_button_ = new QPushButton(QStringLiteral("ביצוע"), this);
  run_button_->setObjectName(QStringLiteral("runButton"));
  run_button_->setToolTip(WithKey(run_button_->text(), QKeySequence(Qt::Key_F5)));
  stop_button_ = new QPushButton(QStringLiteral("ביטול"), this);
  stop_button_->setObjectName(QStringLiteral("stopButton"));
  stop_button_->setToolTip(WithKey(stop_button_->text(), QKeySequence(Qt::Key_Escape)));
  print_button_ = new QPushButton(QStringLiteral("הדפס"), this);
  print_button_->setObjectName(QStringLiteral("printButton"));
  print_button_->setToolTip(QStringLiteral("הדפסה של יומן קליטת הקובץ"));
  // Enter presses the button that has the focus.
  for (QPushButton* button : {browse_button_, run_button_, stop_button_, print_button_}) {
    button->setAutoDefault(true);
  }
  progress_caption_ = new QLabel(QStringLiteral("התקדמות קריאת הקובץ"), this);
  progress_caption_->setObjectName(QStringLiteral("progressCaption"));
  progress_bar_ = new PercentProgressBar(this);
  progress_bar_->setObjectName(QStringLiteral("progressBar"));
  progress_bar_->setFixedHeight(20);
  results_ = new ResultList(rows_, this);
  results_->setObjectName(QStringLiteral("resultPanel"));
  Grid* grid = results_->grid();
  grid->SetColumns(FixedColumns(
      {QStringLiteral("30,#"), QStringLiteral("290,הפעולה"), QStringLiteral("210,התוצאה")},
      app_.settings.ReadReg(kParams, kColumnsSetting)));
  grid->SetStretchField(3);
  grid->SetErrorRowColour(kCreditColour);
  grid->SetWidthKeeper([this](const std::vector<GridColumn>& columns) {
    app_.settings.WriteReg(kParams, kColumnsSetting, ColumnWidthsText(columns));
  });
  grid->SetReporter(
      [this](const QString& text) { AppMessage(app_, this, 1, MessageIcon::kExclamation, text); });

  auto* folder_row = new QHBoxLayout;
  folder_row->addWidget(folder_edit_, 1);
  folder_row->addWidget(browse_button_);
  folder_row->addWidget(run_button_);
  folder_row->addWidget(stop_button_);
  folder_row->addWidget(print_button_);
  auto* progress_row = new QHBoxLayout;
  progress_row->addWidget(progress_caption_);
  progress_row->addWidget(progress_bar_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 8);
  layout->addWidget(prompt_);
  layout->addLayout(folder_row);
  layout->addLayout(progress_row);
  layout->addWidget(results_, 1);

  // The progress row keeps its place while hidden, so the list does not jump.
  for (QWidget* widget :
       {static_cast<QWidget*>(progress_caption_), static_cast<QWidget*>(progress_bar_),
        static_cast<QWidget*>(stop_button_)}) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
  }
  ShowReading(false);

  connect(browse_button_, &QPushButton::clicked, this,
          [this] { ChooseFolder(this, folder_edit_); });
  connect(run_button_, &QPushButton::clicked, this, &ImportPage::Start);
  connect(stop_button_, &QPushButton::clicked, this, &ImportPage::Stop);
  connect(print_button_, &QPushButton::clicked, this, &ImportPage::Print);
  connect(folder_edit_, &QLineEdit::returnPressed, this, &ImportPage::Start);
  connect(results_, &ResultList::RowOpened, this, [this](int row) { OpenRow(row); });
}

void ImportPage::ShowReading(bool reading) {
  progress_caption_->setVisible(reading);
  progress_bar_->setVisible(reading);
  stop_button_->setVisible(reading);
  run_button_->setVisible(!reading);
  print_button_->setEnabled(!reading && !rows_.empty());
}

void ImportPage::BusyChanged(bool busy) {
  // Another operation (a check run) reads the store a reading would empty.
  run_button_->setEnabled(!busy || reading_);
}

void ImportPage::Start() { Read(false); }

void ImportPage::Read(bool again) {
  // Another long operation (a check run) is pumping events: it reads the store this would
  // empty.
  if (reading_ || app_.app_busy || !app_.readers.Idle()) return;
  const std::string folder = folder_edit_->text().toStdString();
  // The loaded folder whose files changed since it was read is read again without asking.
  if (!again && SameFolder(folder, app_.store.LoadedFolder) &&
      FolderStamp(folder) != loaded_stamp_) {
    again = true;
  }
  reading_ = true;
  stop_ = false;
  app_.app_busy = true;
  // The reading state begins with the first line, that is once the files have passed their
  // checks: a refused start changes nothing on the page.
  bool begun = false;
  auto begin = [&] {
    if (begun) return;
    begun = true;
    progress_bar_->setValue(0);
    ShowReading(true);
    emit ImportStarting();
    rows_.clear();
    data_file_.clear();
    results_->SetRowCount(0);
    host_.SetStatusText(1, {});
    host_.SetStatusText(2, {});
    host_.RunStateChanged(this, texts::kBusyReading);
  };
  PumpProgress monitor(
      [&](int percent) {
        begin();
        progress_bar_->setValue(percent);
      },
      [&] {
        begin();
        return stop_;
      });
  ImportOptions options;
  options.read_again = again;
  options.read_threads = ReadThreadsFrom(app_.settings.ReadReg(kParams, kReadThreads));
  ImportResult result = ImportFolder(app_.store, folder, monitor, options);
  // A reading that failed before its first line (memory ran out) still emptied the store.
  if (result.store_reset) begin();
  ShowReading(false);
  app_.app_busy = false;
  reading_ = false;
  if (begun) host_.RunStateChanged(nullptr, {});
  if (result.status.code() == StatusCode::kRefused && !again) {
    if (AppMessage(app_, this, 2, MessageIcon::kQuestion, texts::kReadAgain,
                   MessageDefault::kCancel) == kMessageOk) {
      Read(true);
    }
    return;
  }
  if (!result.status.ok()) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, FromStd(result.status.message()));
    return;
  }
  const auto rows = result.rows.Rows();
  rows_.assign(rows.begin(), rows.end());
  data_file_ = result.data_file_path;
  results_->SetRowCount(static_cast<int>(rows_.size()));
  print_button_->setEnabled(!rows_.empty());
  // An interrupted reading leaves nothing loaded: the status bar names no business and no
  // year, and the folder is not the one to offer next time.
  if (result.interrupted) return;
  loaded_stamp_ = result.folder_stamp;
  host_.SetStatusText(1, FromStd(result.status_bar_period));
  host_.SetStatusText(2, FromStd(result.status_bar_business));
  app_.settings.WriteReg(kParams, kLastPath, folder);
}

void ImportPage::ReadFolder(const QString& folder) {
  folder_edit_->setText(folder);
  Start();
}

void ImportPage::Print() {
  if (reading_ || rows_.empty()) return;
  ShowOutputDialog(app_, this, QStringLiteral("Import"),
                   [this](ReportStream& stream) { return WriteImportReport(rows_, stream); });
}

void ImportPage::Stop() {
  if (!reading_) return;
  stop_ = true;
  ShowReading(false);
}

RecordDetailDialog* ImportPage::OpenRow(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || data_file_.empty()) {
    return nullptr;
  }
  // A row about one line of the data file carries the line's number as its fourth cell.
  const std::string_view number = RowField(rows_[static_cast<std::size_t>(row)], 4);
  std::int64_t line = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), line);
  if (number.empty() || error != std::errc() || end != number.data() + number.size() || line < 1) {
    return nullptr;
  }
  return OpenLineDetail(app_, this, data_file_, line);
}

}  // namespace tallyscan
