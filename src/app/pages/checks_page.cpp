#include "app/pages/checks_page.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/images.h"
#include "app/pump.h"
#include "app/shared_fonts.h"
#include "app/widgets/check_list.h"
#include "app/widgets/grid.h"
#include "app/widgets/main_button.h"
#include "app/widgets/progress_bar.h"

namespace tallyscan {
namespace {

constexpr QColor kResultTextColour(0, 0, 255);
constexpr int kButtonWidth = 120;
constexpr int kButtonHeight = 40;

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Shows the title of the running check and lets the rows appear as they are appended.
class PageListener final : public CheckRunListener {
 public:
  PageListener(QLabel& status, Grid& grid) : status_(status), grid_(grid) {}
  void OnTitle(std::string_view title) override { status_.setText(FromView(title)); }
  void OnRowsAdded(std::size_t row_count) override {
    grid_.SetRowCount(static_cast<int>(row_count));
    grid_.viewport()->update();
  }

 private:
  QLabel& status_;
  Grid& grid_;
};

}  // namespace

ChecksPage::ChecksPage(AppContext& app, PageHost& host, QWidget* parent)
    : Page(app, host, 2, true, parent), row_source_(std::make_unique<TabRowSource>(rows_)) {
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
  for (MainButton* button : {run_button_, stop_button_}) {
    button->setFixedSize(kButtonWidth, kButtonHeight);
    button->setFont(host.Fonts().Tahoma10Bold);
  }
  status_label_ = new QLabel(this);
  status_label_->setObjectName(QStringLiteral("statusLabel"));
  progress_bar_ = new PercentProgressBar(this);
  progress_bar_->setObjectName(QStringLiteral("progressBar"));
  progress_bar_->setRange(0, 100);
  progress_bar_->setFixedHeight(20);

  result_grid_ = new Grid(this);
  result_grid_->setObjectName(QStringLiteral("resultList"));
  result_grid_->SetColumns(
      FixedColumns({QStringLiteral("30,#"), QStringLiteral("200,פרטים"), QStringLiteral("100,חובה"),
                    QStringLiteral("100,זכות"), QStringLiteral("100,יתרה")}));
  result_grid_->SetTextColour(kResultTextColour);
  result_grid_->SetSource(row_source_.get());

  auto* lists = new QHBoxLayout;
  lists->addWidget(bookkeeping_list_, 1);
  lists->addWidget(documents_list_, 1);
  // "בדוק" and "עצור" share one cell; exactly one of them is shown.
  auto* run_row = new QGridLayout;
  run_row->addWidget(run_button_, 0, 0);
  run_row->addWidget(stop_button_, 0, 0);
  run_row->addWidget(status_label_, 0, 1);
  run_row->addWidget(progress_bar_, 0, 2);
  run_row->setColumnStretch(1, 1);
  run_row->setColumnStretch(2, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 8);
  layout->addWidget(caption_);
  layout->addLayout(lists);
  layout->addLayout(run_row);
  layout->addWidget(result_grid_, 1);

  for (QWidget* widget :
       {static_cast<QWidget*>(status_label_), static_cast<QWidget*>(progress_bar_)}) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
  }
  ShowRunning(false);

  connect(run_button_, &QPushButton::clicked, this, &ChecksPage::Start);
  connect(stop_button_, &QPushButton::clicked, this, &ChecksPage::Stop);
}

ChecksPage::~ChecksPage() {
  // The grid asks the source for texts until it is gone.
  result_grid_->SetSource(nullptr);
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
}

void ChecksPage::ClearResults() {
  rows_.clear();
  result_grid_->SetRowCount(0);
}

void ChecksPage::Start() {
  // After "עצור" the run is still unwinding while "בדוק" is shown again: a second run must
  // not start inside it and clear the rows it is writing.
  if (running_) return;
  running_ = true;
  app_.app_busy = true;
  progress_bar_->setValue(0);
  status_label_->clear();
  ShowRunning(true);
  PumpOneMessage();
  stop_requested_ = false;

  result_grid_->SetRowCount(0);
  // The run works from the ticks as they are now: the lists are closed to clicks until it
  // ends, and a change made meanwhile applies to the next run only.
  const CheckTicks run_ticks = ticks_;
  bookkeeping_list_->setEnabled(false);
  documents_list_->setEnabled(false);
  PageListener listener(*status_label_, *result_grid_);
  PumpProgress monitor([this](int percent) { progress_bar_->setValue(percent); },
                       [this] { return stop_requested_; });
  RunChecks(app_.store, run_ticks, *clock_, monitor, rows_, &listener);
  result_grid_->SetRowCount(static_cast<int>(rows_.size()));
  bookkeeping_list_->setEnabled(true);
  documents_list_->setEnabled(true);

  ShowRunning(false);
  update();
  app_.app_busy = false;
  running_ = false;
}

void ChecksPage::Stop() {
  stop_requested_ = true;
  PumpOneMessage();
  ShowRunning(false);
}

}  // namespace tallyscan
