#include "app/statistics/producer_summaries_tab.h"

#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/dialogs/output_dialog.h"
#include "app/statistics/statistics_run.h"
#include "app/statistics/statistics_run_bar.h"
#include "app/widgets/column_grid.h"
#include "app/widgets/grid.h"
#include "engine/analytics/analytics.h"
#include "engine/report/report.h"

namespace tallyscan {
namespace {

// Every cell of the rows, in the rows' order, so that the engine's rows are the grids' rows.
using D = DocumentSummaryColumns;
constexpr GridPick kDocumentPicks[] = {{D::Cell("type"), 50},      {D::Cell("name"), 200},
                                       {D::Cell("documents"), 80}, {D::Cell("cancelled"), 80},
                                       {D::Cell("total"), 130},    {D::Cell("vat"), 120},
                                       {D::Cell("lowest"), 110},   {D::Cell("highest"), 110}};
using R = RecordCountColumns;
constexpr GridPick kRecordPicks[] = {{R::Cell("record"), 60},
                                     {R::Cell("caption"), 250},
                                     {R::Cell("in_file"), 100},
                                     {R::Cell("stated"), 100},
                                     {R::Cell("difference"), 90}};
static_assert(PicksEveryCell(kDocumentPicks, D::kCount) && PicksEveryCell(kRecordPicks, R::kCount));

// A list under its heading.
QWidget* Titled(const QString& title, Grid* grid, QWidget* parent) {
  auto* box = new QWidget(parent);
  auto* heading = new QLabel(title, box);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  grid->setParent(box);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 4, 0, 0);
  layout->addWidget(heading);
  layout->addWidget(grid, 1);
  return box;
}

void PrintRows(AppContext& app, QWidget* owner, const QString& kind, std::vector<std::string> rows,
               bool (*write)(std::span<const std::string>, ReportStream&)) {
  auto shared = std::make_shared<const std::vector<std::string>>(std::move(rows));
  ShowOutputDialog(app, owner, kind,
                   [shared, write](ReportStream& stream) { return write(*shared, stream); });
}

}  // namespace

ProducerSummariesTab::ProducerSummariesTab(AppContext& app, StatisticsRun& run, QWidget* parent)
    : QWidget(parent), app_(app), run_(run) {
  setObjectName(QStringLiteral("producerSummariesTab"));
  bar_ = new StatisticsRunBar(run, this);
  print_documents_ = new QPushButton(QStringLiteral("הדפס מסמכים"), this);
  print_documents_->setObjectName(QStringLiteral("printDocumentsButton"));
  print_documents_->setToolTip(QStringLiteral("סיכום מסמכים לפי סוג"));
  print_records_ = new QPushButton(QStringLiteral("הדפס רשומות"), this);
  print_records_->setObjectName(QStringLiteral("printRecordsButton"));
  print_records_->setToolTip(QStringLiteral("סיכום רשומות לפי סוג"));
  bar_->AddResultButton(print_documents_);
  bar_->AddResultButton(print_records_);

  document_source_ = std::make_unique<TabRowSource>(document_rows_);
  record_source_ = std::make_unique<TabRowSource>(record_rows_);
  documents_grid_ = new Grid(this);
  documents_grid_->setObjectName(QStringLiteral("documentsGrid"));
  documents_grid_->SetColumns(PickedGridColumns(DocumentSummaryColumns::kAll, kDocumentPicks));
  documents_grid_->SetStretchField(
      GridFieldOf(kDocumentPicks, DocumentSummaryColumns::Cell("name")));
  documents_grid_->SetSource(document_source_.get());
  records_grid_ = new Grid(this);
  records_grid_->setObjectName(QStringLiteral("recordsGrid"));
  records_grid_->SetColumns(PickedGridColumns(RecordCountColumns::kAll, kRecordPicks));
  records_grid_->SetStretchField(GridFieldOf(kRecordPicks, RecordCountColumns::Cell("caption")));
  records_grid_->SetErrorRowColour(kCreditColour);
  records_grid_->SetSource(record_source_.get());
  for (Grid* grid : {documents_grid_, records_grid_}) {
    grid->SetReporter([this](const QString& text) {
      AppMessage(app_, this, 1, MessageIcon::kExclamation, text);
    });
  }

  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->addWidget(Titled(QStringLiteral("סיכום מסמכים לפי סוג"), documents_grid_, splitter));
  splitter->addWidget(Titled(QStringLiteral("סיכום רשומות לפי סוג"), records_grid_, splitter));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(bar_);
  layout->addWidget(splitter, 1);

  connect(print_documents_, &QPushButton::clicked, this, &ProducerSummariesTab::PrintDocuments);
  connect(print_records_, &QPushButton::clicked, this, &ProducerSummariesTab::PrintRecords);
  connect(&run_, &StatisticsRun::Started, this, &ProducerSummariesTab::ShowResult);
  connect(&run_, &StatisticsRun::Ended, this, &ProducerSummariesTab::ShowResult);
}

ProducerSummariesTab::~ProducerSummariesTab() {
  // The grids ask the sources for texts until they are gone.
  documents_grid_->SetSource(nullptr);
  records_grid_->SetSource(nullptr);
}

void ProducerSummariesTab::ShowResult() {
  if (result_ == run_.Result() && result_ != nullptr) return;
  result_ = run_.Result();
  documents_grid_->SetRowCount(0);
  records_grid_->SetRowCount(0);
  document_rows_.clear();
  record_rows_.clear();
  if (!result_) return;
  document_rows_ = DocumentSummaryRows(*result_);
  record_rows_ = RecordCountRows(*result_);
  documents_grid_->SetRowCount(static_cast<int>(document_rows_.size()));
  records_grid_->SetRowCount(static_cast<int>(record_rows_.size()));
}

void ProducerSummariesTab::PrintDocuments() {
  if (!result_) return;
  PrintRows(app_, this, QStringLiteral("SummaryDocuments"), document_rows_,
            &WriteDocumentSummaryReport);
}

void ProducerSummariesTab::PrintRecords() {
  if (!result_) return;
  PrintRows(app_, this, QStringLiteral("SummaryRecords"), record_rows_, &WriteRecordCountsReport);
}

}  // namespace tallyscan
