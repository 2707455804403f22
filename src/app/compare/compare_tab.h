#pragma once

// The tab "השוואת תקופות" of the analysis page: the set loaded is the current period; the
// prior is chosen by folder ("...", the folder chooser) or from the saved companies. "הפעל"
// (F5) reads the prior into a store of its own and compares the two on a worker (ReadTask),
// with the progress bar and "עצור" (Esc), the current set staying as it was read. Above the
// tables the two periods and how they meet, and the openings' reconciliation, in words; below,
// a table per part (openings, the review by account, code or group through a selector, the
// accounts that came and went, the new counterparties). The results stay until the next run
// or the next reading.
// Enter (or a double-click) on a row of an account of CURRENT asks for its ledger card with
// OpenTarget; a row of an account found only in PRIOR says so in the window's status bar and
// on the tab's status line.

#include <array>
#include <memory>
#include <optional>

#include <QWidget>

#include "app/app_context.h"
#include "app/background/read_task.h"
#include "app/pages/page.h"
#include "engine/analytics/analytics.h"

class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTabWidget;

namespace tallyscan {

class CompareTableView;
class PercentProgressBar;
class RunBar;

class CompareTab final : public QWidget {
  Q_OBJECT
 public:
  CompareTab(AppContext& app, PageHost& host, Page& page, QWidget* parent);
  ~CompareTab() override;

  // "הפעל": reads the prior folder and compares; nothing while a run goes on, while the
  // window is busy or no set is loaded. A folder that is no data set is said in a message.
  void Run();
  // "עצור": the run ends at once, with no result.
  void Stop();
  bool Running() const { return run_task_.Running(); }
  void ClearResults();
  // "הדפס": the comparison report through the output dialog.
  void Print();
  void BusyChanged(bool busy);
  // The page is shown again: the saved companies are listed anew, and results of a set read
  // since are dropped.
  void Enter();
  // Enter on the current row of the table shown.
  void OpenRow();
  // Shows table `table` (its part's tab, the review's selector).
  void ShowTable(CompareTable table);
  CompareTable ShownTable() const;

  // The table shown, its current row (the engine's), order and filter, and back to them.
  void SaveView(PageView& view) const;
  void RestoreView(const PageView& view);

  const std::shared_ptr<const CompareResult>& Result() const { return result_; }
  CompareTableView* View(CompareTable table) const {
    return views_[static_cast<std::size_t>(table)];
  }
  QLineEdit* PriorFolder() const { return folder_; }
  QComboBox* Companies() const { return companies_; }
  QPushButton* RunButton() const;
  QPushButton* StopButton() const;
  QPushButton* PrintButton() const { return print_button_; }
  PercentProgressBar* Progress() const;
  QLabel* Identity() const { return identity_; }
  QLabel* Reconciliation() const { return reconciliation_; }
  QLabel* StatusLine() const;
  QTabWidget* Parts() const { return parts_; }
  QComboBox* ReviewSelector() const { return review_selector_; }

 signals:
  void OpenTarget(const LineTarget& target);
  // A run ended: its results are shown, or it failed or stopped and there are none.
  void RunEnded();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The tab's parts, built by the constructor.
  QLayout* BuildPriorRow();
  void BuildTables();

  void ShowRunning(bool running);
  void ShowResult(CompareResult result);
  void ListCompanies();

  AppContext& app_;
  PageHost& host_;
  Page& page_;
  ReadTask run_task_;
  std::shared_ptr<const CompareResult> result_;
  std::uint64_t result_load_ = ~std::uint64_t{0};  // LoadNumber of the set the results are of
  bool stop_asked_ = false;

  QLineEdit* folder_ = nullptr;
  QPushButton* browse_button_ = nullptr;
  QComboBox* companies_ = nullptr;
  RunBar* run_bar_ = nullptr;
  QPushButton* print_button_ = nullptr;
  QLabel* identity_ = nullptr;
  QLabel* reconciliation_ = nullptr;
  QTabWidget* parts_ = nullptr;
  QComboBox* review_selector_ = nullptr;
  QStackedWidget* review_stack_ = nullptr;
  std::array<CompareTableView*, kCompareTableCount> views_{};
};

}  // namespace tallyscan
