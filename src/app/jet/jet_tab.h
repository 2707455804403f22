#pragma once

// The tab "בדיקות פקודות יומן" of the analysis page: "הפעל" (F5) runs the whole pack on a
// worker (ReadTask) with the progress bar and "עצור" (Esc); the population gate in words
// above the tests list (state picture, caption, state, hits, the figure that matters), and
// under it, once a run has digit tests, a line saying that they judge the population, not
// single lines, and where their lines are; below it the hits of the chosen test (their date and
// own columns headed by what they hold for it), the digit charts, the sufficiency panel and
// the ranking.
// Every row shows what the engine returned. Enter or a double-click on a hit (a digit's line,
// a ranked transaction) asks for its line with OpenTarget. The results stay until the next
// run or the next reading.

#include <memory>
#include <vector>

#include <QElapsedTimer>
#include <QWidget>

#include "app/app_context.h"
#include "app/background/read_task.h"
#include "app/pages/page.h"
#include "app/widgets/sorted_rows.h"
#include "engine/analytics/analytics.h"

class QLabel;
class QPushButton;
class QTabWidget;

namespace tallyscan {

class FilterBox;
class Grid;
class JetDigitChart;
class PercentProgressBar;
class RunBar;

class JetTab final : public QWidget {
  Q_OBJECT
 public:
  JetTab(AppContext& app, PageHost& host, Page& page, QWidget* parent);
  ~JetTab() override;

  // "הפעל": runs the pack; nothing while a run goes on or no set is loaded.
  void Run();
  // "עצור": the run ends at once, with no result.
  void Stop();
  bool Running() const { return run_task_.Running(); }
  // The set changed (a reading): the results go.
  void ClearResults();
  // "פרמטרים": the dialog; the parameters it keeps apply to the next run.
  void EditParameters();
  // "הדפס": the evidence report through the output dialog.
  void Print();
  void BusyChanged(bool busy);
  // The page is shown again: results of a set read since are dropped.
  void Enter();

  // Opens the hit (or digit line, or ranked transaction) of the grid's current row.
  void OpenHit();
  void OpenDigitLine();
  void OpenRanked();

  // Chooses test row `row` of the tests list (as shown) and loads its hits.
  void ChooseTest(int row);
  // Where the tab stands and back to it: the test, its hit (the engine's row, so that it is
  // found again whatever the order), the hits' order and direction (the field, negative when
  // descending), the filter text, the detail tab shown. Hits loaded anew for it are sorted on
  // the worker that reads them; the hit is chosen once the filter's match is in.
  void SaveView(PageView& view) const;
  void RestoreView(const PageView& view);

  const std::shared_ptr<const JetResult>& Result() const { return result_; }
  // The test whose hits are shown; nullopt before a choice.
  std::optional<JetTest> ChosenTest() const { return chosen_; }
  bool HitsLoading() const { return lines_task_.Running(); }
  // Many hits (or a digit's lines) are being sorted off the window's thread.
  bool Sorting() const { return hits_sort_task_.Running() || digit_sort_task_.Running(); }
  // The hit targets, one per hit row in the engine's order.
  const std::vector<LineTarget>& HitTargets() const { return hit_targets_; }
  const JetParameters& Parameters() const { return parameters_; }

  QPushButton* RunButton() const;
  QPushButton* StopButton() const;
  PercentProgressBar* Progress() const;
  QLabel* Gate() const { return gate_; }
  // Under the tests list: what the digit tests judge and where their lines are.
  QLabel* DigitNote() const { return digit_note_; }
  Grid* TestsGrid() const { return tests_grid_; }
  Grid* HitsGrid() const { return hits_grid_; }
  FilterBox* HitsFilter() const { return hits_filter_; }
  Grid* SufficiencyGrid() const { return sufficiency_grid_; }
  Grid* RankingGrid() const { return ranking_grid_; }
  Grid* DigitLinesGrid() const { return digit_lines_grid_; }
  // "שורות הספרה 43 (כל התנועות): 1,234" over the digit's lines.
  QLabel* DigitLinesCount() const { return digit_lines_count_; }
  JetDigitChart* DigitChart() const { return chart_; }
  QTabWidget* Details() const { return details_; }
  // How long the last completed run took from "הפעל" to its results shown, in ms.
  qint64 LastRunMs() const { return last_run_ms_; }

 signals:
  // A row was opened: the line it stands for.
  void OpenTarget(const LineTarget& target);
  // A run ended and its results are shown (or it failed or stopped: no result).
  void RunEnded();
  // The hits of the chosen test (or a digit's lines) are shown.
  void LinesShown();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The tab's parts, built by the constructor in this order.
  void BuildRunBar();
  QWidget* BuildHitsPage();
  QWidget* BuildDigitsPage();
  void LayOut();
  void ConnectParts();
  // A grid over `rows` that sorts them (on `task` when there are many) and shows them.
  Grid* SortedGrid(const QString& name, std::vector<GridColumn> columns, int stretch,
                   SortedRows& rows, std::vector<ValueKind> kinds, ReadTask* task, QWidget* parent);

  void ShowRunning(bool running);
  void ShowResult(JetResult result);
  void LoadHits(JetTest test);
  // Chooses the hit of pending_hit_ when the filter is not matching; else its match does.
  void ChooseSavedHit();
  void ListDigit(JetTest test, JetPopulationKind population, int digit);
  // The chart changed: the lines listed are of another chart.
  void ClearDigitLines();
  // Sorts the rows of `grid` by `field`: at once, or on `task` when there are many (the grid
  // keeps its rows meanwhile; a reversal asked meanwhile is applied to the new order).
  void SortGrid(Grid& grid, SortedRows& rows, FilterBox* filter, ReadTask* task, int field);
  void Reverse(Grid& grid, SortedRows& rows, FilterBox* filter, const ReadTask* task);
  // The grid shows its rows in their new order.
  static void ShowOrder(Grid& grid, const SortedRows& rows, FilterBox* filter);
  // New rows for a grid in the engine's order: a sort running for the old ones is dropped.
  void Replace(Grid& grid, SortedRows& rows, ReadTask* task, SortedRows::Rows new_rows);

  AppContext& app_;
  PageHost& host_;
  Page& page_;
  ReadTask run_task_;
  ReadTask lines_task_;  // hits, a digit's lines, a ranked transaction's line
  ReadTask hits_sort_task_;
  ReadTask digit_sort_task_;
  JetParameters parameters_;
  std::shared_ptr<const JetResult> result_;
  std::uint64_t result_load_ = ~std::uint64_t{0};  // LoadNumber of the set the results are of
  bool stop_asked_ = false;
  QElapsedTimer clock_;
  qint64 last_run_ms_ = 0;
  std::optional<JetTest> chosen_;
  std::optional<PageView> pending_view_;  // applied once the chosen test's hits are shown
  std::optional<PageView> pending_hit_;   // chosen once the filter's match is in

  SortedRows test_rows_;
  SortedRows hit_rows_;
  std::vector<LineTarget> hit_targets_;
  SortedRows sufficiency_rows_;
  SortedRows ranking_rows_;
  SortedRows digit_rows_;
  std::vector<LineTarget> digit_targets_;
  std::uint64_t digit_lines_asked_ = 0;  // the last digit asked for; a chart change counts

  RunBar* run_bar_ = nullptr;
  QPushButton* parameters_button_ = nullptr;
  QPushButton* print_button_ = nullptr;
  QLabel* gate_ = nullptr;
  QLabel* digit_note_ = nullptr;
  Grid* tests_grid_ = nullptr;
  QTabWidget* details_ = nullptr;
  Grid* hits_grid_ = nullptr;
  FilterBox* hits_filter_ = nullptr;
  Grid* sufficiency_grid_ = nullptr;
  Grid* ranking_grid_ = nullptr;
  JetDigitChart* chart_ = nullptr;
  Grid* digit_lines_grid_ = nullptr;
  QLabel* digit_lines_count_ = nullptr;
};

}  // namespace tallyscan
