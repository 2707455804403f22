#include "app/pages/checks_page.h"

#include <algorithm>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/dialogs/output_dialog.h"
#include "app/dialogs/record_detail_dialog.h"
#include "app/images.h"
#include "app/pump.h"
#include "app/shared_fonts.h"
#include "app/widgets/check_list.h"
#include "app/widgets/column_grid.h"
#include "app/widgets/grid.h"
#include "app/widgets/main_button.h"
#include "app/widgets/progress_bar.h"
#include "app/widgets/result_list.h"
#include "engine/report/report.h"

namespace tallyscan {
namespace {

constexpr QColor kResultTextColour(0, 0, 255);
constexpr int kButtonWidth = 120;
constexpr int kButtonHeight = 40;
constexpr std::string_view kColumnsSetting = "ChkFields";
// Every cell of the check rows, in order; the widths the user keeps are stored by field.
constexpr GridPick kCheckPicks[] = {{CheckColumns::Cell("text"), 200},
                                    {CheckColumns::Cell("debit"), 100},
                                    {CheckColumns::Cell("credit"), 100},
                                    {CheckColumns::Cell("balance"), 100}};
static_assert(PicksEveryCell(kCheckPicks, CheckColumns::kCount));

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Shows the title of the running check, lets the rows appear as they are appended, and
// keeps which rows are about one record.
class PageListener final : public CheckRunListener {
 public:
  PageListener(QLabel& status, ResultList& results,
               std::vector<std::pair<std::size_t, RecordReference>>& record_rows)
      : status_(status), results_(results), record_rows_(record_rows) {}
  void OnTitle(std::string_view title) override { status_.setText(FromView(title)); }
  void OnRowsAdded(std::size_t row_count) override {
    results_.SetRowCount(static_cast<int>(row_count));
  }
  void OnRecordRow(std::size_t row, const RecordReference& record) override {
    record_rows_.emplace_back(row, record);
  }

 private:
  QLabel& status_;
  ResultList& results_;
  std::vector<std::pair<std::size_t, RecordReference>>& record_rows_;
};

QString WithKey(const QString& caption, const QKeySequence& key) {
  return caption + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) + QLatin1Char(')');
}

}  // namespace

ChecksPage::ChecksPage(AppContext& app, PageHost& host, QWidget* parent)
    : Page(app, host, kId, parent) {
  setFont(host.Fonts().Tahoma10);
  caption_ = new QLabel(QStringLiteral("אלו בדיקות לבצע"), this);
  caption_->setObjectName(QStringLiteral("caption"));
  caption_->setFont(host.Fonts().Tahoma10Bold);

  bookkeeping_list_ = new QListWidget(this);
  bookkeeping_list_->setObjectName(QStringLiteral("bookkeepingList"));
  documents_list_ = new QListWidget(this);
  documents_list_->setObjectName(QStringLiteral("documentsList"));
  for (auto [list, ticks] : {std::pair{bookkeeping_list_, &ticks_.bookkeeping},
                             std::pair{documents_list_, &ticks_.documents}}) {
    MakeCheckList(list, app_.is_modern_windows);
    FillList(list, *ticks);
    connect(
        list->model(), &QAbstractItemModel::dataChanged, this,
        [this, list, ticks](const QModelIndex& first, const QModelIndex&, const QList<int>& roles) {
          if (showing_ticks_ || (!roles.isEmpty() && !roles.contains(kCheckRole))) return;
          Toggled(list, *ticks, first.row());
        });
  }

  run_button_ = new MainButton(1, QStringLiteral("בדוק"), Picture(QStringLiteral("BTN2")), this);
  run_button_->setObjectName(QStringLiteral("runButton"));
  stop_button_ = new MainButton(2, QStringLiteral("עצור"), Picture(QStringLiteral("Stop")), this);
  stop_button_->setObjectName(QStringLiteral("stopButton"));
  run_button_->setToolTip(WithKey(run_button_->text(), QKeySequence(Qt::Key_F5)));
  stop_button_->setToolTip(WithKey(stop_button_->text(), QKeySequence(Qt::Key_Escape)));
  for (MainButton* button : {run_button_, stop_button_}) {
    button->setFixedSize(kButtonWidth, kButtonHeight);
    button->setFont(host.Fonts().Tahoma10Bold);
  }
  print_button_ = new QPushButton(QStringLiteral("הדפס"), this);
  print_button_->setObjectName(QStringLiteral("printButton"));
  print_button_->setToolTip(QStringLiteral("הדפסה של תוצאות הבדיקות"));
  status_label_ = new QLabel(this);
  status_label_->setObjectName(QStringLiteral("statusLabel"));
  progress_bar_ = new PercentProgressBar(this);
  progress_bar_->setObjectName(QStringLiteral("progressBar"));
  progress_bar_->setRange(0, 100);
  progress_bar_->setFixedHeight(20);

  results_ = new ResultList(rows_, this);
  results_->setObjectName(QStringLiteral("resultPanel"));
  Grid* grid = results_->grid();
  grid->SetColumns(PickedGridColumns(CheckColumns::kAll, kCheckPicks,
                                     app_.settings.ReadReg(kParams, kColumnsSetting)));
  grid->SetStretchField(GridFieldOf(kCheckPicks, CheckColumns::Cell("text")));
  grid->SetTextColour(kResultTextColour);
  grid->SetWidthKeeper([this](const std::vector<GridColumn>& columns) {
    app_.settings.WriteReg(kParams, kColumnsSetting, ColumnWidthsText(columns));
  });
  grid->SetReporter(
      [this](const QString& text) { AppMessage(app_, this, 1, MessageIcon::kExclamation, text); });

  auto* lists = new QHBoxLayout;
  lists->addWidget(bookkeeping_list_, 1);
  lists->addWidget(documents_list_, 1);
  // "בדוק" and "עצור" share one cell; exactly one of them is shown.
  auto* run_row = new QGridLayout;
  run_row->addWidget(run_button_, 0, 0);
  run_row->addWidget(stop_button_, 0, 0);
  run_row->addWidget(status_label_, 0, 1);
  run_row->addWidget(progress_bar_, 0, 2);
  run_row->addWidget(print_button_, 0, 3);
  run_row->setColumnStretch(1, 1);
  run_row->setColumnStretch(2, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 8);
  layout->addWidget(caption_);
  layout->addLayout(lists);
  layout->addLayout(run_row);
  layout->addWidget(results_, 1);

  for (QWidget* widget :
       {static_cast<QWidget*>(status_label_), static_cast<QWidget*>(progress_bar_)}) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
  }
  ShowRunning(false);

  connect(run_button_, &QPushButton::clicked, this, &ChecksPage::Start);
  connect(stop_button_, &QPushButton::clicked, this, &ChecksPage::Stop);
  connect(results_, &ResultList::RowOpened, this, [this](int row) { OpenRow(row); });
  connect(print_button_, &QPushButton::clicked, this, &ChecksPage::Print);
}

ChecksPage::~ChecksPage() = default;

Grid* ChecksPage::ResultGrid() const { return results_->grid(); }

void ChecksPage::RunMainAction() {
  if (run_button_->isVisible() && run_button_->isEnabled()) Start();
}

void ChecksPage::BusyChanged(bool busy) { run_button_->setEnabled(!busy || running_); }

std::vector<RecordReference> ChecksPage::RecordsOfRow(int row) const {
  std::vector<RecordReference> records;
  const auto first =
      std::lower_bound(record_rows_.begin(), record_rows_.end(), static_cast<std::size_t>(row),
                       [](const auto& entry, std::size_t wanted) { return entry.first < wanted; });
  for (auto it = first; it != record_rows_.end() && it->first == static_cast<std::size_t>(row);
       ++it) {
    records.push_back(it->second);
  }
  return records;
}

RecordDetailDialog* ChecksPage::OpenRow(int row) {
  const std::vector<RecordReference> records = RecordsOfRow(row);
  if (records.empty()) return nullptr;
  return OpenRecordDetail(app_, this, records);
}

QWidget* ChecksPage::DefaultFocus() { return bookkeeping_list_; }

void ChecksPage::FillList(QListWidget* list, const TickList& ticks) {
  showing_ticks_ = true;
  for (std::size_t item = 0; item < ticks.size(); ++item) {
    auto* entry = new QListWidgetItem(FromView(ticks.Text(item)), list);
    entry->setData(kCheckRole, ticks.Ticked(item) ? 1 : 0);
  }
  showing_ticks_ = false;
  // All items visible without scrolling.
  const int rows = list->count();
  list->setMinimumHeight(rows * list->sizeHintForRow(0) + 2 * list->frameWidth() + 2);
}

void ChecksPage::Toggled(QListWidget* list, TickList& ticks, int item) {
  QListWidgetItem* entry = list->item(item);
  if (entry == nullptr) return;
  ticks.SetTicked(static_cast<std::size_t>(item), entry->data(kCheckRole).toInt() == 1);
  ShowTicks(list, ticks);
}

void ChecksPage::ShowTicks(QListWidget* list, const TickList& ticks) {
  showing_ticks_ = true;
  for (int item = 0; item < list->count(); ++item) {
    const int state = ticks.Ticked(static_cast<std::size_t>(item)) ? 1 : 0;
    if (list->item(item)->data(kCheckRole).toInt() != state) {
      list->item(item)->setData(kCheckRole, state);
    }
  }
  showing_ticks_ = false;
}

void ChecksPage::ShowRunning(bool running) {
  status_label_->setVisible(running);
  progress_bar_->setVisible(running);
  stop_button_->setVisible(running);
  run_button_->setVisible(!running);
  print_button_->setEnabled(!running && !rows_.empty());
}

void ChecksPage::ClearResults() {
  rows_.clear();
  record_rows_.clear();
  results_->SetRowCount(0);
  print_button_->setEnabled(false);
}

void ChecksPage::Print() {
  if (running_ || rows_.empty()) return;
  ShowOutputDialog(app_, this, QStringLiteral("Checks"),
                   [this](ReportStream& stream) { return WriteChecksReport(rows_, stream); });
}

void ChecksPage::Start() {
  // After "עצור" the run is still unwinding while "בדוק" is shown again: a second run must
  // not start inside it and clear the rows it is writing.
  if (running_ || app_.app_busy) return;
  running_ = true;
  app_.app_busy = true;
  progress_bar_->setValue(0);
  status_label_->clear();
  ShowRunning(true);
  PumpOneMessage();
  stop_requested_ = false;

  record_rows_.clear();
  results_->SetRowCount(0);
  host_.RunStateChanged(this, texts::kBusyChecking);
  // The run works from the ticks as they are now: the lists are closed to clicks until it
  // ends, and a change made meanwhile applies to the next run only.
  const CheckTicks run_ticks = ticks_;
  bookkeeping_list_->setEnabled(false);
  documents_list_->setEnabled(false);
  PageListener listener(*status_label_, *results_, record_rows_);
  PumpProgress monitor([this](int percent) { progress_bar_->setValue(percent); },
                       [this] { return stop_requested_; });
  RunChecks(app_.store, run_ticks, *clock_, monitor, rows_, &listener);
  results_->SetRowCount(static_cast<int>(rows_.size()));
  bookkeeping_list_->setEnabled(true);
  documents_list_->setEnabled(true);

  running_ = false;
  ShowRunning(false);
  update();
  app_.app_busy = false;
  host_.RunStateChanged(nullptr, {});
}

void ChecksPage::Stop() {
  if (!running_) return;
  stop_requested_ = true;
  PumpOneMessage();
  ShowRunning(false);
}

}  // namespace tallyscan
