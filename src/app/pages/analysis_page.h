#pragma once

#include <memory>

#include "app/pages/page.h"
#include "engine/analytics/analytics.h"

class QTabWidget;

namespace tallyscan {

class CompareTab;
class FieldStatisticsTab;
class JetTab;
class PageRuns;
class ProducerSummariesTab;
class StatisticsRun;

// Page 9, the analysis: tabs over the loaded set, the journal-entry tests the first of them,
// then the field statistics and the producer's summaries (one run serves both), and the
// comparison with a prior period. F5 runs the
// tab shown, Esc stops what runs (both tabs' runs may go on at once: the window is busy until
// the last has ended); a row opened in a tab leads to its line (OpenTarget): a
// movement or an account to the ledger card, a document to the documents page, a line no
// browser shows (an account without a card) to its source record.
class AnalysisPage final : public Page {
  Q_OBJECT
 public:
  static constexpr PageId kId = PageId::kAnalysis;

  AnalysisPage(AppContext& app, PageHost& host, QWidget* parent);
  ~AnalysisPage() override;

  void Enter() override;
  QWidget* DefaultFocus() override;
  void RunMainAction() override;
  void StopRun() override;
  void BusyChanged(bool busy) override;
  PageView SaveView() const override;
  void RestoreView(const PageView& view) override;

  QTabWidget* Tabs() const { return tabs_; }
  JetTab* Jet() const { return jet_; }
  FieldStatisticsTab* Fields() const { return fields_; }
  ProducerSummariesTab* Summaries() const { return summaries_; }
  StatisticsRun* Statistics() const { return statistics_; }
  CompareTab* Compare() const { return compare_; }

 signals:
  // The ledger card of AccountIndex element `account`, at the movement at `offset` (-1: the
  // card's top).
  void OpenCard(qint64 account, qint64 offset);
  // DocumentIndex element `element` on the documents page.
  void OpenDocument(qint64 element);

 private:
  void Open(const LineTarget& target);

  std::unique_ptr<PageRuns> runs_;  // the window's busy state for both tabs' runs
  QTabWidget* tabs_ = nullptr;
  JetTab* jet_ = nullptr;
  StatisticsRun* statistics_ = nullptr;
  FieldStatisticsTab* fields_ = nullptr;
  ProducerSummariesTab* summaries_ = nullptr;
  CompareTab* compare_ = nullptr;
};

}  // namespace tallyscan
