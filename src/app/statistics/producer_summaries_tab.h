#pragma once

// The tab "סיכומי היצרן" of the analysis page: the two summaries the producer of the files
// prints for the auditor, from the shared statistics run. The documents by type with their
// totals row (bold), and the record counts of the data file beside INI.TXT's, a difference
// (or a type INI.TXT does not state) an error row in red. The rows are those of
// `tallyscan-cli summary documents|records`; each list prints through the output dialog.

#include <memory>
#include <string>
#include <vector>

#include <QWidget>

#include "app/app_context.h"
#include "engine/analytics/analytics.h"

class QPushButton;

namespace tallyscan {

class Grid;
class GridRowSource;
class StatisticsRun;
class StatisticsRunBar;

class ProducerSummariesTab final : public QWidget {
  Q_OBJECT
 public:
  // `run` is shared with the other statistics tab and must outlive this one.
  ProducerSummariesTab(AppContext& app, StatisticsRun& run, QWidget* parent);
  ~ProducerSummariesTab() override;

  // "הדפס מסמכים" and "הדפס רשומות": the summary through the output dialog.
  void PrintDocuments();
  void PrintRecords();

  StatisticsRunBar* Bar() const { return bar_; }
  QPushButton* PrintDocumentsButton() const { return print_documents_; }
  QPushButton* PrintRecordsButton() const { return print_records_; }
  Grid* DocumentsGrid() const { return documents_grid_; }
  Grid* RecordsGrid() const { return records_grid_; }

 private:
  void ShowResult();

  AppContext& app_;
  StatisticsRun& run_;
  std::shared_ptr<const FieldStatistics> result_;  // the one shown
  std::vector<std::string> document_rows_;
  std::vector<std::string> record_rows_;
  std::unique_ptr<GridRowSource> document_source_;
  std::unique_ptr<GridRowSource> record_source_;

  StatisticsRunBar* bar_ = nullptr;
  QPushButton* print_documents_ = nullptr;
  QPushButton* print_records_ = nullptr;
  Grid* documents_grid_ = nullptr;
  Grid* records_grid_ = nullptr;
};

}  // namespace tallyscan
