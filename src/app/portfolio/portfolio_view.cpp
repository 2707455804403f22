#include "app/portfolio/portfolio_view.h"

#include <algorithm>

#include <QCryptographicHash>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/dialogs/output_dialog.h"
#include "app/pages/page.h"
#include "app/portfolio/batch_process.h"
#include "app/portfolio/cli_program.h"
#include "app/widgets/filter_box.h"
#include "app/widgets/folder_chooser.h"
#include "app/widgets/grid.h"
#include "app/widgets/progress_bar.h"
#include "engine/portfolio/portfolio.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

const QString kBusyScan =
    QStringLiteral("סריקת התיק מתבצעת - קריאת קובץ וקריאת חברה ייפתחו בסיומה או לאחר עצירתה (Esc)");
const QString kNoCompanies = QStringLiteral("אין חברות שמורות לסריקה");
const QString kNoFolder = QStringLiteral("יש לציין את התיקייה שבה תיקיות הלקוחות");
const QString kNoClientFolder =
    QStringLiteral("תיקיית הנתונים של הלקוח אינה ידועה בסריקה הנוכחית: ");
constexpr const char* kCompaniesListName = "companies.txt";

// The client's id of a saved company: its dealer number and year, as the store keeps them.
std::string CompanyId(const CompanyRow& row) { return row.company + "/" + row.year; }

// A list cell: one line, no TAB.
std::string ListCell(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

// A path reads left to right inside the right-to-left line (else its "/" stands at its end).
QString Isolated(const QString& path) {
  return QChar(0x2066) + QDir::toNativeSeparators(path) + QChar(0x2069);
}

QString Weights(const PortfolioWeights& w) {
  return QStringLiteral("קליטה %1, בדיקות %2, בדיקות יומן %3, דירוג %4, ספרות %5")
      .arg(w.import)
      .arg(w.checks)
      .arg(w.tests)
      .arg(w.ranking)
      .arg(w.digits);
}

// Each column at least as wide as its heading, so that no heading starts cut.
QStringList SummaryColumnTexts(const Grid& grid) {
  QStringList columns = {QStringLiteral("30,#")};
  for (const portfolio::SummaryTableColumn& column : portfolio::SummaryTableColumns()) {
    const QString heading = FromStd(std::string(column.heading));
    const int least = column.name == "client"   ? 160
                      : column.name == "reason" ? 260
                      : column.whole_number     ? 60
                                                : 100;
    const int width = std::max(least, grid.WidthNeeded(heading, true) + 16);
    columns << QString::number(width) + QLatin1Char(',') + heading;
  }
  return columns;
}

// How each field orders: the whole numbers (rank, counts, the score) by their value, the rest
// by their text.
std::vector<ValueKind> SummaryColumnKinds() {
  std::vector<ValueKind> kinds{ValueKind::kText};
  for (const portfolio::SummaryTableColumn& column : portfolio::SummaryTableColumns()) {
    kinds.push_back(column.whole_number ? ValueKind::kQuantity : ValueKind::kText);
  }
  return kinds;
}

int FieldOfColumn(std::string_view name) {
  const auto& columns = portfolio::SummaryTableColumns();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].name == name) return static_cast<int>(i) + 2;
  }
  return 0;
}

}  // namespace

PortfolioView::PortfolioView(AppContext& app, PageHost& host, Page& page, QWidget* parent)
    : QWidget(parent),
      app_(app),
      host_(host),
      page_(page),
      task_(scan_readers_),
      counts_state_(std::make_shared<BatchCounts>()),
      outcome_(std::make_shared<BatchOutcome>()) {
  setObjectName(QStringLiteral("portfolioView"));
  back_button_ = new QPushButton(QStringLiteral("חזרה לרשימת החברות"), this);
  back_button_->setObjectName(QStringLiteral("backToListButton"));
  print_button_ = new QPushButton(QStringLiteral("הדפס"), this);
  print_button_->setObjectName(QStringLiteral("portfolioPrintButton"));
  print_button_->setToolTip(QStringLiteral("דו\"ח התיק: הרצה, לקוחות לפי סיכון, כשלים"));
  auto* folder_caption = new QLabel(QStringLiteral("תיקייה:"), this);
  folder_edit_ = new QLineEdit(this);
  folder_edit_->setObjectName(QStringLiteral("scanFolderEdit"));
  folder_edit_->setPlaceholderText(QStringLiteral("תיקייה שבה תיקיות הלקוחות"));
  choose_button_ = new QPushButton(QStringLiteral("..."), this);
  choose_button_->setObjectName(QStringLiteral("chooseScanFolderButton"));
  choose_button_->setToolTip(QStringLiteral("בחירת התיקייה"));
  folder_button_ = new QPushButton(QStringLiteral("סרוק תיקייה"), this);
  folder_button_->setObjectName(QStringLiteral("scanFolderButton"));
  folder_button_->setToolTip(QStringLiteral("סריקת תיקיות הלקוחות שבתיקייה"));
  bar_ = new PercentProgressBar(this);
  bar_->setObjectName(QStringLiteral("scanBar"));
  bar_->setFixedHeight(20);
  bar_->setMinimumWidth(120);
  stop_button_ = new QPushButton(QStringLiteral("עצור"), this);
  stop_button_->setObjectName(QStringLiteral("scanStopButton"));
  stop_button_->setToolTip(QStringLiteral("עצירת הסריקה (Esc); הרצה נוספת תמשיך ממקום העצירה"));
  counts_ = new QLabel(this);
  counts_->setObjectName(QStringLiteral("scanCounts"));
  // Room for the widest count it shows, so that the toolbar never cuts it.
  counts_->setMinimumWidth(
      counts_->fontMetrics().horizontalAdvance(QStringLiteral("00000 מתוך 00000 לקוחות - נעצרה")) +
      8);
  run_line_ = new QLabel(this);
  run_line_->setObjectName(QStringLiteral("runLine"));
  // Two whole lines: the run and the parameters, then what was screened and where to.
  run_line_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  run_line_->setFixedHeight(run_line_->fontMetrics().lineSpacing() * 2 + 4);
  run_line_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  grid_ = new Grid(this);
  grid_->setObjectName(QStringLiteral("portfolioGrid"));
  grid_->SetColumns(FixedColumns(SummaryColumnTexts(*grid_)));
  rows_.SetKinds(SummaryColumnKinds());
  // The client's id takes the room the others leave, and never less than its kept width: the
  // columns overflow the view, and the other texts give way to their headings first.
  grid_->SetStretchField(FieldOfColumn("client"));
  grid_->SetErrorRowColour(kCreditColour);
  filter_ = new FilterBox(*grid_, rows_, FieldOfColumn("client"), this);
  grid_->SetSortRoutine([this](int field) {
    rows_.SortBy(field);
    filter_->SetRows(rows_.Count(), 0, /*measure=*/false);
  });
  grid_->SetReverseRoutine([this] {
    rows_.Reverse();
    filter_->SetRows(rows_.Count(), 0, /*measure=*/false);
  });
  grid_->SetReporter(
      [this](const QString& text) { AppMessage(app_, this, 1, MessageIcon::kExclamation, text); });
  grid_->installEventFilter(this);

  auto* tools = new QHBoxLayout;
  tools->addWidget(back_button_);
  tools->addWidget(print_button_);
  tools->addSpacing(12);
  tools->addWidget(folder_caption);
  tools->addWidget(folder_edit_, 1);
  tools->addWidget(choose_button_);
  tools->addWidget(folder_button_);
  tools->addSpacing(12);
  tools->addWidget(bar_, 1);
  tools->addWidget(stop_button_);
  tools->addWidget(counts_);
  auto* filter_row = new QHBoxLayout;
  filter_row->addStretch(1);
  filter_row->addWidget(filter_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(tools);
  layout->addWidget(run_line_);
  layout->addLayout(filter_row);
  layout->addWidget(grid_, 1);
  for (QWidget* widget : {static_cast<QWidget*>(bar_), static_cast<QWidget*>(stop_button_)}) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
  }

  connect(back_button_, &QPushButton::clicked, this, &PortfolioView::BackToList);
  connect(print_button_, &QPushButton::clicked, this, &PortfolioView::Print);
  connect(choose_button_, &QPushButton::clicked, this,
          [this] { ChooseFolder(this, folder_edit_); });
  connect(folder_button_, &QPushButton::clicked, this,
          [this] { ScanFolder(folder_edit_->text()); });
  connect(folder_edit_, &QLineEdit::returnPressed, this,
          [this] { ScanFolder(folder_edit_->text()); });
  connect(stop_button_, &QPushButton::clicked, this, &PortfolioView::Stop);
  connect(grid_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) OpenChosen();
  });
  connect(&task_, &ReadTask::Progress, this, [this](int percent) {
    bar_->setValue(percent);
    ShowCounts();
  });
  // The worker's thread has returned: the batch has ended, stopped or not.
  scan_readers_.changed = [this](bool reading) {
    if (!reading && running_) Ended();
  };
  ShowRunning(false);
}

PortfolioView::~PortfolioView() {
  scan_readers_.changed = nullptr;
  // The grid asks the filter for texts until it is gone.
  delete filter_;
  filter_ = nullptr;
}

QString PortfolioView::CompaniesStore() const {
  return QDir(FromStd(app_.user_data_folder)).filePath(QStringLiteral("portfolio/companies"));
}

QString PortfolioView::FolderStore(const QString& folder) const {
  const QString absolute = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
  const QByteArray digest =
      QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha256).toHex().left(8);
  QString name = QFileInfo(absolute).fileName();
  if (name.isEmpty()) name = QStringLiteral("root");
  return QDir(FromStd(app_.user_data_folder))
      .filePath(QStringLiteral("portfolio/folders/") + name + QLatin1Char('-') +
                QString::fromLatin1(digest));
}

void PortfolioView::ScanCompanies(const std::vector<CompanyRow>& companies) {
  if (running_) return;
  if (companies.empty()) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, kNoCompanies);
    return;
  }
  // One line per saved set; a year kept under two roots is the same company twice, told
  // apart so that each has a results folder of its own.
  Source source;
  std::string list;
  for (const CompanyRow& row : companies) {
    std::string id = ListCell(CompanyId(row));
    for (int n = 2; source.folders.count(id) != 0; ++n) {
      id = ListCell(CompanyId(row)) + "-" + std::to_string(n);
    }
    source.folders[id] = row.folder;
    list += id + "\t" + ListCell(row.folder) + "\t" + ListCell(row.name) + "\n";
  }
  Start(CompaniesStore(), std::move(source), list);
}

void PortfolioView::ScanFolder(const QString& folder) {
  if (running_) return;
  const QString trimmed = folder.trimmed();
  if (trimmed.isEmpty() || !QFileInfo(trimmed).isDir()) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation,
               trimmed.isEmpty() ? kNoFolder : QStringLiteral("התיקייה אינה קיימת: ") + trimmed);
    return;
  }
  folder_edit_->setText(trimmed);
  Source source;
  source.folder = QDir::cleanPath(QFileInfo(trimmed).absoluteFilePath());
  const QString store = FolderStore(source.folder);
  Start(store, std::move(source), {});
}

void PortfolioView::ScanAgain(const std::vector<CompanyRow>& companies) {
  if (!store_.isEmpty() && !source_.folder.isEmpty()) {
    ScanFolder(source_.folder);
  } else {
    ScanCompanies(companies);
  }
}

void PortfolioView::SetOthersBusy(bool busy) {
  others_busy_ = busy;
  ShowRunning(false);
}

void PortfolioView::Start(const QString& store, Source source, const std::string& list) {
  if (running_ || others_busy_ || app_.app_busy) return;
  const QString program = FindCliProgram();
  if (program.isEmpty()) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, CliNotFoundText());
    return;
  }
  BatchRequest request;
  request.program = program.toStdString();
  request.results = QDir::toNativeSeparators(store).toStdString();
  if (source.folder.isEmpty()) {
    // The list stays in the store: `batch --list STORE/companies.txt --out STORE` resumes.
    QDir().mkpath(store);
    const QString list_path = QDir(store).filePath(QString::fromLatin1(kCompaniesListName));
    QSaveFile file(list_path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(list.data(), static_cast<qint64>(list.size())) !=
            static_cast<qint64>(list.size()) ||
        !file.commit()) {
      AppMessage(app_, this, 1, MessageIcon::kExclamation,
                 QStringLiteral("לא ניתן לכתוב את רשימת החברות: ") + list_path);
      return;
    }
    request.list = list_path.toStdString();
  } else {
    request.input = source.folder.toStdString();
  }
  store_ = store;
  source_ = std::move(source);
  rows_.Clear();
  clients_.clear();
  filter_->SetRows(0, 0);
  run_line_->setText(QStringLiteral("תוצאות: ") + Isolated(store));
  counts_state_ = std::make_shared<BatchCounts>();
  outcome_ = std::make_shared<BatchOutcome>();
  running_ = true;
  bar_->setValue(0);
  counts_->setText(QStringLiteral("מתחיל..."));
  ShowRunning(true);
  host_.RunStateChanged(&page_, kBusyScan);
  emit RunningChanged(true);
  auto counts = counts_state_;
  auto outcome = outcome_;
  task_.Start(
      [request, counts, outcome](ProgressMonitor& monitor) {
        *outcome = RunBatchProcess(request, monitor, *counts);
        return !outcome->stopped;
      },
      [](bool) {});
}

void PortfolioView::Stop() {
  if (!running_ || !task_.Running()) return;
  counts_->setText(QStringLiteral("עוצר..."));
  task_.Stop();
}

void PortfolioView::ShowCounts() {
  const int total = counts_state_->total.load();
  if (total <= 0) return;
  counts_->setText(QStringLiteral("%1 מתוך %2 לקוחות").arg(counts_state_->done.load()).arg(total));
}

void PortfolioView::Ended() {
  running_ = false;
  const BatchOutcome outcome = *outcome_;
  ShowCounts();
  ShowRunning(false);
  host_.RunStateChanged(nullptr, {});
  ShowSummary({});
  QString said;
  if (!outcome.started) {
    said = QStringLiteral("לא ניתן להפעיל את tallyscan-cli: ") + FromStd(outcome.message);
  } else if (outcome.stopped) {
    counts_->setText(counts_->text() + QStringLiteral(" - נעצרה"));
  } else if (outcome.exit_code == 127) {
    said = CliNotFoundText();
  } else if (outcome.exit_code != 0 && outcome.exit_code != 3 && outcome.exit_code != 4) {
    // The batch did not run its clients (a refused folder or list): its own words say why.
    said = QStringLiteral("הסריקה נכשלה") +
           (outcome.message.empty() ? QString() : QStringLiteral(":\n") + FromStd(outcome.message));
  }
  emit RunningChanged(false);
  if (!said.isEmpty()) AppMessage(app_, this, 1, MessageIcon::kExclamation, said);
}

void PortfolioView::ShowSummary(const std::string& client) {
  portfolio::SummaryTable table;
  if (Status s = portfolio::ReadSummaryTable(store_.toStdString(), table); !s.ok()) {
    run_line_->setText(FromStd(s.message()));
    return;
  }
  std::vector<std::string> texts;
  clients_.clear();
  // The status in the window's words; every other cell as portfolio.csv holds it.
  const std::size_t status_cell = static_cast<std::size_t>(FieldOfColumn("status") - 2);
  for (const portfolio::SummaryTableLine& line : table.lines) {
    std::string text(1, static_cast<char>(line.analysed ? RowStatus::kHeading : RowStatus::kError));
    for (std::size_t i = 0; i < line.cells.size(); ++i) {
      text += "\t" + ListCell(i == status_cell ? portfolio::StatusCaptionOfWord(line.cells[i])
                                               : line.cells[i]);
    }
    texts.push_back(std::move(text));
    clients_.push_back(line.client);
  }
  rows_.Set(SortedRows::Rows(texts));
  grid_->SetSortIndex(0);
  filter_->SetRows(rows_.Count(), 0);
  const QString source = source_.folder.isEmpty() ? QStringLiteral("החברות השמורות")
                                                  : QDir::toNativeSeparators(source_.folder);
  run_line_->setText(
      QStringLiteral("תחילת ההרצה: %1   ·   גרסת הניתוח: %2   ·   משקלות: %3\nנסרק: %4   ·   "
                     "תוצאות: %5")
          .arg(table.first_start.empty() ? QStringLiteral("-") : FromStd(table.first_start))
          .arg(portfolio::kAnalysisVersion)
          .arg(Weights(table.parameters.portfolio_weights), source, Isolated(store_)));
  print_button_->setEnabled(!running_ && !clients_.empty());
  for (int row = 0; row < filter_->ShownRows(); ++row) {
    const int original = rows_.Original(filter_->SourceRow(row));
    if (original >= 0 && clients_[static_cast<std::size_t>(original)] == client) {
      grid_->selectionModel()->setCurrentIndex(
          grid_->model()->index(row, 1),
          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      break;
    }
  }
}

void PortfolioView::ShowRunning(bool running) {
  bar_->setVisible(running);
  stop_button_->setVisible(running);
  folder_button_->setEnabled(!running && !others_busy_);
  choose_button_->setEnabled(!running && !others_busy_);
  back_button_->setEnabled(!running);
  print_button_->setEnabled(!running && !clients_.empty());
}

std::vector<std::string> PortfolioView::ShownClients() const {
  std::vector<std::string> shown;
  for (int row = 0; row < filter_->ShownRows(); ++row) {
    const int original = rows_.Original(filter_->SourceRow(row));
    if (original >= 0) shown.push_back(clients_[static_cast<std::size_t>(original)]);
  }
  return shown;
}

QString PortfolioView::FolderOfClient(const std::string& client) const {
  if (source_.folder.isEmpty()) {
    const auto found = source_.folders.find(client);
    return found == source_.folders.end() ? QString() : FromStd(found->second);
  }
  // A folder's clients are named by their path below it.
  const QString folder = QDir(source_.folder).filePath(FromStd(client));
  return QFileInfo(folder).isDir() ? QDir::toNativeSeparators(folder) : QString();
}

void PortfolioView::OpenChosen() {
  if (running_ || app_.app_busy || !app_.readers.Idle()) return;
  const QModelIndex current = grid_->selectionModel()->currentIndex();
  if (!current.isValid()) return;
  const int original = rows_.Original(filter_->SourceRow(current.row()));
  if (original < 0 || static_cast<std::size_t>(original) >= clients_.size()) return;
  const std::string& client = clients_[static_cast<std::size_t>(original)];
  const QString folder = FolderOfClient(client);
  if (folder.isEmpty()) {
    AppMessage(app_, this, 1, MessageIcon::kExclamation, kNoClientFolder + FromStd(client));
    return;
  }
  emit OpenClient(folder);
}

void PortfolioView::Print() {
  if (running_ || clients_.empty()) return;
  const std::string results = store_.toStdString();
  ShowOutputDialog(app_, this, QStringLiteral("Portfolio"), [results](ReportStream& stream) {
    portfolio::SummaryInputs inputs;
    if (!portfolio::ReadSummaryInputs(results, inputs).ok()) return false;
    return portfolio::WritePortfolioReport(results, inputs, stream);
  });
}

bool PortfolioView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == grid_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      OpenChosen();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace tallyscan
