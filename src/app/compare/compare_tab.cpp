#include "app/compare/compare_tab.h"

#include <algorithm>

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/compare/compare_table_view.h"
#include "app/dialogs/output_dialog.h"
#include "app/jet/jet_parameters_dialog.h"
#include "app/shared_fonts.h"
#include "app/widgets/folder_chooser.h"
#include "app/widgets/grid.h"
#include "app/widgets/progress_bar.h"
#include "app/widgets/run_bar.h"
#include "engine/browse/browse.h"
#include "engine/program/program.h"
#include "engine/report/report.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

const QString kBusyCompare = QStringLiteral(
    "השוואת התקופות מתבצעת ברקע - קריאת קובץ, קריאת חברה, שינוי קבוצות וקליטה ייפתחו "
    "בסיומה או לאחר עצירתה (Esc)");
const QString kNoPrior = QStringLiteral("יש לבחור את תיקיית התקופה הקודמת");
const QString kChooseCompany = QStringLiteral("חברה שמורה...");

// The tabs of the parts, in this order; the review's three tables share one through the
// selector.
constexpr int kReviewTab = 1;
constexpr CompareTable kReviewTables[] = {CompareTable::kReviewAccounts, CompareTable::kReviewCodes,
                                          CompareTable::kReviewGroups};

int TabOf(CompareTable table) {
  switch (table) {
    case CompareTable::kOpenings:
      return 0;
    case CompareTable::kReviewAccounts:
    case CompareTable::kReviewCodes:
    case CompareTable::kReviewGroups:
      return kReviewTab;
    case CompareTable::kAccounts:
      return 2;
    case CompareTable::kCounterparties:
      break;
  }
  return 3;
}

// The reading of the prior is the first half of the bar, the comparison the second.
class HalfProgress final : public ProgressMonitor {
 public:
  HalfProgress(ProgressMonitor& whole, int from) : whole_(whole), from_(from) {}
  void OnProgress(int percent) override { whole_.OnProgress(from_ + percent / 2); }
  void OnPhase(std::string_view phase) override { whole_.OnPhase(phase); }
  bool StopRequested() override { return whole_.StopRequested(); }

 private:
  ProgressMonitor& whole_;
  int from_;
};

}  // namespace

CompareTab::CompareTab(AppContext& app, PageHost& host, Page& page, QWidget* parent)
    : QWidget(parent), app_(app), host_(host), page_(page), run_task_(app.readers) {
  setObjectName(QStringLiteral("compareTab"));
  QLayout* prior_row = BuildPriorRow();
  run_bar_ = new RunBar({.run_tip = QStringLiteral("קריאת התקופה הקודמת והשוואתה לנוכחית (F5)"),
                         .stop_tip = QStringLiteral("עצירת ההשוואה (Esc)"),
                         .run_name = QStringLiteral("compareRunButton"),
                         .stop_name = QStringLiteral("compareStopButton"),
                         .progress_name = QStringLiteral("compareProgress"),
                         .status_name = QStringLiteral("compareStatus")},
                        this);
  print_button_ = new QPushButton(QStringLiteral("הדפס"), run_bar_);
  print_button_->setObjectName(QStringLiteral("comparePrintButton"));
  print_button_->setToolTip(QStringLiteral("דו\"ח השוואת התקופות"));
  run_bar_->AddButton(print_button_);

  identity_ = new QLabel(this);
  identity_->setObjectName(QStringLiteral("compareIdentity"));
  identity_->setWordWrap(true);
  reconciliation_ = new QLabel(this);
  reconciliation_->setObjectName(QStringLiteral("compareReconciliation"));
  reconciliation_->setFont(host.Fonts().Tahoma10Bold);
  reconciliation_->setWordWrap(true);
  BuildTables();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addLayout(prior_row);
  layout->addWidget(run_bar_);
  layout->addWidget(identity_);
  layout->addWidget(reconciliation_);
  layout->addWidget(parts_, 1);

  connect(browse_button_, &QPushButton::clicked, this, [this] { ChooseFolder(this, folder_); });
  connect(companies_, &QComboBox::activated, this, [this](int index) {
    const QString folder = companies_->itemData(index).toString();
    if (!folder.isEmpty()) folder_->setText(folder);
  });
  connect(run_bar_->RunButton(), &QPushButton::clicked, this, &CompareTab::Run);
  connect(run_bar_->StopButton(), &QPushButton::clicked, this, &CompareTab::Stop);
  connect(print_button_, &QPushButton::clicked, this, &CompareTab::Print);
  connect(&run_task_, &ReadTask::Progress, run_bar_->Progress(), &QProgressBar::setValue);
  ListCompanies();
  ShowRunning(false);
}

QLayout* CompareTab::BuildPriorRow() {
  auto* prior_caption = new QLabel(QStringLiteral("התקופה הקודמת:"), this);
  folder_ = new QLineEdit(this);
  folder_->setObjectName(QStringLiteral("priorFolder"));
  folder_->setPlaceholderText(QStringLiteral("תיקיית הנתונים של התקופה הקודמת"));
  browse_button_ = new QPushButton(QStringLiteral("..."), this);
  browse_button_->setObjectName(QStringLiteral("priorBrowse"));
  browse_button_->setToolTip(QStringLiteral("בחירת תיקייה"));
  companies_ = new QComboBox(this);
  companies_->setObjectName(QStringLiteral("priorCompanies"));
  companies_->setToolTip(QStringLiteral("התקופה הקודמת מרשימת החברות השמורות"));
  companies_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  auto* prior_row = new QHBoxLayout;
  prior_row->addWidget(prior_caption);
  prior_row->addWidget(folder_, 1);
  prior_row->addWidget(browse_button_);
  prior_row->addWidget(companies_);
  return prior_row;
}

// A tab a part; the review's three tables share one, shown by the selector.
void CompareTab::BuildTables() {
  for (int t = 0; t < kCompareTableCount; ++t) {
    const auto table = static_cast<CompareTable>(t);
    auto* view = new CompareTableView(table, this);
    view->setObjectName(QStringLiteral("compareTable%1").arg(t));
    view->View()->setObjectName(QStringLiteral("compareGrid%1").arg(t));
    view->View()->SetReporter([this](const QString& text) {
      AppMessage(app_, this, 1, MessageIcon::kExclamation, text);
    });
    view->View()->installEventFilter(this);
    connect(view->View(), &QAbstractItemView::doubleClicked, this, [this] { OpenRow(); });
    views_[static_cast<std::size_t>(t)] = view;
  }
  parts_ = new QTabWidget(this);
  parts_->setObjectName(QStringLiteral("compareParts"));
  auto* review = new QWidget(parts_);
  review_selector_ = new QComboBox(review);
  review_selector_->setObjectName(QStringLiteral("reviewSelector"));
  review_stack_ = new QStackedWidget(review);
  for (const CompareTable table : kReviewTables) {
    review_selector_->addItem(FromStd(CompareTableCaption(table)));
    review_stack_->addWidget(View(table));
  }
  connect(review_selector_, &QComboBox::currentIndexChanged, review_stack_,
          &QStackedWidget::setCurrentIndex);
  auto* selector_row = new QHBoxLayout;
  selector_row->addWidget(new QLabel(QStringLiteral("סקירה לפי:"), review));
  selector_row->addWidget(review_selector_);
  selector_row->addStretch(1);
  auto* review_layout = new QVBoxLayout(review);
  review_layout->setContentsMargins(0, 4, 0, 0);
  review_layout->addLayout(selector_row);
  review_layout->addWidget(review_stack_, 1);
  parts_->addTab(View(CompareTable::kOpenings),
                 FromStd(CompareTableCaption(CompareTable::kOpenings)));
  parts_->addTab(review, QStringLiteral("סקירה"));
  parts_->addTab(View(CompareTable::kAccounts),
                 FromStd(CompareTableCaption(CompareTable::kAccounts)));
  parts_->addTab(View(CompareTable::kCounterparties),
                 FromStd(CompareTableCaption(CompareTable::kCounterparties)));
}

CompareTab::~CompareTab() = default;

QPushButton* CompareTab::RunButton() const { return run_bar_->RunButton(); }
QPushButton* CompareTab::StopButton() const { return run_bar_->StopButton(); }
PercentProgressBar* CompareTab::Progress() const { return run_bar_->Progress(); }
QLabel* CompareTab::StatusLine() const { return run_bar_->Status(); }

void CompareTab::ListCompanies() {
  std::vector<std::string> listed_too;
  if (!app_.program_folder.empty()) {
    listed_too.push_back(JoinPath(app_.program_folder, kCompaniesFolderName));
  }
  const QString chosen = companies_->currentData().toString();
  companies_->clear();
  companies_->addItem(kChooseCompany, QString());
  for (const CompanyRow& row :
       CompaniesStore(app_.companies_folder, std::move(listed_too)).Scan()) {
    companies_->addItem(FromStd(row.name + " - " + row.year), FromStd(row.folder));
  }
  companies_->setCurrentIndex(std::max(0, companies_->findData(chosen)));
}

void CompareTab::ShowRunning(bool running) {
  run_bar_->ShowRunning(running, running);
  print_button_->setEnabled(!running && result_ != nullptr);
  folder_->setEnabled(!running);
  browse_button_->setEnabled(!running);
  companies_->setEnabled(!running);
}

void CompareTab::Run() {
  if (Running() || app_.app_busy || app_.store.LoadedFolder.empty()) return;
  const std::string folder = folder_->text().trimmed().toStdString();
  if (folder.empty()) {
    run_bar_->Status()->setText(kNoPrior);
    return;
  }
  ClearResults();
  stop_asked_ = false;
  run_bar_->Progress()->setValue(0);
  run_bar_->Status()->setText(QStringLiteral("קריאת התקופה הקודמת והשוואה..."));
  auto run = std::make_shared<CompareRun>();
  const RecordStore* store = &app_.store;
  const SourceFiles sources = SourceFilesOfStore(app_.store);
  const JetParameters parameters = StoredJetParameters(app_.settings);
  ImportOptions options;
  options.read_threads = ReadThreadsFrom(app_.settings.ReadReg(kParams, kReadThreads));
  run_task_.Start(
      [run, store, sources, parameters, folder, options](ProgressMonitor& monitor) {
        // The prior lives in a store of its own for the run alone: the set loaded stays.
        RecordStore prior;
        HalfProgress reading(monitor, 0);
        ImportResult imported = ImportFolder(prior, folder, reading, options);
        if (!imported.status.ok()) {
          run->status = imported.status;
          return true;
        }
        if (imported.interrupted) return false;
        HalfProgress comparing(monitor, 50);
        *run = RunCompare(prior, SourceFilesOfStore(prior), *store, sources, parameters,
                          CompareOptions{}, comparing);
        return run->status.code() != StatusCode::kInterrupted;
      },
      [this, run](bool completed) {
        ShowRunning(false);
        host_.RunStateChanged(nullptr, {});
        if (completed && run->result) {
          ShowResult(std::move(*run->result));
          run_bar_->Status()->setText(QStringLiteral("ההשוואה הסתיימה"));
        } else if (stop_asked_ || !completed) {
          run_bar_->Status()->setText(FromStd(kCompareStoppedText));
        } else {
          run_bar_->Status()->setText(FromStd(run->status.message()));
          AppMessage(app_, this, 1, MessageIcon::kExclamation, FromStd(run->status.message()));
        }
        emit RunEnded();
      });
  // Told once the work runs, so that the pages told of the busy window see it running.
  ShowRunning(true);
  host_.RunStateChanged(&page_, kBusyCompare);
}

void CompareTab::Stop() {
  if (!Running()) return;
  stop_asked_ = true;
  run_task_.Stop();
}

void CompareTab::ClearResults() {
  result_.reset();
  identity_->clear();
  reconciliation_->clear();
  run_bar_->Status()->clear();
  for (CompareTableView* view : views_) view->Clear();
  ShowRunning(Running());
}

void CompareTab::Enter() {
  if (!Running()) ListCompanies();
  if (result_ && result_load_ != app_.store.LoadNumber) ClearResults();
}

void CompareTab::BusyChanged(bool) { ShowRunning(Running()); }

void CompareTab::ShowResult(CompareResult result) {
  result_ = std::make_shared<const CompareResult>(std::move(result));
  result_load_ = app_.store.LoadNumber;
  const CompareResult& r = *result_;
  QStringList identity;
  for (const std::string& line : CompareIdentityWords(r)) identity << FromStd(line);
  identity_->setText(identity.join(QLatin1Char('\n')));
  bool reconciled = false;
  reconciliation_->setText(FromStd(CompareReconciliationWords(r, &reconciled)));
  reconciliation_->setStyleSheet(reconciled ? QStringLiteral("color: darkgreen")
                                            : QStringLiteral("color: red"));
  const std::string result_account = r.openings.reconciliation.result_account.value_or("");
  for (CompareTableView* view : views_) {
    view->SetRows(CompareTableRows(r, view->Table()), result_account);
  }
  ShowRunning(false);
}

void CompareTab::ShowTable(CompareTable table) {
  parts_->setCurrentIndex(TabOf(table));
  for (int i = 0; i < 3; ++i) {
    if (kReviewTables[i] == table) review_selector_->setCurrentIndex(i);
  }
}

CompareTable CompareTab::ShownTable() const {
  switch (parts_->currentIndex()) {
    case 0:
      return CompareTable::kOpenings;
    case kReviewTab:
      return kReviewTables[std::clamp(review_selector_->currentIndex(), 0, 2)];
    case 2:
      return CompareTable::kAccounts;
    default:
      break;
  }
  return CompareTable::kCounterparties;
}

void CompareTab::OpenRow() {
  const CompareTableView* view = View(ShownTable());
  const int engine = view->CurrentEngineRow();
  const int key_column = CompareAccountColumn(view->Table());
  if (!result_ || engine < 0 || key_column < 0) return;
  const std::string& row = view->EngineRows()[static_cast<std::size_t>(engine)];
  const std::string key(RowField(row, key_column + 2));
  const std::int64_t element =
      ComparePriorOnly(view->Table(), row) ? 0 : FindAccount(app_.store, key);
  if (element == 0) {
    const QString text =
        QStringLiteral("החשבון %1 נמצא רק בתקופה הקודמת - אין לו כרטיס בנתונים הנוכחיים")
            .arg(FromStd(key));
    run_bar_->Status()->setText(text);
    host_.ShowStatusMessage(text);
    return;
  }
  run_bar_->Status()->clear();
  host_.ShowStatusMessage({});
  emit OpenTarget(LineTarget{RecordType::kB110, -1, element});
}

void CompareTab::Print() {
  if (!result_) return;
  std::shared_ptr<const CompareResult> result = result_;
  const std::optional<std::string> day = ReportDay(app_, this);
  if (!day) return;
  ShowOutputDialog(app_, this, QStringLiteral("Compare"), [result, day](ReportStream& stream) {
    return WriteCompareReport(*result, *day, stream);
  });
}

void CompareTab::SaveView(PageView& view) const {
  const CompareTable table = ShownTable();
  View(table)->SaveView(view);
  view.first_text = QString::number(static_cast<int>(table));
}

void CompareTab::RestoreView(const PageView& view) {
  bool ok = false;
  const int table = view.first_text.toInt(&ok);
  if (!ok || table < 0 || table >= kCompareTableCount) return;
  ShowTable(static_cast<CompareTable>(table));
  if (result_) View(static_cast<CompareTable>(table))->RestoreView(view);
}

bool CompareTab::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && watched == View(ShownTable())->View()) {
      OpenRow();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace tallyscan
