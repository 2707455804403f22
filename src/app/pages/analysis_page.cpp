#include "app/pages/analysis_page.h"

#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/compare/compare_tab.h"
#include "app/compare/compare_table_view.h"
#include "app/dialogs/record_detail_dialog.h"
#include "app/jet/jet_tab.h"
#include "app/pages/page_runs.h"
#include "app/shared_fonts.h"
#include "app/statistics/field_statistics_tab.h"
#include "app/statistics/producer_summaries_tab.h"
#include "app/statistics/statistics_run.h"
#include "app/widgets/grid.h"

namespace tallyscan {

AnalysisPage::AnalysisPage(AppContext& app, PageHost& host, QWidget* parent)
    : Page(app, host, kId, parent), runs_(std::make_unique<PageRuns>(host)) {
  setFont(host.Fonts().Tahoma10);
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("analysisTabs"));
  jet_ = new JetTab(app, runs_->NewLane(), *this, tabs_);
  tabs_->addTab(jet_, QStringLiteral("בדיקות פקודות יומן"));
  statistics_ = new StatisticsRun(app, runs_->NewLane(), *this, this);
  fields_ = new FieldStatisticsTab(app, *statistics_, tabs_);
  tabs_->addTab(fields_, QStringLiteral("סטטיסטיקת שדות"));
  summaries_ = new ProducerSummariesTab(app, *statistics_, tabs_);
  tabs_->addTab(summaries_, QStringLiteral("סיכומי היצרן"));
  compare_ = new CompareTab(app, runs_->NewLane(), *this, tabs_);
  tabs_->addTab(compare_, QStringLiteral("השוואת תקופות"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(tabs_);
  connect(jet_, &JetTab::OpenTarget, this, &AnalysisPage::Open);
  connect(compare_, &CompareTab::OpenTarget, this, &AnalysisPage::Open);
}

AnalysisPage::~AnalysisPage() = default;

void AnalysisPage::Enter() {
  jet_->Enter();
  statistics_->Refresh();
  compare_->Enter();
}

QWidget* AnalysisPage::DefaultFocus() {
  if (tabs_->currentWidget() == compare_) {
    return compare_->Result()
               ? static_cast<QWidget*>(compare_->View(compare_->ShownTable())->View())
               : static_cast<QWidget*>(compare_->RunButton());
  }
  return jet_->Result() ? static_cast<QWidget*>(jet_->TestsGrid())
                        : static_cast<QWidget*>(jet_->RunButton());
}

void AnalysisPage::RunMainAction() {
  if (tabs_->currentWidget() == jet_) jet_->Run();
  if (tabs_->currentWidget() == fields_ || tabs_->currentWidget() == summaries_) {
    statistics_->Run();
  }
  if (tabs_->currentWidget() == compare_) compare_->Run();
}

void AnalysisPage::StopRun() {
  jet_->Stop();
  statistics_->Stop();
  compare_->Stop();
}

void AnalysisPage::BusyChanged(bool busy) {
  jet_->BusyChanged(busy);
  compare_->BusyChanged(busy);
}

PageView AnalysisPage::SaveView() const {
  PageView view;
  // The comparison's tab keeps its own place in the view; the others the tests' hits.
  if (tabs_->currentWidget() == compare_) {
    compare_->SaveView(view);
  } else {
    jet_->SaveView(view);
  }
  view.second_text = QString::number(tabs_->currentIndex());
  return view;
}

void AnalysisPage::RestoreView(const PageView& view) {
  tabs_->setCurrentIndex(view.second_text.toInt());
  if (tabs_->currentWidget() == compare_) {
    compare_->RestoreView(view);
  } else {
    jet_->RestoreView(view);
  }
}

void AnalysisPage::Open(const LineTarget& target) {
  switch (target.type) {
    case RecordType::kB100:
    case RecordType::kB110:
      if (target.element != 0) {
        emit OpenCard(target.element, target.type == RecordType::kB100 ? target.offset : -1);
        return;
      }
      break;
    case RecordType::kC100:
      if (target.element != 0) {
        emit OpenDocument(target.element);
        return;
      }
      break;
    default:
      return;
  }
  // No browser shows the line (an account without a card): its record then.
  OpenRecordDetail(app_, this, {{target.type, target.offset}});
}

}  // namespace tallyscan
