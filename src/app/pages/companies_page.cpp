#include "app/pages/companies_page.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/images.h"
#include "app/portfolio/portfolio_view.h"
#include "app/pump.h"
#include "app/report/grid_print.h"
#include "app/shared_fonts.h"
#include "app/widgets/folder_chooser.h"
#include "app/widgets/grid.h"
#include "app/widgets/progress_bar.h"
#include "engine/browse/browse.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

const QString kChooseToRead = QStringLiteral("יש לבחור קודם את החברה שברצונך לקרוא");
const QString kChooseToDelete = QStringLiteral("יש לבחור קודם את החברה שברצונך למחוק");
const QString kReplaceQuestion = QStringLiteral(
    "קיים כבר קובץ קודם של אותה חברה ושנת כספים\n"
    "באם תשמור את הקובץ, יתבטלו שינויים שנעשו בו\n"
    "האם ברצונך לשמור את הקובץ");
const QString kDeleteQuestion = QStringLiteral("האם הנך בטוח/ה שברצונך למחוק חברה זו");

constexpr int kFolderField = 4;

// The list's rows; a folder is a left-to-right path, kept so inside the right-to-left list
// (otherwise its leading "/" would be drawn at its far end).
class CompanyRowSource final : public GridRowSource {
 public:
  explicit CompanyRowSource(const std::vector<std::string>& rows) : rows_(rows) {}
  std::string CellText(int row, int field) const override {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return {};
    const std::string_view text = RowField(rows_[static_cast<std::size_t>(row)], field);
    if (field != kFolderField || text.empty()) return std::string(text);
    return "\u2066" + std::string(text) + "\u2069";
  }

 private:
  const std::vector<std::string>& rows_;
};

}  // namespace

CompaniesPage::CompaniesPage(AppContext& app, PageHost& host, QWidget* parent)
    : Page(app, host, kId, parent), row_source_(std::make_unique<CompanyRowSource>(rows_)) {
  setFont(host.Fonts().Tahoma10);
  save_button_ = MakeToolButton(QStringLiteral("שמור חברה"),
                                QStringLiteral("שמור את הקובץ הנוכחי בספריית החברות"),
                                QStringLiteral("IdxTb1"), QStringLiteral("saveButton"), this);
  read_button_ =
      MakeToolButton(QStringLiteral("קרא חברה"), QStringLiteral("טען חברה מספריית החברות"),
                     QStringLiteral("IdxTb2"), QStringLiteral("readButton"), this);
  delete_button_ =
      MakeToolButton(QStringLiteral("מחק חברה"), QStringLiteral("מחק חברה מספריית החשברות"),
                     QStringLiteral("IdxTb3"), QStringLiteral("deleteButton"), this);
  scan_button_ = MakeToolButton(QStringLiteral("סריקת תיק"),
                                QStringLiteral("סריקת כל החברות השמורות וסיכום התיק (F5)"),
                                QStringLiteral("IdxTb2"), QStringLiteral("scanButton"), this);
  scan_folder_button_ = MakeToolButton(
      QStringLiteral("סריקת תיקייה"), QStringLiteral("סריקת תיקיות הלקוחות שבתיקייה שתבחר"),
      QStringLiteral("IdxTb2"), QStringLiteral("scanFolderButton"), this);
  progress_bar_ = new PercentProgressBar(this);
  progress_bar_->setObjectName(QStringLiteral("progressBar"));
  progress_bar_->setRange(0, 100);
  progress_bar_->setFixedHeight(20);
  stop_button_ = new QPushButton(QStringLiteral("ביטול"), this);
  stop_button_->setObjectName(QStringLiteral("stopButton"));

  list_ = new Grid(this);
  list_->setObjectName(QStringLiteral("companiesList"));
  list_->SetColumns(
      FixedColumns({QStringLiteral("30,#"), QStringLiteral("400,שם החברה"),
                    QStringLiteral("100,שנת הכספים"), QStringLiteral("900,ספריית החברה")}));
  list_->SetSource(row_source_.get());
  list_->installEventFilter(this);
  print_button_ =
      MakeGridPrintButton(app, *list_, QStringLiteral("Companies"), "10רשימת החברות", this);
  print_button_->setToolTip(QStringLiteral("הדפסה של רשימת החברות"));

  auto* toolbar = new QHBoxLayout;
  toolbar->setSpacing(2);
  for (QToolButton* button : {save_button_, read_button_, delete_button_}) {
    toolbar->addWidget(button);
  }
  toolbar->addWidget(print_button_);
  toolbar->addSpacing(12);
  toolbar->addWidget(scan_button_);
  toolbar->addWidget(scan_folder_button_);
  toolbar->addSpacing(12);
  toolbar->addWidget(progress_bar_, 1);
  toolbar->addWidget(stop_button_);
  auto* list_page = new QWidget(this);
  auto* list_layout = new QVBoxLayout(list_page);
  list_layout->setContentsMargins(0, 0, 0, 0);
  list_layout->addLayout(toolbar);
  list_layout->addWidget(list_, 1);
  portfolio_ = new PortfolioView(app, host, *this, this);
  stack_ = new QStackedWidget(this);
  stack_->addWidget(list_page);
  stack_->addWidget(portfolio_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 8, 12, 8);
  layout->addWidget(stack_, 1);

  // The progress row keeps its place while hidden, so the list does not jump.
  for (QWidget* widget :
       {static_cast<QWidget*>(progress_bar_), static_cast<QWidget*>(stop_button_)}) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
  }
  ShowSaving(false);

  connect(save_button_, &QToolButton::clicked, this, &CompaniesPage::SaveCompany);
  connect(read_button_, &QToolButton::clicked, this, &CompaniesPage::ReadCompany);
  connect(delete_button_, &QToolButton::clicked, this, &CompaniesPage::DeleteCompany);
  connect(stop_button_, &QPushButton::clicked, this, &CompaniesPage::StopSave);
  connect(scan_button_, &QToolButton::clicked, this, &CompaniesPage::ScanCompanies);
  connect(scan_folder_button_, &QToolButton::clicked, this, &CompaniesPage::ScanFolder);
  connect(portfolio_, &PortfolioView::BackToList, this, [this] { ShowPortfolio(false); });
  connect(portfolio_, &PortfolioView::OpenClient, this, &CompaniesPage::ReadFolder);
  // A run shows its progress and then its summary in place of the list.
  connect(portfolio_, &PortfolioView::RunningChanged, this, [this](bool running) {
    if (running) ShowPortfolio(true);
  });
  connect(list_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) ReadCompany();
  });
}

CompaniesPage::~CompaniesPage() {
  // The grid asks the source for texts until it is gone.
  list_->SetSource(nullptr);
}

CompaniesStore CompaniesPage::Store() const {
  std::vector<std::string> listed_too;
  if (!app_.program_folder.empty()) {
    listed_too.push_back(JoinPath(app_.program_folder, kCompaniesFolderName));
  }
  return CompaniesStore(app_.companies_folder, std::move(listed_too), files_);
}

const CompanyRow* CompaniesPage::Chosen() const {
  const QModelIndexList chosen = list_->selectionModel()->selectedRows();
  if (chosen.isEmpty()) return nullptr;
  const int row = chosen.front().row();
  if (row < 0 || static_cast<std::size_t>(row) >= companies_.size()) return nullptr;
  return &companies_[static_cast<std::size_t>(row)];
}

void CompaniesPage::Rescan() {
  const CompanyRow* chosen = Chosen();
  ShowList(chosen != nullptr ? chosen->folder : std::string());
}

void CompaniesPage::ShowList(const std::string& chosen_folder) {
  companies_ = Store().Scan();
  rows_.clear();
  for (const CompanyRow& row : companies_) rows_.push_back(CompanyRowText(row));
  list_->SetRowCount(0);
  list_->SetRowCount(static_cast<int>(rows_.size()));
  for (std::size_t row = 0; row < companies_.size(); ++row) {
    if (companies_[row].folder != chosen_folder) continue;
    // Not selectRow: in a right-to-left view before its first layout it finds no column.
    list_->selectionModel()->setCurrentIndex(
        list_->model()->index(static_cast<int>(row), 1),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    break;
  }
}

void CompaniesPage::ShowSaving(bool saving) {
  progress_bar_->setVisible(saving);
  stop_button_->setVisible(saving);
  for (QToolButton* button : {save_button_, read_button_, delete_button_}) {
    button->setEnabled(!saving);
  }
  print_button_->setEnabled(!saving && list_->Model().rowCount() > 0);
}

QWidget* CompaniesPage::DefaultFocus() {
  return ShowingPortfolio() ? static_cast<QWidget*>(portfolio_->SummaryGrid()) : list_;
}

bool CompaniesPage::ShowingPortfolio() const { return stack_->currentWidget() == portfolio_; }

void CompaniesPage::ShowPortfolio(bool shown) {
  if (!shown && portfolio_->Running()) return;
  stack_->setCurrentWidget(shown ? static_cast<QWidget*>(portfolio_) : stack_->widget(0));
  if (shown) {
    portfolio_->SummaryGrid()->setFocus(Qt::OtherFocusReason);
  } else {
    list_->setFocus(Qt::OtherFocusReason);
  }
}

void CompaniesPage::ScanCompanies() {
  if (saving_ || portfolio_->Running()) return;
  Rescan();
  ShowPortfolio(true);
  portfolio_->ScanCompanies(companies_);
}

void CompaniesPage::ScanFolder() {
  if (saving_ || portfolio_->Running()) return;
  ShowPortfolio(true);
  portfolio_->FolderEdit()->setFocus(Qt::OtherFocusReason);
  QLineEdit* edit = portfolio_->FolderEdit();
  const QString before = edit->text();
  // A folder chosen is screened at once; otherwise the field waits for "סרוק תיקייה".
  if (ChooseFolder(this, edit) != before) portfolio_->ScanFolder(edit->text());
}

void CompaniesPage::RunMainAction() {
  if (saving_ || portfolio_->Running() || app_.app_busy) return;
  if (ShowingPortfolio()) {
    Rescan();
    portfolio_->ScanAgain(companies_);
  } else {
    ScanCompanies();
  }
}

void CompaniesPage::StopRun() {
  if (portfolio_->Running()) {
    portfolio_->Stop();
  } else {
    StopSave();
  }
}

PageView CompaniesPage::SaveView() const {
  PageView view;
  if (ShowingPortfolio()) {
    SaveGridView(*portfolio_->SummaryGrid(), view);
    view.first_text = QStringLiteral("portfolio");
  } else {
    SaveGridView(*list_, view);
  }
  return view;
}

void CompaniesPage::RestoreView(const PageView& view) {
  const bool portfolio = view.first_text == QStringLiteral("portfolio");
  if (portfolio && portfolio_->Running()) return;
  ShowPortfolio(portfolio);
  RestoreGridView(portfolio ? *portfolio_->SummaryGrid() : *list_, view);
}

void CompaniesPage::SaveCompany() {
  // An import or a check run is pumping events: the store it works on must stay as it is.
  if (saving_ || app_.app_busy || !app_.readers.Idle()) return;
  const CompaniesStore store = Store();
  const SaveTarget target = store.TargetOf(app_.store);
  if (!target.status.ok()) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, FromStd(target.status.message()));
    return;
  }
  if (target.replaces && AppMessage(app_, this, 2, MessageIcon::kQuestion, kReplaceQuestion,
                                    MessageDefault::kCancel) != kMessageOk) {
    return;
  }
  saving_ = true;
  stop_ = false;
  app_.app_busy = true;
  progress_bar_->setValue(0);
  ShowSaving(true);
  host_.RunStateChanged(this, texts::kBusySaving);
  PumpProgress monitor([this](int percent) { progress_bar_->setValue(percent); },
                       [this] { return stop_; });
  const Status saved = store.Save(app_.store, monitor);
  ShowSaving(false);
  app_.app_busy = false;
  saving_ = false;
  host_.RunStateChanged(nullptr, {});
  ShowList(target.year_folder);
  if (!saved.ok()) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, FromStd(saved.message()));
  }
}

void CompaniesPage::StopSave() { stop_ = true; }

void CompaniesPage::BusyChanged(bool busy) {
  // Another operation reads or rebuilds the store these would save, read or delete.
  if (saving_) return;
  for (QToolButton* button :
       {save_button_, read_button_, delete_button_, scan_button_, scan_folder_button_}) {
    button->setEnabled(!busy);
  }
  // Its own run keeps the summary's controls as the run wants them.
  if (!portfolio_->Running()) portfolio_->SetOthersBusy(busy);
}

void CompaniesPage::ReadCompany() {
  // A reading, a check run or a save is under way, or work reads the store: it finishes first.
  if (app_.app_busy || !app_.readers.Idle()) return;
  const CompanyRow* row = Chosen();
  if (row == nullptr) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, kChooseToRead);
    return;
  }
  emit ReadFolder(FromStd(row->folder));
}

void CompaniesPage::DeleteCompany() {
  if (app_.app_busy || !app_.readers.Idle()) return;
  const CompanyRow* chosen = Chosen();
  if (chosen == nullptr) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, kChooseToDelete);
    return;
  }
  const CompanyRow row = *chosen;
  const QString question = kDeleteQuestion + QLatin1Char('\n') + QStringLiteral("שם החברה - ") +
                           FromStd(row.name) + QStringLiteral("   שנת כספים - ") +
                           FromStd(row.year);
  if (AppMessage(app_, this, 2, MessageIcon::kQuestion, question, MessageDefault::kCancel) !=
      kMessageOk) {
    return;
  }
  const Status deleted = Store().Delete(row);
  ShowList(std::string());
  if (!deleted.ok()) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, FromStd(deleted.message()));
  }
}

bool CompaniesPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      ReadCompany();
      return true;
    }
  }
  return Page::eventFilter(watched, event);
}

}  // namespace tallyscan
